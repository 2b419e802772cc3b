// crypto/commitment_leaf.h: the canonical bytes of a bet commitment and their
// SHA-256, the bet's Merkle leaf. The byte layout is a wire format operators reproduce.
#pragma once

#include <cstdint>
#include <vector>

#include "crypto/sha256.h"
#include "records/records.h"

namespace zt::crypto {

// commitment_leaf_bytes: the ten fields concatenated in declared order, integers
// as 8 big-endian bytes, an absent client seed contributing nothing.
std::vector<std::uint8_t> commitment_leaf_bytes(const records::BetCommitment& commitment);
Digest commitment_leaf_hash(const records::BetCommitment& commitment);

}  // namespace zt::crypto
