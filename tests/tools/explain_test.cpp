// explain_test.cpp: the explanation of every fixture bet, honest and tampered,
// gives exactly the verdict and message of zt_core_verify_bet, marks the check
// that failed and runs nothing after it.
#include <gtest/gtest.h>
#include <zt/zt_core.h>

#include <string>

#include "bet_row_params.h"
#include "exit_code.h"
#include "explain_json.h"

namespace zt {
namespace {

using test::BetRow;

std::string text_of(const json::Value& object, const char* key) {
  const json::Value* value = object.find(key);
  return value != nullptr && value->is_string() ? value->as_string() : std::string("<null>");
}

class ExplainFixture : public test::BetRowTest {};

TEST_P(ExplainFixture, AgreesWithVerifyBet) {
  const BetRow& row = GetParam();

  const std::int32_t code = zt_core_verify_bet(row.receipt.c_str(), row.transcript.c_str());
  const std::string message = code == 0 ? "<null>" : zt_core_last_error_message();
  const json::Value explanation = cli::explain_bet_json(row.receipt, row.transcript);

  EXPECT_EQ(text_of(explanation, "message"), message);
  const json::Value* exit_code = explanation.find("exit_code");
  ASSERT_NE(exit_code, nullptr);
  // The tool tells a game without a package apart from a failed check; the C
  // interface reports both as a verification failure.
  const bool unregistered = text_of(explanation, "verdict") == "unregistered";
  EXPECT_EQ(exit_code->as_unsigned(),
            unregistered ? std::uint64_t{cli::kExitNotRegistered} : std::uint64_t(code));
  if (unregistered) {
    EXPECT_EQ(code, 3);
  }

  if (code == 2) return;  // a document did not decode: nothing to trace
  const json::Array& checks = explanation.find("checks")->as_array();
  ASSERT_EQ(checks.size(), 9u);
  std::size_t failed = 0;
  bool after_failure = false;
  for (const json::Value& check : checks) {
    const std::string status = text_of(check, "status");
    if (after_failure) {
      EXPECT_EQ(status, "not_run") << text_of(check, "name");
    } else if (status == "failed") {
      ++failed;
      after_failure = true;
      EXPECT_EQ(text_of(explanation, "failed_check"), text_of(check, "name"));
    } else {
      EXPECT_TRUE(status == "passed" || status == "not_checked") << text_of(check, "name");
    }
  }
  EXPECT_EQ(failed, code == 0 ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Bets, ExplainFixture, testing::ValuesIn(test::fixture_bet_rows()),
                         test::bet_row_name);

}  // namespace
}  // namespace zt
