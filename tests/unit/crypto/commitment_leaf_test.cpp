// commitment_leaf_test.cpp: the canonical commitment bytes, byte for byte, and the
// leaf digest over them.
#include "crypto/commitment_leaf.h"

#include <gtest/gtest.h>

#include "test_bytes.h"

namespace zt::crypto {
namespace {

using test::from_hex;
using test::to_hex;

records::BetCommitment example_commitment() {
  records::BetCommitment c;
  c.session_id = "s1";
  c.bet_nonce = 7;
  c.stake = "10";
  c.gdp_id = "g";
  c.rng_id = "r";
  c.rng_params_commit = from_hex("ab");
  c.server_seed_commit = from_hex("cd");
  c.client_seed = std::nullopt;
  c.beacon_plan_id = "p";
  c.timestamp_ms = 1000;
  return c;
}

TEST(CommitmentLeaf, CanonicalBytesOfTheExample) {
  const records::BetCommitment c = example_commitment();
  EXPECT_EQ(to_hex(commitment_leaf_bytes(c)),
            "7331"              // session_id
            "0000000000000007"  // bet_nonce
            "3130"
            "67"
            "72"  // stake, gdp_id, rng_id
            "ab"
            "cd"                  // rng_params_commit, server_seed_commit; no client seed
            "70"                  // beacon_plan_id
            "00000000000003e8");  // timestamp_ms
  EXPECT_EQ(to_hex(commitment_leaf_hash(c)),
            "21428ff19624e342a4f49676a8456613356f559cd1b25a7c3163da23f3d2ee2a");
}

TEST(CommitmentLeaf, ClientSeedAndIntegers) {
  records::BetCommitment c = example_commitment();
  c.client_seed = from_hex("c0ffee");
  c.bet_nonce = 1;
  c.timestamp_ms = 0;
  EXPECT_EQ(to_hex(commitment_leaf_bytes(c)),
            "7331"
            "0000000000000001"
            "3130"
            "67"
            "72"
            "ab"
            "cd"
            "c0ffee"
            "70"
            "0000000000000000");
  c.bet_nonce = 0xffffffffffffffff;
  c.stake.clear();
  c.client_seed.reset();
  EXPECT_EQ(to_hex(commitment_leaf_bytes(c)),
            "7331"
            "ffffffffffffffff"
            "67"
            "72"
            "ab"
            "cd"
            "70"
            "0000000000000000");
}

// The layout has no separators, so these pairs are the same bytes and the same leaf.
TEST(CommitmentLeaf, CollidingLayouts) {
  records::BetCommitment absent = example_commitment();
  records::BetCommitment empty = example_commitment();
  empty.client_seed = records::Bytes{};
  EXPECT_EQ(commitment_leaf_bytes(absent), commitment_leaf_bytes(empty));
  EXPECT_EQ(commitment_leaf_hash(absent), commitment_leaf_hash(empty));

  records::BetCommitment short_stake = example_commitment();
  short_stake.stake = "10";
  short_stake.gdp_id = "0g";
  records::BetCommitment long_stake = example_commitment();
  long_stake.stake = "100";
  long_stake.gdp_id = "g";
  EXPECT_EQ(commitment_leaf_bytes(short_stake), commitment_leaf_bytes(long_stake));
  EXPECT_EQ(commitment_leaf_hash(short_stake), commitment_leaf_hash(long_stake));
}

}  // namespace
}  // namespace zt::crypto
