// merkle_proof.cpp: the walk from a leaf up its proof to the root. One step buffer
// is reused for every node, so a proof costs one allocation however long it is.
#include "merkle/merkle_proof.h"

#include <vector>

#include "crypto/bytes.h"
#include "crypto/sha256.h"

namespace zt::merkle {

bool verify_merkle_proof(std::span<const std::uint8_t> leaf,
                         std::span<const records::MerkleProofNode> proof,
                         std::span<const std::uint8_t> root) {
  crypto::Digest running_digest;
  std::span<const std::uint8_t> running = leaf;
  std::vector<std::uint8_t> step;
  for (const records::MerkleProofNode& node : proof) {
    step.clear();
    if (node.position == records::ProofPosition::right) {
      crypto::append_bytes(step, running);
      crypto::append_bytes(step, node.hash);
    } else {
      crypto::append_bytes(step, node.hash);
      crypto::append_bytes(step, running);
    }
    running_digest = crypto::sha256(step);
    running = running_digest;
  }
  return crypto::same_bytes(running, root);
}

}  // namespace zt::merkle
