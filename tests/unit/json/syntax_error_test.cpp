// syntax_error_test.cpp: the text and position of every syntax error, read through
// parse_value (where every token becomes a value).
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "json/parse_value.h"

namespace zt::json {
namespace {

struct ErrorCase {
  std::string_view name;
  std::string input;
  std::string_view message;
};

std::string error_of(std::string_view input) {
  const auto parsed = parse_value(input);
  return parsed ? "<parsed>" : parsed.error().message();
}

void expect_errors(std::initializer_list<ErrorCase> cases) {
  for (const ErrorCase& c : cases) {
    EXPECT_EQ(error_of(c.input), c.message) << c.name << ": " << c.input;
  }
}

TEST(SyntaxError, EndOfText) {
  expect_errors({
      {"empty", "", "EOF while parsing a value at line 1 column 0"},
      {"only_whitespace", " \t ", "EOF while parsing a value at line 1 column 3"},
      {"open_array", "[", "EOF while parsing a list at line 1 column 1"},
      {"after_element", "[1", "EOF while parsing a list at line 1 column 2"},
      {"after_comma", "[1,", "EOF while parsing a value at line 1 column 3"},
      {"open_object", "{", "EOF while parsing an object at line 1 column 1"},
      {"after_key", "{\"a\"", "EOF while parsing an object at line 1 column 4"},
      {"after_colon", "{\"a\":", "EOF while parsing a value at line 1 column 5"},
      {"after_member", "{\"a\":1", "EOF while parsing an object at line 1 column 6"},
      {"after_member_comma", "{\"a\":1,", "EOF while parsing a value at line 1 column 7"},
      {"in_string", "\"abc", "EOF while parsing a string at line 1 column 4"},
      {"after_backslash", "\"\\", "EOF while parsing a string at line 1 column 2"},
      {"in_literal", "tru", "EOF while parsing a value at line 1 column 3"},
      {"after_minus", "-", "EOF while parsing a value at line 1 column 1"},
      {"after_point", "1.", "EOF while parsing a value at line 1 column 2"},
      {"after_exponent", "1e", "EOF while parsing a value at line 1 column 2"},
      {"after_exponent_sign", "1e+", "EOF while parsing a value at line 1 column 3"},
      {"after_newline", "[1,\n", "EOF while parsing a value at line 2 column 0"},
  });
}

TEST(SyntaxError, Structure) {
  expect_errors({
      {"not_a_value", "x", "expected value at line 1 column 1"},
      {"closing_bracket", "]", "expected value at line 1 column 1"},
      {"missing_comma_in_array", "[1 2]", "expected `,` or `]` at line 1 column 4"},
      {"wrong_closer_in_array", "[1}", "expected `,` or `]` at line 1 column 3"},
      {"missing_comma_in_object", "{\"a\":1 \"b\":2}", "expected `,` or `}` at line 1 column 8"},
      {"missing_colon", "{\"a\" 1}", "expected `:` at line 1 column 6"},
      {"trailing_comma_in_array", "[1,]", "trailing comma at line 1 column 4"},
      {"trailing_comma_after_space", "[1, ]", "trailing comma at line 1 column 5"},
      {"trailing_comma_in_object", "{\"a\":1,}", "trailing comma at line 1 column 8"},
      {"number_key", "{1:2}", "key must be a string at line 1 column 2"},
      {"number_key_after_comma", "{\"a\":1,2:3}", "key must be a string at line 1 column 8"},
      {"misspelt_true", "trux", "expected ident at line 1 column 4"},
      {"misspelt_null", "[nulx]", "expected ident at line 1 column 5"},
      {"misspelt_false", "[fase]", "expected ident at line 1 column 4"},
      {"second_value", "1 2", "trailing characters at line 1 column 3"},
      {"after_object", "{} x", "trailing characters at line 1 column 4"},
      {"extra_closer", "[]]", "trailing characters at line 1 column 3"},
      {"nul_after_value", std::string("1\0", 2), "trailing characters at line 1 column 2"},
      {"nul_as_value", std::string("[1,\0]", 5), "expected value at line 1 column 4"},
      {"byte_order_mark", "\xEF\xBB\xBF{}", "expected value at line 1 column 1"},
  });
}

TEST(SyntaxError, Numbers) {
  expect_errors({
      {"leading_zero", "01", "invalid number at line 1 column 2"},
      {"leading_zero_in_array", "[01]", "invalid number at line 1 column 3"},
      {"negative_leading_zero", "-01", "invalid number at line 1 column 3"},
      {"point_without_digits", "[1.]", "invalid number at line 1 column 4"},
      {"point_then_letter", "[1.x]", "invalid number at line 1 column 4"},
      {"minus_alone", "[-]", "invalid number at line 1 column 3"},
      {"minus_letter", "-x", "invalid number at line 1 column 2"},
      {"exponent_without_digits", "[1e]", "invalid number at line 1 column 4"},
      {"exponent_sign_without_digits", "[1e+x]", "invalid number at line 1 column 5"},
      {"second_point", "1.5.3", "trailing characters at line 1 column 4"},
      {"beyond_double", "1e400", "number out of range at line 1 column 5"},
      {"beyond_double_negative", "[-1e400]", "number out of range at line 1 column 7"},
      {"long_integer", std::string(400, '9'), "number out of range at line 1 column 400"},
      {"long_integer_in_object", "{\"a\":" + std::string(400, '1') + "}",
       "number out of range at line 1 column 405"},
  });
}

TEST(SyntaxError, Strings) {
  expect_errors({
      {"bad_escape", "\"\\x\"", "invalid escape at line 1 column 3"},
      {"escape_of_multibyte", "\"\\\xC3\xA9\"", "invalid escape at line 1 column 3"},
      {"bad_unicode_digit", "\"a\\u12G4\"", "invalid unicode code point at line 1 column 7"},
      {"unicode_digits_cut_by_quote", "\"\\u12\"", "invalid unicode code point at line 1 column 6"},
      {"unicode_digit_multibyte", "\"\\u00\xC3\xA9\"",
       "invalid unicode code point at line 1 column 6"},
      {"unicode_digits_at_end", "\"\\u12", "EOF while parsing a string at line 1 column 5"},
      {"tab", "\"a\tb\"",
       "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 3"},
      {"newline", "\"a\nb\"",
       "control character (\\u0000-\\u001F) found while parsing a string at line 2 column 0"},
      {"nul_byte", std::string("\"a\0b\"", 5),
       "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 3"},
      {"invalid_utf8", "\"\xFF\"", "invalid unicode code point at line 1 column 3"},
      {"truncated_utf8", "[\"ab\xC3\"]", "invalid unicode code point at line 1 column 6"},
      {"encoded_surrogate", "\"\xED\xA0\x80\"", "invalid unicode code point at line 1 column 5"},
      {"overlong", "\"\xC0\xAF\"", "invalid unicode code point at line 1 column 4"},
      {"escape_fault_beats_utf8", "\"\xFF\\x\"", "invalid escape at line 1 column 4"},
      {"invalid_utf8_in_key", "{\"\xFF\":1}", "invalid unicode code point at line 1 column 4"},
  });
}

TEST(SyntaxError, SurrogateEscapes) {
  expect_errors({
      {"lone_trailing", "\"\\uDC00\"", "lone leading surrogate in hex escape at line 1 column 7"},
      {"lone_trailing_lower_case", "[\"ab\\udfff\"]",
       "lone leading surrogate in hex escape at line 1 column 10"},
      {"leading_then_quote", "\"\\uD800\"", "unexpected end of hex escape at line 1 column 8"},
      {"leading_then_letter", "\"\\uD800x\"", "unexpected end of hex escape at line 1 column 8"},
      {"leading_then_other_escape", "\"\\uD800\\n\"",
       "unexpected end of hex escape at line 1 column 9"},
      {"leading_then_non_trailing", "\"\\uD800\\u0041\"",
       "lone leading surrogate in hex escape at line 1 column 13"},
      {"leading_twice", "\"\\uD800\\uD800\\uDC00\"",
       "lone leading surrogate in hex escape at line 1 column 13"},
      {"leading_at_end", "\"\\uD800", "EOF while parsing a string at line 1 column 7"},
      {"leading_then_backslash_at_end", "\"\\uD800\\",
       "EOF while parsing a string at line 1 column 8"},
      {"lone_trailing_in_key", "{\"\\uDC00\":1}",
       "lone leading surrogate in hex escape at line 1 column 8"},
  });
  const auto pair = parse_value("\"\\uD83D\\uDE00\"");
  ASSERT_TRUE(pair.has_value());
  EXPECT_EQ(pair->as_string(), "\xF0\x9F\x98\x80");
}

TEST(SyntaxError, LinesAndColumns) {
  expect_errors({
      {"third_line", "{\n  \"a\": 1,\n  \"b\" 2\n}", "expected `:` at line 3 column 7"},
      {"first_byte_of_line", "[1,\n]", "trailing comma at line 2 column 1"},
      {"crlf", "[1,\r\n x]", "expected value at line 2 column 2"},
      {"columns_count_bytes", "[\"\xC3\xA9\xC3\xA9\", x]", "expected value at line 1 column 10"},
  });
}

TEST(SyntaxError, NestingLimit) {
  const std::string deepest_allowed = std::string(127, '[') + std::string(127, ']');
  EXPECT_TRUE(parse_value(deepest_allowed).has_value());
  EXPECT_EQ(error_of(std::string(128, '[') + std::string(128, ']')),
            "recursion limit exceeded at line 1 column 128");
  EXPECT_EQ(error_of(std::string(200, '[')), "recursion limit exceeded at line 1 column 128");
  EXPECT_EQ(error_of(std::string(100000, '[')), "recursion limit exceeded at line 1 column 128");
  std::string objects;
  for (int i = 0; i < 100000; ++i) objects += "{\"a\":";
  EXPECT_EQ(error_of(objects), "recursion limit exceeded at line 1 column 636");
}

}  // namespace
}  // namespace zt::json
