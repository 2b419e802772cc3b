// json/utf8.h: the UTF-8 checks the decoder applies to decoded strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zt::json {

bool is_ascii(std::string_view bytes);

// utf8_sequence_length: the length of the well-formed UTF-8 sequence starting at
// |bytes[i]| (shortest form, no surrogates, at most U+10FFFF), or 0 if there is none.
std::size_t utf8_sequence_length(std::string_view bytes, std::size_t i);

bool is_valid_utf8(std::string_view bytes);

// decode_utf8: the code point of the sequence at |bytes[i]| and its length; an
// ill-formed byte yields U+FFFD with length 1.
struct CodePoint {
  std::uint32_t value;
  std::size_t length;
};
CodePoint decode_utf8(std::string_view bytes, std::size_t i);

}  // namespace zt::json
