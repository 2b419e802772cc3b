// json/describe.h: how a value met in the wrong place is named in an invalid-type
// or invalid-value error: null, boolean `true`, integer `5`, floating point `7.0`,
// string "abc", sequence, map.
#pragma once

#include <string>
#include <string_view>

#include "json/number.h"

namespace zt::json {

// describe_string: `string "<text>"`, with `"` and `\` escaped by a backslash and
// control characters written \0, \t, \n, \r or \u{1b}.
std::string describe_string(std::string_view text);

std::string describe_number(const Number& number);

inline std::string describe_bool(bool value) {
  return value ? "boolean `true`" : "boolean `false`";
}

}  // namespace zt::json
