// ffi/c_text.cpp: strict UTF-8 validation of C string arguments.
#include "ffi/c_text.h"

#include <cstdint>
#include <cstring>

namespace zt::ffi {

bool is_valid_utf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    // Documents are mostly ASCII: skip eight such bytes at a time.
    if (end - p >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p, 8);
      if ((word & 0x8080808080808080ull) == 0) {
        p += 8;
        continue;
      }
    }
    const std::uint8_t lead = *p;
    if (lead < 0x80) {
      ++p;
      continue;
    }
    std::size_t length;
    std::uint8_t second_min = 0x80;
    std::uint8_t second_max = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) second_min = 0xA0;  // overlong
      if (lead == 0xED) second_max = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) second_min = 0x90;  // overlong
      if (lead == 0xF4) second_max = 0x8F;  // above U+10FFFF
    } else {
      return false;
    }
    if (static_cast<std::size_t>(end - p) < length) return false;
    if (p[1] < second_min || p[1] > second_max) return false;
    for (std::size_t i = 2; i < length; ++i) {
      if ((p[i] & 0xC0) != 0x80) return false;
    }
    p += length;
  }
  return true;
}

std::expected<std::string_view, const char*> text_from_c_string(const char* pointer) {
  if (pointer == nullptr) return std::unexpected(kNullPointer);
  std::string_view text(pointer);
  if (!is_valid_utf8(text)) return std::unexpected(kNotUtf8);
  return text;
}

}  // namespace zt::ffi
