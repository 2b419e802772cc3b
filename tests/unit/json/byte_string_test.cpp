// byte_string_test.cpp: bytes kept inline up to 32 and on the heap beyond behave
// like one value type: copies, moves and assignments across that boundary keep
// every byte and the length.
#include "json/byte_string.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace zt::json {
namespace {

std::vector<std::uint8_t> pattern(std::size_t size, std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
  return bytes;
}

bool holds(const ByteString& bytes, const std::vector<std::uint8_t>& expected) {
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end()) == expected;
}

TEST(ByteString, CopiesMovesAndAssignmentsAcrossTheInlineLimit) {
  const std::size_t sizes[] = {0, 1, 31, 32, 33, 100};
  for (const std::size_t from : sizes) {
    for (const std::size_t to : sizes) {
      SCOPED_TRACE(testing::Message() << from << " bytes over " << to);
      const auto source_bytes = pattern(from, 1);
      const auto target_bytes = pattern(to, 2);
      const ByteString source(source_bytes);

      ByteString copied(target_bytes);
      copied = source;
      EXPECT_TRUE(holds(copied, source_bytes));
      EXPECT_TRUE(holds(source, source_bytes));

      ByteString moved_from(source);
      ByteString moved(target_bytes);
      moved = std::move(moved_from);
      EXPECT_TRUE(holds(moved, source_bytes));
      EXPECT_TRUE(moved_from.empty());

      ByteString constructed(std::move(moved));
      EXPECT_TRUE(holds(constructed, source_bytes));
      EXPECT_EQ(constructed, source);
      EXPECT_EQ(ByteString(target_bytes) == source, from == to && source_bytes == target_bytes);
    }
  }
}

TEST(ByteString, EqualityNeedsLengthAndContents) {
  EXPECT_EQ(ByteString({1, 2, 3}), ByteString(std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_NE(ByteString({1, 2, 3}), ByteString({1, 2}));
  EXPECT_NE(ByteString(40, 0), ByteString(41, 0));
  EXPECT_NE(ByteString(40, 0), ByteString(40, 1));
  EXPECT_EQ(ByteString(), ByteString(std::vector<std::uint8_t>{}));
}

}  // namespace
}  // namespace zt::json
