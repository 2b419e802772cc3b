// merkle_proof_test.cpp: the proof walk, its sides, and whole-string root comparison.
#include "merkle/merkle_proof.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "../crypto/test_bytes.h"
#include "crypto/sha256.h"

namespace zt::merkle {
namespace {

using records::Bytes;
using records::MerkleProofNode;
using records::ProofPosition;

Bytes concat(const Bytes& a, const Bytes& b) {
  std::vector<std::uint8_t> out(a.begin(), a.end());
  out.insert(out.end(), b.begin(), b.end());
  return out;
}

Bytes hash(const Bytes& data) { return crypto::sha256_bytes(data); }

const Bytes kLeaf = hash(test::bytes_of("leaf"));
const Bytes kSibling = hash(test::bytes_of("sibling"));
const Bytes kUncle = hash(test::bytes_of("uncle"));

struct ProofCase {
  std::string_view name;
  Bytes leaf;
  std::vector<MerkleProofNode> proof;
  Bytes root;
  bool expected;
};

TEST(MerkleProof, Walks) {
  const Bytes right_root = hash(concat(kLeaf, kSibling));
  const Bytes left_root = hash(concat(kSibling, kLeaf));
  const Bytes two_level_root = hash(concat(kUncle, right_root));
  const Bytes odd_sibling = test::bytes_of("not a digest");
  const Bytes short_leaf = test::from_hex("0102");
  const Bytes root_31(right_root.begin(), right_root.end() - 1);
  const Bytes root_33 = concat(right_root, Bytes{0});

  const ProofCase cases[] = {
      {"empty_proof_root_is_leaf", kLeaf, {}, kLeaf, true},
      {"empty_proof_other_root", kLeaf, {}, kSibling, false},
      {"empty_proof_root_is_leaf_prefix", kLeaf, {}, Bytes(kLeaf.begin(), kLeaf.end() - 1), false},
      {"right_sibling", kLeaf, {{kSibling, ProofPosition::right}}, right_root, true},
      {"left_sibling", kLeaf, {{kSibling, ProofPosition::left}}, left_root, true},
      {"right_sibling_claimed_left", kLeaf, {{kSibling, ProofPosition::left}}, right_root, false},
      {"left_sibling_claimed_right", kLeaf, {{kSibling, ProofPosition::right}}, left_root, false},
      {"root_31_bytes", kLeaf, {{kSibling, ProofPosition::right}}, root_31, false},
      {"root_33_bytes", kLeaf, {{kSibling, ProofPosition::right}}, root_33, false},
      {"two_levels_in_order",
       kLeaf,
       {{kSibling, ProofPosition::right}, {kUncle, ProofPosition::left}},
       two_level_root,
       true},
      {"two_levels_reversed",
       kLeaf,
       {{kUncle, ProofPosition::left}, {kSibling, ProofPosition::right}},
       two_level_root,
       false},
      {"sibling_not_32_bytes_hashed_whole",
       kLeaf,
       {{odd_sibling, ProofPosition::right}},
       hash(concat(kLeaf, odd_sibling)),
       true},
      {"leaf_not_32_bytes_hashed_whole",
       short_leaf,
       {{kSibling, ProofPosition::left}},
       hash(concat(kSibling, short_leaf)),
       true},
      {"empty_sibling", kLeaf, {{Bytes{}, ProofPosition::right}}, hash(kLeaf), true},
  };
  for (const ProofCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(verify_merkle_proof(c.leaf, c.proof, c.root), c.expected);
  }
}

// A deep proof: the running value is carried through every step.
TEST(MerkleProof, TwentyFourLevels) {
  std::vector<MerkleProofNode> proof;
  Bytes running = kLeaf;
  for (int level = 0; level < 24; ++level) {
    const Bytes sibling = hash(test::bytes_of(std::to_string(level)));
    const ProofPosition side = level % 3 == 0 ? ProofPosition::left : ProofPosition::right;
    proof.push_back({sibling, side});
    running = side == ProofPosition::left ? hash(concat(sibling, running))
                                          : hash(concat(running, sibling));
  }
  EXPECT_TRUE(verify_merkle_proof(kLeaf, proof, running));
  // Taken a step at a time, with any number of steps before the rest (more than
  // the proof has, too), the walk ends at the same root.
  for (std::size_t steps = 0; steps <= proof.size() + 2; ++steps) {
    ProofWalk walk(kLeaf, proof);
    for (std::size_t i = 0; i < steps; ++i) walk.step();
    EXPECT_TRUE(walk.reaches(running)) << steps << " steps first";
  }
  proof[11].hash[0] ^= 1;
  EXPECT_FALSE(verify_merkle_proof(kLeaf, proof, running));
}

}  // namespace
}  // namespace zt::merkle
