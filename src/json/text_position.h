// json/text_position.h: turns a byte index of a document into the line and column
// a decode error reports.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "json/decode_error.h"

namespace zt::json {

// make_decode_error: |message| at byte index |index| of |text|. The line is 1 plus
// the newlines before |index|; the column is |index| minus the index just after
// the last of them (bytes, not characters). Callers pass the index the error rule
// asks for: the bytes consumed ("after") or one past the byte looked at ("at").
DecodeError make_decode_error(std::string_view text, std::size_t index, std::string message);

}  // namespace zt::json
