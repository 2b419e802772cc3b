// fuzz/fuzz_checks.h: helpers shared by the fuzz targets: splitting an input into
// two documents, an independent UTF-8 check, and the cross-checks that abort on a
// broken invariant (libFuzzer reports an abort as a crash; the replay run fails).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "json/decode_error.h"

namespace zt::fuzz {

// as_text: the input bytes as text, without copying.
inline std::string_view as_text(const std::uint8_t* data, std::size_t size) {
  return size == 0 ? std::string_view()
                   : std::string_view(reinterpret_cast<const char*>(data), size);
}

// split_at_nul: the bytes before the first NUL and those after it (empty when the
// input holds no NUL). A C string cannot hold a NUL, so it is the natural divider
// between a receipt and a transcript.
std::pair<std::string_view, std::string_view> split_at_nul(std::string_view input);

// is_utf8: strict UTF-8 (shortest forms only, no surrogates, at most U+10FFFF).
bool is_utf8(std::string_view bytes);

// fail: reports the broken invariant |what| and aborts.
[[noreturn]] void fail(std::string_view what);

// require: fails with |what| when |ok| is false.
inline void require(bool ok, const char* what) {
  if (!ok) fail(what);
}

// require_position_inside: the error's line and column name a byte index of
// |text| (0 to its length) with exactly line - 1 line feeds before it.
void require_position_inside(std::string_view text, const json::DecodeError& error);

// require_position_suffix: |message| ends with " at line L column C".
void require_position_suffix(std::string_view message);

// require_last_error: the C ABI's last-error slot holds |expected|, or is empty
// when |expected| holds a NUL byte (such a message is never stored).
void require_last_error(const std::string& expected, std::string_view what);

}  // namespace zt::fuzz
