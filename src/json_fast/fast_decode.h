// json_fast/fast_decode.h: the fast front end of record decoding. simdjson parses
// the text; the records are built from the same field descriptors the precise
// decoder reads (json/schema.h), so both front ends fill the same fields the same
// way.
//
// It takes only the common, valid document and hands everything else over: any
// parse error, a backslash anywhere in the text, a record written as an array, a
// duplicate field, a missing required field, a value of another type than the
// field's, a number outside the plain u64 form where a u64 is wanted, -0, a hex
// string that does not decode, nesting deeper than kMaxFastDepth, or a text longer
// than kMaxFastBytes. For every document it takes, the record equals the precise
// decoder's. Safe to call from any thread (each thread keeps its own parser).
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "json/schema.h"

namespace zt::json_fast {

inline constexpr std::size_t kMaxFastBytes = 64 * 1024;
// Well below json::kMaxNesting, so no document the fast path takes is near the limit.
inline constexpr std::size_t kMaxFastDepth = 32;

// decode_fast: fills |target|, a default-constructed record described by |record|,
// from |text| and returns true; or returns false, leaving |target| partly filled,
// when the document is handed over to the precise decoder.
[[nodiscard]] bool decode_fast(std::string_view text, const json::RecordDescriptor& record,
                               void* target);

// fast_record: |text| as one record of type T, or nothing when handed over.
template <class T>
[[nodiscard]] std::optional<T> fast_record(std::string_view text,
                                           const json::RecordDescriptor& record) {
  std::optional<T> out(std::in_place);
  if (!decode_fast(text, record, &*out)) out.reset();
  return out;
}

}  // namespace zt::json_fast
