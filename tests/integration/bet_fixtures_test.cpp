// bet_fixtures_test.cpp: every bet of the generated bets.tsv, decoded and verified
// in-process with the row's mapper registered, against its expected code and text.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "gdp/gdp_registry.h"
#include "gdp/plinko/plinko_mapper.h"
#include "gdp/slot/slot_mapper.h"
#include "json/parse_value.h"
#include "records/parse.h"
#include "verifier/verify_bet.h"

namespace zt {
namespace {

struct BetRow {
  std::string name;
  std::string mapper;  // noop:<id>, plinko:<id>:<levels>, slot:<id>:<reels>, none:<id>
  int code = 0;        // 0 verified, 2 a document fails to decode, 3 verification fails
  std::string message;
  std::string receipt;
  std::string transcript;
};

// Failures name the row instead of dumping its bytes.
void PrintTo(const BetRow& row, std::ostream* out) { *out << row.name; }

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

// load_rows: the rows of bets.tsv. A file that is missing or malformed yields one
// row that fails, naming the problem, rather than an empty and silent suite.
std::vector<BetRow> load_rows() {
  const std::string path = std::string(ZT_FIXTURES_DIR) + "/bets.tsv";
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

// register_row_mapper: binds the row's mapper to its GDP id; "none" binds nothing.
// Returns an error text for a mapper column it cannot use.
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

struct Outcome {
  int code = 0;
  std::string message;
};

Outcome decode_and_verify(const BetRow& row) {
  auto receipt = records::parse_bet_receipt(row.receipt);
  if (!receipt) return {2, "failed to parse receipt: " + receipt.error().message()};
  auto transcript = records::parse_settlement_transcript(row.transcript);
  if (!transcript) return {2, "failed to parse transcript: " + transcript.error().message()};
  auto verdict = verifier::verify_bet(*receipt, *transcript);
  if (!verdict) return {3, verdict.error().message()};
  return {0, ""};
}

class BetFixture : public testing::TestWithParam<BetRow> {};

TEST_P(BetFixture, VerifiesWithExpectedResult) {
  const BetRow& row = GetParam();
  ASSERT_NE(row.code, -1) << row.name << ": " << row.message;
  const std::string mapper_error = register_row_mapper(row.mapper);
  ASSERT_EQ(mapper_error, "");
  const Outcome outcome = decode_and_verify(row);
  EXPECT_EQ(outcome.code, row.code);
  EXPECT_EQ(outcome.message, row.message);
}

INSTANTIATE_TEST_SUITE_P(Bets, BetFixture, testing::ValuesIn(load_rows()),
                         [](const testing::TestParamInfo<BetRow>& info) {
                           return info.param.name;
                         });

}  // namespace
}  // namespace zt
