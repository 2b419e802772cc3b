// sha256_test.cpp: SHA-256 and HMAC-SHA256 against published vectors, and hashing
// from several threads at once.
#include "crypto/sha256.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <span>
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

// The padding and length are framed here around OpenSSL's compression function:
// every length up to five blocks, whole and in pieces, against OpenSSL's own
// one-shot digest.
TEST(Sha256, EveryLengthMatchesOpenSslsDigest) {
  std::vector<std::uint8_t> message(320);
  for (std::size_t i = 0; i < message.size(); ++i)
    message[i] = static_cast<std::uint8_t>(i * 13 + 5);
  for (std::size_t length = 0; length <= message.size(); ++length) {
    SCOPED_TRACE(length);
    const std::span<const std::uint8_t> whole = std::span(message).first(length);
    Digest expected;
    ASSERT_EQ(
        EVP_Digest(whole.data(), whole.size(), expected.data(), nullptr, EVP_sha256(), nullptr), 1);
    EXPECT_EQ(sha256(whole), expected);
    Sha256State in_pieces;
    for (std::size_t at = 0, piece = 1; at < length; at += piece, piece = piece * 2 % 97 + 1) {
      in_pieces.update(whole.subspan(at, std::min(piece, length - at)));
    }
    EXPECT_EQ(in_pieces.finish(), expected);
  }
}

// finish_with builds the last block itself when the state holds whole blocks and
// the tail fits: every absorbed length around a block boundary, every tail length
// on both sides of the 55-byte limit, in two parts, against OpenSSL's digest.
TEST(Sha256State, FinishWithMatchesOpenSslsDigestOfTheWholeMessage) {
  std::vector<std::uint8_t> message(260);
  for (std::size_t i = 0; i < message.size(); ++i)
    message[i] = static_cast<std::uint8_t>(i * 29 + 3);
  const std::span<const std::uint8_t> whole(message);
  for (std::size_t absorbed : {0u, 1u, 55u, 63u, 64u, 65u, 128u}) {
    Sha256State state;
    state.update(whole.first(absorbed));
    for (std::size_t tail = 0; tail <= 120; ++tail) {
      SCOPED_TRACE(testing::Message() << "absorbed " << absorbed << ", tail " << tail);
      const auto both = whole.first(absorbed + tail);
      Digest expected;
      ASSERT_EQ(EVP_Digest(both.data(), both.size(), expected.data(), nullptr, EVP_sha256(),
                           nullptr),
                1);
      const auto rest = whole.subspan(absorbed, tail);
      EXPECT_EQ(state.finish_with({rest.first(tail / 3), rest.subspan(tail / 3)}), expected);
    }
    EXPECT_EQ(state.finish(), sha256(whole.first(absorbed))) << "the state is left as it was";
  }
}

// A Merkle step's hash of two 32-byte halves is the digest of their concatenation.
TEST(Sha256, PairIsTheDigestOfBothHalves) {
  for (const std::uint8_t seed : {0x00, 0x5a, 0xff}) {
    std::array<std::uint8_t, 64> halves;
    for (std::size_t i = 0; i < halves.size(); ++i)
      halves[i] = static_cast<std::uint8_t>(seed ^ (i * 37));
    const std::span<const std::uint8_t, 64> both(halves);
    EXPECT_EQ(sha256_pair(both.first<32>(), both.last<32>()), sha256(both));
  }
}

// A message fed in two pieces split anywhere, around block and padding boundaries
// included, hashes as a whole; a copied state resumes on its own.
TEST(Sha256State, PiecesAndCopiesHashAsTheWholeMessage) {
  std::vector<std::uint8_t> message(200);
  for (std::size_t i = 0; i < message.size(); ++i) message[i] = static_cast<std::uint8_t>(i * 7);
  const std::span<const std::uint8_t> whole(message);
  for (std::size_t split : {0u, 1u, 55u, 56u, 63u, 64u, 65u, 119u, 120u, 128u, 199u, 200u}) {
    SCOPED_TRACE(split);
    Sha256State state;
    state.update(whole.first(split));
    const Sha256State saved = state;
    state.update(whole.subspan(split));
    EXPECT_EQ(state.finish(), sha256(whole));
    EXPECT_EQ(state.finish(), sha256(whole)) << "finish leaves the state as it was";
    EXPECT_EQ(saved.finish(), sha256(whole.first(split)));
    Sha256State resumed = saved;
    resumed.update(whole.subspan(split, (200 - split) / 2));
    EXPECT_EQ(resumed.finish(), sha256(whole.first(split + (200 - split) / 2)));
  }
}

TEST(HmacSha256Key, OneKeyManyMessages) {
  const auto key = bytes_of("Jefe");
  const HmacSha256Key prepared(key);
  for (std::string_view message : {"", "what do ya want for nothing?", "a", "another message"}) {
    SCOPED_TRACE(message);
    EXPECT_EQ(prepared.mac({bytes_of(message)}), hmac_sha256(key, {bytes_of(message)}));
  }
  EXPECT_EQ(to_hex(prepared.mac({bytes_of("what do ya want for nothing?")})),
            "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
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
