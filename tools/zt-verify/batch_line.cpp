// zt-verify/batch_line.cpp: a small scanner over one line: the top-level object is
// read member by member, values are skipped by matching brackets outside strings
// (the library decodes the documents themselves and reports their faults), and
// string values are unescaped. The usual layout is guessed first from a few bytes.
#include "batch_line.h"

#include <string.h>

#include <cstdint>
#include <cstring>
#include <optional>

namespace zt::cli {
namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// skip_blanks: the index of the first byte from |i| on that is not blank.
std::size_t skip_blanks(std::string_view text, std::size_t i) {
  while (i < text.size() && is_space(text[i])) ++i;
  return i;
}

// next_string_special: the index of the first quote, backslash or control character
// at or after |i|, or text.size(). Eight bytes at a time: most of a bet's bytes are
// hex digits inside strings, and this scan is most of what splitting a line costs.
std::size_t next_string_special(std::string_view text, std::size_t i) {
  constexpr std::uint64_t kOnes = 0x0101010101010101;
  constexpr std::uint64_t kHighs = 0x8080808080808080;
  const auto has_zero_byte = [](std::uint64_t x) { return (x - kOnes) & ~x & kHighs; };
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + i, 8);
    const std::uint64_t special = has_zero_byte(word ^ (kOnes * '"')) |
                                  has_zero_byte(word ^ (kOnes * '\\')) |
                                  ((word - kOnes * 0x20) & ~word & kHighs);
    if (special != 0) break;
  }
  while (i < text.size()) {
    const char c = text[i];
    if (c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20) break;
    ++i;
  }
  return i;
}

class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  std::size_t position() const { return pos_; }
  bool at_end() const { return pos_ >= text_.size(); }
  char peek() const { return at_end() ? '\0' : text_[pos_]; }

  void skip_whitespace() { pos_ = skip_blanks(text_, pos_); }

  bool consume(char c) {
    if (peek() != c || at_end()) return false;
    ++pos_;
    return true;
  }

  // skip_string: from the opening quote to just past the closing one. Escapes are
  // only stepped over here; unescape() checks them.
  bool skip_string() {
    if (!consume('"')) return false;
    while (!at_end()) {
      pos_ = next_string_special(text_, pos_);
      if (at_end()) return false;
      const char c = text_[pos_];
      if (static_cast<unsigned char>(c) < 0x20) return false;  // the position of the fault
      ++pos_;
      if (c == '"') return true;
      if (c == '\\') {
        if (at_end()) return false;
        ++pos_;
      }
    }
    return false;
  }

  // skip_value: one value. Arrays and objects end at their matching bracket; a
  // scalar ends before the next delimiter or blank.
  bool skip_value() {
    const char first = peek();
    if (first == '"') return skip_string();
    if (first == '{' || first == '[') return skip_nested();
    const std::size_t start = pos_;
    while (!at_end()) {
      const char c = text_[pos_];
      if (c == ',' || c == '}' || c == ']' || is_space(c)) break;
      ++pos_;
    }
    return pos_ > start;
  }

 private:
  bool skip_nested() {
    std::string closers;  // the brackets still open, innermost last
    while (!at_end()) {
      const char c = text_[pos_];
      if (c == '"') {
        if (!skip_string()) return false;
        continue;
      }
      if ((c == '}' || c == ']') && (closers.empty() || closers.back() != c)) return false;
      ++pos_;
      if (c == '{') {
        closers += '}';
      } else if (c == '[') {
        closers += ']';
      } else if (c == '}' || c == ']') {
        closers.pop_back();
        if (closers.empty()) return true;
      }
    }
    return false;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

std::optional<std::uint32_t> read_hex4(std::string_view text, std::size_t& i) {
  if (i + 4 > text.size()) return std::nullopt;
  std::uint32_t value = 0;
  for (std::size_t end = i + 4; i < end; ++i) {
    const char c = text[i];
    value <<= 4;
    if (c >= '0' && c <= '9') {
      value |= static_cast<std::uint32_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      value |= static_cast<std::uint32_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      value |= static_cast<std::uint32_t>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
  }
  return value;
}

void append_utf8(std::string& out, std::uint32_t code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code_point >> 18));
    out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

// unescape: the text of a JSON string literal, quotes included, already checked by
// skip_string. Without escapes the result is a view into |literal|; otherwise it is
// built in |buffer|. Lone surrogate escapes are refused: they have no UTF-8 form.
std::optional<std::string_view> unescape(std::string_view literal, std::string& buffer) {
  const std::string_view body = literal.substr(1, literal.size() - 2);
  if (body.find('\\') == std::string_view::npos) return body;
  buffer.clear();
  for (std::size_t i = 0; i < body.size();) {
    const char c = body[i++];
    if (c != '\\') {
      buffer += c;
      continue;
    }
    const char escape = body[i++];
    switch (escape) {
      case '"':
      case '\\':
      case '/':
        buffer += escape;
        break;
      case 'b':
        buffer += '\b';
        break;
      case 'f':
        buffer += '\f';
        break;
      case 'n':
        buffer += '\n';
        break;
      case 'r':
        buffer += '\r';
        break;
      case 't':
        buffer += '\t';
        break;
      case 'u': {
        auto unit = read_hex4(body, i);
        if (!unit || (*unit >= 0xDC00 && *unit <= 0xDFFF)) return std::nullopt;
        std::uint32_t code_point = *unit;
        if (*unit >= 0xD800 && *unit <= 0xDBFF) {
          if (body.substr(i, 2) != "\\u") return std::nullopt;
          i += 2;
          auto low = read_hex4(body, i);
          if (!low || *low < 0xDC00 || *low > 0xDFFF) return std::nullopt;
          code_point = 0x10000 + ((*unit - 0xD800) << 10) + (*low - 0xDC00);
        }
        append_utf8(buffer, code_point);
        break;
      }
      default:
        return std::nullopt;
    }
  }
  return std::string_view(buffer);
}

}  // namespace

bool is_blank_line(std::string_view line) {
  for (const char c : line) {
    if (!is_space(c)) return false;
  }
  return true;
}

namespace {

std::unexpected<std::string> at_column(std::string what, std::size_t position) {
  return std::unexpected(what + " at column " + std::to_string(position + 1));
}

// not_json: the fault of a line whose syntax breaks at |position|. A line that
// simply ends inside the object is usually the first line of a pretty-printed
// document, which batch cannot read.
std::unexpected<std::string> not_json(std::string_view line, std::size_t position) {
  if (position >= line.size() || is_blank_line(line.substr(position))) {
    return std::unexpected(std::string(
        "line ends inside its JSON object: batch reads one bet per line (a pretty-printed "
        "receipt or transcript belongs to 'zt-verify bet')"));
  }
  return at_column("line is not valid JSON", position);
}

// skip_blanks_back: the index after the last byte before |end| that is not blank.
std::size_t skip_blanks_back(std::string_view text, std::size_t end) {
  while (end > 0 && is_space(text[end - 1])) --end;
  return end;
}

// after_token: the index just past |token| when it follows |i| after blanks, else npos.
std::size_t after_token(std::string_view text, std::size_t i, std::string_view token) {
  i = skip_blanks(text, i);
  return text.substr(i).starts_with(token) ? i + token.size() : std::string_view::npos;
}

}  // namespace

std::optional<BatchDocuments> guess_inline_documents(std::string_view line) {
  constexpr std::string_view kTranscriptKey = "\"transcript\"";
  constexpr std::size_t npos = std::string_view::npos;
  std::size_t receipt_start = after_token(line, 0, "{");
  if (receipt_start != npos) receipt_start = after_token(line, receipt_start, "\"receipt\"");
  if (receipt_start != npos) receipt_start = after_token(line, receipt_start, ":");
  if (receipt_start == npos) return std::nullopt;
  receipt_start = skip_blanks(line, receipt_start);
  std::size_t transcript_end = skip_blanks_back(line, line.size());  // just past the last }
  if (transcript_end <= receipt_start || line[transcript_end - 1] != '}') return std::nullopt;
  transcript_end = skip_blanks_back(line, transcript_end - 1);

  // The transcript, the shorter document, comes last: each '{' from the right is
  // tried as the start of its value, which a few braces back is preceded by
  // ,"transcript": and the receipt's end.
  const auto is_object = [](std::string_view text) {
    return text.size() >= 2 && text.front() == '{' && text.back() == '}';
  };
  for (std::size_t end = transcript_end; end > receipt_start;) {
    const void* found = memrchr(line.data() + receipt_start, '{', end - receipt_start);
    if (found == nullptr) break;
    const std::size_t transcript_start = static_cast<const char*>(found) - line.data();
    end = transcript_start;
    const std::size_t colon_end = skip_blanks_back(line, transcript_start);
    if (colon_end <= receipt_start || line[colon_end - 1] != ':') continue;
    const std::size_t key_end = skip_blanks_back(line, colon_end - 1);
    if (key_end < receipt_start + kTranscriptKey.size() ||
        line.substr(key_end - kTranscriptKey.size(), kTranscriptKey.size()) != kTranscriptKey) {
      continue;
    }
    const std::size_t comma_end = skip_blanks_back(line, key_end - kTranscriptKey.size());
    if (comma_end <= receipt_start + 1 || line[comma_end - 1] != ',') continue;
    const std::size_t receipt_end = skip_blanks_back(line, comma_end - 1);
    if (receipt_end <= receipt_start) continue;
    const std::string_view receipt = line.substr(receipt_start, receipt_end - receipt_start);
    const std::string_view transcript =
        line.substr(transcript_start, transcript_end - transcript_start);
    // Objects only: a string member would need unescaping, which the full split does.
    if (!is_object(receipt) || !is_object(transcript)) return std::nullopt;
    return BatchDocuments{receipt, transcript, {}};
  }
  return std::nullopt;
}

std::expected<BatchDocuments, std::string> split_batch_line(std::string_view line,
                                                            std::string& receipt_buffer,
                                                            std::string& transcript_buffer) {
  Scanner scanner(line);
  std::optional<std::string_view> receipt;
  std::optional<std::string_view> transcript;
  std::string name;
  std::string key_buffer;
  std::string name_buffer;

  scanner.skip_whitespace();
  if (!scanner.consume('{')) {
    return std::unexpected(
        std::string("line is not a JSON object; each line must be one object with \"receipt\" and "
                    "\"transcript\" members"));
  }
  scanner.skip_whitespace();
  if (!scanner.consume('}')) {
    while (true) {
      const std::size_t key_start = scanner.position();
      if (scanner.peek() != '"' || !scanner.skip_string())
        return not_json(line, scanner.position());
      auto key = unescape(line.substr(key_start, scanner.position() - key_start), key_buffer);
      if (!key) return at_column("line has a member name with an invalid escape", key_start);
      scanner.skip_whitespace();
      if (!scanner.consume(':')) return not_json(line, scanner.position());
      scanner.skip_whitespace();
      const std::size_t value_start = scanner.position();
      if (!scanner.skip_value()) return not_json(line, scanner.position());
      const std::string_view value = line.substr(value_start, scanner.position() - value_start);

      std::optional<std::string_view>* slot = nullptr;
      std::string* buffer = nullptr;
      if (*key == "receipt") {
        slot = &receipt;
        buffer = &receipt_buffer;
      } else if (*key == "transcript") {
        slot = &transcript;
        buffer = &transcript_buffer;
      } else if (*key == "name" && value.front() == '"') {
        if (auto text = unescape(value, name_buffer)) name = std::string(*text);
      }
      if (slot != nullptr) {
        if (slot->has_value()) {
          return at_column("line has the \"" + std::string(*key) + "\" member twice", key_start);
        }
        if (value.front() == '"') {
          *slot = unescape(value, *buffer);
          if (!slot->has_value()) {
            return at_column(
                "line's \"" + std::string(*key) + "\" member is a string with an invalid escape",
                value_start);
          }
        } else {
          *slot = value;
        }
      }

      scanner.skip_whitespace();
      if (scanner.consume('}')) break;
      if (!scanner.consume(',')) return not_json(line, scanner.position());
      scanner.skip_whitespace();
    }
  }
  scanner.skip_whitespace();
  if (!scanner.at_end())
    return at_column("line has text after its JSON object", scanner.position());
  if (!receipt) return std::unexpected(std::string("line has no \"receipt\" member"));
  if (!transcript) return std::unexpected(std::string("line has no \"transcript\" member"));
  return BatchDocuments{*receipt, *transcript, std::move(name)};
}

}  // namespace zt::cli
