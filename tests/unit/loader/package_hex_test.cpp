// package_hex_test.cpp: the hex rule of package members and its messages.
#include "gdp/loader/package_hex.h"

#include <gtest/gtest.h>

namespace zt::gdp::loader {
namespace {

TEST(PackageHex, DecodesEitherCase) {
  EXPECT_EQ(decode_package_hex("00AbcDff"), (Bytes{0x00, 0xab, 0xcd, 0xff}));
  EXPECT_EQ(decode_package_hex(""), Bytes{});
}

TEST(PackageHex, Messages) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"abc", "Odd number of digits"},
      {"xyz", "Odd number of digits"},  // length is tested before any digit
      {"0123456789g123", "Invalid character 'g' at position 10"},
      {"g0", "Invalid character 'g' at position 0"},
      {"0G", "Invalid character 'G' at position 1"},
      {" 0", "Invalid character ' ' at position 0"},
      {"0'", "Invalid character '\\'' at position 1"},
      {"\\0", "Invalid character '\\\\' at position 0"},
      {"\n0", "Invalid character '\\n' at position 0"},
      {"\x01"
       "0",
       "Invalid character '\\u{1}' at position 0"},
      {"\x7f"
       "0",
       "Invalid character '\\u{7f}' at position 0"},
      // A byte beyond ASCII is taken as the code point of the same value.
      {"\xc3\xa9"
       "00",
       "Invalid character '\xc3\x83' at position 0"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    auto decoded = decode_package_hex(text);
    ASSERT_FALSE(decoded);
    EXPECT_EQ(decoded.error(), message);
  }
}

}  // namespace
}  // namespace zt::gdp::loader
