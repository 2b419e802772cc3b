// concurrency_test.cpp: several host threads verify different bets through
// libzt_core.so while another thread keeps re-registering the mappers of those
// games under the same ids. Every call must return its own code, and the
// per-thread message must be the call's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bet_rows.h"
#include "zt/zt_core.h"

namespace {

struct Row {
  std::vector<std::string> fields;
};

std::vector<Row> read_tsv(const std::string& name) {
  std::ifstream file(std::string(ZT_FIXTURES_DIR) + "/" + name);
  std::vector<Row> rows;
  std::string line;
  while (std::getline(file, line)) {
    Row row;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, '\t')) row.fields.push_back(field);
    if (!row.fields.empty()) rows.push_back(std::move(row));
  }
  return rows;
}

std::string read_bytes(const std::string& name) {
  std::ifstream file(std::string(ZT_FIXTURES_DIR) + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

struct Package {
  std::string bytes;
};

TEST(ConcurrentHosts, EachCallGetsItsOwnResultWhileMappersAreReplaced) {
  std::vector<std::string> noop_ids;
  std::vector<Package> packages;
  std::vector<std::string> package_ids;
  for (const Row& row : read_tsv("packages.tsv")) {
    if (row.fields.size() == 4 && row.fields[2] == "ok") {
      packages.push_back({read_bytes(row.fields[1])});
      package_ids.push_back(row.fields[3]);
    }
  }
  // Bets of no-op games and of games that come in packages, which the registrar
  // thread below keeps replacing.
  std::vector<zt::test::BetRow> bets;
  for (zt::test::BetRow& row :
       zt::test::load_bet_rows(std::string(ZT_FIXTURES_DIR) + "/bets.tsv")) {
    bool usable = false;
    if (row.mapper_kind == "noop") {
      noop_ids.push_back(row.gdp_id);
      usable = true;
    } else if (row.mapper_kind != "none") {
      usable = std::find(package_ids.begin(), package_ids.end(), row.gdp_id) != package_ids.end();
    }
    if (usable && (row.code == 0 || row.code == 3)) bets.push_back(std::move(row));
  }
  ASSERT_FALSE(packages.empty());
  ASSERT_GT(bets.size(), 10u);

  auto register_all = [&] {
    for (const std::string& id : noop_ids) ASSERT_EQ(zt_core_register_noop_mapper(id.c_str()), 0);
    for (const Package& package : packages) {
      ASSERT_EQ(
          zt_core_register_gdp_package(reinterpret_cast<const std::uint8_t*>(package.bytes.data()),
                                       package.bytes.size()),
          0);
    }
  };
  register_all();

  std::atomic<bool> verifying{true};
  std::thread registrar([&] {
    while (verifying.load()) register_all();
  });

  constexpr int kThreads = 4;
  constexpr int kRounds = 20;
  std::vector<std::vector<std::string>> wrong(kThreads);
  std::vector<std::thread> verifiers;
  for (int t = 0; t < kThreads; ++t) {
    verifiers.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        // Each thread walks all bets from its own starting point.
        for (std::size_t i = 0; i < bets.size(); ++i) {
          const zt::test::BetRow& bet =
              bets[(i + static_cast<std::size_t>(t) * bets.size() / kThreads) % bets.size()];
          const std::int32_t code = zt_core_verify_bet(bet.receipt.c_str(), bet.transcript.c_str());
          const char* message = zt_core_thread_last_error_message();
          const std::string got = message ? message : "";
          const std::string want = bet.code == 0 ? "" : bet.message;
          if (code != bet.code || got != want) {
            wrong[t].push_back(bet.name + ": code " + std::to_string(code) + " message " + got);
          }
        }
      }
    });
  }
  for (std::thread& verifier : verifiers) verifier.join();
  verifying = false;
  registrar.join();

  for (int t = 0; t < kThreads; ++t) EXPECT_TRUE(wrong[t].empty()) << wrong[t].front();
}

}  // namespace
