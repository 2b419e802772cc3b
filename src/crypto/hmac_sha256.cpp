// hmac_sha256.cpp: HMAC-SHA256 as two SHA-256 passes over the padded key blocks.
#include "crypto/hmac_sha256.h"

#include <algorithm>
#include <array>

#include "crypto/evp_digest.h"

namespace zt::crypto {

Digest hmac_sha256(std::span<const std::uint8_t> key,
                   std::initializer_list<std::span<const std::uint8_t>> message_parts) {
  std::array<std::uint8_t, kSha256BlockBytes> pad{};
  if (key.size() > pad.size()) {
    const Digest hashed_key = sha256(key);
    std::ranges::copy(hashed_key, pad.begin());
  } else {
    std::ranges::copy(key, pad.begin());
  }

  EVP_MD_CTX* ctx = detail::thread_context();
  Digest inner;
  for (std::uint8_t& b : pad) b ^= 0x36;
  detail::init(ctx);
  detail::update(ctx, pad);
  for (std::span<const std::uint8_t> part : message_parts) detail::update(ctx, part);
  detail::finish(ctx, inner);

  Digest mac;
  for (std::uint8_t& b : pad) b ^= 0x36 ^ 0x5c;
  detail::init(ctx);
  detail::update(ctx, pad);
  detail::update(ctx, inner);
  detail::finish(ctx, mac);
  return mac;
}

}  // namespace zt::crypto
