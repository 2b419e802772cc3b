// gdp_metadata_test.cpp: gdp.json decoding: members, optional and defaulted ones,
// the array form, invalid UTF-8 and nesting.
#include "gdp/loader/gdp_metadata.h"

#include <gtest/gtest.h>

#include <string>

namespace zt::gdp::loader {
namespace {

std::string error_of(std::string_view text) {
  const auto metadata = parse_gdp_metadata(text);
  return metadata ? "<decoded>" : metadata.error().message();
}

TEST(GdpMetadata, AllMembers) {
  const auto m = parse_gdp_metadata(R"({
    "id": "plinko-8", "version": "1.0", "name": "Plinko", "description": "eight rows",
    "mapper": "plinko", "parameters": {"levels": 8, "b": [1, -2, 2.5], "levels": 9},
    "mapping_sha256": "ab", "signer_ed25519": "cd", "homepage": {"any": ["thing"]}
  })");
  ASSERT_TRUE(m.has_value()) << m.error().message();
  EXPECT_EQ(m->id, "plinko-8");
  EXPECT_EQ(m->version, "1.0");
  EXPECT_EQ(m->name, "Plinko");
  EXPECT_EQ(m->description, "eight rows");
  EXPECT_EQ(m->mapper, "plinko");
  EXPECT_EQ(m->mapping_sha256, "ab");
  EXPECT_EQ(m->signer_ed25519, "cd");
  ASSERT_EQ(m->parameters.size(), 2u);
  EXPECT_EQ(m->parameters.at("levels"), json::Value(std::uint64_t{9}));
  EXPECT_EQ(m->parameters.at("b"),
            json::Value(json::Array{json::Value(std::uint64_t{1}), json::Value(std::int64_t{-2}),
                                    json::Value(2.5)}));
}

TEST(GdpMetadata, OptionalMembersAbsentOrNull) {
  for (const char* text : {R"({"id":"g","version":"1"})",
                           R"({"id":"g","version":"1","name":null,"description":null,
                               "mapper":null,"mapping_sha256":null,"signer_ed25519":null})"}) {
    const auto m = parse_gdp_metadata(text);
    ASSERT_TRUE(m.has_value()) << text;
    EXPECT_FALSE(m->name || m->description || m->mapper || m->mapping_sha256 || m->signer_ed25519);
    EXPECT_TRUE(m->parameters.empty());
  }
}

TEST(GdpMetadata, ArrayFormOfEightMembers) {
  const auto m =
      parse_gdp_metadata(R"(["g", "1", null, null, "slot", {"reels": [[1]]}, null, "k"])");
  ASSERT_TRUE(m.has_value()) << m.error().message();
  EXPECT_EQ(m->id, "g");
  EXPECT_EQ(m->mapper, "slot");
  EXPECT_EQ(m->signer_ed25519, "k");
  EXPECT_EQ(m->parameters.size(), 1u);
}

TEST(GdpMetadata, Errors) {
  struct Case {
    std::string_view name;
    std::string text;
    std::string_view message;
  };
  const Case cases[] = {
      {"missing_id", R"({"version":"1"})", "missing field `id` at line 1 column 15"},
      {"missing_version", R"({"id":"g"})", "missing field `version` at line 1 column 10"},
      {"duplicate_id", R"({"id":"g", "id" :"h"})", "duplicate field `id` at line 1 column 16"},
      {"name_not_a_string", R"({"id":"g","version":"1","name":5})",
       "invalid type: integer `5`, expected a string at line 1 column 32"},
      {"parameters_null", R"({"id":"g","version":"1","parameters":null})",
       "invalid type: null, expected a map at line 1 column 41"},
      {"parameters_array", R"({"id":"g","version":"1","parameters":[]})",
       "invalid type: sequence, expected a map at line 1 column 37"},
      {"parameters_string", R"({"id":"g","version":"1","parameters":"x"})",
       "invalid type: string \"x\", expected a map at line 1 column 40"},
      {"short_array", R"(["g","1",null,null,null,{},null])",
       "invalid length 7, expected struct GdpMetadata with 8 elements at line 1 column 32"},
      // parameters may be cut off, the optional strings around it may not.
      {"array_without_parameters", R"(["g","1",null,null,null])",
       "invalid length 6, expected struct GdpMetadata with 8 elements at line 1 column 24"},
      {"array_of_four", R"(["g","1",null,null])",
       "invalid length 4, expected struct GdpMetadata with 8 elements at line 1 column 19"},
      {"array_of_six", R"(["g","1",null,null,null,{}])",
       "invalid length 6, expected struct GdpMetadata with 8 elements at line 1 column 27"},
      {"empty_array", "[]",
       "invalid length 0, expected struct GdpMetadata with 8 elements at line 1 column 2"},
      {"parameters_null_in_array", R"(["g","1",null,null,null,null,null,null])",
       "invalid type: null, expected a map at line 1 column 28"},
      {"long_array", R"(["g","1",null,null,null,{},null,null,1])",
       "trailing characters at line 1 column 38"},
      {"not_a_record", "5",
       "invalid type: integer `5`, expected struct GdpMetadata at line 1 column 1"},
      {"string_record", "\"g\"",
       "invalid type: string \"g\", expected struct GdpMetadata at line 1 column 3"},
      {"invalid_utf8_in_id", "{\"id\":\"g\xFF\",\"version\":\"1\"}",
       "invalid unicode code point at line 1 column 10"},
      {"invalid_utf8_in_parameters",
       "{\"id\":\"g\",\"version\":\"1\",\"parameters\":{\"a\":\"\xFF\"}}",
       "invalid unicode code point at line 1 column 45"},
      {"truncated", R"({"id":"g","version":"1")",
       "EOF while parsing an object at line 1 column 23"},
  };
  for (const Case& c : cases) EXPECT_EQ(error_of(c.text), c.message) << c.name;
}

TEST(GdpMetadata, InvalidUtf8InsideSkippedMembersIsAccepted) {
  EXPECT_EQ(
      error_of("{\"id\":\"g\",\"version\":\"1\",\"notes\":[\"\xFF\", {\"\xFE\":\"\\uD800\"}]}"),
      "<decoded>");
}

TEST(GdpMetadata, NestingCountsTheRecordAndParameters) {
  const std::string prefix = R"({"id":"g","version":"1","parameters":{"a":)";
  const auto nested = [&](std::size_t arrays) {
    return prefix + std::string(arrays, '[') + std::string(arrays, ']') + "}}";
  };
  EXPECT_EQ(error_of(nested(125)), "<decoded>");
  EXPECT_EQ(error_of(nested(126)),
            "recursion limit exceeded at line 1 column " + std::to_string(prefix.size() + 126));
}

}  // namespace
}  // namespace zt::gdp::loader
