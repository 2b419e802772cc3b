// bet_trace.cpp: trace_bet, an observer of run_bet_checks that writes down each
// check as it is made. The verdict is run_bet_checks' own; the observer only adds
// the values around it (canonical bytes, Merkle steps, hash inputs, draws).
#include "verifier/bet_trace.h"

#include <cstdint>
#include <span>
#include <string>

#include "crypto/bytes.h"
#include "crypto/commitment_leaf.h"
#include "crypto/sha256.h"
#include "gdp/plinko/plinko_draws.h"
#include "gdp/plinko/plinko_mapper.h"
#include "gdp/slot/slot_draws.h"
#include "gdp/slot/slot_mapper.h"
#include "merkle/merkle_proof.h"
#include "rng/entropy_stream.h"
#include "verifier/bet_checks.h"

namespace zt::verifier {
namespace {

using crypto::to_hex;

// Draws shown for a plinko board; a board configured with more levels than this
// is shown in part (the check itself still covers every step).
constexpr std::uint64_t kMaxShownSteps = 4096;

// digest_length_note: says in words why a reported digest cannot equal a SHA-256.
void note_digest_length(TraceCheck& check, const std::string& field,
                        std::span<const std::uint8_t> bytes) {
  if (bytes.size() == crypto::kSha256Bytes) return;
  check.notes.push_back(field + " is " + std::to_string(bytes.size()) +
                        (bytes.size() == 1 ? " byte" : " bytes") + "; a SHA-256 digest is " +
                        std::to_string(crypto::kSha256Bytes));
}

CheckState state_of(bool passed) { return passed ? CheckState::passed : CheckState::failed; }

class TraceRecorder {
 public:
  TraceRecorder(const records::BetReceipt& receipt, const records::SettlementTranscript& transcript,
                BetTrace& trace)
      : receipt_(receipt), transcript_(transcript), trace_(trace) {
    for (const char* name : kCheckNames)
      trace_.checks.push_back(TraceCheck{name, CheckState::not_run, {}, {}, {}});
  }

  void bet_ids(bool passed) {
    TraceCheck& check = at(0, passed);
    check.values.push_back({"receipt_bet_id", receipt_.bet_id});
    check.values.push_back({"transcript_bet_id", transcript_.bet_id});
  }

  void commitment(bool passed) {
    TraceCheck& check = at(1, passed);
    if (!passed) {
      check.notes.push_back(
          "the receipt has no commitment, so nothing that depends on it can be recomputed");
      return;
    }
    const records::BetCommitment& commitment = *receipt_.commitment;
    check.values.push_back({"gdp_id", commitment.gdp_id});
    check.values.push_back({"session_id", commitment.session_id});
    check.values.push_back({"bet_nonce", commitment.bet_nonce});
  }

  void bet_leaf(const crypto::Digest& leaf, bool passed) {
    TraceCheck& check = at(2, passed);
    check.values.push_back(
        {"commitment_bytes", to_hex(crypto::commitment_leaf_bytes(*receipt_.commitment))});
    check.values.push_back({"computed_leaf", to_hex(leaf)});
    check.values.push_back({"reported_bet_leaf", to_hex(receipt_.bet_leaf)});
    note_digest_length(check, "bet_leaf", receipt_.bet_leaf);
  }

  void merkle_proof(bool passed) {
    TraceCheck& check = at(3, passed);
    // The verifier's walk, a step at a time, for display.
    merkle::ProofWalk walk(receipt_.bet_leaf, receipt_.merkle_proof);
    check.values.push_back({"leaf", to_hex(walk.running())});
    for (std::size_t i = 0; i < receipt_.merkle_proof.size(); ++i) {
      const records::MerkleProofNode& node = receipt_.merkle_proof[i];
      walk.step();
      check.steps.push_back(
          {{"step", static_cast<std::uint64_t>(i + 1)},
           {"side", node.position == records::ProofPosition::right ? "right" : "left"},
           {"sibling", to_hex(node.hash)},
           {"result", to_hex(walk.running())}});
      note_digest_length(check, "the hash of proof node " + std::to_string(i + 1), node.hash);
    }
    check.values.push_back({"computed_root", to_hex(walk.running())});
    check.values.push_back({"reported_merkle_root", to_hex(receipt_.merkle_root)});
    note_digest_length(check, "merkle_root", receipt_.merkle_root);
  }

  void server_seed(const crypto::Digest& digest, bool passed) {
    TraceCheck& check = at(4, passed);
    check.values.push_back({"server_seed_plain", to_hex(transcript_.server_seed_plain)});
    check.values.push_back({"computed_commit", to_hex(digest)});
    const records::Bytes& committed = receipt_.commitment->server_seed_commit;
    check.values.push_back({"reported_server_seed_commit", to_hex(committed)});
    note_digest_length(check, "server_seed_commit", committed);
  }

  void beacon_mix(const crypto::Digest& mix, bool passed) {
    TraceCheck& check = at(5, passed);
    for (const auto& [name, value] : transcript_.beacon_values) {
      check.steps.push_back({{"beacon", name}, {"value", to_hex(value)}});
    }
    if (transcript_.beacon_values.empty()) {
      check.notes.push_back(
          "the transcript has no beacon values; the mix is the digest of nothing");
    }
    check.values.push_back({"computed_beacon_mix_id", to_hex(mix)});
    check.values.push_back({"reported_beacon_mix_id", to_hex(transcript_.beacon_mix_id)});
    note_digest_length(check, "beacon_mix_id", transcript_.beacon_mix_id);
  }

  void rng_entropy(const crypto::Digest& entropy, bool passed) {
    TraceCheck& check = at(6, passed);
    const records::BetCommitment& commitment = *receipt_.commitment;
    std::vector<std::uint8_t> nonce;
    crypto::append_u64_be(nonce, commitment.bet_nonce);
    check.steps.push_back(
        {{"part", "server_seed_plain"}, {"value", to_hex(transcript_.server_seed_plain)}});
    if (commitment.client_seed) {
      check.steps.push_back({{"part", "client_seed"}, {"value", to_hex(*commitment.client_seed)}});
    } else {
      check.notes.push_back("the commitment has no client seed; it adds nothing to the material");
    }
    check.steps.push_back({{"part", "bet_nonce"}, {"value", to_hex(nonce)}});
    check.steps.push_back({{"part", "beacon_mix_id"}, {"value", check_value(5, 0)}});
    check.values.push_back({"computed_rng_entropy", to_hex(entropy)});
    check.values.push_back({"reported_rng_entropy", to_hex(transcript_.rng_entropy)});
    note_digest_length(check, "rng_entropy", transcript_.rng_entropy);
  }

  void mapper(const gdp::MapperHandle& mapper) {
    TraceCheck& check = at(7, mapper != nullptr);
    check.values.push_back({"gdp_id", receipt_.commitment->gdp_id});
    if (!mapper) {
      check.notes.push_back("no mapper is registered for game " + receipt_.commitment->gdp_id);
      return;
    }
    if (const auto* plinko = dynamic_cast<const gdp::PlinkoMapper*>(mapper.get())) {
      check.values.push_back({"mapper", "plinko"});
      json::Object parameters;
      parameters.emplace("levels", plinko->levels());
      check.values.push_back({"parameters", std::move(parameters)});
    } else if (const auto* slot = dynamic_cast<const gdp::SlotMapper*>(mapper.get())) {
      check.values.push_back({"mapper", "slot"});
      json::Array lengths;
      for (const gdp::Reel& reel : slot->reels()) {
        lengths.emplace_back(static_cast<std::uint64_t>(reel.size()));
      }
      json::Object parameters;
      parameters.emplace("reel_lengths", std::move(lengths));
      check.values.push_back({"parameters", std::move(parameters)});
    } else {
      check.values.push_back({"mapper", "noop"});
    }
  }

  void outcome(const gdp::OutcomeMapper& mapper, const crypto::Digest& entropy,
               const std::expected<void, errors::VerifyError>& result) {
    TraceCheck& check = at(8, result.has_value());
    check.values.push_back({"reported_outcome", transcript_.outcome.raw});
    rng::EntropyStream stream(entropy);
    if (const auto* plinko = dynamic_cast<const gdp::PlinkoMapper*>(&mapper)) {
      const auto path = gdp::derive_plinko_path(plinko->levels(), stream, kMaxShownSteps);
      json::Array steps;
      std::uint64_t bucket = 0;
      for (const std::uint64_t step : path) {
        steps.emplace_back(step);
        bucket += step;
      }
      json::Object derived;
      derived.emplace("path", std::move(steps));
      if (path.size() == plinko->levels()) derived.emplace("bucket", bucket);
      check.values.push_back({"derived_outcome", std::move(derived)});
      if (path.size() < plinko->levels()) {
        check.notes.push_back("only the first " + std::to_string(path.size()) + " of " +
                              std::to_string(plinko->levels()) + " path steps are shown");
      }
    } else if (const auto* slot = dynamic_cast<const gdp::SlotMapper*>(&mapper)) {
      const auto stops = gdp::derive_slot_stops(std::span<const gdp::Reel>(slot->reels()), stream);
      json::Array values;
      for (const std::uint64_t stop : stops) values.emplace_back(stop);
      json::Object derived;
      derived.emplace("stops", std::move(values));
      check.values.push_back({"derived_outcome", std::move(derived)});
    } else {
      check.notes.push_back("the no-op mapper accepts any outcome; nothing was drawn or compared");
    }
  }

 private:
  TraceCheck& at(std::size_t index, bool passed) {
    TraceCheck& check = trace_.checks[index];
    check.state = state_of(passed);
    return check;
  }

  json::Value check_value(std::size_t check, std::size_t value) const {
    return trace_.checks[check].values[value].value;
  }

  const records::BetReceipt& receipt_;
  const records::SettlementTranscript& transcript_;
  BetTrace& trace_;
};

}  // namespace

BetTrace trace_bet(const records::BetReceipt& receipt,
                   const records::SettlementTranscript& transcript) {
  BetTrace trace;
  TraceRecorder recorder(receipt, transcript, trace);
  auto verdict = run_bet_checks(receipt, transcript, recorder);
  if (!verdict) trace.failure = std::move(verdict.error());
  return trace;
}

const char* check_state_name(CheckState state) {
  switch (state) {
    case CheckState::passed:
      return "passed";
    case CheckState::failed:
      return "failed";
    case CheckState::not_run:
      return "not_run";
  }
  return "not_run";
}

}  // namespace zt::verifier
