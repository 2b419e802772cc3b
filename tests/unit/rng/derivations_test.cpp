// derivations_test.cpp: the beacon mix identifier and the rng entropy material.
#include "rng/derivations.h"

#include <gtest/gtest.h>

#include "../crypto/test_bytes.h"

namespace zt::rng {
namespace {

using test::from_hex;
using test::to_hex;

TEST(BeaconMix, ValuesHashedInKeyOrderWithoutKeys) {
  records::BeaconValues beacons;
  beacons.emplace("b", from_hex("02"));
  beacons.emplace("a", from_hex("01"));
  EXPECT_EQ(to_hex(compute_beacon_mix_id(beacons)), to_hex(crypto::sha256(from_hex("0102"))));
  EXPECT_EQ(to_hex(compute_beacon_mix_id({})),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

TEST(BeaconMix, KeyOrderIsByteOrder) {
  // "a" is a prefix of "ab" and sorts first; upper case sorts before lower case.
  records::BeaconValues beacons;
  beacons.emplace("ab", from_hex("03"));
  beacons.emplace("a", from_hex("02"));
  beacons.emplace("B", from_hex("01"));
  EXPECT_EQ(compute_beacon_mix_id(beacons), crypto::sha256(from_hex("010203")));
}

TEST(BeaconMix, AnyNumberAndLengthOfValuesIsTheDigestOfTheirConcatenation) {
  // Up to seven values are hashed from where they lie and longer lists through
  // updates; both ways, and values too long to frame at once, give the same digest.
  for (const std::size_t value_bytes : {1, 32, 60}) {
    for (std::size_t count = 0; count <= 9; ++count) {
      records::BeaconValues beacons;
      std::vector<std::uint8_t> concatenation;
      for (std::size_t i = 0; i < count; ++i) {
        const records::Bytes value(value_bytes, static_cast<std::uint8_t>(i + 1));
        beacons.emplace("beacon-" + std::to_string(i), value);
        concatenation.insert(concatenation.end(), value.begin(), value.end());
      }
      EXPECT_EQ(compute_beacon_mix_id(beacons), crypto::sha256(concatenation))
          << count << " values of " << value_bytes << " bytes";
    }
  }
}

TEST(RngEntropy, MaterialLayout) {
  const auto seed = from_hex("5eed");
  const crypto::Digest mix = crypto::sha256(from_hex("0102"));
  // sha256(seed || client seed || nonce as 8 big-endian bytes || mix)
  EXPECT_EQ(to_hex(compute_rng_entropy(seed, from_hex("c1"), 7, mix)),
            "9c05c74a81088219c69334665bfb36a0f96d892a8073e2916e58138c61adc632");
  EXPECT_EQ(to_hex(compute_rng_entropy(seed, std::nullopt, 7, mix)),
            "9b965c2d8df8933e13d0a2ce1c1f0e33899894689332c35027636765a677402c");
  EXPECT_EQ(compute_rng_entropy(seed, records::Bytes{}, 7, mix),
            compute_rng_entropy(seed, std::nullopt, 7, mix));
  EXPECT_NE(compute_rng_entropy(seed, std::nullopt, 8, mix),
            compute_rng_entropy(seed, std::nullopt, 7, mix));
}

}  // namespace
}  // namespace zt::rng
