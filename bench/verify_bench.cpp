// verify_bench.cpp: verify_bet on a realistic honest bet of a no-op game (proof of
// 16 nodes, 3 beacons, a client seed), beside the bare digests the same bet needs,
// which bound what the verifier can reach.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "crypto/commitment_leaf.h"
#include "crypto/sha256.h"
#include "gdp/gdp_registry.h"
#include "rng/derivations.h"
#include "verifier/verify_bet.h"

namespace {

using zt::records::Bytes;

constexpr int kProofNodes = 16;

Bytes filled(std::size_t size, std::uint8_t value) { return Bytes(size, value); }

Bytes digest_bytes(const zt::crypto::Digest& d) { return {d.begin(), d.end()}; }

struct Bet {
  zt::records::BetReceipt receipt;
  zt::records::SettlementTranscript transcript;
};

Bet honest_noop_bet() {
  Bet bet;
  zt::records::BetCommitment c;
  c.session_id = "5f0c8a3e-7d41-4b8e-9a55-2f6c1d9e0b77";
  c.bet_nonce = 1234567;
  c.stake = "25.00";
  c.gdp_id = "bench-noop";
  c.rng_id = "zt-vl-1.0-A";
  c.rng_params_commit = filled(32, 0x11);
  const Bytes server_seed = filled(32, 0x5e);
  c.server_seed_commit = zt::crypto::sha256_bytes(server_seed);
  c.client_seed = filled(32, 0x33);
  c.beacon_plan_id = "drand-nist-2of3";
  c.timestamp_ms = 1767225600000;

  Bytes running = digest_bytes(zt::crypto::commitment_leaf_hash(c));
  bet.receipt.version = "1.0";
  bet.receipt.bet_id = "bet-000123";
  bet.receipt.bet_leaf = running;
  for (int level = 0; level < kProofNodes; ++level) {
    const Bytes sibling = filled(32, static_cast<std::uint8_t>(0x80 + level));
    const bool left = level % 2 == 1;
    const Bytes& first = left ? sibling : running;
    const Bytes& second = left ? running : sibling;
    std::vector<std::uint8_t> step(first.begin(), first.end());
    step.insert(step.end(), second.begin(), second.end());
    running = zt::crypto::sha256_bytes(step);
    bet.receipt.merkle_proof.push_back(
        {sibling, left ? zt::records::ProofPosition::left : zt::records::ProofPosition::right});
  }
  bet.receipt.merkle_root = running;
  bet.receipt.operator_sig = "ed25519:...";

  bet.transcript.bet_id = bet.receipt.bet_id;
  bet.transcript.server_seed_plain = server_seed;
  bet.transcript.beacon_values = {
      {"drand", filled(32, 0xd1)}, {"nist", filled(64, 0x4e)}, {"operator", filled(32, 0x0f)}};
  const auto mix = zt::rng::compute_beacon_mix_id(bet.transcript.beacon_values);
  bet.transcript.beacon_mix_id = digest_bytes(mix);
  bet.transcript.rng_entropy =
      digest_bytes(zt::rng::compute_rng_entropy(server_seed, c.client_seed, c.bet_nonce, mix));
  bet.transcript.outcome.payout = "25.00";
  bet.transcript.operator_sig = "ed25519:...";
  bet.receipt.commitment = std::move(c);
  return bet;
}

void add_context() {
  benchmark::AddCustomContext("zt_build_type", ZT_BUILD_TYPE);
#ifndef NDEBUG
  benchmark::AddCustomContext("zt_warning", "assertions enabled; timings are not representative");
#endif
}

void BM_VerifyBet_Noop16Nodes3Beacons(benchmark::State& state) {
  if (state.thread_index() == 0) zt::gdp::register_noop_mapper("bench-noop");
  const Bet bet = honest_noop_bet();
  for (auto _ : state) {
    auto result = zt::verifier::verify_bet(bet.receipt, bet.transcript);
    if (!result) {
      state.SkipWithError(result.error().message().c_str());
      break;
    }
    benchmark::DoNotOptimize(result);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_VerifyBet_Noop16Nodes3Beacons)->Threads(1)->ThreadPerCpu()->UseRealTime();

// The digests the same bet costs, computed directly: the verifier's floor.
void BM_VerifyBet_BareDigests(benchmark::State& state) {
  const Bet bet = honest_noop_bet();
  const auto& c = *bet.receipt.commitment;
  Bytes step(64);
  std::vector<std::uint8_t> beacons;
  for (const auto& [name, value] : bet.transcript.beacon_values) {
    beacons.insert(beacons.end(), value.begin(), value.end());
  }
  Bytes entropy_material(32 + 32 + 8 + 32);
  for (auto _ : state) {
    const Bytes leaf_bytes = zt::crypto::commitment_leaf_bytes(c);
    benchmark::DoNotOptimize(zt::crypto::sha256(leaf_bytes));
    for (int i = 0; i < kProofNodes; ++i) benchmark::DoNotOptimize(zt::crypto::sha256(step));
    benchmark::DoNotOptimize(zt::crypto::sha256(bet.transcript.server_seed_plain));
    benchmark::DoNotOptimize(zt::crypto::sha256(beacons));
    benchmark::DoNotOptimize(zt::crypto::sha256(entropy_material));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_VerifyBet_BareDigests);

const bool kContextAdded = (add_context(), true);

}  // namespace
