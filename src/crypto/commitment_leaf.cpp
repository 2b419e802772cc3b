// commitment_leaf.cpp: the canonical commitment bytes, built in one buffer sized
// exactly up front, and their SHA-256.
#include "crypto/commitment_leaf.h"

#include <span>

#include "crypto/bytes.h"

namespace zt::crypto {
namespace {

std::span<const std::uint8_t> text_bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

std::vector<std::uint8_t> commitment_leaf_bytes(const records::BetCommitment& commitment) {
  const std::size_t client_seed_size = commitment.client_seed ? commitment.client_seed->size() : 0;
  std::vector<std::uint8_t> out;
  out.reserve(commitment.session_id.size() + kU64Bytes + commitment.stake.size() +
              commitment.gdp_id.size() + commitment.rng_id.size() +
              commitment.rng_params_commit.size() + commitment.server_seed_commit.size() +
              client_seed_size + commitment.beacon_plan_id.size() + kU64Bytes);
  append_bytes(out, text_bytes(commitment.session_id));
  append_u64_be(out, commitment.bet_nonce);
  append_bytes(out, text_bytes(commitment.stake));
  append_bytes(out, text_bytes(commitment.gdp_id));
  append_bytes(out, text_bytes(commitment.rng_id));
  append_bytes(out, commitment.rng_params_commit);
  append_bytes(out, commitment.server_seed_commit);
  if (commitment.client_seed) append_bytes(out, *commitment.client_seed);
  append_bytes(out, text_bytes(commitment.beacon_plan_id));
  append_u64_be(out, commitment.timestamp_ms);
  return out;
}

Digest commitment_leaf_hash(const records::BetCommitment& commitment) {
  return sha256(commitment_leaf_bytes(commitment));
}

}  // namespace zt::crypto
