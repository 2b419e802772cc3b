// pax_records_test.cpp: PAX extended header records are read strictly; path and
// size are picked out, other keys ignored.
#include "gdp/loader/pax_records.h"

#include <gtest/gtest.h>

#include <string>

namespace zt::gdp::loader {
namespace {

// record: "<length> <key>=<value>\n" with the length that counts the whole record.
std::string record(std::string_view key, std::string_view value) {
  const std::string body = " " + std::string(key) + "=" + std::string(value) + "\n";
  std::size_t length = body.size() + 1;
  while (std::to_string(length).size() + body.size() != length) ++length;
  return std::to_string(length) + body;
}

std::expected<PaxRecords, std::string> parse(std::string_view text) {
  return parse_pax_records({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

TEST(PaxRecords, PathAndSizeArePickedOut) {
  auto none = parse("");
  ASSERT_TRUE(none);
  EXPECT_FALSE(none->path);
  EXPECT_TRUE(none->sizes.empty());

  auto some = parse(record("mtime", "1.5") + record("path", "a/b=c\nd") + record("linkpath", "x") +
                    record("size", "0012") + record("size", "12"));
  ASSERT_TRUE(some) << some.error();
  EXPECT_EQ(some->path, "a/b=c\nd");  // the length, not the newline, ends a record
  EXPECT_EQ(some->sizes, (std::vector<std::uint64_t>{12, 12}));

  auto empty_path = parse(record("path", ""));
  ASSERT_TRUE(empty_path);
  EXPECT_EQ(empty_path->path, "");

  auto huge = parse(record("size", "123456789012345678901234567890"));
  ASSERT_TRUE(huge);
  EXPECT_EQ(huge->sizes, std::vector<std::uint64_t>{UINT64_MAX});
}

TEST(PaxRecords, Refusals) {
  const std::string malformed = "malformed pax extended header";
  const std::string bad_size = "invalid size record in pax extended header";
  const std::pair<std::string, std::string> cases[] = {
      {"path=a\n", malformed},                       // no length
      {"11path=ab\n", malformed},                    // no space after the length
      {" 10 path=a\n", malformed},                   // a space before the length
      {"1x path=ab\n", malformed},                   // the length is not decimal
      {"99 path=x\n", malformed},                    // the length runs past the data
      {"0 path=x\n", malformed},                     // shorter than its own digits
      {"4 =\n", malformed},                          // too short for a key
      {"5 =a\n", malformed},                         // an empty key
      {"10 path=ab", malformed},                     // no newline at the end
      {"9 pathab\n", malformed},                     // no "="
      {record("path", "ab") + '\0', malformed},      // padding after the records
      {record("a", "b") + "8 path=x\n", malformed},  // a good record, then a bad one
      {record("path", "a") + record("path", "a"),
       "more than one path record in pax extended header"},
      {record("path", "") + record("path", "a"),
       "more than one path record in pax extended header"},
      {record("size", ""), bad_size},
      {record("size", "12a"), bad_size},
      {record("size", "-1"), bad_size},
      {record("size", " 12"), bad_size},
      {record("size", "0x10"), bad_size},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(testing::PrintToString(text));
    auto records = parse(text);
    ASSERT_FALSE(records);
    EXPECT_EQ(records.error(), message);
  }
}

}  // namespace
}  // namespace zt::gdp::loader
