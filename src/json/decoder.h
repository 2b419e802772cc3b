// json/decoder.h: the typed decoding state machine. A tokenizer reports a document
// as events carrying byte offsets into the text; the decoder fills the records (or
// the Value) that a FieldDescriptor describes and produces every decoding error with its
// exact text and position. It knows nothing about the tokenizer, so every front end
// that produces these events builds identical records and errors.
//
// Nesting: at most kMaxNesting arrays and objects, the outermost counting as level 1,
// records and skipped values included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "json/decode_error.h"
#include "json/number.h"
#include "json/schema.h"
#include "json/value.h"

namespace zt::json {

inline constexpr std::size_t kMaxNesting = 127;

class Decoder {
 public:
  // |root| describes the whole document; |target| is the object it is decoded into
  // (the record struct, or a Value when root.kind is kValue).
  Decoder(std::string_view text, const FieldDescriptor& root, void* target);
  ~Decoder();
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  // set_recheck_strings: every non-ASCII string that becomes a value is re-read from
  // the text. Needed when the tokenizer read a copy of the text in which some escapes
  // were replaced by harmless ones of the same length.
  void set_recheck_strings(bool on) { recheck_strings_ = on; }

  // Events, in document order. Each returns false once decoding has failed.
  bool on_null(std::size_t end);  // end: index after the token
  bool on_bool(bool value, std::size_t end);
  bool on_number(std::size_t start, std::size_t end);         // the token is text[start, end)
  bool on_string(std::string_view decoded, std::size_t end);  // end: after the closing quote
  bool on_key(std::string_view decoded, std::size_t end);
  bool on_start_object(std::size_t at) { return on_start(true, at); }  // at: index of '{'
  bool on_end_object(std::size_t at) { return on_end(at); }            // at: index of '}'
  bool on_start_array(std::size_t at) { return on_start(false, at); }
  bool on_end_array(std::size_t at) { return on_end(at); }

  // finish: the tokenizer read the whole root value; only whitespace may follow.
  bool finish();

  // diagnose: the tokenizer stopped on bytes after the last event. Records the exact
  // fault and returns true, or returns false when those bytes are well-formed after
  // all (the tokenizer is stricter than the grammar there).
  bool diagnose();

  // fail_at: records |message| at |index| unless an error is already recorded.
  void fail_at(std::size_t index, std::string message);

  bool failed() const { return failed_; }
  DecodeError& error() { return error_; }

 private:
  enum class Want : std::uint8_t;
  enum class FrameKind : std::uint8_t;
  enum class Phase : std::uint8_t;
  struct Slot;
  struct Scalar;
  struct Frame;
  struct Builder;

  static Want want_of(Kind kind);
  bool on_start(bool object, std::size_t at);
  bool on_end(std::size_t at);
  Slot next_slot();
  bool check_value_start(const Slot& slot, std::size_t start);
  bool check_string(std::string_view decoded, std::size_t end);
  bool store(const Slot& slot, const Scalar& value);
  void deliver(Want want, void* target, Value&& value);
  bool value_done(std::size_t end);
  bool invalid_type(const Scalar& value, std::string_view expected);
  bool invalid_container(bool object, std::string_view expected, std::size_t at);
  std::size_t value_start() const;
  bool diagnose_key(std::size_t i, bool skipping);
  bool diagnose_value(std::size_t i, const Slot& slot);
  bool fail(std::size_t index, std::string message);
  bool report(std::size_t index, std::string message);

  std::string_view text_;
  const FieldDescriptor* root_;
  void* root_target_;
  std::vector<Frame> frames_;
  std::vector<Builder> builders_;
  std::size_t prev_end_ = 0;  // index after the last event's token
  bool recheck_strings_ = false;
  bool failed_ = false;
  DecodeError error_;
};

}  // namespace zt::json
