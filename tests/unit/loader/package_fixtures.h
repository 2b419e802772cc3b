// package_fixtures.h: access to the generated package fixtures: the rows of
// packages.tsv and the bytes of each package file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zt::gdp::loader::testing {

struct PackageRow {
  std::string name;
  std::string file;      // relative to ZT_FIXTURES_DIR
  std::string expected;  // "ok" or the full registration error text
  std::string gdp_id;    // for "ok" rows
};

// The prefix of every registration error that comes from the loader.
inline constexpr std::string_view kLoadPrefix = "failed to load GDP package: ";

std::vector<PackageRow> package_rows();
std::vector<std::uint8_t> read_fixture(const std::string& relative_path);
// package_named: the bytes of the fixture package |name|; empty if there is none.
std::vector<std::uint8_t> package_named(std::string_view name);

}  // namespace zt::gdp::loader::testing
