// crypto/hmac_sha256.h: HMAC-SHA256 (RFC 2104). HmacSha256Key absorbs its key's
// two pad blocks once, so every MAC under it costs only the compressions of the
// message and of the outer hash. Safe to call from any thread.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>

#include "crypto/sha256.h"

namespace zt::crypto {

class HmacSha256Key {
 public:
  // |key| of any length; keys longer than one block are hashed first.
  explicit HmacSha256Key(std::span<const std::uint8_t> key);

  // mac: the MAC of the concatenation of |message_parts|, which lets callers pass
  // a message in pieces without copying it together.
  Digest mac(std::initializer_list<std::span<const std::uint8_t>> message_parts) const;

 private:
  Sha256State inner_;  // after the key ^ 0x36 block
  Sha256State outer_;  // after the key ^ 0x5c block
};

// hmac_sha256: one MAC under |key|; HmacSha256Key(key).mac(message_parts).
Digest hmac_sha256(std::span<const std::uint8_t> key,
                   std::initializer_list<std::span<const std::uint8_t>> message_parts);

}  // namespace zt::crypto
