// verifier/bet_checks.h: the one sequence of checks of a bet, in their fixed order,
// stopping at the first failure. An observer sees each check's recomputed value and
// verdict as it is made; verify_bet passes an observer whose calls are empty and
// compile away, trace_bet one that records what it sees. Every comparison is
// against a value recomputed here; reported values never feed a later step.
#pragma once

#include <expected>
#include <utility>

#include "crypto/bytes.h"
#include "crypto/commitment_leaf.h"
#include "crypto/sha256.h"
#include "errors/verify_error.h"
#include "gdp/gdp_registry.h"
#include "merkle/merkle_proof.h"
#include "records/records.h"
#include "rng/derivations.h"
#include "rng/entropy_stream.h"

namespace zt::verifier {

struct VerificationSummary {
  crypto::Digest rng_entropy;
  crypto::Digest beacon_mix_id;
};

// NoObserver: the fast path's observer; every call does nothing.
struct NoObserver {
  void bet_ids(bool) {}
  void commitment(bool) {}
  void bet_leaf(const crypto::Digest&, bool) {}
  void merkle_proof(bool) {}
  void server_seed(const crypto::Digest&, bool) {}
  void beacon_mix(const crypto::Digest&, bool) {}
  void rng_entropy(const crypto::Digest&, bool) {}
  void mapper(const gdp::MapperHandle&) {}
  void outcome(const gdp::OutcomeMapper&, const crypto::Digest&,
               const std::expected<void, errors::VerifyError>&) {}
};

// run_bet_checks: the checks of verify_bet, reported to |observer| in order. The
// observer is told about each check that is made, and about no other.
template <typename Observer>
[[nodiscard]] std::expected<VerificationSummary, errors::VerifyError> run_bet_checks(
    const records::BetReceipt& receipt, const records::SettlementTranscript& transcript,
    Observer& observer) {
  using errors::VerifyError;

  const bool same_bet = receipt.bet_id == transcript.bet_id;
  observer.bet_ids(same_bet);
  if (!same_bet) return std::unexpected(VerifyError::bet_id_mismatch());
  observer.commitment(receipt.commitment.has_value());
  if (!receipt.commitment) return std::unexpected(VerifyError::missing_commitment());
  const records::BetCommitment& commitment = *receipt.commitment;

  // The proof walk is a chain of hashes, each needing the one before. The leaf,
  // seed, beacon and entropy digests need none of it, so they are computed between
  // its first steps, where the CPU runs both chains at once. The checks are still
  // judged, and observed, in their order.
  merkle::ProofWalk walk(receipt.bet_leaf, receipt.merkle_proof);
  walk.step();
  const crypto::Digest leaf = crypto::commitment_leaf_hash(commitment);
  walk.step();
  const crypto::Digest seed_digest = crypto::sha256(transcript.server_seed_plain);
  walk.step();
  const crypto::Digest beacon_mix_id = rng::compute_beacon_mix_id(transcript.beacon_values);
  walk.step();
  const crypto::Digest rng_entropy = rng::compute_rng_entropy(
      transcript.server_seed_plain, commitment.client_seed, commitment.bet_nonce, beacon_mix_id);

  const bool leaf_matches = crypto::same_bytes(leaf, receipt.bet_leaf);
  observer.bet_leaf(leaf, leaf_matches);
  if (!leaf_matches) return std::unexpected(VerifyError::leaf_mismatch());

  const bool proof_holds = walk.reaches(receipt.merkle_root);
  observer.merkle_proof(proof_holds);
  if (!proof_holds) return std::unexpected(VerifyError::merkle_proof_failed());

  const bool seed_matches = crypto::same_bytes(seed_digest, commitment.server_seed_commit);
  observer.server_seed(seed_digest, seed_matches);
  if (!seed_matches) return std::unexpected(VerifyError::server_seed_mismatch());

  const bool mix_matches = crypto::same_bytes(beacon_mix_id, transcript.beacon_mix_id);
  observer.beacon_mix(beacon_mix_id, mix_matches);
  if (!mix_matches) return std::unexpected(VerifyError::beacon_mix_mismatch());

  const bool entropy_matches = crypto::same_bytes(rng_entropy, transcript.rng_entropy);
  observer.rng_entropy(rng_entropy, entropy_matches);
  if (!entropy_matches) return std::unexpected(VerifyError::entropy_mismatch());

  // The handle keeps the mapper alive for this call even if it is replaced meanwhile;
  // no registry lock is held while it runs.
  const gdp::MapperHandle mapper = gdp::GdpRegistry::instance().lookup_mapper(commitment.gdp_id);
  observer.mapper(mapper);
  if (!mapper) return std::unexpected(VerifyError::mapping_not_implemented(commitment.gdp_id));
  rng::EntropyStream stream(rng_entropy);
  auto outcome = mapper->verify_outcome(receipt, transcript, stream);
  observer.outcome(*mapper, rng_entropy, outcome);
  if (!outcome) return std::unexpected(std::move(outcome.error()));
  return VerificationSummary{rng_entropy, beacon_mix_id};
}

}  // namespace zt::verifier
