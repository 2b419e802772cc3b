// hkdf.cpp: HKDF-SHA256 with an absent salt. The extract step always uses the
// same all-zero HMAC key, so the hash states after its two pad blocks are computed
// once per process and copied per call, saving one compression per hash.
#include "crypto/hkdf.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>

#include "crypto/evp_digest.h"
#include "crypto/hmac_sha256.h"

namespace zt::crypto {
namespace {

struct ZeroKeyPads {
  EVP_MD_CTX* inner;
  EVP_MD_CTX* outer;
};

EVP_MD_CTX* absorbed_pad(std::uint8_t pad_byte) {
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  if (ctx == nullptr) detail::openssl_failure("EVP_MD_CTX_new");
  std::array<std::uint8_t, kSha256BlockBytes> pad;
  pad.fill(pad_byte);
  detail::init(ctx);
  detail::update(ctx, pad);
  return ctx;
}

// Read-only after construction, so every thread may copy from it at once; never
// freed, like the algorithm it refers to.
const ZeroKeyPads& zero_key_pads() {
  static const ZeroKeyPads pads{absorbed_pad(0x36), absorbed_pad(0x5c)};
  return pads;
}

void resume(EVP_MD_CTX* ctx, const EVP_MD_CTX* state) {
  if (EVP_MD_CTX_copy_ex(ctx, state) != 1) detail::openssl_failure("EVP_MD_CTX_copy_ex");
}

// extract: PRK = HMAC-SHA256(32 zero bytes, ikm).
Digest extract(std::span<const std::uint8_t> ikm) {
  const ZeroKeyPads& pads = zero_key_pads();
  EVP_MD_CTX* ctx = detail::thread_context();
  Digest inner;
  resume(ctx, pads.inner);
  detail::update(ctx, ikm);
  detail::finish(ctx, inner);
  Digest prk;
  resume(ctx, pads.outer);
  detail::update(ctx, inner);
  detail::finish(ctx, prk);
  return prk;
}

[[noreturn]] void length_invariant_broken() {
  std::fputs("HKDF expand should not fail with given length\n", stderr);
  std::abort();
}

}  // namespace

std::vector<std::uint8_t> hkdf_sha256_expand(std::span<const std::uint8_t> prk,
                                             std::span<const std::uint8_t> info,
                                             std::size_t length) {
  if (length > kHkdfMaxLength) length_invariant_broken();
  std::vector<std::uint8_t> okm;
  okm.reserve(length);
  Digest block;
  std::span<const std::uint8_t> previous;  // T(0) is empty
  for (unsigned index = 1; okm.size() < length; ++index) {
    const std::uint8_t counter[1] = {static_cast<std::uint8_t>(index)};
    block = hmac_sha256(prk, {previous, info, counter});
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
  static constexpr std::uint8_t kFirstBlock[1] = {1};
  return hmac_sha256(extract(ikm), {info, kFirstBlock});
}

}  // namespace zt::crypto
