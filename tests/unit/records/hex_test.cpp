// hex_test.cpp: the hex rule of byte fields, alone and as the decoder reports it.
#include <gtest/gtest.h>

#include <string>

#include "records/parse.h"
#include "sample_records.h"

namespace zt::records {
namespace {

// hex_or_error: the decoded bytes in hex, or the error.
std::string hex_or_error(std::string_view text) {
  Bytes bytes;
  const auto decoded = decode_hex(text, bytes);
  return decoded ? test::hex(bytes) : decoded.error();
}

TEST(DecodeHex, Rule) {
  struct Case {
    std::string_view name;
    std::string_view text;
    std::string_view result;  // hex of the bytes, or the error
  };
  const Case cases[] = {
      {"empty", "", ""},
      {"lower_case", "ab", "ab"},
      {"upper_case", "AB", "ab"},
      {"six_upper_case_digits", "ABCDEF", "abcdef"},
      {"all_digits", "0123456789abcdefABCDEF", "0123456789abcdefabcdef"},
      {"odd_length", "abc", "hex string must have even length"},
      {"odd_length_beats_bad_digits", "zzz", "hex string must have even length"},
      {"two_letters", "zz", "invalid hex string"},
      {"second_digit_bad", "0g", "invalid hex string"},
      {"bad_digit_late", "00112g", "invalid hex string"},
      {"prefix", "0x00", "invalid hex string"},
      {"blank", "00 11 ", "invalid hex string"},
      {"separator", "00:1", "invalid hex string"},
      {"two_byte_character", "\xC3\xA9", "invalid hex string"},
      {"two_byte_character_and_digit",
       "\xC3\xA9"
       "0",
       "hex string must have even length"},
      {"nul_bytes", std::string_view("\0\0", 2), "invalid hex string"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(hex_or_error(c.text), c.result) << c.name;
  }
}

// Digits are decoded in blocks of sixteen with a per-digit tail: every byte value at
// every position of strings up to 80 digits long must follow the per-digit rule.
TEST(DecodeHex, EveryByteAtEveryPositionFollowsThePerDigitRule) {
  const auto digit_value = [](unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  const std::string digits = "0123456789abcdefABCDEF";
  for (std::size_t length = 0; length <= 80; length += 2) {
    std::string text(length, '0');
    for (std::size_t i = 0; i < length; ++i) text[i] = digits[(i * 5 + length) % digits.size()];
    for (std::size_t at = 0; at < length; ++at) {
      for (int byte = 0; byte < 256; ++byte) {
        std::string changed = text;
        changed[at] = static_cast<char>(byte);
        std::string expected;
        for (std::size_t i = 0; i < length && expected != "invalid hex string"; i += 2) {
          const int high = digit_value(static_cast<unsigned char>(changed[i]));
          const int low = digit_value(static_cast<unsigned char>(changed[i + 1]));
          if (high < 0 || low < 0) {
            expected = "invalid hex string";
          } else {
            expected += "0123456789abcdef"[high];
            expected += "0123456789abcdef"[low];
          }
        }
        ASSERT_EQ(hex_or_error(changed), expected)
            << "length " << length << ", byte " << byte << " at " << at;
      }
    }
  }
}

TEST(DecodeHex, ErrorsAreReportedAfterTheClosingQuote) {
  const std::string prefix = R"({"version":"1","bet_id":"b","bet_leaf":)";
  struct Case {
    std::string_view leaf;
    std::string_view message;
  };
  const Case cases[] = {
      {R"("abc")", "hex string must have even length"},
      {R"("zz")", "invalid hex string"},
      {R"("\u00e9")", "invalid hex string"},
      {R"("\u00e90")", "hex string must have even length"},
      {R"("\u0067g")", "invalid hex string"},
  };
  for (const Case& c : cases) {
    const std::string text = prefix + std::string(c.leaf) + " ,";
    const auto receipt = parse_bet_receipt(text);
    ASSERT_FALSE(receipt.has_value()) << c.leaf;
    EXPECT_EQ(receipt.error().message(), std::string(c.message) + " at line 1 column " +
                                             std::to_string(prefix.size() + c.leaf.size()))
        << c.leaf;
  }
  const auto escaped = parse_bet_receipt(
      R"({"version":"1","bet_id":"b","bet_leaf":"\u0041b","merkle_root":"","operator_sig":""})");
  ASSERT_TRUE(escaped.has_value());
  EXPECT_EQ(test::hex(escaped->bet_leaf), "ab");
}

}  // namespace
}  // namespace zt::records
