// tests/support/bet_rows.cpp: reading the rows of bets.tsv.
#include "bet_rows.h"

#include <fstream>
#include <string_view>
#include <utility>

namespace zt::test {
namespace {

std::vector<std::string> split(std::string_view text, char separator, std::size_t max_parts) {
  std::vector<std::string> parts;
  while (parts.size() + 1 < max_parts) {
    auto at = text.find(separator);
    if (at == std::string_view::npos) break;
    parts.emplace_back(text.substr(0, at));
    text.remove_prefix(at + 1);
  }
  parts.emplace_back(text);
  return parts;
}

// problem_row: the one failing row that stands for an unusable fixture file.
std::vector<BetRow> problem_row(std::string name, std::string message) {
  BetRow row;
  row.name = std::move(name);
  row.mapper = row.mapper_kind = "none";
  row.code = -1;
  row.message = std::move(message);
  return {row};
}

}  // namespace

std::vector<BetRow> load_bet_rows(const std::string& path) {
  std::ifstream in(path);
  if (!in) return problem_row("fixture_file_unreadable", path);
  std::vector<BetRow> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    auto fields = split(line, '\t', 6);
    if (fields.size() != 6 || (fields[2] != "0" && fields[2] != "2" && fields[2] != "3")) {
      return problem_row("fixture_line_malformed", line.substr(0, 200));
    }
    BetRow& row = rows.emplace_back();
    row.name = fields[0];
    row.mapper = fields[1];
    row.code = std::stoi(fields[2]);
    row.message = fields[3];
    row.receipt = fields[4];
    row.transcript = fields[5];
    auto parts = split(row.mapper, ':', 3);
    row.mapper_kind = parts[0];
    if (parts.size() > 1) row.gdp_id = parts[1];
    if (parts.size() > 2) row.mapper_parameter = parts[2];
  }
  return rows;
}

}  // namespace zt::test
