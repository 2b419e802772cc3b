// verify_bet.cpp: the checks of one bet, in their fixed order. Every comparison is
// against a value recomputed here; reported values never feed a later step.
#include "verifier/verify_bet.h"

#include <utility>

#include "crypto/bytes.h"
#include "crypto/commitment_leaf.h"
#include "gdp/gdp_registry.h"
#include "merkle/merkle_proof.h"
#include "rng/derivations.h"
#include "rng/entropy_stream.h"

namespace zt::verifier {

std::expected<VerificationSummary, errors::VerifyError> verify_bet(
    const records::BetReceipt& receipt, const records::SettlementTranscript& transcript) {
  using errors::VerifyError;

  if (receipt.bet_id != transcript.bet_id) return std::unexpected(VerifyError::bet_id_mismatch());
  if (!receipt.commitment) return std::unexpected(VerifyError::missing_commitment());
  const records::BetCommitment& commitment = *receipt.commitment;

  if (!crypto::same_bytes(crypto::commitment_leaf_hash(commitment), receipt.bet_leaf)) {
    return std::unexpected(VerifyError::leaf_mismatch());
  }
  if (!merkle::verify_merkle_proof(receipt.bet_leaf, receipt.merkle_proof, receipt.merkle_root)) {
    return std::unexpected(VerifyError::merkle_proof_failed());
  }
  if (!crypto::same_bytes(crypto::sha256(transcript.server_seed_plain),
                          commitment.server_seed_commit)) {
    return std::unexpected(VerifyError::server_seed_mismatch());
  }

  const crypto::Digest beacon_mix_id = rng::compute_beacon_mix_id(transcript.beacon_values);
  if (!crypto::same_bytes(beacon_mix_id, transcript.beacon_mix_id)) {
    return std::unexpected(VerifyError::beacon_mix_mismatch());
  }
  const crypto::Digest rng_entropy = rng::compute_rng_entropy(
      transcript.server_seed_plain, commitment.client_seed, commitment.bet_nonce, beacon_mix_id);
  if (!crypto::same_bytes(rng_entropy, transcript.rng_entropy)) {
    return std::unexpected(VerifyError::entropy_mismatch());
  }

  // The handle keeps the mapper alive for this call even if it is replaced meanwhile;
  // no registry lock is held while it runs.
  const gdp::MapperHandle mapper = gdp::GdpRegistry::instance().lookup_mapper(commitment.gdp_id);
  if (!mapper) return std::unexpected(VerifyError::mapping_not_implemented(commitment.gdp_id));
  rng::EntropyStream stream(rng_entropy);
  if (auto outcome = mapper->verify_outcome(receipt, transcript, stream); !outcome) {
    return std::unexpected(std::move(outcome.error()));
  }
  return VerificationSummary{rng_entropy, beacon_mix_id};
}

}  // namespace zt::verifier
