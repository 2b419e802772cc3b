// bet_fixtures_test.cpp: every bet of the generated bets.tsv, decoded and verified
// in-process with the row's mapper registered, against its expected code and text.
#include <gtest/gtest.h>

#include <string>

#include "bet_row_params.h"
#include "records/parse.h"
#include "verifier/verify_bet.h"

namespace zt {
namespace {

using test::BetRow;

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

class BetFixture : public test::BetRowTest {};

TEST_P(BetFixture, VerifiesWithExpectedResult) {
  const BetRow& row = GetParam();
  const Outcome outcome = decode_and_verify(row);
  EXPECT_EQ(outcome.code, row.code);
  EXPECT_EQ(outcome.message, row.message);
}

INSTANTIATE_TEST_SUITE_P(Bets, BetFixture, testing::ValuesIn(test::fixture_bet_rows()),
                         test::bet_row_name);

}  // namespace
}  // namespace zt
