// hkdf.cpp: HKDF-SHA256 with an absent salt. The extract step always uses the
// same all-zero HMAC key, whose pad states are computed once per process.
#include "crypto/hkdf.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>

namespace zt::crypto {
namespace {

// extract: PRK = HMAC-SHA256(32 zero bytes, ikm).
Digest extract(std::span<const std::uint8_t> ikm) {
  // Read-only after construction, so every thread may use it at once.
  static const HmacSha256Key zero_key(std::array<std::uint8_t, kSha256Bytes>{});
  return zero_key.mac({ikm});
}

[[noreturn]] void length_invariant_broken() {
  std::fputs("HKDF expand should not fail with given length\n", stderr);
  std::abort();
}

constexpr std::uint8_t kFirstBlock[1] = {1};

}  // namespace

std::vector<std::uint8_t> hkdf_sha256_expand(std::span<const std::uint8_t> prk,
                                             std::span<const std::uint8_t> info,
                                             std::size_t length) {
  if (length > kHkdfMaxLength) length_invariant_broken();
  const HmacSha256Key key(prk);
  std::vector<std::uint8_t> okm;
  okm.reserve(length);
  Digest block;
  std::span<const std::uint8_t> previous;  // T(0) is empty
  for (unsigned index = 1; okm.size() < length; ++index) {
    const std::uint8_t counter[1] = {static_cast<std::uint8_t>(index)};
    block = key.mac({previous, info, counter});
    const std::size_t take = std::min(block.size(), length - okm.size());
    okm.insert(okm.end(), block.begin(), block.begin() + take);
    previous = block;
  }
  return okm;
}

std::vector<std::uint8_t> hkdf_sha256(std::span<const std::uint8_t> ikm,
                                      std::span<const std::uint8_t> info, std::size_t length) {
  return hkdf_sha256_expand(extract(ikm), info, length);
}

Digest hkdf_sha256_block(std::span<const std::uint8_t> ikm, std::span<const std::uint8_t> info) {
  return HkdfSha256Blocks(ikm).block(info);
}

HkdfSha256Blocks::HkdfSha256Blocks(std::span<const std::uint8_t> ikm) : prk_(extract(ikm)) {}

Digest HkdfSha256Blocks::block(std::span<const std::uint8_t> info_head,
                               std::span<const std::uint8_t> info_tail) const {
  return prk_.mac({info_head, info_tail, kFirstBlock});
}

}  // namespace zt::crypto
