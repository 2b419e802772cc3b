// tests/support/bet_rows.h: the rows of the generated bets.tsv fixture, shared by
// the integration tests, the C host tests and the benchmarks.
#pragma once

#include <string>
#include <vector>

namespace zt::test {

struct BetRow {
  std::string name;
  std::string mapper;  // noop:<id>, plinko:<id>:<levels>, slot:<id>:<reels>, none:<id>
  int code = 0;        // 0 verified, 2 a document fails to decode, 3 verification fails
  std::string message;
  std::string receipt;
  std::string transcript;
  // The mapper column in its parts: "noop", "plinko", "slot" or "none"; the GDP id;
  // the levels or the reels JSON (empty for noop and none).
  std::string mapper_kind;
  std::string gdp_id;
  std::string mapper_parameter;
};

// load_bet_rows: the rows of |path|. A file that is missing or malformed yields one
// row with code -1, naming the problem, rather than an empty and silent list.
std::vector<BetRow> load_bet_rows(const std::string& path);

}  // namespace zt::test
