// ffi/c_text.h: turning a C string argument into borrowed text: NULL and bytes
// that are not UTF-8 are refused with the C ABI's fixed messages.
#pragma once

#include <expected>
#include <string_view>

namespace zt::ffi {

inline constexpr const char* kNullPointer = "null pointer received";
inline constexpr const char* kNotUtf8 = "input bytes are not valid UTF-8";

// is_valid_utf8: strict UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
bool is_valid_utf8(std::string_view bytes);

// text_from_c_string: the bytes before the first NUL, borrowed for the call.
std::expected<std::string_view, const char*> text_from_c_string(const char* pointer);

}  // namespace zt::ffi
