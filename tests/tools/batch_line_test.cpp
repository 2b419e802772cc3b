// tests/tools/batch_line_test.cpp: taking JSON Lines records apart into the exact
// receipt and transcript texts, and refusing lines that are not such records.
#include "batch_line.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>

namespace zt::cli {
namespace {

struct SplitCase {
  const char* name;
  std::string_view line;
  std::string_view receipt;
  std::string_view transcript;
};

// Inline documents come out byte for byte as written, whitespace inside included,
// so decoding errors point at the same columns as in a file of their own.
const SplitCase kSplitCases[] = {
    {"inline_objects", R"({"receipt":{"a":1},"transcript":{"b":[2, 3]}})", R"({"a":1})",
     R"({"b":[2, 3]})"},
    {"members_in_any_order", R"({"transcript":{"t":1},"receipt":{"r":1}})", R"({"r":1})",
     R"({"t":1})"},
    {"blanks_around_everything", " \t{ \"receipt\" : { \"x\" : \"}\" } , \"transcript\" : [1] } \r",
     R"({ "x" : "}" })", "[1]"},
    {"other_members_skipped",
     R"({"note":{"deep":[[{"s":"]\"}"}]]},"receipt":{},"id":7,"transcript":{},"x":"y"})", "{}",
     "{}"},
    {"scalars_handed_on", R"({"receipt":5,"transcript":null})", "5", "null"},
    {"strings_unescaped",
     R"({"receipt":"{\"bet_id\":\"\u00e9\\n\"}","transcript":"line\nbreak \ud83d\ude00 \/"})",
     "{\"bet_id\":\"\xc3\xa9\\n\"}", "line\nbreak \xf0\x9f\x98\x80 /"},
    {"strings_without_escapes_unchanged", R"({"receipt":"abc","transcript":""})", "abc", ""},
    {"escaped_member_names", R"({"rec\u0065ipt":"r","transcript":"t"})", "r", "t"},
};

TEST(SplitBatchLine, ExtractsBothDocuments) {
  for (const SplitCase& c : kSplitCases) {
    std::string receipt_buffer;
    std::string transcript_buffer;
    auto documents = split_batch_line(c.line, receipt_buffer, transcript_buffer);
    ASSERT_TRUE(documents.has_value()) << c.name;
    EXPECT_EQ(documents->receipt, c.receipt) << c.name;
    EXPECT_EQ(documents->transcript, c.transcript) << c.name;
  }
}

TEST(SplitBatchLine, NamesWhatIsWrongWithLinesThatAreNotRecords) {
  const std::string ends_inside =
      "line ends inside its JSON object: batch reads one bet per line (a pretty-printed "
      "receipt or transcript belongs to 'zt-verify bet')";
  const std::string not_object =
      "line is not a JSON object; each line must be one object with \"receipt\" and "
      "\"transcript\" members";
  const std::pair<std::string_view, std::string> cases[] = {
      {"", not_object},
      {"[]", not_object},
      {R"("receipt")", not_object},
      {"{", ends_inside},
      {"{\r", ends_inside},
      {R"({"receipt":{},"transcript":{})", ends_inside},
      {R"({"receipt": {"bet_id": "b")", ends_inside},
      {"{}", "line has no \"receipt\" member"},
      {R"({"receipt":{}})", "line has no \"transcript\" member"},
      {R"({"transcript":{}})", "line has no \"receipt\" member"},
      {R"({"receipt":{},"receipt":{},"transcript":{}})",
       "line has the \"receipt\" member twice at column 15"},
      {R"({"receipt":{},"transcript":{}} x)", "line has text after its JSON object at column 32"},
      {R"({"receipt":{},"transcript":{}}{})", "line has text after its JSON object at column 31"},
      {R"({"receipt":{]},"transcript":{}})", "line is not valid JSON at column 13"},
      {R"({"receipt":{"a":"}},"transcript":{}})", ends_inside},
      {R"({"receipt":{},"transcript":{},})", "line is not valid JSON at column 31"},
      {R"({"receipt" {},"transcript":{}})", "line is not valid JSON at column 12"},
      {R"({receipt:{},"transcript":{}})", "line is not valid JSON at column 2"},
      {R"({"receipt":,"transcript":{}})", "line is not valid JSON at column 12"},
      {R"({"receipt":"\q","transcript":{}})",
       "line's \"receipt\" member is a string with an invalid escape at column 12"},
      {R"({"receipt":"\udc00","transcript":{}})",
       "line's \"receipt\" member is a string with an invalid escape at column 12"},
      {R"({"receipt":"\ud800x","transcript":{}})",
       "line's \"receipt\" member is a string with an invalid escape at column 12"},
      {R"({"receipt":"\u12","transcript":{}})",
       "line's \"receipt\" member is a string with an invalid escape at column 12"},
      {"{\"receipt\":\"a\tb\",\"transcript\":{}}", "line is not valid JSON at column 14"},
  };
  for (const auto& [line, message] : cases) {
    std::string receipt_buffer;
    std::string transcript_buffer;
    auto documents = split_batch_line(line, receipt_buffer, transcript_buffer);
    ASSERT_FALSE(documents.has_value()) << line;
    EXPECT_EQ(documents.error(), message) << line;
  }
}

TEST(SplitBatchLine, KeepsTheNameMemberForReports) {
  std::string receipt_buffer;
  std::string transcript_buffer;
  auto documents = split_batch_line(R"({"name":"tamper \"7\"","receipt":1,"transcript":2})",
                                    receipt_buffer, transcript_buffer);
  ASSERT_TRUE(documents.has_value());
  EXPECT_EQ(documents->name, "tamper \"7\"");
}

TEST(IsBlankLine, OnlyJsonWhitespaceIsBlank) {
  EXPECT_TRUE(is_blank_line(""));
  EXPECT_TRUE(is_blank_line(" \t\r"));
  EXPECT_FALSE(is_blank_line(" x "));
  EXPECT_FALSE(is_blank_line("\v"));
}

}  // namespace
}  // namespace zt::cli
