// ffi/c_text.cpp: strict UTF-8 validation of C string arguments.
#include "ffi/c_text.h"

#include <simdjson.h>

namespace zt::ffi {

bool is_valid_utf8(std::string_view bytes) {
  // simdjson's validator applies the same strict rules, many bytes at a time.
  return simdjson::validate_utf8(bytes.data(), bytes.size());
}

std::expected<std::string_view, const char*> text_from_c_string(const char* pointer) {
  if (pointer == nullptr) return std::unexpected(kNullPointer);
  std::string_view text(pointer);
  if (!is_valid_utf8(text)) return std::unexpected(kNotUtf8);
  return text;
}

}  // namespace zt::ffi
