// json/decode_error.h: the error of every JSON decode, a message plus the
// 1-based line and the byte column where decoding stopped.
#pragma once

#include <cstddef>
#include <string>

namespace zt::json {

struct DecodeError {
  std::string text;  // e.g. "missing field `version`"
  std::size_t line = 0;
  std::size_t column = 0;

  // message: "<text> at line <line> column <column>".
  std::string message() const {
    return text + " at line " + std::to_string(line) + " column " + std::to_string(column);
  }
};

}  // namespace zt::json
