// slot_check_test.cpp: the slot outcome check driven by scripted draws.
#include "gdp/slot/slot_check.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "scripted_stream.h"

namespace zt::gdp {
namespace {

using testing::d;
using testing::s;
using testing::u;

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

json::Value stops(json::Array values) { return json::Object{{"stops", std::move(values)}}; }

// reels_of: reels with the given lengths, every symbol set to |symbol|.
std::vector<Reel> reels_of(const std::vector<std::size_t>& lengths, std::uint8_t symbol) {
  std::vector<Reel> reels;
  for (std::size_t length : lengths) reels.emplace_back(length, symbol);
  return reels;
}

struct SlotCase {
  std::string name;
  std::vector<std::size_t> reel_lengths;
  json::Value raw;
  std::vector<std::uint64_t> draws;
  std::string want;
  std::size_t want_bytes;
};

TEST(SlotCheck, ChecksInOrderAndDrawsOnlyForWellFormedStops) {
  // Reels of 3 and 5 symbols with x0 = 7, x1 = 12 derive the stops 1 and 2.
  const std::vector<std::size_t> lengths = {3, 5};
  const std::vector<std::uint64_t> draws = {7, 12};
  const std::vector<SlotCase> cases = {
      {"example", lengths, stops({u(1), u(2)}), draws, "ok", 16},
      {"second_stop_mismatch", lengths, stops({u(1), u(4)}), draws,
       "mismatch: stop 1 mismatch: derived 2 vs reported 4", 16},
      {"first_stop_mismatch", lengths, stops({u(0), u(2)}), draws,
       "mismatch: stop 0 mismatch: derived 1 vs reported 0", 8},
      {"too_many_stops", lengths, stops({u(1), u(2), u(0)}), draws,
       "mismatch: expected 2 stops, received 3", 0},
      {"stop_equal_to_length", lengths, stops({u(3), u(2)}), draws,
       "mismatch: stop 0 out of range: 3 >= 3", 0},
      {"second_stop_equal_to_length", lengths, stops({u(1), u(5)}), draws,
       "mismatch: stop 1 out of range: 5 >= 5", 8},
      {"stop_string", lengths, stops({"1", u(2)}), draws, "format: stop 0 must be unsigned integer",
       0},
      {"stop_double", lengths, stops({u(1), d(1.0)}), draws,
       "format: stop 1 must be unsigned integer", 8},
      {"stop_negative", lengths, stops({s(-1), u(2)}), draws,
       "format: stop 0 must be unsigned integer", 0},
      {"raw_string", lengths, "stops", draws, "format: missing outcome.stops", 0},
      {"stops_absent", lengths, json::Object{{"path", json::Array{}}}, draws,
       "format: missing outcome.stops", 0},
      {"stops_object", lengths, json::Object{{"stops", json::Object{}}}, draws,
       "format: outcome.stops must be array", 0},
      {"one_symbol_reel_still_draws", {1}, stops({u(0)}), {kMax, 9}, "ok", 16},
      {"no_reels_empty_stops",
       {},
       stops({}),
       {},
       "format: slot mapper configured without reels",
       0},
      {"no_reels_null_raw", {}, nullptr, {}, "format: slot mapper configured without reels", 0},
      {"empty_reel_after_matching_reels",
       {3, 5, 0},
       stops({u(1), u(2), u(0)}),
       draws,
       "format: reel 2 configured with zero length",
       16},
  };
  for (const SlotCase& c : cases) {
    SCOPED_TRACE(c.name);
    // Two mappers with the same reel lengths but different symbols must agree.
    for (std::uint8_t symbol : {std::uint8_t{0}, std::uint8_t{255}}) {
      const std::vector<Reel> reels = reels_of(c.reel_lengths, symbol);
      testing::ScriptedStream stream(c.draws);
      EXPECT_EQ(testing::describe(check_slot_outcome(reels, c.raw, stream)), c.want);
      EXPECT_EQ(stream.consumed(), c.want_bytes);
    }
  }
}

}  // namespace
}  // namespace zt::gdp
