// token_scan.cpp: exact faults of single tokens.
#include "json/token_scan.h"

#include "json/utf8.h"

namespace zt::json {
namespace {

constexpr std::string_view kEofInString = "EOF while parsing a string";
constexpr std::string_view kEofInValue = "EOF while parsing a value";
constexpr std::string_view kInvalidNumber = "invalid number";
constexpr std::string_view kInvalidCodePoint = "invalid unicode code point";
// A \u escape whose four characters are not all hex digits.
constexpr std::string_view kBadHexDigit = kInvalidCodePoint;
constexpr std::string_view kLoneSurrogate = "lone leading surrogate in hex escape";
constexpr std::string_view kUnexpectedEndOfEscape = "unexpected end of hex escape";

bool is_digit(char c) { return c >= '0' && c <= '9'; }

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Four hex digits at |i|.
std::expected<unsigned, TokenFault> read_hex4(std::string_view text, std::size_t i) {
  unsigned value = 0;
  for (std::size_t k = i; k < i + 4; ++k) {
    if (k >= text.size()) return std::unexpected(TokenFault{kEofInString, text.size()});
    const int digit = hex_value(text[k]);
    if (digit < 0) return std::unexpected(TokenFault{kBadHexDigit, k + 1});
    value = value * 16 + static_cast<unsigned>(digit);
  }
  return value;
}

bool is_leading_surrogate(unsigned cp) { return cp >= 0xD800 && cp <= 0xDBFF; }
bool is_trailing_surrogate(unsigned cp) { return cp >= 0xDC00 && cp <= 0xDFFF; }

// The \u escape whose four digits start at |i|; returns the index after it (and
// after the trailing half of a surrogate pair).
std::expected<std::size_t, TokenFault> scan_unicode_escape(std::string_view text, std::size_t i,
                                                           ScanMode mode) {
  const auto first = read_hex4(text, i);
  if (!first) return std::unexpected(first.error());
  i += 4;
  if (mode == ScanMode::kSkip) return i;
  if (is_trailing_surrogate(*first)) return std::unexpected(TokenFault{kLoneSurrogate, i});
  if (!is_leading_surrogate(*first)) return i;
  if (i >= text.size()) return std::unexpected(TokenFault{kEofInString, text.size()});
  if (text[i] != '\\') return std::unexpected(TokenFault{kUnexpectedEndOfEscape, i + 1});
  ++i;
  if (i >= text.size()) return std::unexpected(TokenFault{kEofInString, text.size()});
  if (text[i] != 'u') return std::unexpected(TokenFault{kUnexpectedEndOfEscape, i + 1});
  ++i;
  const auto second = read_hex4(text, i);
  if (!second) return std::unexpected(second.error());
  i += 4;
  if (!is_trailing_surrogate(*second)) return std::unexpected(TokenFault{kLoneSurrogate, i});
  return i;
}

// Digits after a '.' or an exponent marker: at least one is required.
std::expected<std::size_t, TokenFault> scan_digits(std::string_view text, std::size_t i,
                                                   ScanMode mode) {
  if (i >= text.size()) {
    return std::unexpected(
        TokenFault{mode == ScanMode::kSkip ? kInvalidNumber : kEofInValue, text.size()});
  }
  if (!is_digit(text[i])) return std::unexpected(TokenFault{kInvalidNumber, i + 1});
  while (i < text.size() && is_digit(text[i])) ++i;
  return i;
}

}  // namespace

std::size_t skip_whitespace(std::string_view text, std::size_t i) {
  while (i < text.size() && is_json_whitespace(text[i])) ++i;
  return i;
}

std::expected<std::size_t, TokenFault> scan_string(std::string_view text, std::size_t quote,
                                                   ScanMode mode) {
  bool ill_formed = false;
  std::size_t i = quote + 1;
  for (;;) {
    if (i >= text.size()) return std::unexpected(TokenFault{kEofInString, text.size()});
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '"') {
      if (ill_formed) return std::unexpected(TokenFault{kInvalidCodePoint, i + 1});
      return i + 1;
    }
    if (c < 0x20) {
      return std::unexpected(
          TokenFault{"control character (\\u0000-\\u001F) found while parsing a string", i + 1});
    }
    if (c == '\\') {
      ++i;
      if (i >= text.size()) return std::unexpected(TokenFault{kEofInString, text.size()});
      switch (text[i]) {
        case '"':
        case '\\':
        case '/':
        case 'b':
        case 'f':
        case 'n':
        case 'r':
        case 't':
          ++i;
          continue;
        case 'u': {
          const auto end = scan_unicode_escape(text, i + 1, mode);
          if (!end) return std::unexpected(end.error());
          i = *end;
          continue;
        }
        default:
          return std::unexpected(TokenFault{"invalid escape", i + 1});
      }
    }
    if (c >= 0x80 && mode == ScanMode::kDecode) {
      const std::size_t length = utf8_sequence_length(text, i);
      if (length == 0) {
        // Reported only once the string is complete: a later fault comes first.
        ill_formed = true;
        ++i;
      } else {
        i += length;
      }
      continue;
    }
    ++i;
  }
}

std::expected<std::size_t, TokenFault> scan_number(std::string_view text, std::size_t start,
                                                   ScanMode mode) {
  std::size_t i = start;
  if (text[i] == '-') ++i;
  if (i >= text.size()) {
    return std::unexpected(
        TokenFault{mode == ScanMode::kSkip ? kInvalidNumber : kEofInValue, text.size()});
  }
  if (text[i] == '0') {
    ++i;
    // Only one leading zero.
    if (i < text.size() && is_digit(text[i]))
      return std::unexpected(TokenFault{kInvalidNumber, i + 1});
  } else if (is_digit(text[i])) {
    while (i < text.size() && is_digit(text[i])) ++i;
  } else {
    return std::unexpected(TokenFault{kInvalidNumber, i + 1});
  }
  if (i < text.size() && text[i] == '.') {
    const auto end = scan_digits(text, i + 1, mode);
    if (!end) return end;
    i = *end;
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const auto end = scan_digits(text, i, mode);
    if (!end) return end;
    i = *end;
  }
  return i;
}

std::expected<std::size_t, TokenFault> scan_literal(std::string_view text, std::size_t start) {
  const std::string_view word = text[start] == 'n' ? "null" : text[start] == 't' ? "true" : "false";
  for (std::size_t k = 1; k < word.size(); ++k) {
    const std::size_t i = start + k;
    if (i >= text.size()) return std::unexpected(TokenFault{kEofInValue, text.size()});
    if (text[i] != word[k]) return std::unexpected(TokenFault{"expected ident", i + 1});
  }
  return start + word.size();
}

}  // namespace zt::json
