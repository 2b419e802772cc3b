// json/token_scan.h: a byte-exact reader of single JSON tokens (whitespace, strings,
// numbers, the literals) that names the first fault of a token and the index its
// error is reported at. The decoder uses it where the tokenizer's own verdict is
// not precise enough: to explain a tokenizer failure and to re-check strings.
#pragma once

#include <cstddef>
#include <expected>
#include <string_view>

namespace zt::json {

struct TokenFault {
  std::string_view message;  // e.g. "invalid escape"
  std::size_t index;         // byte index for make_decode_error
};

// kDecode: the token becomes a value, so strings must be valid UTF-8 with paired
// surrogate escapes and numbers end cleanly where the value ends. kSkip: the token
// belongs to an ignored value and only its grammar matters.
enum class ScanMode { kDecode, kSkip };

inline bool is_json_whitespace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::size_t skip_whitespace(std::string_view text, std::size_t i);

// scan_string: |text[quote]| is the opening quote; returns the index after the closing quote.
std::expected<std::size_t, TokenFault> scan_string(std::string_view text, std::size_t quote,
                                                   ScanMode mode);

// scan_number: |text[start]| is '-' or a digit; returns the index after the number.
std::expected<std::size_t, TokenFault> scan_number(std::string_view text, std::size_t start,
                                                   ScanMode mode);

// scan_literal: |text[start]| is 'n', 't' or 'f'; checks the rest of null/true/false.
std::expected<std::size_t, TokenFault> scan_literal(std::string_view text, std::size_t start);

}  // namespace zt::json
