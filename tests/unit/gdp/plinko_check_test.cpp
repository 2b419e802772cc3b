// plinko_check_test.cpp: the plinko outcome check driven by scripted draws.
#include "gdp/plinko/plinko_check.h"

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

json::Value outcome(json::Array path, json::Value bucket) {
  return json::Object{{"path", std::move(path)}, {"bucket", std::move(bucket)}};
}

struct PlinkoCase {
  std::string name;
  std::uint64_t levels;
  json::Value raw;
  std::vector<std::uint64_t> draws;
  std::string want;
  std::size_t want_bytes;
};

TEST(PlinkoCheck, ChecksInOrderAndDrawsOnlyForWellFormedSteps) {
  // 5, 2, 7: accepted draws whose lowest bits are 1, 0, 1.
  const std::vector<std::uint64_t> draws = {5, 2, 7};
  const std::vector<PlinkoCase> cases = {
      {"example", 3, outcome({u(1), u(0), u(1)}, u(2)), draws, "ok", 24},
      {"other_keys_ignored", 3,
       json::Object{{"path", json::Array{u(1), u(0), u(1)}}, {"bucket", u(2)}, {"x", "y"}}, draws,
       "ok", 24},
      {"bucket_mismatch", 3, outcome({u(1), u(0), u(1)}, u(3)), draws,
       "mismatch: bucket mismatch: derived 2 vs reported 3", 24},
      {"path_too_short", 3, outcome({u(1), u(0)}, u(1)), draws,
       "mismatch: expected 3 path steps, received 2", 0},
      {"path_too_long", 3, outcome({u(1), u(0), u(1), u(0)}, u(2)), draws,
       "mismatch: expected 3 path steps, received 4", 0},
      {"step_value_2", 3, outcome({u(1), u(2), u(1)}, u(2)), draws,
       "mismatch: path step 1 out of range: 2", 8},
      {"step_string", 3, outcome({"1", u(0), u(1)}, u(2)), draws,
       "format: path step 0 must be unsigned integer", 0},
      {"step_double", 3, outcome({u(1), d(1.0), u(1)}, u(2)), draws,
       "format: path step 1 must be unsigned integer", 8},
      {"step_negative", 3, outcome({u(1), u(0), s(-1)}, u(2)), draws,
       "format: path step 2 must be unsigned integer", 16},
      {"first_mismatch_wins_over_bucket", 3, outcome({u(1), u(1), u(1)}, u(9)), draws,
       "mismatch: path step 1 mismatch: derived 0 vs reported 1", 16},
      {"raw_string", 3, "path", draws, "format: missing outcome.path", 0},
      {"raw_array", 3, json::Array{u(1), u(0), u(1)}, draws, "format: missing outcome.path", 0},
      {"raw_null", 3, nullptr, draws, "format: missing outcome.path", 0},
      {"path_object", 3, json::Object{{"path", json::Object{}}}, draws,
       "format: outcome.path must be array", 0},
      {"bucket_missing", 3, json::Object{{"path", json::Array{u(1), u(0), u(1)}}}, draws,
       "format: missing outcome.bucket", 24},
      {"bucket_negative", 3, outcome({u(1), u(0), u(1)}, s(-1)), draws,
       "format: outcome.bucket must be integer", 24},
      {"bucket_double", 3, outcome({u(1), u(0), u(1)}, d(2.0)), draws,
       "format: outcome.bucket must be integer", 24},
      {"bucket_string", 3, outcome({u(1), u(0), u(1)}, "2"), draws,
       "format: outcome.bucket must be integer", 24},
      {"two_largest_draws_rejected",
       1,
       outcome({u(1)}, u(1)),
       {kMax - 1, kMax, kMax - 2},
       "ok",
       24},
      {"zero_levels_empty_path",
       0,
       outcome({}, u(0)),
       {},
       "format: plinko mapper configured with zero levels",
       0},
      {"zero_levels_no_path",
       0,
       nullptr,
       {},
       "format: plinko mapper configured with zero levels",
       0},
  };
  for (const PlinkoCase& c : cases) {
    SCOPED_TRACE(c.name);
    testing::ScriptedStream stream(c.draws);
    EXPECT_EQ(testing::describe(check_plinko_outcome(c.levels, c.raw, stream)), c.want);
    EXPECT_EQ(stream.consumed(), c.want_bytes);
  }
}

}  // namespace
}  // namespace zt::gdp
