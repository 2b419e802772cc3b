// draw_below_test.cpp: the uniform draw at the edges of its rejection limit.
#include "gdp/draw_below.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "scripted_stream.h"

namespace zt::gdp {
namespace {

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

struct DrawCase {
  const char* name;
  std::uint64_t n;
  std::vector<std::uint64_t> draws;
  std::uint64_t want;
  std::size_t want_bytes;
};

TEST(DrawBelow, RejectsExactlyTheValuesAtOrAboveTheLimit) {
  const DrawCase cases[] = {
      {"n1_max_rejected", 1, {kMax, 5}, 0, 16},
      {"n1_max_minus_1_accepted", 1, {kMax - 1}, 0, 8},
      {"n2_two_largest_rejected", 2, {kMax, kMax - 1, 3}, 1, 24},
      {"n2_max_minus_2_accepted", 2, {kMax - 2}, 1, 8},
      {"n2_even_value", 2, {kMax - 1, 4}, 0, 16},
      {"n3_max_rejected", 3, {kMax, 7}, 1, 16},
      {"n3_max_minus_1_accepted", 3, {kMax - 1}, 2, 8},
      {"n_max_rejects_only_max", kMax, {kMax, kMax - 1}, kMax - 1, 16},
      // The last byte is the least significant one.
      {"big_endian", 256, {0x0102030405060708}, 0x08, 8},
      {"big_endian_high_bits", std::uint64_t{1} << 56, {0x0102030405060708}, 0x02030405060708, 8},
  };
  for (const DrawCase& c : cases) {
    SCOPED_TRACE(c.name);
    testing::ScriptedStream stream(c.draws);
    EXPECT_EQ(draw_below(stream, c.n), c.want);
    EXPECT_EQ(stream.consumed(), c.want_bytes);
  }
}

}  // namespace
}  // namespace zt::gdp
