// sha256_test.cpp: SHA-256 and HMAC-SHA256 against published vectors, and hashing
// from several threads at once.
#include "crypto/sha256.h"

#include <gtest/gtest.h>

#include <string_view>
#include <thread>
#include <vector>

#include "crypto/hmac_sha256.h"
#include "test_bytes.h"

namespace zt::crypto {
namespace {

using test::bytes_of;
using test::from_hex;
using test::to_hex;

struct Sha256Case {
  std::string_view name;
  std::vector<std::uint8_t> input;
  std::string_view digest;
};

TEST(Sha256, PublishedVectors) {
  const Sha256Case cases[] = {
      {"empty", {}, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", bytes_of("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"two_blocks_after_padding",
       bytes_of("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
  };
  for (const Sha256Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(to_hex(sha256(c.input)), c.digest);
    const std::vector<std::uint8_t> owned = sha256_bytes(c.input);
    EXPECT_EQ(to_hex(owned), c.digest);
  }
}

// RFC 4231 test cases 1, 2 and 6 (a key longer than one block is hashed first).
TEST(HmacSha256, Rfc4231Vectors) {
  const std::vector<std::uint8_t> long_key(131, 0xaa);
  const std::vector<std::uint8_t> key_0b(20, 0x0b);
  EXPECT_EQ(to_hex(hmac_sha256(key_0b, {bytes_of("Hi There")})),
            "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7");
  EXPECT_EQ(to_hex(hmac_sha256(bytes_of("Jefe"), {bytes_of("what do ya want for nothing?")})),
            "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
  EXPECT_EQ(to_hex(hmac_sha256(long_key, {bytes_of("Test Using Larger Than Block-Size Key - "
                                                   "Hash Key First")})),
            "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54");
}

TEST(HmacSha256, MessagePartsAreConcatenated) {
  const auto key = bytes_of("Jefe");
  const auto whole = hmac_sha256(key, {bytes_of("what do ya want for nothing?")});
  EXPECT_EQ(hmac_sha256(key, {bytes_of("what do ya "), {}, bytes_of("want for nothing?")}), whole);
}

TEST(Sha256, ConcurrentCallsAgree) {
  const auto input = bytes_of("abc");
  const Digest expected = sha256(input);
  std::vector<std::thread> threads;
  std::vector<int> mismatches(4, 0);
  for (int& count : mismatches) {
    threads.emplace_back([&input, &expected, &count] {
      for (int i = 0; i < 2000; ++i) count += sha256(input) != expected;
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace zt::crypto
