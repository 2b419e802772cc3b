// decoder.cpp: records and values from tokenizer events, with exact error texts.
#include "json/decoder.h"

#include <span>
#include <utility>

#include "json/describe.h"
#include "json/text_position.h"
#include "json/token_scan.h"
#include "json/utf8.h"

namespace zt::json {

// What the next value in the document is decoded as.
enum class Decoder::Want : std::uint8_t {
  kString,
  kOptionalString,
  kBytes,
  kOptionalBytes,
  kMapBytes,  // a value of a bytes map; its key waits in the map's builder
  kBytesMap,
  kU64,
  kOptionalU64,
  kRecord,
  kOptionalRecord,
  kListElement,  // a record appended to a list
  kRecordList,
  kVariant,
  kUnit,  // the null inside {"variant": null}
  kValue,
  kOptionalValue,
  kElementValue,  // a member of a Value array or object under construction
  kValueMap,
  kCheckedValue,  // a value checked like a Value but not built
  kCheck,         // anything inside such a value
  kSkip,          // the value of an unknown key, or anything inside one
  kTrailing,      // an element after the last field of an array-form record
};

enum class Decoder::FrameKind : std::uint8_t {
  kRecordObject,
  kRecordArray,
  kRecordList,
  kBytesMap,
  kVariantObject,
  kValueArray,
  kValueObject,
  kCheckArray,
  kCheckObject,
  kSkipArray,
  kSkipObject,
};

enum class Decoder::Phase : std::uint8_t { kStart, kAfterKey, kAfterValue };

struct Decoder::Slot {
  Want want;
  const FieldDescriptor* field = nullptr;  // its record, codec or variant names
  void* target = nullptr;                  // the member, list or map written to
};

struct Decoder::Scalar {
  enum class Type : std::uint8_t { kNull, kBool, kNumber, kString };
  Type type;
  bool boolean = false;
  Number number{};
  std::string_view text{};  // decoded string
  std::size_t end = 0;
};

// One open array or object.
struct Decoder::Frame {
  FrameKind kind;
  Phase phase = Phase::kStart;
  const FieldDescriptor* field = nullptr;    // lists, maps, variants: the field decoded
  const RecordDescriptor* record = nullptr;  // records: the record decoded
  void* target = nullptr;                    // the record struct, list, map or enum
  Want delivers = Want::kSkip;               // Value containers: where the finished value goes
  void* delivery_target = nullptr;
  std::uint32_t index = 0;                   // array-form record: the next field
  std::uint64_t seen = 0;                    // object-form record: fields met so far
  const FieldDescriptor* pending = nullptr;  // object-form record: field of the coming value
};

// What a bytes map or a Value container collects. Such frames hold only values of
// their own kind, so the innermost one always owns the top builder.
struct Decoder::Builder {
  std::string key;  // key of the coming value
  Array array;
  Object object;
};

namespace {

constexpr std::string_view kEofInObject = "EOF while parsing an object";
constexpr std::string_view kEofInList = "EOF while parsing a list";
constexpr std::string_view kEofInValue = "EOF while parsing a value";
constexpr std::string_view kExpectedValue = "expected value";
constexpr std::string_view kTrailingCharacters = "trailing characters";

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// "`left` or `right`", the alternatives of an unknown-variant error.
std::string one_of(std::span<const std::string_view> names) {
  if (names.empty()) return "there are no variants";
  if (names.size() == 1) return "`" + std::string(names[0]) + "`";
  if (names.size() == 2) {
    return "`" + std::string(names[0]) + "` or `" + std::string(names[1]) + "`";
  }
  std::string out = "one of ";
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) out += ", ";
    out += "`" + std::string(names[i]) + "`";
  }
  return out;
}

}  // namespace

Decoder::Want Decoder::want_of(Kind kind) {
  using W = Want;
  switch (kind) {
    case Kind::kString:
      return W::kString;
    case Kind::kOptionalString:
      return W::kOptionalString;
    case Kind::kBytes:
      return W::kBytes;
    case Kind::kOptionalBytes:
      return W::kOptionalBytes;
    case Kind::kBytesMap:
      return W::kBytesMap;
    case Kind::kU64:
      return W::kU64;
    case Kind::kOptionalU64:
      return W::kOptionalU64;
    case Kind::kRecord:
      return W::kRecord;
    case Kind::kOptionalRecord:
      return W::kOptionalRecord;
    case Kind::kRecordList:
      return W::kRecordList;
    case Kind::kVariant:
      return W::kVariant;
    case Kind::kValue:
      return W::kValue;
    case Kind::kOptionalValue:
      return W::kOptionalValue;
    case Kind::kValueMap:
      return W::kValueMap;
    case Kind::kCheckedValue:
      return W::kCheckedValue;
  }
  return W::kSkip;
}

Decoder::Decoder(std::string_view text, const FieldDescriptor& root, void* target)
    : text_(text), root_(&root), root_target_(target) {
  frames_.reserve(16);
}

Decoder::~Decoder() = default;

bool Decoder::fail(std::size_t index, std::string message) {
  fail_at(index, std::move(message));
  return false;
}

bool Decoder::report(std::size_t index, std::string message) {
  fail_at(index, std::move(message));
  return true;
}

void Decoder::fail_at(std::size_t index, std::string message) {
  if (failed_) return;
  failed_ = true;
  error_ = make_decode_error(text_, index, std::move(message));
}

Decoder::Slot Decoder::next_slot() {
  if (frames_.empty()) return Slot{want_of(root_->kind), root_, root_target_};
  Frame& f = frames_.back();
  switch (f.kind) {
    case FrameKind::kRecordObject:
      if (f.pending == nullptr) return Slot{Want::kSkip};
      return Slot{want_of(f.pending->kind), f.pending, f.pending->member(f.target)};
    case FrameKind::kRecordArray: {
      if (f.index >= f.record->fields.size()) return Slot{Want::kTrailing};
      const FieldDescriptor& field = f.record->fields[f.index];
      return Slot{want_of(field.kind), &field, field.member(f.target)};
    }
    case FrameKind::kRecordList:
      return Slot{Want::kListElement, f.field, f.target};
    case FrameKind::kBytesMap:
      return Slot{Want::kMapBytes, f.field, f.target};
    case FrameKind::kVariantObject:
      return Slot{Want::kUnit};
    case FrameKind::kValueArray:
    case FrameKind::kValueObject:
      return Slot{Want::kElementValue};
    case FrameKind::kCheckArray:
    case FrameKind::kCheckObject:
      return Slot{Want::kCheck};
    case FrameKind::kSkipArray:
    case FrameKind::kSkipObject:
      break;
  }
  return Slot{Want::kSkip};
}

// The first byte of the value whose event is being handled: after the previous
// token, whitespace, at most one ',' or ':' and more whitespace.
std::size_t Decoder::value_start() const {
  std::size_t i = skip_whitespace(text_, prev_end_);
  if (i < text_.size() && (text_[i] == ',' || text_[i] == ':')) i = skip_whitespace(text_, i + 1);
  return i;
}

// Faults decided on the value's first byte, before the value itself is read.
bool Decoder::check_value_start(const Slot& slot, std::size_t start) {
  if (slot.want == Want::kTrailing) return fail(start + 1, std::string(kTrailingCharacters));
  if (slot.want == Want::kVariant) return fail(start + 1, std::string(kExpectedValue));
  return true;
}

// Strings that become values must be valid UTF-8 without lone surrogate escapes.
// Nearly all are ASCII; the rest are checked, and a faulty one is re-read from the
// text to find the exact fault and its position.
bool Decoder::check_string(std::string_view decoded, std::size_t end) {
  if (is_ascii(decoded)) return true;
  if (!recheck_strings_ && is_valid_utf8(decoded)) return true;
  const std::size_t quote = text_.find('"', prev_end_);
  if (quote != std::string_view::npos && quote < end) {
    const auto scanned = scan_string(text_, quote, ScanMode::kDecode);
    if (!scanned) return fail(scanned.error().index, std::string(scanned.error().message));
  }
  if (!is_valid_utf8(decoded)) return fail(end, "invalid unicode code point");
  return true;
}

bool Decoder::invalid_type(const Scalar& value, std::string_view expected) {
  std::string found;
  switch (value.type) {
    case Scalar::Type::kNull:
      found = "null";
      break;
    case Scalar::Type::kBool:
      found = describe_bool(value.boolean);
      break;
    case Scalar::Type::kNumber:
      found = describe_number(value.number);
      break;
    case Scalar::Type::kString:
      found = describe_string(value.text);
      break;
  }
  return fail(value.end, "invalid type: " + found + ", expected " + std::string(expected));
}

// An array or object where something else was expected; reported before its bracket.
bool Decoder::invalid_container(bool object, std::string_view expected, std::size_t at) {
  return fail(at, std::string("invalid type: ") + (object ? "map" : "sequence") + ", expected " +
                      std::string(expected));
}

bool Decoder::on_null(std::size_t end) {
  if (failed_) return false;
  const Slot slot = next_slot();
  if (!check_value_start(slot, end - 4)) return false;
  if (slot.want != Want::kSkip && !store(slot, Scalar{Scalar::Type::kNull, false, {}, {}, end})) {
    return false;
  }
  return value_done(end);
}

bool Decoder::on_bool(bool value, std::size_t end) {
  if (failed_) return false;
  const Slot slot = next_slot();
  if (!check_value_start(slot, end - (value ? 4 : 5))) return false;
  if (slot.want != Want::kSkip && !store(slot, Scalar{Scalar::Type::kBool, value, {}, {}, end})) {
    return false;
  }
  return value_done(end);
}

bool Decoder::on_number(std::size_t start, std::size_t end) {
  if (failed_) return false;
  const Slot slot = next_slot();
  if (!check_value_start(slot, start)) return false;
  // A digit right after the token: the number was a lone leading zero followed by more digits.
  if (end < text_.size() && is_digit(text_[end])) return fail(end + 1, "invalid number");
  if (slot.want == Want::kSkip) return value_done(end);
  const auto number = classify_number(text_.substr(start, end - start));
  if (!number) return fail(end, "number out of range");
  if (!store(slot, Scalar{Scalar::Type::kNumber, false, *number, {}, end})) return false;
  return value_done(end);
}

bool Decoder::on_string(std::string_view decoded, std::size_t end) {
  if (failed_) return false;
  const Slot slot = next_slot();
  if (slot.want == Want::kTrailing) {
    return fail(value_start() + 1, std::string(kTrailingCharacters));
  }
  if (slot.want == Want::kSkip) return value_done(end);
  if (!check_string(decoded, end)) return false;
  if (!store(slot, Scalar{Scalar::Type::kString, false, {}, decoded, end})) return false;
  return value_done(end);
}

bool Decoder::on_key(std::string_view decoded, std::size_t end) {
  if (failed_) return false;
  Frame& f = frames_.back();
  switch (f.kind) {
    case FrameKind::kVariantObject: {
      // {"left": null, ...}: only one key is allowed.
      if (f.phase == Phase::kAfterValue) {
        return fail(skip_whitespace(text_, prev_end_), std::string(kExpectedValue));
      }
      if (!check_string(decoded, end)) return false;
      const auto names = f.field->variant->names;
      std::size_t index = 0;
      while (index < names.size() && names[index] != decoded) ++index;
      if (index == names.size()) {
        return fail(end,
                    "unknown variant `" + std::string(decoded) + "`, expected " + one_of(names));
      }
      f.field->set_variant(f.target, index);
      break;
    }
    case FrameKind::kRecordObject: {
      if (!check_string(decoded, end)) return false;
      f.pending = nullptr;
      const auto fields = f.record->fields;
      for (std::size_t k = 0; k < fields.size(); ++k) {
        if (fields[k].name != decoded) continue;
        const std::uint64_t bit = std::uint64_t{1} << k;
        if ((f.seen & bit) != 0) {
          return fail(skip_whitespace(text_, end),
                      "duplicate field `" + std::string(decoded) + "`");
        }
        f.seen |= bit;
        f.pending = &fields[k];
        break;
      }
      break;
    }
    case FrameKind::kBytesMap:
    case FrameKind::kValueObject:
      if (!check_string(decoded, end)) return false;
      builders_.back().key.assign(decoded);
      break;
    case FrameKind::kCheckObject:
      if (!check_string(decoded, end)) return false;
      break;
    default:
      break;  // inside a skipped value keys are not examined
  }
  f.phase = Phase::kAfterKey;
  prev_end_ = end;
  return true;
}

bool Decoder::store(const Slot& slot, const Scalar& value) {
  const bool is_null = value.type == Scalar::Type::kNull;
  const bool is_string = value.type == Scalar::Type::kString;
  switch (slot.want) {
    case Want::kOptionalString:
      if (is_null) return true;
      if (!is_string) return invalid_type(value, "a string");
      static_cast<std::optional<std::string>*>(slot.target)->emplace(value.text);
      return true;
    case Want::kString:
      if (!is_string) return invalid_type(value, "a string");
      static_cast<std::string*>(slot.target)->assign(value.text);
      return true;
    case Want::kOptionalBytes:
      if (is_null) return true;
      [[fallthrough]];
    case Want::kBytes:
    case Want::kMapBytes: {
      const BytesCodec& codec = *slot.field->codec;
      if (!is_string) return invalid_type(value, codec.expecting);
      ByteString bytes;
      if (auto decoded = codec.decode(value.text, bytes); !decoded) {
        return fail(value.end, std::move(decoded.error()));
      }
      if (slot.want == Want::kBytes) {
        *static_cast<ByteString*>(slot.target) = std::move(bytes);
      } else if (slot.want == Want::kOptionalBytes) {
        static_cast<std::optional<ByteString>*>(slot.target)->emplace(std::move(bytes));
      } else {
        static_cast<ByteStringMap*>(slot.target)
            ->insert_or_assign(std::move(builders_.back().key), std::move(bytes));
      }
      return true;
    }
    case Want::kOptionalU64:
      if (is_null) return true;
      [[fallthrough]];
    case Want::kU64:
      if (value.type == Scalar::Type::kNumber) {
        if (value.number.kind == Number::Kind::kUnsigned) {
          if (slot.want == Want::kU64) {
            *static_cast<std::uint64_t*>(slot.target) = value.number.u;
          } else {
            static_cast<std::optional<std::uint64_t>*>(slot.target)->emplace(value.number.u);
          }
          return true;
        }
        if (value.number.kind == Number::Kind::kSigned) {
          return fail(value.end,
                      "invalid value: " + describe_number(value.number) + ", expected u64");
        }
      }
      return invalid_type(value, "u64");
    case Want::kOptionalRecord:
      if (is_null) return true;
      [[fallthrough]];
    case Want::kRecord:
    case Want::kListElement:
      return invalid_type(value, slot.field->record->expecting);
    case Want::kRecordList:
      return invalid_type(value, "a sequence");
    case Want::kBytesMap:
    case Want::kValueMap:
      return invalid_type(value, "a map");
    case Want::kVariant: {
      const auto names = slot.field->variant->names;
      for (std::size_t index = 0; index < names.size(); ++index) {
        if (names[index] == value.text) {
          slot.field->set_variant(slot.target, index);
          return true;
        }
      }
      return fail(value.end,
                  "unknown variant `" + std::string(value.text) + "`, expected " + one_of(names));
    }
    case Want::kUnit:
      return is_null || invalid_type(value, "unit");
    case Want::kOptionalValue:
      if (is_null) return true;
      [[fallthrough]];
    case Want::kValue:
    case Want::kElementValue:
      switch (value.type) {
        case Scalar::Type::kNull:
          deliver(slot.want, slot.target, Value());
          break;
        case Scalar::Type::kBool:
          deliver(slot.want, slot.target, Value(value.boolean));
          break;
        case Scalar::Type::kNumber:
          if (value.number.kind == Number::Kind::kUnsigned) {
            deliver(slot.want, slot.target, Value(value.number.u));
          } else if (value.number.kind == Number::Kind::kSigned) {
            deliver(slot.want, slot.target, Value(value.number.i));
          } else {
            deliver(slot.want, slot.target, Value(value.number.d));
          }
          break;
        case Scalar::Type::kString:
          deliver(slot.want, slot.target, Value(std::string(value.text)));
          break;
      }
      return true;
    case Want::kCheckedValue:
      if (!is_null) static_cast<CheckedValue*>(slot.target)->present = true;
      return true;
    case Want::kCheck:
    case Want::kSkip:
    case Want::kTrailing:
      break;
  }
  return true;
}

void Decoder::deliver(Want want, void* target, Value&& value) {
  switch (want) {
    case Want::kValue:
      *static_cast<Value*>(target) = std::move(value);
      break;
    case Want::kOptionalValue:
      static_cast<std::optional<Value>*>(target)->emplace(std::move(value));
      break;
    case Want::kElementValue: {
      Builder& parent = builders_.back();
      if (frames_.back().kind == FrameKind::kValueArray) {
        parent.array.push_back(std::move(value));
      } else {
        parent.object.insert_or_assign(std::move(parent.key), std::move(value));
      }
      break;
    }
    default:
      break;
  }
}

bool Decoder::value_done(std::size_t end) {
  prev_end_ = end;
  if (frames_.empty()) return true;
  Frame& f = frames_.back();
  if (f.kind == FrameKind::kRecordObject) f.pending = nullptr;
  if (f.kind == FrameKind::kRecordArray) ++f.index;
  f.phase = Phase::kAfterValue;
  return true;
}

bool Decoder::on_start(bool object, std::size_t at) {
  if (failed_) return false;
  const Slot slot = next_slot();
  Frame frame{};
  switch (slot.want) {
    case Want::kTrailing:
      return fail(at + 1, std::string(kTrailingCharacters));
    case Want::kVariant:
      if (!object) return fail(at + 1, std::string(kExpectedValue));
      frame.kind = FrameKind::kVariantObject;
      frame.field = slot.field;
      frame.target = slot.target;
      break;
    case Want::kString:
    case Want::kOptionalString:
      return invalid_container(object, "a string", at);
    case Want::kBytes:
    case Want::kOptionalBytes:
    case Want::kMapBytes:
      return invalid_container(object, slot.field->codec->expecting, at);
    case Want::kU64:
    case Want::kOptionalU64:
      return invalid_container(object, "u64", at);
    case Want::kUnit:
      return invalid_container(object, "unit", at);
    case Want::kRecord:
    case Want::kOptionalRecord:
    case Want::kListElement:
      frame.kind = object ? FrameKind::kRecordObject : FrameKind::kRecordArray;
      frame.record = slot.field->record;
      frame.target = slot.want == Want::kRecord ? slot.target : slot.field->emplace(slot.target);
      break;
    case Want::kRecordList:
      if (object) return invalid_container(object, "a sequence", at);
      frame.kind = FrameKind::kRecordList;
      frame.field = slot.field;
      frame.target = slot.target;
      break;
    case Want::kBytesMap:
      if (!object) return invalid_container(object, "a map", at);
      frame.kind = FrameKind::kBytesMap;
      frame.field = slot.field;
      frame.target = slot.target;
      break;
    case Want::kValueMap:
      if (!object) return invalid_container(object, "a map", at);
      frame.kind = FrameKind::kValueObject;
      frame.delivers = Want::kValueMap;
      frame.delivery_target = slot.target;
      break;
    case Want::kValue:
    case Want::kOptionalValue:
    case Want::kElementValue:
      frame.kind = object ? FrameKind::kValueObject : FrameKind::kValueArray;
      frame.delivers = slot.want;
      frame.delivery_target = slot.target;
      break;
    case Want::kCheckedValue:
      static_cast<CheckedValue*>(slot.target)->present = true;
      [[fallthrough]];
    case Want::kCheck:
      frame.kind = object ? FrameKind::kCheckObject : FrameKind::kCheckArray;
      break;
    case Want::kSkip:
      frame.kind = object ? FrameKind::kSkipObject : FrameKind::kSkipArray;
      break;
  }
  if (frames_.size() >= kMaxNesting) return fail(at + 1, "recursion limit exceeded");
  if (frame.kind == FrameKind::kBytesMap || frame.kind == FrameKind::kValueArray ||
      frame.kind == FrameKind::kValueObject) {
    builders_.emplace_back();
  }
  frames_.push_back(frame);
  prev_end_ = at + 1;
  return true;
}

bool Decoder::on_end(std::size_t at) {
  if (failed_) return false;
  Frame& f = frames_.back();
  const std::size_t after = at + 1;
  switch (f.kind) {
    case FrameKind::kRecordObject: {
      const auto fields = f.record->fields;
      for (std::size_t k = 0; k < fields.size(); ++k) {
        if (fields[k].presence == Presence::kRequired && (f.seen & (std::uint64_t{1} << k)) == 0) {
          return fail(after, "missing field `" + std::string(fields[k].name) + "`");
        }
      }
      break;
    }
    case FrameKind::kRecordArray: {
      const auto fields = f.record->fields;
      for (std::size_t k = f.index; k < fields.size(); ++k) {
        if (fields[k].presence != Presence::kDefaulted) {
          return fail(after, "invalid length " + std::to_string(k) + ", expected " +
                                 std::string(f.record->expecting_length));
        }
      }
      break;
    }
    case FrameKind::kVariantObject:
      if (f.phase == Phase::kStart) return fail(after, std::string(kExpectedValue));
      break;
    case FrameKind::kBytesMap:
      builders_.pop_back();
      break;
    case FrameKind::kValueArray:
    case FrameKind::kValueObject: {
      const Want want = f.delivers;
      void* target = f.delivery_target;
      Builder& built = builders_.back();
      if (want == Want::kValueMap) {
        *static_cast<Object*>(target) = std::move(built.object);
        builders_.pop_back();
        frames_.pop_back();
        return value_done(after);
      }
      Value value = f.kind == FrameKind::kValueArray ? Value(std::move(built.array))
                                                     : Value(std::move(built.object));
      builders_.pop_back();
      frames_.pop_back();
      deliver(want, target, std::move(value));
      return value_done(after);
    }
    default:
      break;
  }
  frames_.pop_back();
  return value_done(after);
}

bool Decoder::finish() {
  if (failed_) return false;
  const std::size_t i = skip_whitespace(text_, prev_end_);
  if (i < text_.size()) return fail(i + 1, std::string(kTrailingCharacters));
  return true;
}

bool Decoder::diagnose() {
  if (failed_) return true;
  const std::size_t n = text_.size();
  std::size_t i = skip_whitespace(text_, prev_end_);
  if (frames_.empty()) return diagnose_value(i, next_slot());
  const Frame& f = frames_.back();
  switch (f.kind) {
    case FrameKind::kVariantObject:
      if (f.phase == Phase::kAfterValue) {
        // Only the closing brace may follow the variant's value.
        return i == n ? report(n, std::string(kEofInObject))
                      : report(i, std::string(kExpectedValue));
      }
      if (f.phase == Phase::kStart && i == n) return report(n, std::string(kEofInValue));
      [[fallthrough]];
    case FrameKind::kRecordObject:
    case FrameKind::kBytesMap:
    case FrameKind::kValueObject:
    case FrameKind::kCheckObject:
    case FrameKind::kSkipObject: {
      const bool skipping = f.kind == FrameKind::kSkipObject;
      if (i == n) return report(n, std::string(kEofInObject));
      switch (f.phase) {
        case Phase::kStart:
          return diagnose_key(i, skipping);
        case Phase::kAfterKey:
          if (text_[i] != ':') return report(i + 1, "expected `:`");
          return diagnose_value(skip_whitespace(text_, i + 1), next_slot());
        case Phase::kAfterValue:
          if (text_[i] != ',') return report(i + 1, "expected `,` or `}`");
          i = skip_whitespace(text_, i + 1);
          if (i == n) return report(n, std::string(kEofInValue));
          if (text_[i] == '}') return report(i + 1, "trailing comma");
          return diagnose_key(i, skipping);
      }
      return false;
    }
    default:
      break;
  }
  // Arrays.
  if (i == n) return report(n, std::string(kEofInList));
  const Slot slot = next_slot();
  if (f.phase == Phase::kStart) return diagnose_value(i, slot);
  if (text_[i] != ',') return report(i + 1, "expected `,` or `]`");
  i = skip_whitespace(text_, i + 1);
  if (i == n) {
    return report(n, std::string(slot.want == Want::kTrailing ? kTrailingCharacters : kEofInValue));
  }
  if (text_[i] == ']') return report(i + 1, "trailing comma");
  return diagnose_value(i, slot);
}

bool Decoder::diagnose_key(std::size_t i, bool skipping) {
  if (text_[i] != '"') return report(i + 1, "key must be a string");
  const auto scanned = scan_string(text_, i, skipping ? ScanMode::kSkip : ScanMode::kDecode);
  if (!scanned) return report(scanned.error().index, std::string(scanned.error().message));
  return false;
}

bool Decoder::diagnose_value(std::size_t i, const Slot& slot) {
  const std::size_t n = text_.size();
  if (i == n) return report(n, std::string(kEofInValue));
  if (slot.want == Want::kTrailing) return report(i + 1, std::string(kTrailingCharacters));
  const char c = text_[i];
  if (slot.want == Want::kVariant && c != '"' && c != '{') {
    return report(i + 1, std::string(kExpectedValue));
  }
  const ScanMode mode = slot.want == Want::kSkip ? ScanMode::kSkip : ScanMode::kDecode;
  std::expected<std::size_t, TokenFault> scanned;
  if (c == '"') {
    scanned = scan_string(text_, i, mode);
  } else if (c == '-' || is_digit(c)) {
    scanned = scan_number(text_, i, mode);
    if (scanned && mode == ScanMode::kDecode && !classify_number(text_.substr(i, *scanned - i))) {
      return report(*scanned, "number out of range");
    }
  } else if (c == 'n' || c == 't' || c == 'f') {
    scanned = scan_literal(text_, i);
  } else {
    return report(i + 1, std::string(kExpectedValue));
  }
  if (!scanned) return report(scanned.error().index, std::string(scanned.error().message));
  return false;
}

}  // namespace zt::json
