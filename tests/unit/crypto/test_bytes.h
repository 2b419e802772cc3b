// test_bytes.h: hex and text conversions for writing byte-exact test vectors.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zt::test {

// from_hex: bytes of an even-length hex text; blanks are ignored so long vectors
// can be grouped for reading.
inline std::vector<std::uint8_t> from_hex(std::string_view hex) {
  auto nibble = [](char c) -> std::uint8_t {
    if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
    return static_cast<std::uint8_t>((c | 0x20) - 'a' + 10);
  };
  std::vector<std::uint8_t> out;
  int high = -1;
  for (char c : hex) {
    if (c == ' ') continue;
    if (high < 0) {
      high = nibble(c);
    } else {
      out.push_back(static_cast<std::uint8_t>(high << 4 | nibble(c)));
      high = -1;
    }
  }
  return out;
}

inline std::string to_hex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (std::uint8_t b : bytes) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0xf]);
  }
  return out;
}

inline std::vector<std::uint8_t> bytes_of(std::string_view text) {
  return {text.begin(), text.end()};
}

}  // namespace zt::test
