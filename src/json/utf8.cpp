// utf8.cpp: strict UTF-8 validation (RFC 3629).
#include "json/utf8.h"

#include <cstring>

namespace zt::json {
namespace {

bool is_continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

bool is_ascii(std::string_view bytes) {
  const char* p = bytes.data();
  std::size_t n = bytes.size();
  // Eight bytes at a time: any byte with its top bit set makes the word non-ASCII.
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if ((word & 0x8080808080808080ULL) != 0) return false;
  }
  for (; n > 0; ++p, --n) {
    if (static_cast<unsigned char>(*p) >= 0x80) return false;
  }
  return true;
}

std::size_t utf8_sequence_length(std::string_view bytes, std::size_t i) {
  const std::size_t n = bytes.size();
  const auto at = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
  const unsigned char c = at(i);
  if (c < 0x80) return 1;
  if (c < 0xC2) return 0;  // continuation byte or overlong two-byte lead
  if (c < 0xE0) return i + 1 < n && is_continuation(at(i + 1)) ? 2 : 0;
  if (c < 0xF0) {
    if (i + 2 >= n || !is_continuation(at(i + 1)) || !is_continuation(at(i + 2))) return 0;
    const unsigned char c1 = at(i + 1);
    if (c == 0xE0 && c1 < 0xA0) return 0;   // overlong
    if (c == 0xED && c1 >= 0xA0) return 0;  // surrogate
    return 3;
  }
  if (c < 0xF5) {
    if (i + 3 >= n || !is_continuation(at(i + 1)) || !is_continuation(at(i + 2)) ||
        !is_continuation(at(i + 3))) {
      return 0;
    }
    const unsigned char c1 = at(i + 1);
    if (c == 0xF0 && c1 < 0x90) return 0;   // overlong
    if (c == 0xF4 && c1 >= 0x90) return 0;  // beyond U+10FFFF
    return 4;
  }
  return 0;
}

bool is_valid_utf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = utf8_sequence_length(bytes, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

CodePoint decode_utf8(std::string_view bytes, std::size_t i) {
  const std::size_t length = utf8_sequence_length(bytes, i);
  const auto at = [&](std::size_t k) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[k]));
  };
  switch (length) {
    case 1:
      return {at(i), 1};
    case 2:
      return {((at(i) & 0x1F) << 6) | (at(i + 1) & 0x3F), 2};
    case 3:
      return {((at(i) & 0x0F) << 12) | ((at(i + 1) & 0x3F) << 6) | (at(i + 2) & 0x3F), 3};
    case 4:
      return {((at(i) & 0x07) << 18) | ((at(i + 1) & 0x3F) << 12) | ((at(i + 2) & 0x3F) << 6) |
                  (at(i + 3) & 0x3F),
              4};
    default:
      return {0xFFFD, 1};
  }
}

}  // namespace zt::json
