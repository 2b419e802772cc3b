// bet_fixtures_test.cpp: every bet of the generated bets.tsv, decoded and verified
// in-process with the row's mapper registered, against its expected code and text.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "records/parse.h"
#include "row_mapper.h"
#include "verifier/verify_bet.h"

namespace zt {
namespace test {

// Failures name the row instead of dumping its bytes.
void PrintTo(const BetRow& row, std::ostream* out) { *out << row.name; }

}  // namespace test

namespace {

using test::BetRow;
using test::register_row_mapper;

struct Outcome {
  int code = 0;
  std::string message;
};

Outcome decode_and_verify(const BetRow& row) {
  auto receipt = records::parse_bet_receipt(row.receipt);
  if (!receipt) return {2, "failed to parse receipt: " + receipt.error().message()};
  auto transcript = records::parse_settlement_transcript(row.transcript);
  if (!transcript) return {2, "failed to parse transcript: " + transcript.error().message()};
  auto verdict = verifier::verify_bet(*receipt, *transcript);
  if (!verdict) return {3, verdict.error().message()};
  return {0, ""};
}

class BetFixture : public testing::TestWithParam<BetRow> {};

TEST_P(BetFixture, VerifiesWithExpectedResult) {
  const BetRow& row = GetParam();
  ASSERT_NE(row.code, -1) << row.name << ": " << row.message;
  const std::string mapper_error = register_row_mapper(row);
  ASSERT_EQ(mapper_error, "");
  const Outcome outcome = decode_and_verify(row);
  EXPECT_EQ(outcome.code, row.code);
  EXPECT_EQ(outcome.message, row.message);
}

INSTANTIATE_TEST_SUITE_P(
    Bets, BetFixture,
    testing::ValuesIn(test::load_bet_rows(std::string(ZT_FIXTURES_DIR) + "/bets.tsv")),
    [](const testing::TestParamInfo<BetRow>& info) { return info.param.name; });

}  // namespace
}  // namespace zt
