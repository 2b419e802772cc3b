// ed25519_test.cpp: public key point decoding and signature verification against
// RFC 8032 vectors and hand-made keys.
#include "gdp/loader/ed25519.h"

#include <gtest/gtest.h>

#include "gdp/loader/package_hex.h"

namespace zt::gdp::loader {
namespace {

Bytes hex(std::string_view text) { return decode_package_hex(text).value(); }

std::span<const std::uint8_t, kEd25519KeyBytes> key_of(const Bytes& bytes) {
  return std::span<const std::uint8_t, kEd25519KeyBytes>(bytes.data(), kEd25519KeyBytes);
}

std::span<const std::uint8_t, kEd25519SignatureBytes> signature_of(const Bytes& bytes) {
  return std::span<const std::uint8_t, kEd25519SignatureBytes>(bytes.data(),
                                                               kEd25519SignatureBytes);
}

TEST(Ed25519, PointDecoding) {
  const std::pair<std::string_view, bool> cases[] = {
      {"5866666666666666666666666666666666666666666666666666666666666666", true},  // base point
      {"d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a", true},
      {"0100000000000000000000000000000000000000000000000000000000000000", true},  // identity
      // y = p + 1 is taken modulo p: the identity again, in non-canonical form.
      {"eeffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f", true},
      {"ecffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f", true},  // (0, -1)
      // x = 0 with the sign bit set decodes: an x exists, and the sign is not checked.
      {"0100000000000000000000000000000000000000000000000000000000000080", true},
      {"ecffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff", true},
      // y = 2: (y^2 - 1) / (d y^2 + 1) is not a square.
      {"0200000000000000000000000000000000000000000000000000000000000000", false},
  };
  for (const auto& [key, is_point] : cases) {
    SCOPED_TRACE(key);
    const Bytes bytes = hex(key);
    EXPECT_EQ(decodes_to_point(key_of(bytes)), is_point);
  }
}

TEST(Ed25519, VerifiesRfc8032VectorsAndNothingElse) {
  const Bytes key1 = hex("d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a");
  const Bytes sig1 = hex(
      "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901555fb8821590a33bacc61e39701cf9"
      "b46bd25bf5f0595bbe24655141438e7a100b");
  const Bytes key2 = hex("3d4017c3e843895a92b70aa74d1b7ebc9c982ccf2ec4968cc0cd55f12af4660c");
  const Bytes sig2 = hex(
      "92a009a9f0d4cab8720e820b5f642540a2b27b5416503f8fb3762223ebdb69da085ac1e43e15996e458f3613d0f1"
      "1d8c387b2eaeb4302aeeb00d291612bb0c00");
  const Bytes empty;
  const Bytes message2{0x72};
  EXPECT_TRUE(verify_ed25519(key_of(key1), signature_of(sig1), empty));
  EXPECT_TRUE(verify_ed25519(key_of(key2), signature_of(sig2), message2));

  EXPECT_FALSE(verify_ed25519(key_of(key1), signature_of(sig1), message2));
  EXPECT_FALSE(verify_ed25519(key_of(key2), signature_of(sig2), empty));
  EXPECT_FALSE(verify_ed25519(key_of(key2), signature_of(sig1), empty));
  // The same signature with S + L: equal modulo L, but S must be below L.
  const Bytes sig1_s_plus_order = hex(
      "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901554c8c7872aa064e049dbb3013fbf2"
      "9380d25bf5f0595bbe24655141438e7a101b");
  EXPECT_FALSE(verify_ed25519(key_of(key1), signature_of(sig1_s_plus_order), empty));
}

TEST(Ed25519, IdentityKeyWithSignBitVerifiesAsUsual) {
  // A = (0, 1) with the sign bit set. [S]B - [k]A = [S]B whatever the message, so
  // R = B with S = 1 verifies, and R = B with S = 2 does not.
  const Bytes key = hex("0100000000000000000000000000000000000000000000000000000000000080");
  const std::string base = "5866666666666666666666666666666666666666666666666666666666666666";
  const Bytes good = hex(base + "01" + std::string(62, '0'));
  const Bytes bad = hex(base + "02" + std::string(62, '0'));
  const Bytes message{'g', 'd', 'p'};
  EXPECT_TRUE(verify_ed25519(key_of(key), signature_of(good), message));
  EXPECT_FALSE(verify_ed25519(key_of(key), signature_of(bad), message));
}

}  // namespace
}  // namespace zt::gdp::loader
