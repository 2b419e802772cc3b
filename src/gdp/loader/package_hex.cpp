// package_hex.cpp: hex decoding with the package member messages.
#include "gdp/loader/package_hex.h"

#include <optional>

namespace zt::gdp::loader {
namespace {

std::optional<std::uint8_t> digit_value(unsigned char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
  return std::nullopt;
}

void append_utf8(std::string& out, unsigned code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else {  // the byte values 0x80..0xFF taken as code points need two bytes
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

// quoted_char: the byte as a character literal. Printable characters stand as they
// are; quotes, backslashes and control or invisible characters are escaped.
std::string quoted_char(unsigned char c) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "'";
  switch (c) {
    case '\'':
      out += "\\'";
      break;
    case '\\':
      out += "\\\\";
      break;
    case '\0':
      out += "\\0";
      break;
    case '\t':
      out += "\\t";
      break;
    case '\n':
      out += "\\n";
      break;
    case '\r':
      out += "\\r";
      break;
    default:
      if (c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0xAD) {
        out += "\\u{";
        if (c >= 0x10) out += kHex[c >> 4];
        out += kHex[c & 0xF];
        out += '}';
      } else {
        append_utf8(out, c);
      }
  }
  out += '\'';
  return out;
}

}  // namespace

std::expected<Bytes, std::string> decode_package_hex(std::string_view text) {
  if (text.size() % 2 != 0) return std::unexpected(std::string("Odd number of digits"));
  Bytes out;
  out.reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    auto high = digit_value(static_cast<unsigned char>(text[i]));
    auto low = digit_value(static_cast<unsigned char>(text[i + 1]));
    if (!high || !low) {
      std::size_t at = high ? i + 1 : i;
      return std::unexpected("Invalid character " +
                             quoted_char(static_cast<unsigned char>(text[at])) + " at position " +
                             std::to_string(at));
    }
    out.push_back(static_cast<std::uint8_t>(*high << 4 | *low));
  }
  return out;
}

}  // namespace zt::gdp::loader
