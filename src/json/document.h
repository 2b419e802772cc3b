// json/document.h: decoding of whole JSON documents into records or a Value, with
// RapidJSON's SAX reader as the tokenizer and json::Decoder building the result.
// Pure functions of their input; safe to call from any thread.
#pragma once

#include <cstddef>
#include <expected>
#include <string_view>
#include <utility>

#include "json/decode_error.h"
#include "json/schema.h"

namespace zt::json {

// kMaxDocumentBytes: the largest text decode_document reads. Longer texts are refused
// before parsing with "document exceeds 1 GiB" at line 1 column 0: no honest receipt,
// transcript or package file comes near it, and it keeps every length the tokenizer
// handles far inside its 32-bit range and the memory of one decode bounded.
inline constexpr std::size_t kMaxDocumentBytes = std::size_t{1} << 30;

// decode_document: |text| decoded as |root| into |target|. |reset| restores |target|
// to its default state (decoding may start over once). On failure |target| holds a
// partial result that the caller discards.
[[nodiscard]] std::expected<void, DecodeError> decode_document(std::string_view text,
                                                               const FieldDescriptor& root,
                                                               void* target,
                                                               void (*reset)(void* target));

// decode_record: |text| as one record of type T described by |record|.
template <class T>
[[nodiscard]] std::expected<T, DecodeError> decode_record(std::string_view text,
                                                          const RecordDescriptor& record) {
  const FieldDescriptor root{.name = {}, .kind = Kind::kRecord, .record = &record};
  T out{};
  auto decoded =
      decode_document(text, root, &out, [](void* target) { *static_cast<T*>(target) = T{}; });
  if (!decoded) return std::unexpected(std::move(decoded.error()));
  return out;
}

}  // namespace zt::json
