// document.cpp: the RapidJSON front end of the decoder.
//
// RapidJSON 1.1.0 has no pull API, so its iterative SAX reader pushes events into
// json::Decoder through EventAdapter; a stream over the text lets every event carry
// its byte offset. Where RapidJSON's verdict differs from our grammar the decoder
// and this file correct it:
//  - its error codes and offsets are not ours: on a syntax error Decoder::diagnose
//    re-reads the bytes after the last event and finds the exact fault;
//  - it accepts a lone trailing surrogate escape and emits invalid UTF-8: strings
//    that become values are checked by the decoder (ASCII needs no check);
//  - its encoding validation would reject invalid UTF-8 inside skipped values too,
//    so it is off and the decoder validates the strings it keeps;
//  - it rejects some well-formed tokens: a leading surrogate escape without its
//    trailing half (allowed inside skipped values) and numbers with large exponents
//    or very long integer parts (allowed when skipped, and 0e400 is simply zero).
//    Then the document is decoded once more from a copy in which such tokens are
//    replaced by equivalents of the same length; the decoder reads numbers and
//    re-checks strings from the original text, so the result is unchanged;
//  - it ends "01" after the zero; the decoder reports the stray digit;
//  - it takes a NUL byte for the end of the text; errors are judged on the text;
//  - it has no nesting limit and stops after the root value without looking further:
//    the decoder limits nesting and checks what follows the root;
//  - it passes lengths as 32-bit SizeType: texts above kMaxDocumentBytes never reach it.
#include "json/document.h"

#include <rapidjson/reader.h>

#include <limits>
#include <string>

#include "json/decoder.h"
#include "json/text_position.h"
#include "json/token_scan.h"

namespace zt::json {
namespace {

// RapidJSON passes string and number lengths as 32-bit SizeType; documents are
// refused above kMaxDocumentBytes, so no length can wrap.
static_assert(kMaxDocumentBytes < std::numeric_limits<rapidjson::SizeType>::max());

constexpr unsigned kParseFlags = rapidjson::kParseIterativeFlag |
                                 rapidjson::kParseNumbersAsStringsFlag |
                                 rapidjson::kParseStopWhenDoneFlag;

// A bounded input stream that knows its offset. RapidJSON reads '\0' as the end.
class TextStream {
 public:
  using Ch = char;

  explicit TextStream(std::string_view bytes)
      : begin_(bytes.data()), cursor_(bytes.data()), end_(bytes.data() + bytes.size()) {}

  Ch Peek() const { return cursor_ == end_ ? '\0' : *cursor_; }
  Ch Take() { return cursor_ == end_ ? '\0' : *cursor_++; }
  std::size_t Tell() const { return static_cast<std::size_t>(cursor_ - begin_); }

  // The output half of RapidJSON's stream concept, used only by in-situ parsing.
  Ch* PutBegin() { return nullptr; }
  void Put(Ch) {}
  void Flush() {}
  std::size_t PutEnd(Ch*) { return 0; }

 private:
  const char* begin_;
  const char* cursor_;
  const char* end_;
};

// Forwards RapidJSON's events with offsets. Container events arrive before the
// bracket is consumed, scalar events after the token.
class EventAdapter {
 public:
  EventAdapter(Decoder& decoder, const TextStream& stream) : decoder_(decoder), stream_(stream) {}

  bool Null() { return decoder_.on_null(stream_.Tell()); }
  bool Bool(bool value) { return decoder_.on_bool(value, stream_.Tell()); }
  // Numbers arrive as RawNumber (kParseNumbersAsStringsFlag).
  bool Int(int) { return false; }
  bool Uint(unsigned) { return false; }
  bool Int64(std::int64_t) { return false; }
  bool Uint64(std::uint64_t) { return false; }
  bool Double(double) { return false; }
  bool RawNumber(const char*, rapidjson::SizeType length, bool) {
    const std::size_t end = stream_.Tell();
    return decoder_.on_number(end - length, end);
  }
  bool String(const char* text, rapidjson::SizeType length, bool) {
    return decoder_.on_string(std::string_view(text, length), stream_.Tell());
  }
  bool Key(const char* text, rapidjson::SizeType length, bool) {
    return decoder_.on_key(std::string_view(text, length), stream_.Tell());
  }
  bool StartObject() { return decoder_.on_start_object(stream_.Tell()); }
  bool EndObject(rapidjson::SizeType) { return decoder_.on_end_object(stream_.Tell()); }
  bool StartArray() { return decoder_.on_start_array(stream_.Tell()); }
  bool EndArray(rapidjson::SizeType) { return decoder_.on_end_array(stream_.Tell()); }

 private:
  Decoder& decoder_;
  const TextStream& stream_;
};

enum class Run { kDone, kFailed, kTokenizerTooStrict };

Run run(std::string_view bytes, Decoder& decoder, std::size_t& stop) {
  TextStream stream(bytes);
  EventAdapter adapter(decoder, stream);
  // The reader's own stack holds one decoded string at a time.
  rapidjson::CrtAllocator allocator;
  rapidjson::Reader reader(&allocator, 1024);
  const rapidjson::ParseResult result = reader.Parse<kParseFlags>(stream, adapter);
  stop = result.Offset();
  if (!result.IsError()) return decoder.finish() ? Run::kDone : Run::kFailed;
  if (decoder.failed()) return Run::kFailed;
  return decoder.diagnose() ? Run::kFailed : Run::kTokenizerTooStrict;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The code unit of a \uXXXX escape whose backslash is at |i|, or -1.
long escape_unit(std::string_view text, std::size_t i) {
  if (i + 6 > text.size() || text[i] != '\\' || text[i + 1] != 'u') return -1;
  long unit = 0;
  for (std::size_t k = i + 2; k < i + 6; ++k) {
    const int digit = hex_digit(text[k]);
    if (digit < 0) return -1;
    unit = unit * 16 + digit;
  }
  return unit;
}

// The index after the run of characters that can occur in a number from |i| on.
std::size_t skip_number_characters(std::string_view text, std::size_t i) {
  constexpr std::string_view kNumberCharacters = "0123456789+-.eE";
  while (i < text.size() && kNumberCharacters.find(text[i]) != std::string_view::npos) ++i;
  return i;
}

// A copy of |text| in which every well-formed token RapidJSON refuses is replaced
// by one of the same length it accepts: a leading surrogate escape without its
// trailing half becomes \uFFFD, a number with an exponent or a very long integer
// part becomes 0e000… (keeping its sign).
std::string relax_for_tokenizer(std::string_view text) {
  std::string out(text);
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '"') {
      ++i;
      while (i < text.size() && text[i] != '"') {
        if (text[i] != '\\') {
          ++i;
          continue;
        }
        const long unit = escape_unit(text, i);
        if (unit < 0) {
          i += 2;
          continue;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) {
          const long next = escape_unit(text, i + 6);
          if (next >= 0xDC00 && next <= 0xDFFF) {
            i += 12;
            continue;
          }
          out.replace(i, 6, "\\uFFFD");
        }
        i += 6;
      }
      ++i;
    } else if (c == '-' || (c >= '0' && c <= '9')) {
      const auto end = scan_number(text, i, ScanMode::kSkip);
      if (!end) {
        // A malformed number: decoding fails there. Resuming after all of its
        // characters, not after its first one, keeps this pass linear.
        i = skip_number_characters(text, i);
        continue;
      }
      const std::string_view token = text.substr(i, *end - i);
      const std::size_t sign = c == '-' ? 1 : 0;
      const std::size_t integer_digits = token.find_first_of(".eE") == std::string_view::npos
                                             ? token.size() - sign
                                             : token.find_first_of(".eE") - sign;
      const bool has_exponent = token.find_first_of("eE") != std::string_view::npos;
      if ((has_exponent || integer_digits > 300) && token.size() - sign >= 3) {
        // With an exponent of its own the replacement cannot be extended by a '.',
        // 'e' or 'E' that follows the token.
        std::string zero = "0e";
        zero.append(token.size() - sign - 2, '0');
        out.replace(i + sign, zero.size(), zero);
      }
      i = *end;
    } else {
      ++i;
    }
  }
  return out;
}

}  // namespace

std::expected<void, DecodeError> decode_document(std::string_view text, const FieldDescriptor& root,
                                                 void* target, void (*reset)(void* target)) {
  if (text.size() > kMaxDocumentBytes) {
    return std::unexpected(make_decode_error(text, 0, "document exceeds 1 GiB"));
  }
  std::size_t stop = 0;
  {
    Decoder decoder(text, root, target);
    switch (run(text, decoder, stop)) {
      case Run::kDone:
        return {};
      case Run::kFailed:
        return std::unexpected(std::move(decoder.error()));
      case Run::kTokenizerTooStrict:
        break;
    }
  }
  reset(target);
  const std::string relaxed = relax_for_tokenizer(text);
  Decoder decoder(text, root, target);
  decoder.set_recheck_strings(true);
  switch (run(relaxed, decoder, stop)) {
    case Run::kDone:
      return {};
    case Run::kFailed:
      break;
    case Run::kTokenizerTooStrict:
      // Not expected: every token RapidJSON refuses has been replaced.
      decoder.fail_at(stop + 1, "expected value");
      break;
  }
  return std::unexpected(std::move(decoder.error()));
}

}  // namespace zt::json
