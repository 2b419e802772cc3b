// describe.cpp: found-value descriptions.
#include "json/describe.h"

#include <cstdio>

#include "json/utf8.h"

namespace zt::json {
namespace {

bool is_control(std::uint32_t cp) { return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F); }

void append_code_point(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

std::string describe_string(std::string_view text) {
  std::string out = "string \"";
  out.reserve(out.size() + text.size() + 1);
  std::size_t i = 0;
  while (i < text.size()) {
    const CodePoint cp = decode_utf8(text, i);
    i += cp.length;
    switch (cp.value) {
      case '"':
        out += "\\\"";
        continue;
      case '\\':
        out += "\\\\";
        continue;
      case 0:
        out += "\\0";
        continue;
      case '\t':
        out += "\\t";
        continue;
      case '\n':
        out += "\\n";
        continue;
      case '\r':
        out += "\\r";
        continue;
      default:
        break;
    }
    if (is_control(cp.value)) {
      char buffer[16];
      std::snprintf(buffer, sizeof buffer, "\\u{%x}", static_cast<unsigned>(cp.value));
      out += buffer;
    } else {
      append_code_point(out, cp.value);
    }
  }
  out.push_back('"');
  return out;
}

std::string describe_number(const Number& number) {
  switch (number.kind) {
    case Number::Kind::kUnsigned:
      return "integer `" + std::to_string(number.u) + "`";
    case Number::Kind::kSigned:
      return "integer `" + std::to_string(number.i) + "`";
    case Number::Kind::kDouble:
      break;
  }
  return "floating point `" + format_double(number.d) + "`";
}

}  // namespace zt::json
