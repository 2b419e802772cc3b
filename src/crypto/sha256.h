// crypto/sha256.h: SHA-256 over OpenSSL. Sha256State hashes a message given in
// pieces and is a plain value: a copy of a state that has absorbed some input
// saves that work (HMAC keeps its key pads this way). Safe to use from any thread;
// one state belongs to one thread at a time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
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

 private:
  // OpenSSL's SHA256_CTX, kept opaque so that OpenSSL stays out of this header.
  alignas(8) std::array<unsigned char, 112> context_;
};

Digest sha256(std::span<const std::uint8_t> data);
// sha256_bytes: the same digest as an owned 32-byte buffer.
std::vector<std::uint8_t> sha256_bytes(std::span<const std::uint8_t> data);

}  // namespace zt::crypto
