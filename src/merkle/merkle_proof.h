// merkle/merkle_proof.h: checks that a receipt's leaf sits under a published root.
// Safe to call from any thread; a ProofWalk belongs to one thread at a time.
#pragma once

#include <cstdint>
#include <span>

#include "crypto/sha256.h"
#include "records/records.h"

namespace zt::merkle {

// verify_merkle_proof: walks |proof| from |leaf| (sibling on the right: running
// value then hash; on the left: hash then running value; SHA-256 of each step) and
// returns whether the result equals |root| in length and bytes.
bool verify_merkle_proof(std::span<const std::uint8_t> leaf,
                         std::span<const records::MerkleProofNode> proof,
                         std::span<const std::uint8_t> root);

// ProofWalk: the same walk taken a step at a time. Each step's hash needs the one
// before, so a caller can do independent hashing between steps, and the CPU runs
// both at once; the result is the same as verify_merkle_proof's.
class ProofWalk {
 public:
  ProofWalk(std::span<const std::uint8_t> leaf, std::span<const records::MerkleProofNode> proof);
  ProofWalk(const ProofWalk&) = delete;
  ProofWalk& operator=(const ProofWalk&) = delete;

  // step: takes the next step, if any is left.
  void step();
  // reaches: takes the steps left and says whether the walk ends at |root|.
  bool reaches(std::span<const std::uint8_t> root);
  // running: the value so far, the leaf until the first step.
  std::span<const std::uint8_t> running() const { return running_; }

 private:
  std::span<const records::MerkleProofNode> rest_;
  crypto::Digest running_digest_;
  std::span<const std::uint8_t> running_;  // the leaf until the first step
};

}  // namespace zt::merkle
