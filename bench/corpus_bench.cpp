// corpus_bench.cpp: whole bets through the C interface, text in, verdict out, over
// the honest bets of the generated fixtures (no-op, plinko and slot games; proofs
// of 0 to 24 nodes; 0 to 5 beacons; with and without client seed), beside the
// decoding alone and, when simdjson is available, a bare simdjson parse of the same
// texts, which bounds what decoding can reach.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "records/parse.h"
#include "row_mapper.h"
#include "zt/zt_core.h"
#ifdef ZT_BENCH_SIMDJSON
#include <simdjson.h>
#endif

namespace {

struct Corpus {
  std::vector<zt::test::BetRow> bets;
  std::size_t json_bytes = 0;
};

// The honest bets of registrable games, with their mappers registered.
const Corpus& corpus() {
  static const Corpus instance = [] {
    Corpus c;
    for (auto& row : zt::test::load_bet_rows(std::string(ZT_FIXTURES_DIR) + "/bets.tsv")) {
      if (row.code != 0 || row.mapper_kind == "none") continue;
      if (!zt::test::register_row_mapper(row).empty()) continue;
      c.json_bytes += row.receipt.size() + row.transcript.size();
      c.bets.push_back(std::move(row));
    }
    return c;
  }();
  return instance;
}

void report(benchmark::State& state, const Corpus& c) {
  const auto bets = static_cast<double>(state.iterations() * c.bets.size());
  state.counters["bets_per_second"] = benchmark::Counter(bets, benchmark::Counter::kIsRate);
  state.counters["bytes_per_bet"] = benchmark::Counter(
      static_cast<double>(c.json_bytes) / c.bets.size(), benchmark::Counter::kAvgThreads);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * c.json_bytes));
}

void BM_CoreVerifyBet(benchmark::State& state) {
  const Corpus& c = corpus();
  for (auto _ : state) {
    for (const auto& bet : c.bets) {
      const std::int32_t code = zt_core_verify_bet(bet.receipt.c_str(), bet.transcript.c_str());
      if (code != 0) state.SkipWithError("an honest fixture bet did not verify");
      benchmark::DoNotOptimize(code);
    }
  }
  report(state, c);
}
BENCHMARK(BM_CoreVerifyBet)->UseRealTime()->Threads(1)->Threads(2);

void BM_DecodeOnly(benchmark::State& state) {
  const Corpus& c = corpus();
  for (auto _ : state) {
    for (const auto& bet : c.bets) {
      auto receipt = zt::records::parse_bet_receipt(bet.receipt);
      auto transcript = zt::records::parse_settlement_transcript(bet.transcript);
      benchmark::DoNotOptimize(receipt);
      benchmark::DoNotOptimize(transcript);
    }
  }
  report(state, c);
}
BENCHMARK(BM_DecodeOnly);

#ifdef ZT_BENCH_SIMDJSON
void BM_BareSimdjsonParse(benchmark::State& state) {
  const Corpus& c = corpus();
  std::vector<simdjson::padded_string> texts;
  for (const auto& bet : c.bets) {
    texts.emplace_back(bet.receipt);
    texts.emplace_back(bet.transcript);
  }
  simdjson::dom::parser parser;
  for (auto _ : state) {
    for (const auto& text : texts) {
      auto document = parser.parse(text);
      benchmark::DoNotOptimize(document);
    }
  }
  report(state, c);
}
BENCHMARK(BM_BareSimdjsonParse);
#endif

}  // namespace
