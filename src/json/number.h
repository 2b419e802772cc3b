// json/number.h: how a JSON number is held (unsigned, signed or double) and how a
// double is written in error texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zt::json {

struct Number {
  enum class Kind : std::uint8_t { kUnsigned, kSigned, kDouble };
  Kind kind = Kind::kUnsigned;
  std::uint64_t u = 0;
  std::int64_t i = 0;
  double d = 0;
};

// classify_number: |token| is a well-formed JSON number. Without sign, fraction or
// exponent and within 64 bits it is unsigned; negative, integral, within 64 bits and
// not zero it is signed; anything else (-0 and longer integers included) is a
// double. Empty when the magnitude is beyond the double range; values too small for
// a double become zero.
std::optional<Number> classify_number(std::string_view token);

// format_double: the shortest digits that read back to |value|, laid out as
// "7.0", "2.5", "0.001", "1e16", "1.5e300", "1e-7"; -0 is "-0.0".
std::string format_double(double value);

}  // namespace zt::json
