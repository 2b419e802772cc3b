// text_position.cpp: line and column of a byte index.
#include "json/text_position.h"

#include <algorithm>

namespace zt::json {

DecodeError make_decode_error(std::string_view text, std::size_t index, std::string message) {
  index = std::min(index, text.size());
  const std::string_view before = text.substr(0, index);
  const std::size_t line =
      1 + static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
  const std::size_t last_newline = before.rfind('\n');
  const std::size_t line_start = last_newline == std::string_view::npos ? 0 : last_newline + 1;
  return DecodeError{std::move(message), line, index - line_start};
}

}  // namespace zt::json
