// crypto/sha256.h: SHA-256 over OpenSSL. Sha256State hashes a message given in
// pieces and is a plain value: a copy of a state that has absorbed some input
// saves that work (HMAC keeps its key pads this way). Safe to use from any thread;
// one state belongs to one thread at a time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

namespace zt::crypto {

inline constexpr std::size_t kSha256Bytes = 32;
inline constexpr std::size_t kSha256BlockBytes = 64;
using Digest = std::array<std::uint8_t, kSha256Bytes>;

class Sha256State {
 public:
  Sha256State();

  void update(std::span<const std::uint8_t> data);
  // finish: the digest of everything absorbed so far; the state itself is left as
  // it was, so it can be finished again or absorb more.
  Digest finish() const;
  // finish_with: the digest of everything absorbed followed by |parts|, the state
  // again left as it was. When the state holds whole blocks only and the parts
  // with their padding fill at most four blocks (247 bytes), those blocks are
  // built here and go to OpenSSL's block function in one call, as the blocks of a
  // long message do: a short message, or HMAC's two hashes, cost their
  // compressions and little more.
  Digest finish_with(std::initializer_list<std::span<const std::uint8_t>> parts) const;
  Digest finish_with(std::span<const std::span<const std::uint8_t>> parts) const;

 private:
  // OpenSSL's SHA256_CTX, kept opaque so that OpenSSL stays out of this header.
  alignas(8) std::array<unsigned char, 112> context_;
};

Digest sha256(std::span<const std::uint8_t> data);
// sha256_pair: the digest of |first| followed by |second|, a Merkle step. The
// 64-byte message and its fixed padding block go to OpenSSL's block function in
// one call, as the blocks of a long message do, instead of through the buffering
// and padding of an update and a final call on the step's critical path.
Digest sha256_pair(std::span<const std::uint8_t, kSha256Bytes> first,
                   std::span<const std::uint8_t, kSha256Bytes> second);
// sha256_bytes: the same digest as an owned 32-byte buffer.
std::vector<std::uint8_t> sha256_bytes(std::span<const std::uint8_t> data);

}  // namespace zt::crypto
