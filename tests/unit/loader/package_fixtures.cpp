// package_fixtures.cpp: reading packages.tsv and fixture files from ZT_FIXTURES_DIR.
#include "package_fixtures.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace zt::gdp::loader::testing {

std::vector<PackageRow> package_rows() {
  std::ifstream file(std::string(ZT_FIXTURES_DIR) + "/packages.tsv");
  std::vector<PackageRow> rows;
  std::string line;
  while (std::getline(file, line)) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, '\t')) fields.push_back(field);
    fields.resize(4);
    rows.push_back({fields[0], fields[1], fields[2], fields[3]});
  }
  return rows;
}

std::vector<std::uint8_t> read_fixture(const std::string& relative_path) {
  std::ifstream file(std::string(ZT_FIXTURES_DIR) + "/" + relative_path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

std::vector<std::uint8_t> package_named(std::string_view name) {
  for (const PackageRow& row : package_rows()) {
    if (row.name == name) return read_fixture(row.file);
  }
  return {};
}

}  // namespace zt::gdp::loader::testing
