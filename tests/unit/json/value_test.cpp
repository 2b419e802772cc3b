// value_test.cpp: parse_value's tree (key order, duplicates, number forms, decoded
// strings), the found descriptions and decode_u64_lists.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "json/parse_value.h"

namespace zt::json {
namespace {

Value parsed(std::string_view text) {
  auto value = parse_value(text);
  EXPECT_TRUE(value.has_value()) << text << ": " << (value ? "" : value.error().message());
  return value ? *value : Value();
}

TEST(ParseValue, ObjectsAreOrderedByKeyBytesAndTheLastDuplicateWins) {
  const Value v = parsed(R"({"b": 1, "ab": 2, "a": 3, "\u00e9": 4, "b": 5})");
  std::string order;
  for (const auto& [key, member] : v.as_object()) order += key + ";";
  EXPECT_EQ(order, "a;ab;b;\xC3\xA9;");
  EXPECT_EQ(v.find("b")->as_unsigned(), 5u);
}

TEST(ParseValue, NumbersKeepTheirForm) {
  const Value v = parsed("[5, -1, -0, 7.0, 1e2, 18446744073709551615, 18446744073709551616]");
  const Array& a = v.as_array();
  EXPECT_EQ(a[0], Value(std::uint64_t{5}));
  EXPECT_EQ(a[1], Value(std::int64_t{-1}));
  ASSERT_TRUE(a[2].is_double());
  EXPECT_TRUE(std::signbit(a[2].as_double()));
  EXPECT_EQ(a[3], Value(7.0));
  EXPECT_EQ(a[4], Value(100.0));
  EXPECT_EQ(a[5], Value(std::uint64_t{18446744073709551615u}));
  EXPECT_EQ(a[6], Value(18446744073709551616.0));
}

TEST(ParseValue, StringsAreUnescaped) {
  const Value v = parsed(R"(["a\"b\\c\/", "\b\f\n\r\t", "\u0000x", "\u00e9\ud83d\ude00", "é"])");
  const Array& a = v.as_array();
  EXPECT_EQ(a[0].as_string(), "a\"b\\c/");
  EXPECT_EQ(a[1].as_string(), "\b\f\n\r\t");
  EXPECT_EQ(a[2].as_string(), std::string("\0x", 2));
  EXPECT_EQ(a[3].as_string(), "\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(a[4].as_string(), "\xC3\xA9");
}

TEST(ParseValue, NestedValuesAndWhitespace) {
  const Value v = parsed(" \r\n\t{\"a\" : [ true , false , null , { } , [ ] ] }\n ");
  const Array& a = v.find("a")->as_array();
  ASSERT_EQ(a.size(), 5u);
  EXPECT_EQ(a[0], Value(true));
  EXPECT_EQ(a[1], Value(false));
  EXPECT_TRUE(a[2].is_null());
  EXPECT_EQ(a[3], Value(Object{}));
  EXPECT_EQ(a[4], Value(Array{}));
}

TEST(ParseValue, LargeInputs) {
  const std::string big(10 * 1024 * 1024, 'x');
  EXPECT_EQ(parsed("\"" + big + "\"").as_string().size(), big.size());
  EXPECT_EQ(parse_value("\"" + big).error().message(),
            "EOF while parsing a string at line 1 column " + std::to_string(big.size() + 1));
}

TEST(DescribeFound, EveryKindOfValue) {
  struct Case {
    Value value;
    const char* text;
  };
  const Case cases[] = {
      {Value(), "null"},
      {Value(true), "boolean `true`"},
      {Value(false), "boolean `false`"},
      {Value(std::uint64_t{5}), "integer `5`"},
      {Value(std::int64_t{-1}), "integer `-1`"},
      {Value(7.0), "floating point `7.0`"},
      {Value(-0.0), "floating point `-0.0`"},
      {Value("abc"), "string \"abc\""},
      {Value("a\"b\\c"), "string \"a\\\"b\\\\c\""},
      {Value(std::string("\0\t\n\r\x1b\x7f", 6)), "string \"\\0\\t\\n\\r\\u{1b}\\u{7f}\""},
      {Value("\xC2\x85 \xC3\xA9 \xF0\x9F\x98\x80"), "string \"\\u{85} \xC3\xA9 \xF0\x9F\x98\x80\""},
      {Value(Array{}), "sequence"},
      {Value(Object{}), "map"},
  };
  for (const Case& c : cases) EXPECT_EQ(describe_found(c.value), c.text);
}

TEST(DecodeU64Lists, ListsOfListsOfUnsignedIntegers) {
  const auto lists = decode_u64_lists(parsed("[[1, 2], [], [18446744073709551615]]"));
  ASSERT_TRUE(lists.has_value());
  EXPECT_EQ(*lists, (std::vector<std::vector<std::uint64_t>>{{1, 2}, {}, {18446744073709551615u}}));
}

TEST(DecodeU64Lists, ErrorsNameTheFoundValueAndTheExpectation) {
  struct Case {
    const char* json;
    const char* error;
  };
  const Case cases[] = {
      {"null", "invalid type: null, expected a sequence"},
      {"{}", "invalid type: map, expected a sequence"},
      {"[1]", "invalid type: integer `1`, expected a sequence"},
      {"[[1], \"x\"]", "invalid type: string \"x\", expected a sequence"},
      {"[[-1]]", "invalid value: integer `-1`, expected u64"},
      {"[[1.5]]", "invalid type: floating point `1.5`, expected u64"},
      {"[[1e2]]", "invalid type: floating point `100.0`, expected u64"},
      {"[[true]]", "invalid type: boolean `true`, expected u64"},
      {"[[\"7\"]]", "invalid type: string \"7\", expected u64"},
      {"[[[]]]", "invalid type: sequence, expected u64"},
      {"[[], [-1]]", "invalid value: integer `-1`, expected u64"},
  };
  for (const Case& c : cases) {
    const auto lists = decode_u64_lists(parsed(c.json));
    ASSERT_FALSE(lists.has_value()) << c.json;
    EXPECT_EQ(lists.error(), c.error) << c.json;
  }
}

}  // namespace
}  // namespace zt::json
