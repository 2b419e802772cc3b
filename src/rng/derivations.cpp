// derivations.cpp: the beacon mix identifier and the rng entropy, each one SHA-256
// over a single buffer sized exactly up front.
#include "rng/derivations.h"

#include <vector>

#include "crypto/bytes.h"

namespace zt::rng {

crypto::Digest compute_beacon_mix_id(const records::BeaconValues& beacon_values) {
  std::size_t total = 0;
  for (const auto& [name, value] : beacon_values) total += value.size();
  std::vector<std::uint8_t> material;
  material.reserve(total);
  // The map is ordered by key bytes; the keys themselves are not hashed.
  for (const auto& [name, value] : beacon_values) crypto::append_bytes(material, value);
  return crypto::sha256(material);
}

crypto::Digest compute_rng_entropy(std::span<const std::uint8_t> server_seed_plain,
                                   const std::optional<records::Bytes>& client_seed,
                                   std::uint64_t bet_nonce, const crypto::Digest& beacon_mix_id) {
  std::vector<std::uint8_t> material;
  material.reserve(server_seed_plain.size() + (client_seed ? client_seed->size() : 0) +
                   crypto::kU64Bytes + beacon_mix_id.size());
  crypto::append_bytes(material, server_seed_plain);
  if (client_seed) crypto::append_bytes(material, *client_seed);
  crypto::append_u64_be(material, bet_nonce);
  crypto::append_bytes(material, beacon_mix_id);
  return crypto::sha256(material);
}

}  // namespace zt::rng
