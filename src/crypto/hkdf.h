// crypto/hkdf.h: HKDF-SHA256 (RFC 5869) with an absent salt and one info string.
// Safe to call from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "crypto/hmac_sha256.h"
#include "crypto/sha256.h"

namespace zt::crypto {

// The most output one expansion can give: 255 blocks of 32 bytes.
inline constexpr std::size_t kHkdfMaxLength = 255 * kSha256Bytes;

// hkdf_sha256: |length| bytes of HKDF output, extracting with an absent salt (32
// zero bytes as the HMAC key). A length above kHkdfMaxLength is a broken invariant
// and ends the process with "HKDF expand should not fail with given length".
std::vector<std::uint8_t> hkdf_sha256(std::span<const std::uint8_t> ikm,
                                      std::span<const std::uint8_t> info, std::size_t length);

// hkdf_sha256_block: the first 32 bytes of HKDF output, without allocation; what
// the entropy stream derives per block. Equal to hkdf_sha256(ikm, info, 32).
Digest hkdf_sha256_block(std::span<const std::uint8_t> ikm, std::span<const std::uint8_t> info);

// HkdfSha256Blocks: hkdf_sha256_block for one |ikm| and many info strings. The
// extract, and the pad states of the pseudorandom key it gives, are computed once
// at construction; each block then costs two compressions.
class HkdfSha256Blocks {
 public:
  explicit HkdfSha256Blocks(std::span<const std::uint8_t> ikm);

  // block: equal to hkdf_sha256_block(ikm, info), with info given in two parts.
  Digest block(std::span<const std::uint8_t> info_head,
               std::span<const std::uint8_t> info_tail = {}) const;

 private:
  HmacSha256Key prk_;
};

// hkdf_sha256_expand: the expand half alone, T(1) T(2) ... under the pseudorandom
// key |prk|, truncated to |length| bytes; same length limit as hkdf_sha256.
std::vector<std::uint8_t> hkdf_sha256_expand(std::span<const std::uint8_t> prk,
                                             std::span<const std::uint8_t> info,
                                             std::size_t length);

}  // namespace zt::crypto
