// tests/support/bet_rows.h: the rows of the generated bets.tsv fixture, and the
// registration of each row's mapper, shared by the integration tests and the
// benchmarks.
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
};

// load_bet_rows: the rows of |path|. A file that is missing or malformed yields one
// row with code -1, naming the problem, rather than an empty and silent list.
std::vector<BetRow> load_bet_rows(const std::string& path);

// register_row_mapper: binds the row's mapper to its GDP id; "none" binds nothing.
// Returns an error text for a mapper column it cannot use, else "".
std::string register_row_mapper(const std::string& mapper);

}  // namespace zt::test
