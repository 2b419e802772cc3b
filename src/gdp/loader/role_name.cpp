// role_name.cpp: Unicode lower-casing through ICU (UTF-8 to UTF-16, u_strToLower
// with the root locale, back to UTF-8). ICU reports the size it needs when a buffer
// is too small; each step is retried once with that size.
#include "gdp/loader/role_name.h"

#include <unicode/ustring.h>
#include <unicode/utypes.h>

#include <cstdlib>
#include <limits>
#include <new>
#include <vector>

namespace zt::gdp::loader {
namespace {

constexpr UChar32 kReplacement = 0xFFFD;
constexpr const char* kRootLocale = "";

// check: ICU fails only on sizes beyond int32_t or when memory runs out; neither can
// be reported as a package error, so both end like any allocation failure.
void check(UErrorCode status) {
  if (status == U_MEMORY_ALLOCATION_ERROR) throw std::bad_alloc();
  if (U_FAILURE(status)) std::abort();
}

std::int32_t length_of(std::size_t size) {
  if (size > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() / 4)) {
    throw std::bad_alloc();  // far beyond anything an archive entry may name
  }
  return static_cast<std::int32_t>(size);
}

std::vector<UChar> to_utf16(std::string_view utf8) {
  std::vector<UChar> out(utf8.size() + 1);
  UErrorCode status = U_ZERO_ERROR;
  std::int32_t length = 0;
  u_strFromUTF8WithSub(out.data(), length_of(out.size()), &length, utf8.data(),
                       length_of(utf8.size()), kReplacement, nullptr, &status);
  check(status);  // UTF-16 never needs more units than UTF-8 has bytes
  out.resize(static_cast<std::size_t>(length));
  return out;
}

std::vector<UChar> to_lower(const std::vector<UChar>& text) {
  std::vector<UChar> out(text.size() + 1);
  for (int attempt = 0;; ++attempt) {
    UErrorCode status = U_ZERO_ERROR;
    const std::int32_t length = u_strToLower(out.data(), length_of(out.size()), text.data(),
                                             length_of(text.size()), kRootLocale, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR && attempt == 0) {
      out.resize(static_cast<std::size_t>(length));
      continue;
    }
    check(status);
    out.resize(static_cast<std::size_t>(length));
    return out;
  }
}

std::string to_utf8(const std::vector<UChar>& text) {
  // Each UTF-16 unit becomes at most three bytes.
  std::string out(text.size() * 3 + 1, '\0');
  UErrorCode status = U_ZERO_ERROR;
  std::int32_t length = 0;
  u_strToUTF8WithSub(out.data(), length_of(out.size()), &length, text.data(),
                     length_of(text.size()), kReplacement, nullptr, &status);
  check(status);
  out.resize(static_cast<std::size_t>(length));
  return out;
}

}  // namespace

std::string role_name(std::string_view file_name) { return to_utf8(to_lower(to_utf16(file_name))); }

}  // namespace zt::gdp::loader
