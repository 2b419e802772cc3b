// merkle_proof.cpp: the walk from a leaf up its proof to the root. Each step hashes
// its two halves straight from where they lie, without copying them together.
#include "merkle/merkle_proof.h"

#include "crypto/bytes.h"
#include "crypto/sha256.h"

namespace zt::merkle {

bool verify_merkle_proof(std::span<const std::uint8_t> leaf,
                         std::span<const records::MerkleProofNode> proof,
                         std::span<const std::uint8_t> root) {
  crypto::Digest running_digest;
  std::span<const std::uint8_t> running = leaf;
  for (const records::MerkleProofNode& node : proof) {
    crypto::Sha256State step;
    if (node.position == records::ProofPosition::right) {
      step.update(running);
      step.update(node.hash);
    } else {
      step.update(node.hash);
      step.update(running);
    }
    running_digest = step.finish();
    running = running_digest;
  }
  return crypto::same_bytes(running, root);
}

}  // namespace zt::merkle
