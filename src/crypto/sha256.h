// crypto/sha256.h: SHA-256 over OpenSSL, with the algorithm fetched once per process.
// Safe to call from any thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zt::crypto {

inline constexpr std::size_t kSha256Bytes = 32;
using Digest = std::array<std::uint8_t, kSha256Bytes>;

Digest sha256(std::span<const std::uint8_t> data);
// sha256_bytes: the same digest as an owned 32-byte buffer.
std::vector<std::uint8_t> sha256_bytes(std::span<const std::uint8_t> data);

}  // namespace zt::crypto
