// hmac_sha256.cpp: HMAC-SHA256 as two SHA-256 passes resumed from the key's pad states.
#include "crypto/hmac_sha256.h"

#include <algorithm>
#include <array>

namespace zt::crypto {

HmacSha256Key::HmacSha256Key(std::span<const std::uint8_t> key) {
  std::array<std::uint8_t, kSha256BlockBytes> pad{};
  if (key.size() > pad.size()) {
    const Digest hashed_key = sha256(key);
    std::ranges::copy(hashed_key, pad.begin());
  } else {
    std::ranges::copy(key, pad.begin());
  }
  for (std::uint8_t& b : pad) b ^= 0x36;
  inner_.update(pad);
  for (std::uint8_t& b : pad) b ^= 0x36 ^ 0x5c;
  outer_.update(pad);
}

Digest HmacSha256Key::mac(
    std::initializer_list<std::span<const std::uint8_t>> message_parts) const {
  return outer_.finish_with({inner_.finish_with(message_parts)});
}

Digest hmac_sha256(std::span<const std::uint8_t> key,
                   std::initializer_list<std::span<const std::uint8_t>> message_parts) {
  return HmacSha256Key(key).mac(message_parts);
}

}  // namespace zt::crypto
