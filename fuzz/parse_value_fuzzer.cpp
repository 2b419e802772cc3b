// fuzz/parse_value_fuzzer.cpp: strict parsing of one JSON value. Every error must
// name a position inside the text; a value that parses must parse the same with
// whitespace after it, and must come back unchanged from its own serialisation.
#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <variant>

#include "fuzz_checks.h"
#include "json/parse_value.h"

namespace {

using zt::json::Value;

void write_string(const std::string& text, std::string& out) {
  out += '"';
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
      out += escape;
    } else {
      out += c;
    }
  }
  out += '"';
}

// write_value: compact JSON for |value|. Doubles carry an exponent so they read
// back as doubles, with 18 significant digits so they read back exactly.
void write_value(const Value& value, std::string& out) {
  char number[40];
  if (value.is_null()) {
    out += "null";
  } else if (value.is_bool()) {
    out += value.as_bool() ? "true" : "false";
  } else if (value.is_unsigned()) {
    std::snprintf(number, sizeof number, "%" PRIu64, value.as_unsigned());
    out += number;
  } else if (value.is_signed()) {
    std::snprintf(number, sizeof number, "%" PRId64, value.as_signed());
    out += number;
  } else if (value.is_double()) {
    std::snprintf(number, sizeof number, "%.17e", value.as_double());
    out += number;
  } else if (value.is_string()) {
    write_string(value.as_string(), out);
  } else if (value.is_array()) {
    out += '[';
    for (std::size_t i = 0; i < value.as_array().size(); ++i) {
      if (i > 0) out += ',';
      write_value(value.as_array()[i], out);
    }
    out += ']';
  } else {
    out += '{';
    bool first = true;
    for (const auto& [key, member] : value.as_object()) {
      if (!first) out += ',';
      first = false;
      write_string(key, out);
      out += ':';
      write_value(member, out);
    }
    out += '}';
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text = zt::fuzz::as_text(data, size);
  auto parsed = zt::json::parse_value(text);
  std::string padded = std::string(text) + "\r\n\t ";
  auto padded_parsed = zt::json::parse_value(padded);
  if (!parsed) {
    zt::fuzz::require_position_inside(text, parsed.error());
    zt::fuzz::require(!padded_parsed, "trailing whitespace made a value parse");
    zt::fuzz::require_position_inside(padded, padded_parsed.error());
    return 0;
  }
  zt::fuzz::require(padded_parsed && *padded_parsed == *parsed,
                    "trailing whitespace changed a parsed value");

  std::string written;
  write_value(*parsed, written);
  auto reparsed = zt::json::parse_value(written);
  if (!reparsed) zt::fuzz::fail("serialised value does not parse: " + reparsed.error().message());
  zt::fuzz::require(*reparsed == *parsed, "serialised value parses to another value");
  return 0;
}
