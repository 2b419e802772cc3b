// skip_test.cpp: values of unknown keys are skipped after a check of their grammar
// and nesting only, and tokens the tokenizer refuses although they are well-formed
// are decoded all the same.
#include <gtest/gtest.h>

#include <string>

#include "json/document.h"
#include "json/parse_value.h"
#include "json/schema.h"

namespace zt::json {
namespace {

struct Probe {
  std::string name;
};
constexpr FieldDescriptor kProbeFields[] = {field<&Probe::name>("name")};
constexpr RecordDescriptor kProbe{"struct Probe", "struct Probe with 1 elements", kProbeFields};

std::string error_of(const std::string& text) {
  const auto probe = decode_record<Probe>(text, kProbe);
  return probe ? "<decoded " + probe->name + ">" : probe.error().message();
}

TEST(SkippedValue, OnlyGrammarAndNestingAreChecked) {
  const std::string accepted[] = {
      "1e400",
      "-1e400",
      std::string(400, '9'),
      "0e400",
      "\"\\uD800\"",
      "\"\\uD800x\"",
      "\"\\uD800\\u0041\"",
      "\"\\uD800\\n\"",
      "\"\\uDC00\"",
      "\"\xFF\xFE\"",
      "{\"\\uD800\": \"\xC0\"}",
      "[1e999, {\"a\": [\"\\uDBFF\", -0]}, \"\\u00e9\"]",
      std::string(126, '[') + std::string(126, ']'),
  };
  for (const std::string& value : accepted) {
    EXPECT_EQ(error_of("{\"x\": " + value + ", \"name\": \"n\"}"), "<decoded n>") << value;
  }
}

TEST(SkippedValue, GrammarFaultsAreStillErrors) {
  struct Case {
    std::string_view name;
    std::string text;
    std::string_view message;
  };
  const Case cases[] = {
      {"trailing_comma", "{\"x\": [1,]}", "trailing comma at line 1 column 10"},
      {"bad_escape", "{\"x\": \"\\q\"}", "invalid escape at line 1 column 9"},
      {"bad_unicode_digit", "{\"x\": \"\\u12G4\"}",
       "invalid unicode code point at line 1 column 12"},
      {"control_character", "{\"x\": \"a\tb\"}",
       "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 9"},
      {"minus_at_end", "{\"x\": -", "invalid number at line 1 column 7"},
      {"point_at_end", "{\"x\": 1.", "invalid number at line 1 column 8"},
      {"exponent_at_end", "{\"x\": 1e", "invalid number at line 1 column 8"},
      {"leading_zero", "{\"x\": 01}", "invalid number at line 1 column 8"},
      {"missing_colon", "{\"x\": {\"a\" 1}}", "expected `:` at line 1 column 12"},
      {"misspelt_literal", "{\"x\": tru}", "expected ident at line 1 column 10"},
      {"unterminated_string", "{\"x\": [\"a", "EOF while parsing a string at line 1 column 9"},
      {"too_deep", "{\"x\": " + std::string(200, '['),
       "recursion limit exceeded at line 1 column 133"},
  };
  for (const Case& c : cases) EXPECT_EQ(error_of(c.text), c.message) << c.name;
}

TEST(TokenizerRefusal, KeptValuesAreStillCheckedExactly) {
  struct Case {
    std::string_view name;
    std::string text;
    std::string_view result;
  };
  const Case cases[] = {
      {"surrogate_in_kept_string", R"({"x": "\uD800", "name": "\uD800"})",
       "unexpected end of hex escape at line 1 column 32"},
      {"trailing_surrogate_in_kept_string", R"({"x": "\uD800", "name": "\uDC00"})",
       "lone leading surrogate in hex escape at line 1 column 31"},
      {"non_ascii_kept_string", R"({"x": "\uD800", "name": "é\u00e9"})",
       "<decoded \xC3\xA9\xC3\xA9>"},
      {"big_number_then_name", R"({"x": 1e400, "name": "n"})", "<decoded n>"},
      {"big_number_as_name", R"({"x": 1e400, "name": 1e400})",
       "number out of range at line 1 column 26"},
      {"zero_with_big_exponent_as_name", R"({"x": 0e400, "name": 0e400})",
       "invalid type: floating point `0.0`, expected a string at line 1 column 26"},
      {"later_syntax_error", R"({"x": 1e400, "name": "n", })",
       "trailing comma at line 1 column 27"},
      {"later_missing_field", R"({"x": [1e400]})", "missing field `name` at line 1 column 14"},
      {"replaced_number_then_e", R"({"x": [1e400e0], "name": "n"})",
       "expected `,` or `]` at line 1 column 13"},
      {"replaced_number_then_point", R"({"x": 0e400.5, "name": "n"})",
       "expected `,` or `}` at line 1 column 12"},
  };
  for (const Case& c : cases) EXPECT_EQ(error_of(c.text), c.result) << c.name;

  const auto zero = parse_value("[0e400, 1" + std::string(310, '0') + "e-300]");
  ASSERT_TRUE(zero.has_value());
  EXPECT_EQ(zero->as_array()[0], Value(0.0));
  EXPECT_EQ(zero->as_array()[1], Value(1e10));
}

}  // namespace
}  // namespace zt::json
