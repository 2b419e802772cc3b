// robustness_test.cpp: hostile input always ends in a decode error with a position
// inside the text, never in a crash: every truncation and many byte substitutions
// of valid documents, deep nesting, huge numbers and strings, bad escapes.
#include <gtest/gtest.h>

#include <string>

#include "records/parse.h"
#include "sample_records.h"

namespace zt::records {
namespace {

// An error's position lies within the text: its line exists, its column fits.
void expect_position_inside(std::string_view text, const json::DecodeError& error) {
  std::size_t lines = 1;
  for (char c : text) lines += c == '\n';
  EXPECT_GE(error.line, 1u);
  EXPECT_LE(error.line, lines);
  EXPECT_LE(error.column, text.size());
}

TEST(Robustness, EveryTruncationFails) {
  for (std::string_view document : {test::kReceipt, test::kReceiptAsArrays, test::kTranscript}) {
    const bool is_receipt = document != test::kTranscript;
    for (std::size_t length = 0; length < document.size(); ++length) {
      const std::string_view prefix = document.substr(0, length);
      const auto error = is_receipt ? parse_bet_receipt(prefix).error()
                                    : parse_settlement_transcript(prefix).error();
      EXPECT_FALSE(error.text.empty()) << length;
      expect_position_inside(prefix, error);
    }
  }
}

TEST(Robustness, ByteSubstitutionsNeverCrash) {
  const std::string bytes[] = {
      std::string(1, '\0'), "\"", "\\", "[", "{", "}", ",", "\xFF", "9", "-"};
  for (std::string_view document : {test::kReceipt, test::kTranscript}) {
    for (std::size_t i = 0; i < document.size(); ++i) {
      for (const std::string& b : bytes) {
        std::string mutated(document);
        mutated.replace(i, 1, b);
        const auto receipt = parse_bet_receipt(mutated);
        if (!receipt) expect_position_inside(mutated, receipt.error());
        const auto transcript = parse_settlement_transcript(mutated);
        if (!transcript) expect_position_inside(mutated, transcript.error());
      }
    }
  }
}

TEST(Robustness, HostileValues) {
  const std::string head = R"({"version":"1","bet_id":"b","note":)";
  struct Case {
    std::string_view name;
    std::string text;
    std::string_view message;
  };
  const Case cases[] = {
      {"deep_arrays_in_note", head + std::string(200, '['), "recursion limit exceeded"},
      {"very_deep_objects_in_note",
       head +
           [] {
             std::string s;
             for (int i = 0; i < 100000; ++i) s += "{\"a\":";
             return s;
           }(),
       "recursion limit exceeded"},
      {"deep_in_proof_node", R"({"merkle_proof":[{"x":)" + std::string(100000, '['),
       "recursion limit exceeded"},
      {"deep_proof_in_array_form", R"({"merkle_proof":)" + std::string(100000, '['),
       "invalid type: sequence, expected a lowercase hex string"},
      {"huge_nonce", R"({"commitment":{"session_id":"s","bet_nonce":1e400})",
       "number out of range"},
      {"long_nonce",
       R"({"commitment":{"session_id":"s","bet_nonce":)" + std::string(400, '1') + "}",
       "number out of range"},
      {"escape_of_multibyte", "{\"version\":\"\\\xC3\xA9\"}", "invalid escape"},
      {"unicode_escape_of_multibyte", "{\"version\":\"\\u\xC3\xA9\xC3\xA9\"}",
       "invalid unicode code point"},
      {"invalid_utf8_in_key", "{\"\xC3\":1}", "invalid unicode code point"},
      {"lone_surrogate_in_key", "{\"\\uD800\":1}", "unexpected end of hex escape"},
      {"nul_inside", std::string("{\"version\":\"1\0\"}", 16),
       "control character (\\u0000-\\u001F) found while parsing a string"},
  };
  for (const Case& c : cases) {
    const auto receipt = parse_bet_receipt(c.text);
    ASSERT_FALSE(receipt.has_value()) << c.name;
    EXPECT_EQ(receipt.error().text, c.message) << c.name;
    expect_position_inside(c.text, receipt.error());
  }
}

TEST(Robustness, HugeStrings) {
  const std::string big(10 * 1024 * 1024, 'a');
  const std::string text = R"({"version":")" + big + R"(","bet_id":"b","note":")" + big +
                           R"(","bet_leaf":")" + big + R"(","merkle_root":"","operator_sig":""})";
  const auto receipt = parse_bet_receipt(text);
  ASSERT_TRUE(receipt.has_value()) << receipt.error().message();
  EXPECT_EQ(receipt->version.size(), big.size());
  EXPECT_EQ(receipt->bet_leaf.size(), big.size() / 2);
}

}  // namespace
}  // namespace zt::records
