// crypto/hmac_sha256.h: HMAC-SHA256 (RFC 2104) over the process-wide SHA-256.
// Safe to call from any thread.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>

#include "crypto/sha256.h"

namespace zt::crypto {

inline constexpr std::size_t kSha256BlockBytes = 64;

// hmac_sha256: the MAC under |key| (any length; keys longer than one block are
// hashed first) of the concatenation of |message_parts|, which lets callers pass
// a message in pieces without copying it together.
Digest hmac_sha256(std::span<const std::uint8_t> key,
                   std::initializer_list<std::span<const std::uint8_t>> message_parts);

}  // namespace zt::crypto
