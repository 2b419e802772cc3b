// json/schema.h: descriptions of the records a document decodes into. A RecordDescriptor
// lists a record's fields in declared order; each FieldDescriptor says how its value is
// written in JSON, whether it may be left out, and where it lives in the C++
// struct. Descriptors are constants built with json::field<&Struct::member>(...), which
// picks the kind from the member's type. The decoder reads only the descriptors, so every
// front end that feeds it events builds the same records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "json/byte_string.h"
#include "json/value.h"

namespace zt::json {

using ByteStringMap = std::map<std::string, ByteString, std::less<>>;

enum class Kind : std::uint8_t {
  kString,          // std::string
  kOptionalString,  // std::optional<std::string>; null is absent
  kBytes,           // ByteString, a JSON string turned into bytes by a BytesCodec
  kOptionalBytes,   // std::optional<ByteString>; null is absent
  kBytesMap,        // ByteStringMap from an object of such strings; last duplicate wins
  kU64,             // std::uint64_t
  kOptionalU64,     // std::optional<std::uint64_t>; null is absent
  kRecord,          // a nested record
  kOptionalRecord,  // std::optional of a nested record; null is absent
  kRecordList,      // std::vector of a nested record, from an array
  kVariant,         // an enumeration: "name" or {"name": null}
  kValue,           // Value; null is a present value
  kOptionalValue,   // std::optional<Value>; null is absent
  kValueMap,        // Object, from a JSON object; last duplicate wins
  kCheckedValue,    // CheckedValue: checked like a Value, then dropped; null is absent
};

enum class Presence : std::uint8_t {
  kRequired,   // missing from an object is an error; a required array position
  kOptional,   // may be missing from an object (absent or empty); a required array position
  kDefaulted,  // may be missing from an object and cut off the end of an array
};

struct RecordDescriptor;

// CheckedValue: a JSON value that nothing reads. It gets every check a Value gets
// (well-formed, valid UTF-8, numbers in range, nesting), so a document decodes or
// fails exactly as if it were kept, but no tree is built: only whether a non-null
// value was there is remembered.
struct CheckedValue {
  bool present = false;

  friend bool operator==(const CheckedValue&, const CheckedValue&) = default;
};

// BytesCodec: how a byte field's string becomes bytes, and its expectation text.
// decode writes the bytes straight into the field, or returns the error text.
struct BytesCodec {
  std::string_view expecting;  // e.g. "a lowercase hex string"
  std::expected<void, std::string> (*decode)(std::string_view text, ByteString& out);
};

// VariantDescriptor: the names of an enumeration's values, in the order of their numbers.
struct VariantDescriptor {
  std::span<const std::string_view> names;
};

struct FieldDescriptor {
  std::string_view name;
  Kind kind;
  Presence presence = Presence::kRequired;
  void* (*member)(void* record) = nullptr;   // the field inside its record
  const RecordDescriptor* record = nullptr;  // kRecord, kOptionalRecord, kRecordList
  void* (*emplace)(void* member) = nullptr;  // kOptionalRecord, kRecordList: a new element
  void (*reserve)(void* member, std::size_t count) = nullptr;  // kRecordList: room for |count|
  const BytesCodec* codec = nullptr;                           // kBytes, kOptionalBytes, kBytesMap
  const VariantDescriptor* variant = nullptr;                  // kVariant
  void (*set_variant)(void* member, std::size_t index) = nullptr;
};

struct RecordDescriptor {
  constexpr RecordDescriptor(std::string_view expecting, std::string_view expecting_length,
                             std::span<const FieldDescriptor> fields)
      : expecting(expecting), expecting_length(expecting_length), fields(fields) {
    for (std::size_t k = 0; k < fields.size(); ++k) {
      if (fields[k].presence == Presence::kRequired) required_fields |= std::uint64_t{1} << k;
    }
  }

  std::string_view expecting;         // "struct BetReceipt"
  std::string_view expecting_length;  // "struct BetReceipt with 8 elements"
  std::span<const FieldDescriptor> fields;
  std::uint64_t required_fields = 0;  // bit k set when fields[k] is required
};

namespace detail {

template <class T>
struct MemberPointer;
template <class C, class M>
struct MemberPointer<M C::*> {
  using Class = C;
  using Member = M;
};

template <auto Pointer>
using MemberType = typename MemberPointer<decltype(Pointer)>::Member;

template <auto Pointer>
void* member_address(void* record) {
  using Class = typename MemberPointer<decltype(Pointer)>::Class;
  return &(static_cast<Class*>(record)->*Pointer);
}

template <class T>
void* emplace_optional(void* member) {
  return &static_cast<std::optional<T>*>(member)->emplace();
}

template <class T>
void* emplace_back(void* member) {
  return &static_cast<std::vector<T>*>(member)->emplace_back();
}

template <class T>
void reserve(void* member, std::size_t count) {
  static_cast<std::vector<T>*>(member)->reserve(count);
}

template <class E>
void set_enum(void* member, std::size_t index) {
  *static_cast<E*>(member) = static_cast<E>(index);
}

template <class T>
struct OptionalOf {
  using type = void;
};
template <class T>
struct OptionalOf<std::optional<T>> {
  using type = T;
};
template <class T>
struct VectorOf {
  using type = void;
};
template <class T>
struct VectorOf<std::vector<T>> {
  using type = T;
};

template <class T>
inline constexpr bool kUnsupported = false;

}  // namespace detail

// field: a text, u64 or JSON-value field (std::string, std::uint64_t, Value, Object,
// CheckedValue, or std::optional of the first three).
template <auto Pointer>
constexpr FieldDescriptor field(std::string_view name, Presence presence = Presence::kRequired) {
  using M = detail::MemberType<Pointer>;
  Kind kind{};
  if constexpr (std::is_same_v<M, std::string>) {
    kind = Kind::kString;
  } else if constexpr (std::is_same_v<M, std::optional<std::string>>) {
    kind = Kind::kOptionalString;
  } else if constexpr (std::is_same_v<M, std::uint64_t>) {
    kind = Kind::kU64;
  } else if constexpr (std::is_same_v<M, std::optional<std::uint64_t>>) {
    kind = Kind::kOptionalU64;
  } else if constexpr (std::is_same_v<M, Value>) {
    kind = Kind::kValue;
  } else if constexpr (std::is_same_v<M, std::optional<Value>>) {
    kind = Kind::kOptionalValue;
  } else if constexpr (std::is_same_v<M, Object>) {
    kind = Kind::kValueMap;
  } else if constexpr (std::is_same_v<M, CheckedValue>) {
    kind = Kind::kCheckedValue;
  } else {
    static_assert(detail::kUnsupported<M>, "member type has no plain JSON form");
  }
  return FieldDescriptor{
      .name = name, .kind = kind, .presence = presence, .member = &detail::member_address<Pointer>};
}

// field: a byte field (ByteString, std::optional<ByteString> or ByteStringMap).
template <auto Pointer>
constexpr FieldDescriptor field(std::string_view name, const BytesCodec& codec,
                                Presence presence = Presence::kRequired) {
  using M = detail::MemberType<Pointer>;
  Kind kind{};
  if constexpr (std::is_same_v<M, ByteString>) {
    kind = Kind::kBytes;
  } else if constexpr (std::is_same_v<M, std::optional<ByteString>>) {
    kind = Kind::kOptionalBytes;
  } else if constexpr (std::is_same_v<M, ByteStringMap>) {
    kind = Kind::kBytesMap;
  } else {
    static_assert(detail::kUnsupported<M>, "member type is not a byte string");
  }
  return FieldDescriptor{.name = name,
                         .kind = kind,
                         .presence = presence,
                         .member = &detail::member_address<Pointer>,
                         .codec = &codec};
}

// field: a nested record (T, std::optional<T> or std::vector<T>) described by |record|.
template <auto Pointer>
constexpr FieldDescriptor field(std::string_view name, const RecordDescriptor& record,
                                Presence presence = Presence::kRequired) {
  using M = detail::MemberType<Pointer>;
  using Optional = typename detail::OptionalOf<M>::type;
  using Element = typename detail::VectorOf<M>::type;
  FieldDescriptor descriptor{.name = name,
                             .kind = Kind::kRecord,
                             .presence = presence,
                             .member = &detail::member_address<Pointer>,
                             .record = &record};
  if constexpr (!std::is_void_v<Optional>) {
    descriptor.kind = Kind::kOptionalRecord;
    descriptor.emplace = &detail::emplace_optional<Optional>;
  } else if constexpr (!std::is_void_v<Element>) {
    descriptor.kind = Kind::kRecordList;
    descriptor.emplace = &detail::emplace_back<Element>;
    descriptor.reserve = &detail::reserve<Element>;
  } else {
    static_assert(std::is_class_v<M>, "member type is not a record");
  }
  return descriptor;
}

// field: an enumeration whose values are numbered 0.. in the order of |variant|'s names.
template <auto Pointer>
constexpr FieldDescriptor field(std::string_view name, const VariantDescriptor& variant,
                                Presence presence = Presence::kRequired) {
  using M = detail::MemberType<Pointer>;
  static_assert(std::is_enum_v<M>, "member type is not an enumeration");
  return FieldDescriptor{.name = name,
                         .kind = Kind::kVariant,
                         .presence = presence,
                         .member = &detail::member_address<Pointer>,
                         .variant = &variant,
                         .set_variant = &detail::set_enum<M>};
}

}  // namespace zt::json
