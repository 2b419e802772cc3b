// tests/support/bet_rows.cpp: reading bets.tsv and registering the rows' mappers.
#include "bet_rows.h"

#include <cstdint>
#include <fstream>
#include <memory>
#include <string_view>

#include "gdp/gdp_registry.h"
#include "gdp/plinko/plinko_mapper.h"
#include "gdp/slot/slot_mapper.h"
#include "json/parse_value.h"

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

}  // namespace

std::vector<BetRow> load_bet_rows(const std::string& path) {
  std::ifstream in(path);
  if (!in) return {{"fixture_file_unreadable", "none:", -1, path, "", ""}};
  std::vector<BetRow> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    auto fields = split(line, '\t', 6);
    if (fields.size() != 6 || (fields[2] != "0" && fields[2] != "2" && fields[2] != "3")) {
      return {{"fixture_line_malformed", "none:", -1, line.substr(0, 200), "", ""}};
    }
    rows.push_back({fields[0], fields[1], std::stoi(fields[2]), fields[3], fields[4], fields[5]});
  }
  return rows;
}

std::string register_row_mapper(const std::string& mapper) {
  auto parts = split(mapper, ':', 3);
  if (parts.size() < 2) return "no GDP id in mapper column";
  const std::string& kind = parts[0];
  const std::string& gdp_id = parts[1];
  if (kind == "none" && parts.size() == 2) return "";
  if (kind == "noop" && parts.size() == 2) {
    gdp::register_noop_mapper(gdp_id);
    return "";
  }
  if (kind == "plinko" && parts.size() == 3) {
    gdp::GdpRegistry::instance().register_mapper(
        gdp_id, std::make_shared<gdp::PlinkoMapper>(std::stoull(parts[2])));
    return "";
  }
  if (kind == "slot" && parts.size() == 3) {
    auto value = json::parse_value(parts[2]);
    if (!value) return "reels: " + value.error().message();
    auto lists = json::decode_u64_lists(*value);
    if (!lists) return "reels: " + lists.error();
    std::vector<gdp::Reel> reels;
    for (const auto& list : *lists) {
      gdp::Reel& reel = reels.emplace_back();
      for (std::uint64_t symbol : list) {
        if (symbol > 255) return "reel symbol beyond 255";
        reel.push_back(static_cast<std::uint8_t>(symbol));
      }
    }
    gdp::GdpRegistry::instance().register_mapper(
        gdp_id, std::make_shared<gdp::SlotMapper>(std::move(reels)));
    return "";
  }
  return "unknown mapper column " + mapper;
}

}  // namespace zt::test
