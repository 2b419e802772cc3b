// merkle_proof.cpp: the walk from a leaf up its proof to the root. Each step hashes
// its two halves straight from where they lie, without copying them together.
#include "merkle/merkle_proof.h"

#include "crypto/bytes.h"
#include "crypto/sha256.h"

namespace zt::merkle {
namespace {

// hash_step: the hash of one proof step. Two digests, the usual case, take the
// one-call pair hash; halves of any other length are hashed as they are.
crypto::Digest hash_step(std::span<const std::uint8_t> running,
                         const records::MerkleProofNode& node) {
  const bool sibling_on_the_right = node.position == records::ProofPosition::right;
  if (running.size() == crypto::kSha256Bytes && node.hash.size() == crypto::kSha256Bytes) {
    const std::span<const std::uint8_t, crypto::kSha256Bytes> mine(running.data(), running.size());
    const std::span<const std::uint8_t, crypto::kSha256Bytes> sibling(node.hash.data(),
                                                                      node.hash.size());
    return sibling_on_the_right ? crypto::sha256_pair(mine, sibling)
                                : crypto::sha256_pair(sibling, mine);
  }
  crypto::Sha256State hash;
  if (sibling_on_the_right) {
    hash.update(running);
    hash.update(node.hash);
  } else {
    hash.update(node.hash);
    hash.update(running);
  }
  return hash.finish();
}

}  // namespace

bool verify_merkle_proof(std::span<const std::uint8_t> leaf,
                         std::span<const records::MerkleProofNode> proof,
                         std::span<const std::uint8_t> root) {
  return ProofWalk(leaf, proof).reaches(root);
}

ProofWalk::ProofWalk(std::span<const std::uint8_t> leaf,
                     std::span<const records::MerkleProofNode> proof)
    : rest_(proof), running_(leaf) {}

void ProofWalk::step() {
  if (rest_.empty()) return;
  running_digest_ = hash_step(running_, rest_.front());
  running_ = running_digest_;
  rest_ = rest_.subspan(1);
}

bool ProofWalk::reaches(std::span<const std::uint8_t> root) {
  while (!rest_.empty()) step();
  return crypto::same_bytes(running_, root);
}

}  // namespace zt::merkle
