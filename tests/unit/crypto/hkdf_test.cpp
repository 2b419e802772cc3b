// hkdf_test.cpp: HKDF-SHA256 against RFC 5869's SHA-256 vectors, the one-block
// path, and the output length limit.
#include "crypto/hkdf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>
#include <thread>
#include <vector>

#include "crypto/hmac_sha256.h"
#include "test_bytes.h"

namespace zt::crypto {
namespace {

using test::from_hex;
using test::to_hex;

std::vector<std::uint8_t> sequence(std::uint8_t first, std::size_t count) {
  std::vector<std::uint8_t> out(count);
  for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<std::uint8_t>(first + i);
  return out;
}

// RFC 5869 test case 3: no salt (empty salt keys HMAC like 32 zero bytes), no info.
TEST(Hkdf, Rfc5869Case3WithoutSalt) {
  const std::vector<std::uint8_t> ikm(22, 0x0b);
  const std::string_view okm =
      "8da4e775a563c18f715f802a063c5a31b8a11f5c5ee1879ec3454e5f3c738d2d9d201395faa4b61a96c8";
  EXPECT_EQ(to_hex(hkdf_sha256(ikm, {}, 42)), okm);
  EXPECT_EQ(to_hex(hkdf_sha256_block(ikm, {})), okm.substr(0, 64));
  // The same case split into its halves: extract with 32 zero bytes, then expand.
  const std::vector<std::uint8_t> zero_salt(32, 0);
  const Digest prk = hmac_sha256(zero_salt, {ikm});
  EXPECT_EQ(to_hex(prk), "19ef24a32c717b167f33a91d6f648bdf96596776afdb6377ac434c1c293ccb04");
  EXPECT_EQ(to_hex(hkdf_sha256_expand(prk, {}, 42)), okm);
}

// Test cases 1 and 2 carry a salt, which hkdf_sha256 never takes: their extract is
// checked as the HMAC it is defined to be, their expand through the expand half.
TEST(Hkdf, Rfc5869Cases1And2ThroughExtractAndExpand) {
  struct Case {
    std::string_view name;
    std::vector<std::uint8_t> ikm, salt, info;
    std::string_view prk, okm;
  };
  const Case cases[] = {
      {"case1", std::vector<std::uint8_t>(22, 0x0b), sequence(0x00, 13), sequence(0xf0, 10),
       "077709362c2e32df0ddc3f0dc47bba6390b6c73bb50f9c3122ec844ad7c2b3e5",
       "3cb25f25faacd57a90434f64d0362f2a2d2d0a90cf1a5a4c5db02d56ecc4c5bf34007208d5b887185865"},
      {"case2_long_inputs", sequence(0x00, 80), sequence(0x60, 80), sequence(0xb0, 80),
       "06a6b88c5853361a06104c9ceb35b45cef760014904671014a193f40c15fc244",
       "b11e398dc80327a1c8e7f78c596a49344f012eda2d4efad8a050cc4c19afa97c"
       "59045a99cac7827271cb41c65e590e09da3275600c2f09b8367793a9aca3db71"
       "cc30c58179ec3e87c14c01d5c1f3434f1d87"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Digest prk = hmac_sha256(c.salt, {c.ikm});
    EXPECT_EQ(to_hex(prk), c.prk);
    EXPECT_EQ(to_hex(hkdf_sha256_expand(prk, c.info, c.okm.size() / 2)), c.okm);
  }
}

TEST(Hkdf, BlockEqualsFirst32BytesOfAnyLongerOutput) {
  const auto ikm = sequence(0x00, 32);
  const auto info = from_hex("7a742d766c2d312e302d41 0000000000000005");
  const Digest block = hkdf_sha256_block(ikm, info);
  for (std::size_t length : {32u, 33u, 64u, 100u}) {
    SCOPED_TRACE(length);
    const auto okm = hkdf_sha256(ikm, info, length);
    ASSERT_EQ(okm.size(), length);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), okm.begin()));
  }
}

// One extract serves every block: the stream's use, info = label || block index.
TEST(Hkdf, BlocksOfOneIkmEqualSeparateDerivations) {
  const auto ikm = sequence(0x40, 32);
  const HkdfSha256Blocks blocks(ikm);
  const auto label = from_hex("7a742d766c2d312e302d41");
  for (std::uint8_t index : {0, 1, 2, 255}) {
    SCOPED_TRACE(index);
    std::vector<std::uint8_t> tail(8, 0);
    tail[7] = index;
    std::vector<std::uint8_t> info = label;
    info.insert(info.end(), tail.begin(), tail.end());
    EXPECT_EQ(blocks.block(label, tail), hkdf_sha256_block(ikm, info));
    EXPECT_EQ(blocks.block(info), hkdf_sha256_block(ikm, info));
  }
}

TEST(Hkdf, LengthLimit) {
  const auto ikm = sequence(0x00, 32);
  EXPECT_TRUE(hkdf_sha256(ikm, {}, 0).empty());
  // 8160 bytes take all 255 block counters; the output extends the shorter ones.
  const auto longest = hkdf_sha256(ikm, {}, kHkdfMaxLength);
  ASSERT_EQ(longest.size(), 8160u);
  const auto shorter = hkdf_sha256(ikm, {}, 100);
  EXPECT_TRUE(std::equal(shorter.begin(), shorter.end(), longest.begin()));
  EXPECT_DEATH((void)hkdf_sha256(ikm, {}, kHkdfMaxLength + 1),
               "HKDF expand should not fail with given length");
}

TEST(Hkdf, ConcurrentBlocksAgree) {
  const auto ikm = sequence(0x00, 32);
  const Digest expected = hkdf_sha256_block(ikm, {});
  std::vector<std::thread> threads;
  std::vector<int> mismatches(4, 0);
  for (int& count : mismatches) {
    threads.emplace_back([&ikm, &expected, &count] {
      for (int i = 0; i < 1000; ++i) count += hkdf_sha256_block(ikm, {}) != expected;
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace zt::crypto
