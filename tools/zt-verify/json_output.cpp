// zt-verify/json_output.cpp: compact JSON serialisation of json::Value and hex text.
#include "json_output.h"

#include <charconv>
#include <cmath>
#include <variant>

#include "ffi/c_text.h"

namespace zt::cli {
namespace {

void append_string(std::string& out, const std::string& text) {
  static constexpr char kDigits[] = "0123456789abcdef";
  const bool utf8 = ffi::is_valid_utf8(text);
  out += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      out += "\\u00";
      out += kDigits[byte >> 4];
      out += kDigits[byte & 0xF];
    } else if (byte >= 0x80 && !utf8) {
      out += "\\ufffd";
    } else {
      out += c;
    }
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

std::string to_hex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const std::uint8_t byte : bytes) {
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0xF];
  }
  return out;
}

}  // namespace zt::cli
