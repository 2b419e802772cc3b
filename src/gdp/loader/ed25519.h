// gdp/loader/ed25519.h: the two Ed25519 operations a package signature needs:
// decoding a public key as a curve point, and ordinary (not strict) verification.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace zt::gdp::loader {

inline constexpr std::size_t kEd25519KeyBytes = 32;
inline constexpr std::size_t kEd25519SignatureBytes = 64;

// decodes_to_point: whether the compressed encoding names a point of the curve:
// y is the low 255 bits reduced modulo 2^255-19, and x^2 = (y^2-1)/(d*y^2+1) must
// be a square. Nothing else is checked: not the order of the point, not the
// canonical form of y, and not the sign bit when x = 0 (such a key decodes to x = 0
// and its signatures are verified as usual; refusing it would protect nothing, as
// the same point without the sign bit is accepted). Pinning the signer's key is
// what protects against weak keys.
bool decodes_to_point(std::span<const std::uint8_t, kEd25519KeyBytes> key);

// verify_ed25519: RFC 8032 verification without context or prehash: S < L and
// encode([S]B - [k]A) == R, with no cofactor and no small-order checks.
bool verify_ed25519(std::span<const std::uint8_t, kEd25519KeyBytes> key,
                    std::span<const std::uint8_t, kEd25519SignatureBytes> signature,
                    std::span<const std::uint8_t> message);

}  // namespace zt::gdp::loader
