// fuzz/fuzz_checks.cpp: input splitting, the UTF-8 check and the cross-checks of
// the fuzz targets.
#include "fuzz_checks.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "zt/zt_core.h"

namespace zt::fuzz {

std::pair<std::string_view, std::string_view> split_at_nul(std::string_view input) {
  std::size_t nul = input.find('\0');
  if (nul == std::string_view::npos) return {input, {}};
  return {input.substr(0, nul), input.substr(nul + 1)};
}

bool is_utf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    auto lead = static_cast<unsigned char>(bytes[i]);
    std::size_t length = 0;
    std::uint32_t code_point = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2;
      code_point = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      code_point = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
      code_point = lead & 0x07;
    } else {
      return false;
    }
    if (bytes.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code_point = (code_point << 6) | (next & 0x3F);
    }
    constexpr std::uint32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code_point < kShortest[length]) return false;
    if (code_point >= 0xD800 && code_point <= 0xDFFF) return false;
    if (code_point > 0x10FFFF) return false;
    i += length;
  }
  return true;
}

void fail(std::string_view what) {
  std::fprintf(stderr, "fuzz check failed: %.*s\n", static_cast<int>(what.size()), what.data());
  std::abort();
}

void require_position_inside(std::string_view text, const json::DecodeError& error) {
  if (error.text.empty()) fail("decode error without text");
  if (error.line < 1) fail("decode error line below 1: " + error.message());
  std::size_t line_start = 0;
  for (std::size_t line = 1; line < error.line; ++line) {
    std::size_t feed = text.find('\n', line_start);
    if (feed == std::string_view::npos)
      fail("decode error line beyond the text: " + error.message());
    line_start = feed + 1;
  }
  if (error.column > text.size() - line_start) {
    fail("decode error column beyond the text: " + error.message());
  }
  if (text.substr(line_start, error.column).find('\n') != std::string_view::npos) {
    fail("decode error column beyond its line: " + error.message());
  }
}

void require_position_suffix(std::string_view whole) {
  std::string_view message = whole;
  // Walk back over "<digits>", " column ", "<digits>", " at line ".
  auto strip_digits = [&message]() {
    std::size_t end = message.size();
    while (!message.empty() && message.back() >= '0' && message.back() <= '9') {
      message.remove_suffix(1);
    }
    return message.size() < end;
  };
  auto strip = [&message](std::string_view suffix) {
    if (!message.ends_with(suffix)) return false;
    message.remove_suffix(suffix.size());
    return true;
  };
  bool ok = strip_digits() && strip(" column ") && strip_digits() && strip(" at line ");
  if (!ok || message.empty()) fail("message without a position suffix: " + std::string(whole));
}

void require_last_error(const std::string& expected, std::string_view what) {
  const char* stored = zt_core_last_error_message();
  if (expected.find('\0') != std::string::npos) {
    if (stored != nullptr) fail(std::string(what) + ": a message holding NUL was stored");
    return;
  }
  if (stored == nullptr || expected != stored) {
    fail(std::string(what) + ": last error \"" + (stored ? stored : "(none)") + "\", expected \"" +
         expected + "\"");
  }
}

}  // namespace zt::fuzz
