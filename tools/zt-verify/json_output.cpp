// zt-verify/json_output.cpp: compact JSON serialisation of json::Value.
#include "json_output.h"

#include <charconv>
#include <cmath>
#include <variant>

#include "ffi/c_text.h"
#include "visible_text.h"

namespace zt::cli {
namespace {

void append_u_escape(std::string& out, std::uint32_t unit) {
  static constexpr char kDigits[] = "0123456789abcdef";
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(unit >> shift) & 0xF];
}

// append_string: invisible code points (controls, bidirectional and other format
// characters, see visible_text) are written as \u escapes, so the output is safe
// on a terminal and still decodes to the same text.
void append_string(std::string& out, const std::string& text) {
  const bool utf8 = ffi::is_valid_utf8(text);
  out += '"';
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
      ++i;
      continue;
    }
    if (byte >= 0x80 && !utf8) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    std::size_t length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
    std::uint32_t code_point = length == 1 ? byte : byte & (0x3F >> (length - 1));
    for (std::size_t k = 1; k < length; ++k) {
      code_point = (code_point << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    if (!is_invisible_code_point(code_point)) {
      out.append(text, i, length);
    } else if (code_point < 0x10000) {
      append_u_escape(out, code_point);
    } else {
      append_u_escape(out, 0xD800 + ((code_point - 0x10000) >> 10));
      append_u_escape(out, 0xDC00 + ((code_point - 0x10000) & 0x3FF));
    }
    i += length;
  }
  out += '"';
}

void append_double(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  char buffer[64];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, end);
}

void append_value(std::string& out, const json::Value& value) {
  std::visit(
      [&out](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::nullptr_t>) {
          out += "null";
        } else if constexpr (std::is_same_v<T, bool>) {
          out += v ? "true" : "false";
        } else if constexpr (std::is_same_v<T, std::uint64_t> || std::is_same_v<T, std::int64_t>) {
          out += std::to_string(v);
        } else if constexpr (std::is_same_v<T, double>) {
          append_double(out, v);
        } else if constexpr (std::is_same_v<T, std::string>) {
          append_string(out, v);
        } else if constexpr (std::is_same_v<T, json::Array>) {
          out += '[';
          for (std::size_t i = 0; i < v.size(); ++i) {
            if (i > 0) out += ',';
            append_value(out, v[i]);
          }
          out += ']';
        } else {
          out += '{';
          bool first = true;
          for (const auto& [key, member] : v) {
            if (!first) out += ',';
            first = false;
            append_string(out, key);
            out += ':';
            append_value(out, member);
          }
          out += '}';
        }
      },
      value.storage());
}

}  // namespace

std::string to_json(const json::Value& value) {
  std::string out;
  append_value(out, value);
  return out;
}

json::Value text_or_null(const std::optional<std::string>& text) {
  if (!text) return nullptr;
  return *text;
}

}  // namespace zt::cli
