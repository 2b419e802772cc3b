// merkle/merkle_proof.h: checks that a receipt's leaf sits under a published root.
// A pure function; safe to call from any thread.
#pragma once

#include <cstdint>
#include <span>

#include "records/records.h"

namespace zt::merkle {

// verify_merkle_proof: walks |proof| from |leaf| (sibling on the right: running
// value then hash; on the left: hash then running value; SHA-256 of each step) and
// returns whether the result equals |root| in length and bytes.
bool verify_merkle_proof(std::span<const std::uint8_t> leaf,
                         std::span<const records::MerkleProofNode> proof,
                         std::span<const std::uint8_t> root);

}  // namespace zt::merkle
