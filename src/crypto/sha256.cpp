// sha256.cpp: SHA-256 through OpenSSL's SHA256_* functions. They run the same
// assembly (SHA extensions where the CPU has them) as the EVP interface but
// without its per-call dispatch, which for the 32- to 200-byte messages of a bet
// costs more than the compressions themselves; their state is a plain struct that
// can be copied. OpenSSL 3 marks them deprecated in favour of EVP, hence the
// suppression, confined to this file.
//
// A bet's hashes are short chains (a Merkle step feeds the next), where the
// buffering and padding of SHA256_Final sit on the critical path. So the last
// blocks of a short message, and both blocks of a Merkle step, are framed here and
// handed to SHA256_Update as whole blocks, which it passes straight to the block
// function; the digest is then read from the state. The compressions stay
// OpenSSL's.
#define OPENSSL_SUPPRESS_DEPRECATED
#include "crypto/sha256.h"

#include <openssl/sha.h>

#include <bit>
#include <cstring>

namespace zt::crypto {
namespace {

// Digests and lengths are written with byte swaps, which assumes a little-endian machine.
static_assert(std::endian::native == std::endian::little);
static_assert(sizeof(SHA256_CTX) <= sizeof(std::array<unsigned char, 112>));
static_assert(alignof(SHA256_CTX) <= 8);

SHA256_CTX* as_context(unsigned char* storage) { return reinterpret_cast<SHA256_CTX*>(storage); }
const SHA256_CTX* as_context(const unsigned char* storage) {
  return reinterpret_cast<const SHA256_CTX*>(storage);
}

// The padding block of a 64-byte message: 0x80, zeros, and its length in bits (512)
// as a big-endian 64-bit number.
alignas(16) constexpr std::array<unsigned char, kSha256BlockBytes> kPaddingOf64Bytes = [] {
  std::array<unsigned char, kSha256BlockBytes> block{};
  block[0] = 0x80;
  block[kSha256BlockBytes - 2] = 0x02;  // 512 = 0x0200
  return block;
}();

// store_digest: the chaining state as the digest's bytes, each word big-endian,
// written eight bytes at a time.
void store_digest(const SHA_LONG (&h)[8], Digest& out) {
  for (std::size_t i = 0; i < 8; i += 2) {
    const std::uint64_t words =
        std::uint64_t{__builtin_bswap32(h[i])} | std::uint64_t{__builtin_bswap32(h[i + 1])} << 32;
    std::memcpy(out.data() + 4 * i, &words, sizeof words);
  }
}

// A fresh state as SHA256_Init leaves it (the standard initial hash value, nothing
// absorbed); copying it costs less than the call.
constexpr SHA256_CTX kFreshContext{
    .h = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab,
          0x5be0cd19},
    .Nl = 0,
    .Nh = 0,
    .data = {},
    .num = 0,
    .md_len = SHA256_DIGEST_LENGTH,
};

// copy_part: a memcpy for the short parts of a message, done inline with
// overlapping word copies instead of a library call for each part.
void copy_part(unsigned char* to, const std::uint8_t* from, std::size_t size) {
  if (size >= 16) {
    for (std::size_t at = 0; at + 16 < size; at += 16) std::memcpy(to + at, from + at, 16);
    std::memcpy(to + size - 16, from + size - 16, 16);
  } else if (size >= 8) {
    std::memcpy(to, from, 8);
    std::memcpy(to + size - 8, from + size - 8, 8);
  } else if (size >= 4) {
    std::memcpy(to, from, 4);
    std::memcpy(to + size - 4, from + size - 4, 4);
  } else if (size != 0) {
    to[0] = from[0];
    to[size / 2] = from[size / 2];
    to[size - 1] = from[size - 1];
  }
}

}  // namespace

// SHA256_Update and SHA256_Final cannot fail for these arguments.
Sha256State::Sha256State() { std::memcpy(context_.data(), &kFreshContext, sizeof kFreshContext); }

void Sha256State::update(std::span<const std::uint8_t> data) {
  if (!data.empty()) SHA256_Update(as_context(context_.data()), data.data(), data.size());
}

Digest Sha256State::finish() const {
  alignas(8) std::array<unsigned char, 112> copy;
  std::memcpy(copy.data(), context_.data(), copy.size());
  Digest out;
  SHA256_Final(out.data(), as_context(copy.data()));
  return out;
}

Digest Sha256State::finish_with(std::initializer_list<std::span<const std::uint8_t>> parts) const {
  return finish_with(std::span(parts.begin(), parts.size()));
}

Digest Sha256State::finish_with(std::span<const std::span<const std::uint8_t>> parts) const {
  constexpr std::size_t kLengthBytes = 8;
  constexpr std::size_t kMostBlocks = 4;
  const SHA256_CTX& absorbed = *as_context(context_.data());
  std::size_t tail = 0;
  for (const auto part : parts) tail += part.size();
  if (absorbed.num != 0 || tail + 1 + kLengthBytes > kMostBlocks * kSha256BlockBytes) {
    Sha256State state = *this;
    for (const auto part : parts) state.update(part);
    return state.finish();
  }
  // The last blocks: the parts, 0x80, zeros, and the message's length in bits as
  // a big-endian 64-bit number (OpenSSL counts the absorbed bits in Nh:Nl).
  const std::size_t size =
      (tail + 1 + kLengthBytes + kSha256BlockBytes - 1) / kSha256BlockBytes * kSha256BlockBytes;
  // Zeroed a block at a time: a fixed 64 bytes compiles to a few vector stores,
  // where a longer or variable size becomes a string instruction with a start-up
  // cost on every call.
  alignas(16) unsigned char blocks[kMostBlocks * kSha256BlockBytes];
  for (std::size_t block = 0; block < size; block += kSha256BlockBytes) {
    std::memset(blocks + block, 0, kSha256BlockBytes);
  }
  std::size_t at = 0;
  for (const auto part : parts) {
    copy_part(blocks + at, part.data(), part.size());
    at += part.size();
  }
  blocks[at] = 0x80;
  const std::uint64_t bits =
      ((std::uint64_t{absorbed.Nh} << 32) | absorbed.Nl) + std::uint64_t{tail} * 8;
  const std::uint64_t big_endian_bits = __builtin_bswap64(bits);
  std::memcpy(blocks + size - kLengthBytes, &big_endian_bits, kLengthBytes);
  SHA256_CTX context = absorbed;
  // Whole blocks with nothing buffered go straight to the block function.
  SHA256_Update(&context, blocks, size);
  Digest out;
  store_digest(context.h, out);
  return out;
}

// Not OpenSSL's SHA256(): in OpenSSL 3 it looks the algorithm up on every call.
Digest sha256(std::span<const std::uint8_t> data) { return Sha256State().finish_with({data}); }

Digest sha256_pair(std::span<const std::uint8_t, kSha256Bytes> first,
                   std::span<const std::uint8_t, kSha256Bytes> second) {
  alignas(16) unsigned char blocks[2 * kSha256BlockBytes];
  std::memcpy(blocks, first.data(), first.size());
  std::memcpy(blocks + kSha256Bytes, second.data(), second.size());
  std::memcpy(blocks + kSha256BlockBytes, kPaddingOf64Bytes.data(), kSha256BlockBytes);
  SHA256_CTX context = kFreshContext;
  // Whole blocks with nothing buffered go straight to the block function.
  SHA256_Update(&context, blocks, sizeof blocks);
  Digest out;
  store_digest(context.h, out);
  return out;
}

std::vector<std::uint8_t> sha256_bytes(std::span<const std::uint8_t> data) {
  const Digest digest = sha256(data);
  return {digest.begin(), digest.end()};
}

}  // namespace zt::crypto
