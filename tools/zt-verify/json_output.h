// zt-verify/json_output.h: writing the tool's --json results. Results are built as
// json::Value trees, so members come out ordered by key and the output is stable.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "json/value.h"

namespace zt::cli {

// put: sets member |key| of |object|. Results are built member by member rather
// than from initializer lists, whose elements are copied (and which GCC 12 at -O2
// misreads as uninitialized std::variant storage).
inline void put(json::Object& object, std::string key, json::Value value) {
  object.insert_or_assign(std::move(key), std::move(value));
}

// to_json: compact JSON text of |value|. Invisible code points (controls, escape
// sequences, bidirectional and other format characters) are written as \u
// escapes, so the text is safe on a terminal. Strings that are not UTF-8 (file
// names can be anything) have each non-ASCII byte written as U+FFFD; doubles that
// are not finite become null.
std::string to_json(const json::Value& value);

// text_or_null: the string, or JSON null when absent.
json::Value text_or_null(const std::optional<std::string>& text);

}  // namespace zt::cli
