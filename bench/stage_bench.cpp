// stage_bench.cpp: where the time of one bet goes, stage by stage, over the
// generated benchmark corpus (see make_corpus.py). Each benchmark reports its
// time per bet (items are bets), except the stream block, whose items are blocks.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "corpus_file.h"
#include "crypto/commitment_leaf.h"
#include "crypto/sha256.h"
#include "gdp/gdp_registry.h"
#include "merkle/merkle_proof.h"
#include "records/parse.h"
#include "rng/derivations.h"
#include "rng/entropy_stream.h"

namespace {

struct DecodedBet {
  zt::records::BetReceipt receipt;
  zt::records::SettlementTranscript transcript;
  zt::crypto::Digest entropy{};
  zt::gdp::MapperHandle mapper;
};

struct Stages {
  zt::bench::CorpusFile file;
  std::vector<DecodedBet> bets;
};

const Stages& stages() {
  static const Stages instance = [] {
    Stages s{zt::bench::load_corpus_file(ZT_BENCH_CORPUS_DIR), {}};
    zt::bench::register_corpus_packages(s.file);
    for (const auto& bet : s.file.bets) {
      DecodedBet decoded{*zt::records::parse_bet_receipt(bet.receipt),
                         *zt::records::parse_settlement_transcript(bet.transcript),
                         {},
                         {}};
      std::copy_n(decoded.transcript.rng_entropy.begin(), decoded.entropy.size(),
                  decoded.entropy.begin());
      decoded.mapper =
          zt::gdp::GdpRegistry::instance().lookup_mapper(decoded.receipt.commitment->gdp_id);
      s.bets.push_back(std::move(decoded));
    }
    return s;
  }();
  return instance;
}

void per_bet(benchmark::State& state, std::size_t bets) {
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * bets));
}

void BM_Stage_DecodeReceipt(benchmark::State& state) {
  const Stages& s = stages();
  for (auto _ : state) {
    for (const auto& bet : s.file.bets) {
      auto receipt = zt::records::parse_bet_receipt(bet.receipt);
      benchmark::DoNotOptimize(receipt);
    }
  }
  per_bet(state, s.file.bets.size());
}
BENCHMARK(BM_Stage_DecodeReceipt);

void BM_Stage_DecodeTranscript(benchmark::State& state) {
  const Stages& s = stages();
  for (auto _ : state) {
    for (const auto& bet : s.file.bets) {
      auto transcript = zt::records::parse_settlement_transcript(bet.transcript);
      benchmark::DoNotOptimize(transcript);
    }
  }
  per_bet(state, s.file.bets.size());
}
BENCHMARK(BM_Stage_DecodeTranscript);

void BM_Stage_Leaf(benchmark::State& state) {
  const Stages& s = stages();
  for (auto _ : state) {
    for (const auto& bet : s.bets) {
      benchmark::DoNotOptimize(zt::crypto::commitment_leaf_hash(*bet.receipt.commitment));
    }
  }
  per_bet(state, s.bets.size());
}
BENCHMARK(BM_Stage_Leaf);

void BM_Stage_Proof(benchmark::State& state) {
  const Stages& s = stages();
  for (auto _ : state) {
    for (const auto& bet : s.bets) {
      benchmark::DoNotOptimize(zt::merkle::verify_merkle_proof(
          bet.receipt.bet_leaf, bet.receipt.merkle_proof, bet.receipt.merkle_root));
    }
  }
  per_bet(state, s.bets.size());
}
BENCHMARK(BM_Stage_Proof);

// The seed commitment, the beacon mix and the rng entropy.
void BM_Stage_SeedBeaconsEntropy(benchmark::State& state) {
  const Stages& s = stages();
  for (auto _ : state) {
    for (const auto& bet : s.bets) {
      benchmark::DoNotOptimize(zt::crypto::sha256(bet.transcript.server_seed_plain));
      const auto mix = zt::rng::compute_beacon_mix_id(bet.transcript.beacon_values);
      benchmark::DoNotOptimize(zt::rng::compute_rng_entropy(
          bet.transcript.server_seed_plain, bet.receipt.commitment->client_seed,
          bet.receipt.commitment->bet_nonce, mix));
    }
  }
  per_bet(state, s.bets.size());
}
BENCHMARK(BM_Stage_SeedBeaconsEntropy);

// Blocks of a fresh stream, four per stream as a 16-level plinko draws.
void BM_Stage_StreamBlock(benchmark::State& state) {
  const Stages& s = stages();
  std::array<std::uint8_t, 4 * zt::rng::EntropyStream::kBlockBytes> out;
  std::size_t blocks = 0;
  for (auto _ : state) {
    for (const auto& bet : s.bets) {
      zt::rng::EntropyStream stream(bet.entropy);
      stream.fill_bytes(out);
      benchmark::DoNotOptimize(out);
      blocks += 4;
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(blocks));
}
BENCHMARK(BM_Stage_StreamBlock);

// One mapper family's bets: their stream and the mapper's check.
void mapper_stage(benchmark::State& state, std::string_view family) {
  const Stages& s = stages();
  std::size_t bets = 0;
  for (auto _ : state) {
    for (const auto& bet : s.bets) {
      if (!bet.receipt.commitment->gdp_id.starts_with(family)) continue;
      zt::rng::EntropyStream stream(bet.entropy);
      auto verdict = bet.mapper->verify_outcome(bet.receipt, bet.transcript, stream);
      if (!verdict) state.SkipWithError("a corpus outcome did not replay");
      ++bets;
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(bets));
}

void BM_Stage_PlinkoMapper(benchmark::State& state) { mapper_stage(state, "plinko-"); }
BENCHMARK(BM_Stage_PlinkoMapper);

void BM_Stage_SlotMapper(benchmark::State& state) { mapper_stage(state, "slot-"); }
BENCHMARK(BM_Stage_SlotMapper);

}  // namespace
