// tests/support/row_mapper.cpp: the in-process mapper of each bets.tsv row.
#include "row_mapper.h"

#include <cstdint>
#include <memory>

#include "gdp/gdp_registry.h"
#include "gdp/plinko/plinko_mapper.h"
#include "gdp/slot/slot_mapper.h"
#include "json/parse_value.h"

namespace zt::test {

std::string register_row_mapper(const BetRow& row) {
  const std::string& kind = row.mapper_kind;
  const std::string& gdp_id = row.gdp_id;
  const bool has_parameter = !row.mapper_parameter.empty();
  if (row.mapper.find(':') == std::string::npos) return "no GDP id in mapper column";
  if (kind == "none" && !has_parameter) return "";
  if (kind == "noop" && !has_parameter) {
    gdp::register_noop_mapper(gdp_id);
    return "";
  }
  if (kind == "plinko" && has_parameter) {
    gdp::GdpRegistry::instance().register_mapper(
        gdp_id, std::make_shared<gdp::PlinkoMapper>(std::stoull(row.mapper_parameter)));
    return "";
  }
  if (kind == "slot" && has_parameter) {
    auto value = json::parse_value(row.mapper_parameter);
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
  return "unknown mapper column " + row.mapper;
}

}  // namespace zt::test
