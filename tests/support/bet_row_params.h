// tests/support/bet_row_params.h: the rows of the generated bets.tsv as the
// parameters of a googletest suite, one case per row named after it:
//
//   class MyFixture : public test::BetRowTest {};
//   TEST_P(MyFixture, Something) { const BetRow& row = GetParam(); ... }
//   INSTANTIATE_TEST_SUITE_P(Bets, MyFixture, testing::ValuesIn(test::fixture_bet_rows()),
//                            test::bet_row_name);
//
// Needs ZT_FIXTURES_DIR, which zt_add_test defines.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "bet_rows.h"
#include "row_mapper.h"

namespace zt::test {

// Failures name the row instead of dumping its bytes.
inline void PrintTo(const BetRow& row, std::ostream* out) { *out << row.name; }

inline std::vector<BetRow> fixture_bet_rows() {
  return load_bet_rows(std::string(ZT_FIXTURES_DIR) + "/bets.tsv");
}

inline std::string bet_row_name(const testing::TestParamInfo<BetRow>& info) {
  return info.param.name;
}

// BetRowTest: a case per row. Before each case it stops on a row that stands for
// an unreadable bets.tsv (code -1) and registers the row's mapper.
class BetRowTest : public testing::TestWithParam<BetRow> {
 protected:
  void SetUp() override {
    const BetRow& row = GetParam();
    ASSERT_NE(row.code, -1) << row.name << ": " << row.message;
    ASSERT_EQ(register_row_mapper(row), "");
  }
};

}  // namespace zt::test
