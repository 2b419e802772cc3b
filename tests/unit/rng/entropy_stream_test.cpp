// entropy_stream_test.cpp: block derivation on demand, block boundaries, and that
// the stream does not depend on how reads are split.
#include "rng/entropy_stream.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "../crypto/test_bytes.h"
#include "crypto/hkdf.h"

namespace zt::rng {
namespace {

using test::from_hex;
using test::to_hex;

crypto::Digest test_key() {
  crypto::Digest key;
  for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(i);
  return key;
}

std::vector<std::uint8_t> read(EntropyStream& stream, std::size_t n) {
  std::vector<std::uint8_t> out(n);
  stream.fill_bytes(out);
  return out;
}

// Block k of the stream: HKDF(key, "zt-vl-1.0-A" || k as 8 big-endian bytes, 32).
std::vector<std::uint8_t> expected_block(std::string_view counter_hex) {
  const auto key = test_key();
  auto info = test::bytes_of("zt-vl-1.0-A");
  const auto counter = from_hex(counter_hex);
  info.insert(info.end(), counter.begin(), counter.end());
  return crypto::hkdf_sha256(key, info, 32);
}

TEST(EntropyStream, KnownBytes) {
  EntropyStream stream(test_key());
  EXPECT_EQ(to_hex(read(stream, 40)),
            "638257993399188feef07b6e5bd4b883c5ca8fa03ad296a2892c5f3417003711"
            "8894e7f55e2c8614");
}

TEST(EntropyStream, BlocksDerivedOnlyWhenNeeded) {
  EntropyStream stream(test_key());
  EXPECT_EQ(stream.counter(), 0u);
  EXPECT_EQ(stream.offset(), 32u);

  EXPECT_TRUE(read(stream, 0).empty());
  EXPECT_EQ(stream.counter(), 0u);
  EXPECT_EQ(stream.offset(), 32u);

  EXPECT_EQ(read(stream, 32), expected_block("0000000000000000"));
  EXPECT_EQ(stream.counter(), 1u);
  EXPECT_EQ(stream.offset(), 32u);

  const auto block_1 = expected_block("0000000000000001");
  EXPECT_EQ(read(stream, 1), std::vector(block_1.begin(), block_1.begin() + 1));
  EXPECT_EQ(stream.counter(), 2u);
  EXPECT_EQ(stream.offset(), 1u);
}

TEST(EntropyStream, ReadSpanningTwoBlocks) {
  EntropyStream stream(test_key());
  const auto bytes = read(stream, 40);
  auto expected = expected_block("0000000000000000");
  const auto block_1 = expected_block("0000000000000001");
  expected.insert(expected.end(), block_1.begin(), block_1.begin() + 8);
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(stream.counter(), 2u);
  EXPECT_EQ(stream.offset(), 8u);
}

TEST(EntropyStream, IndependentOfReadSplits) {
  EntropyStream whole_stream(test_key());
  const auto whole = read(whole_stream, 100);
  const std::vector<std::vector<std::size_t>> splits = {
      {8, 8, 8, 8, 68}, {1, 31, 1, 67}, {33, 0, 33, 34}, {31, 2, 64, 3}, {99, 1}};
  for (const auto& split : splits) {
    EntropyStream stream(test_key());
    std::vector<std::uint8_t> joined;
    for (std::size_t n : split) {
      const auto part = read(stream, n);
      joined.insert(joined.end(), part.begin(), part.end());
    }
    EXPECT_EQ(joined, whole) << "split starting with " << split.front();
    EXPECT_EQ(stream.counter(), 4u);
    EXPECT_EQ(stream.offset(), 4u);
  }
}

}  // namespace
}  // namespace zt::rng
