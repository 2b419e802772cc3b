// derivations.cpp: the beacon mix identifier and the rng entropy, each one SHA-256
// fed its parts in order, without copying them together.
#include "rng/derivations.h"

#include <array>

#include "crypto/bytes.h"

namespace zt::rng {

crypto::Digest compute_beacon_mix_id(const records::BeaconValues& beacon_values) {
  // The map is ordered by key bytes; the keys themselves are not hashed. A bet's
  // few beacons are hashed in one go from where they lie; many take the update path.
  constexpr std::size_t kGathered = 7;
  if (beacon_values.size() <= kGathered) {
    std::array<std::span<const std::uint8_t>, kGathered> values;
    std::size_t count = 0;
    for (const auto& [name, value] : beacon_values) values[count++] = value;
    return crypto::Sha256State().finish_with(std::span(values.data(), count));
  }
  crypto::Sha256State mix;
  for (const auto& [name, value] : beacon_values) mix.update(value);
  return mix.finish();
}

crypto::Digest compute_rng_entropy(std::span<const std::uint8_t> server_seed_plain,
                                   const std::optional<records::Bytes>& client_seed,
                                   std::uint64_t bet_nonce, const crypto::Digest& beacon_mix_id) {
  std::array<std::uint8_t, crypto::kU64Bytes> nonce;
  crypto::store_u64_be(bet_nonce, nonce);
  return crypto::Sha256State().finish_with(
      {server_seed_plain, crypto::bytes_or_none(client_seed), nonce, beacon_mix_id});
}

}  // namespace zt::rng
