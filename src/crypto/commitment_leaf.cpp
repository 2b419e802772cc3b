// commitment_leaf.cpp: the canonical commitment bytes, built in one buffer sized
// exactly up front, and their SHA-256.
#include "crypto/commitment_leaf.h"

#include <array>
#include <span>

#include "crypto/bytes.h"

namespace zt::crypto {
namespace {

std::span<const std::uint8_t> text_bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

std::vector<std::uint8_t> commitment_leaf_bytes(const records::BetCommitment& commitment) {
  const std::span<const std::uint8_t> client_seed = bytes_or_none(commitment.client_seed);
  std::vector<std::uint8_t> out;
  out.reserve(commitment.session_id.size() + kU64Bytes + commitment.stake.size() +
              commitment.gdp_id.size() + commitment.rng_id.size() +
              commitment.rng_params_commit.size() + commitment.server_seed_commit.size() +
              client_seed.size() + commitment.beacon_plan_id.size() + kU64Bytes);
  append_bytes(out, text_bytes(commitment.session_id));
  append_u64_be(out, commitment.bet_nonce);
  append_bytes(out, text_bytes(commitment.stake));
  append_bytes(out, text_bytes(commitment.gdp_id));
  append_bytes(out, text_bytes(commitment.rng_id));
  append_bytes(out, commitment.rng_params_commit);
  append_bytes(out, commitment.server_seed_commit);
  append_bytes(out, client_seed);
  append_bytes(out, text_bytes(commitment.beacon_plan_id));
  append_u64_be(out, commitment.timestamp_ms);
  return out;
}

// The same bytes hashed from where the fields lie, without building them first.
Digest commitment_leaf_hash(const records::BetCommitment& commitment) {
  std::array<std::uint8_t, kU64Bytes> nonce;
  std::array<std::uint8_t, kU64Bytes> timestamp;
  store_u64_be(commitment.bet_nonce, nonce);
  store_u64_be(commitment.timestamp_ms, timestamp);
  return Sha256State().finish_with({
      text_bytes(commitment.session_id),
      nonce,
      text_bytes(commitment.stake),
      text_bytes(commitment.gdp_id),
      text_bytes(commitment.rng_id),
      commitment.rng_params_commit,
      commitment.server_seed_commit,
      bytes_or_none(commitment.client_seed),
      text_bytes(commitment.beacon_plan_id),
      timestamp,
  });
}

}  // namespace zt::crypto
