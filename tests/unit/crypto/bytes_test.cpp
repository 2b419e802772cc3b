// bytes_test.cpp: the hex text of byte strings, the form digests are shown in.
#include "crypto/bytes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace zt::crypto {
namespace {

TEST(ToHex, EveryByteValueIsTwoLowerCaseDigitsHighNibbleFirst) {
  std::vector<std::uint8_t> bytes;
  std::string want;
  for (unsigned value = 0; value < 256; ++value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02x", value);
    want += digits;
  }
  EXPECT_EQ(to_hex(bytes), want);
  EXPECT_EQ(to_hex({}), "");
}

}  // namespace
}  // namespace zt::crypto
