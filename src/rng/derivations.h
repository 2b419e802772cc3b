// rng/derivations.h: the beacon mix identifier and the rng entropy of a bet.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "crypto/sha256.h"
#include "records/records.h"

namespace zt::rng {

// compute_beacon_mix_id: SHA-256 of the beacon values concatenated in key order.
crypto::Digest compute_beacon_mix_id(const records::BeaconValues& beacon_values);

// compute_rng_entropy: SHA-256 of server seed, client seed (when present), the
// nonce as 8 big-endian bytes and the beacon mix identifier.
crypto::Digest compute_rng_entropy(std::span<const std::uint8_t> server_seed_plain,
                                   const std::optional<records::Bytes>& client_seed,
                                   std::uint64_t bet_nonce, const crypto::Digest& beacon_mix_id);

}  // namespace zt::rng
