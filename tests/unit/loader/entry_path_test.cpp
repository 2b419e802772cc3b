// entry_path_test.cpp: file names, path keys and UTF-8 handling of archive paths.
#include "gdp/loader/entry_path.h"

#include <gtest/gtest.h>

namespace zt::gdp::loader {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

struct PathCase {
  std::string_view path;
  std::optional<std::string_view> file_name;
  std::string key;
};

TEST(EntryPath, FileNameAndKey) {
  const std::string r(kReplacement);
  const PathCase cases[] = {
      {"gdp.json", "gdp.json", "gdp.json"},
      {"a/b/", "b", "a/b"},
      {"a/b/.", "b", "a/b"},
      {"./a//b/./c", "c", "a/b/c"},
      {"/a", "a", "//a"},
      {"/gdp.json", "gdp.json", "//gdp.json"},
      {"//a", "a", "//a"},
      {"../x", "x", "../x"},
      {"a/..", std::nullopt, "a/.."},
      {"a/../.", std::nullopt, "a/.."},
      {"/", std::nullopt, "/"},
      {"", std::nullopt, ""},
      {"./.", std::nullopt, ""},
      {"pkg/GDP.JSON", "GDP.JSON", "pkg/GDP.JSON"},
      {"d\xffr/x", "x", "d" + r + "r/x"},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(file_name(c.path), c.file_name);
    EXPECT_EQ(path_key(c.path), c.key);
  }
}

TEST(EntryPath, InvalidSequencesBecomeOneReplacementPerMaximalPart) {
  const std::string r(kReplacement);
  const std::pair<std::string_view, std::string> cases[] = {
      {"\xe2\x82x", r + "x"},               // a truncated three-byte sequence
      {"\xf0\x9f\x98", r},                  // a truncated four-byte sequence
      {"\xed\xa0\x80", r + r + r},          // an encoded surrogate
      {"\xc0\xaf", r + r},                  // an overlong form
      {"\xf4\x90\x80\x80", r + r + r + r},  // beyond U+10FFFF
      {"caf\xc3\xa9", "caf\xc3\xa9"},       // valid text is kept
      {"\xf0\x9f\x98\x80!", "\xf0\x9f\x98\x80!"},
  };
  for (const auto& [bytes, key] : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(bytes)));
    EXPECT_EQ(path_key(bytes), key);
    EXPECT_EQ(is_valid_utf8(bytes), bytes == key);
  }
}

TEST(EntryPath, LongPathsOfManyComponents) {
  std::string path;
  for (int i = 0; i < 1000; ++i) path += i % 3 == 0 ? "./" : "a//";
  path += "last";
  EXPECT_EQ(file_name(path), "last");
  std::string key;
  for (int i = 0; i < 1000; ++i) key += i % 3 == 0 ? "" : "a/";
  EXPECT_EQ(path_key(path), key + "last");
}

}  // namespace
}  // namespace zt::gdp::loader
