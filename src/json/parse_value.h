// json/parse_value.h: strict whole-document parsing into a generic Value, and the
// typed decoding of a Value that mapper construction needs.
#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "json/decode_error.h"
#include "json/value.h"

namespace zt::json {

// parse_value: one JSON value, only whitespace after it, nesting at most 127 deep.
// Invalid UTF-8 inside a string is an error ("invalid unicode code point").
[[nodiscard]] std::expected<Value, DecodeError> parse_value(std::string_view text);

// describe_found: how a value is named in an invalid-type error, for example
// "integer `5`", "floating point `7.0`", "string \"abc\"", "null", "sequence".
std::string describe_found(const Value& value);

// decode_u64_lists: |value| decoded as a list of lists of u64. The error text has
// no position, e.g. "invalid type: null, expected a sequence" or
// "invalid value: integer `-1`, expected u64".
[[nodiscard]] std::expected<std::vector<std::vector<std::uint64_t>>, std::string> decode_u64_lists(
    const Value& value);

}  // namespace zt::json
