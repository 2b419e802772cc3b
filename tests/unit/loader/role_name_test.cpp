// role_name_test.cpp: role names are file names under the full Unicode lower-case
// mapping of the root locale.
#include "gdp/loader/role_name.h"

#include <gtest/gtest.h>

namespace zt::gdp::loader {
namespace {

TEST(RoleName, FullUnicodeLowerCase) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"Mapping.PY", "mapping.py"},
      {"GDP.JSON", "gdp.json"},
      {"gdp.json", "gdp.json"},
      {"\u00C4B.JS", "\u00E4b.js"},                                  // Ä becomes ä
      {"MAPP\u0130NG.X", "mappi\u0307ng.x"},                         // İ: i and U+0307
      {"MAPPING.\u03A3\u0391\u03A3", "mapping.\u03C3\u03B1\u03C2"},  // ΣΑΣ: σας
      {"\u03A3\u0391.rs", "\u03C3\u03B1.rs"},                        // no letter before Σ: σ
      {"TITLE.JS", "title.js"},                                      // I is i in the root locale
      {"\u1E9E.txt", "\u00DF.txt"},                                  // capital sharp s: ß
      {"\U00010400.js", "\U00010428.js"},                            // beyond the BMP
      {"", ""},
  };
  for (const auto& [name, role] : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(name)));
    EXPECT_EQ(role_name(name), role);
  }
}

TEST(RoleName, LongNamesKeepTheirLength) {
  const std::string name = std::string(300000, 'A') + ".JS";
  EXPECT_EQ(role_name(name), std::string(300000, 'a') + ".js");
}

}  // namespace
}  // namespace zt::gdp::loader
