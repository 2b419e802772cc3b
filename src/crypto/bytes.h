// crypto/bytes.h: small helpers for building hash inputs, comparing byte strings
// and showing them: integers enter every hash as 8 big-endian bytes, byte strings
// are equal only when both length and contents agree, and digests are shown as
// lower-case hex.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zt::crypto {

inline constexpr std::size_t kU64Bytes = 8;

// store_u64_be: writes |value| most significant byte first into |out|.
inline void store_u64_be(std::uint64_t value, std::span<std::uint8_t, kU64Bytes> out) {
  for (std::size_t i = kU64Bytes; i-- > 0;) {
    out[i] = static_cast<std::uint8_t>(value);
    value >>= 8;
  }
}

inline void append_u64_be(std::vector<std::uint8_t>& out, std::uint64_t value) {
  std::uint8_t be[kU64Bytes];
  store_u64_be(value, be);
  out.insert(out.end(), be, be + kU64Bytes);
}

inline void append_bytes(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

// bytes_or_none: the bytes of an optional byte string, none when it is absent (an
// absent client seed adds nothing to a hash).
template <class Bytes>
std::span<const std::uint8_t> bytes_or_none(const std::optional<Bytes>& bytes) {
  if (!bytes) return {};
  return *bytes;
}

// same_bytes: true when |a| and |b| have the same length and the same bytes.
inline bool same_bytes(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

// to_hex: two lower-case hexadecimal digits per byte, high nibble first.
inline std::string to_hex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const std::uint8_t byte : bytes) {
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0xF];
  }
  return out;
}

}  // namespace zt::crypto
