// crypto/hkdf.h: HKDF-SHA256 (RFC 5869) with an absent salt and one info string.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "crypto/sha256.h"

namespace zt::crypto {

// hkdf_sha256: |length| bytes of HKDF output. A length above 8160 bytes (255
// blocks) is a broken invariant and ends the process with
// "HKDF expand should not fail with given length".
std::vector<std::uint8_t> hkdf_sha256(std::span<const std::uint8_t> ikm,
                                      std::span<const std::uint8_t> info, std::size_t length);

// hkdf_sha256_block: the first 32 bytes of HKDF output, without allocation; what
// the entropy stream derives per block. Equal to hkdf_sha256(ikm, info, 32).
Digest hkdf_sha256_block(std::span<const std::uint8_t> ikm, std::span<const std::uint8_t> info);

}  // namespace zt::crypto
