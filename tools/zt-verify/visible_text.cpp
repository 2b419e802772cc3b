// zt-verify/visible_text.cpp: a UTF-8 walk that copies printable code points and
// writes the rest as escapes.
#include "visible_text.h"

#include <cstdint>
#include <optional>

namespace zt::cli {
namespace {

struct Range {
  std::uint32_t first;
  std::uint32_t last;
};

// Code points that print as nothing or change how the text around them is shown:
// controls, format characters (bidirectional controls among them), separators,
// invisible fillers, tag characters and noncharacters.
constexpr Range kInvisible[] = {
    {0x0000, 0x001F},   {0x007F, 0x009F},   {0x00AD, 0x00AD},   {0x034F, 0x034F},
    {0x0600, 0x0605},   {0x061C, 0x061C},   {0x06DD, 0x06DD},   {0x070F, 0x070F},
    {0x0890, 0x0891},   {0x08E2, 0x08E2},   {0x115F, 0x1160},   {0x17B4, 0x17B5},
    {0x180B, 0x180F},   {0x200B, 0x200F},   {0x2028, 0x202E},   {0x2060, 0x206F},
    {0x3164, 0x3164},   {0xFDD0, 0xFDEF},   {0xFE00, 0xFE0F},   {0xFEFF, 0xFEFF},
    {0xFFA0, 0xFFA0},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD}, {0x110CD, 0x110CD},
    {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0000, 0xE0FFF},
};

// decode_one: the code point at the start of |text| and its length in bytes, or
// nothing when the bytes there are not valid UTF-8 (overlong forms, surrogates
// and values above U+10FFFF included).
std::optional<std::pair<std::uint32_t, std::size_t>> decode_one(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(0);
  if (lead < 0x80) return std::pair{std::uint32_t{lead}, std::size_t{1}};
  std::size_t length = 0;
  std::uint32_t code_point = 0;
  std::uint32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, code_point = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, code_point = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, code_point = lead & 0x07, minimum = 0x10000;
  } else {
    return std::nullopt;
  }
  if (text.size() < length) return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return std::nullopt;
    code_point = (code_point << 6) | (byte(i) & 0x3F);
  }
  if (code_point < minimum || code_point > 0x10FFFF) return std::nullopt;
  if (code_point >= 0xD800 && code_point <= 0xDFFF) return std::nullopt;
  return std::pair{code_point, length};
}

void append_hex(std::string& out, std::uint32_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  char digits[8];
  std::size_t count = 0;
  do {
    digits[count++] = kDigits[value & 0xF];
    value >>= 4;
  } while (value != 0);
  while (count > 0) out += digits[--count];
}

}  // namespace

bool is_invisible_code_point(std::uint32_t code_point) {
  if ((code_point & 0xFFFE) == 0xFFFE) return true;  // U+xxFFFE and U+xxFFFF
  for (const Range& range : kInvisible) {
    if (code_point >= range.first && code_point <= range.last) return true;
  }
  return false;
}

std::string visible_text(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto decoded = decode_one(text.substr(i));
    if (!decoded) {
      out += "\\x{";
      append_hex(out, static_cast<std::uint8_t>(text[i]));
      out += '}';
      ++i;
      continue;
    }
    const auto [code_point, length] = *decoded;
    if (code_point == '\\') {
      out += "\\\\";
    } else if (code_point == '\n') {
      out += "\\n";
    } else if (code_point == '\r') {
      out += "\\r";
    } else if (code_point == '\t') {
      out += "\\t";
    } else if (is_invisible_code_point(code_point)) {
      out += "\\u{";
      append_hex(out, code_point);
      out += '}';
    } else {
      out.append(text.substr(i, length));
    }
    i += length;
  }
  return out;
}

std::string html_escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace zt::cli
