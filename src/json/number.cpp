// number.cpp: number classification and double formatting.
#include "json/number.h"

#include <charconv>
#include <limits>
#include <system_error>

namespace zt::json {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Decimal exponent of the leading significant digit, as in 0.d × 10^m, for a
// token whose significand is not zero. Saturates far beyond any double.
std::int64_t leading_magnitude(std::string_view digits) {
  const std::size_t exp_pos = digits.find_first_of("eE");
  const std::string_view mantissa = digits.substr(0, exp_pos);
  std::int64_t exponent = 0;
  if (exp_pos != std::string_view::npos) {
    std::string_view e = digits.substr(exp_pos + 1);
    bool negative = false;
    if (!e.empty() && (e[0] == '+' || e[0] == '-')) {
      negative = e[0] == '-';
      e.remove_prefix(1);
    }
    for (char c : e) {
      exponent = std::min<std::int64_t>(exponent * 10 + (c - '0'), 1'000'000'000'000LL);
    }
    if (negative) exponent = -exponent;
  }
  const std::size_t point = mantissa.find('.');
  const std::string_view int_part = mantissa.substr(0, point);
  if (int_part != "0") return static_cast<std::int64_t>(int_part.size()) + exponent;
  const std::string_view frac =
      point == std::string_view::npos ? std::string_view{} : mantissa.substr(point + 1);
  const std::size_t first = frac.find_first_not_of('0');
  return exponent - static_cast<std::int64_t>(first == std::string_view::npos ? 0 : first);
}

}  // namespace

std::optional<Number> classify_number(std::string_view token) {
  const bool negative = !token.empty() && token[0] == '-';
  const std::string_view digits = token.substr(negative ? 1 : 0);
  if (digits.find_first_of(".eE") == std::string_view::npos) {
    std::uint64_t magnitude = 0;
    bool fits = true;
    for (char c : digits) {
      const auto digit = static_cast<std::uint64_t>(c - '0');
      if (magnitude > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) {
        fits = false;
        break;
      }
      magnitude = magnitude * 10 + digit;
    }
    if (fits && !negative) return Number{Number::Kind::kUnsigned, magnitude, 0, 0};
    constexpr std::uint64_t kMinMagnitude = std::uint64_t{1} << 63;
    if (fits && magnitude != 0 && magnitude <= kMinMagnitude) {
      const std::int64_t value = magnitude == kMinMagnitude
                                     ? std::numeric_limits<std::int64_t>::min()
                                     : -static_cast<std::int64_t>(magnitude);
      return Number{Number::Kind::kSigned, 0, value, 0};
    }
  }
  double value = 0;
  const auto result = std::from_chars(token.data(), token.data() + token.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    if (leading_magnitude(digits) > 0) return std::nullopt;
    value = negative ? -0.0 : 0.0;
  }
  return Number{Number::Kind::kDouble, 0, 0, value};
}

std::string format_double(double value) {
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
  std::string out;
  if (!text.empty() && text[0] == '-') {
    out.push_back('-');
    text.remove_prefix(1);
  }
  // Shortest scientific form: d[.ddd]e±XX.
  const std::size_t e_pos = text.find('e');
  std::string digits;
  for (char c : text.substr(0, e_pos)) {
    if (is_digit(c)) digits.push_back(c);
  }
  int sci_exponent = 0;
  std::string_view exp_text = text.substr(e_pos + 1);
  if (exp_text[0] == '+') exp_text.remove_prefix(1);
  std::from_chars(exp_text.data(), exp_text.data() + exp_text.size(), sci_exponent);
  const int n = static_cast<int>(digits.size());
  const int e = sci_exponent - (n - 1);  // value = digits × 10^e
  const int x = n + e;
  if (e >= 0 && x <= 16) {
    out += digits;
    out.append(static_cast<std::size_t>(e), '0');
    out += ".0";
  } else if (x > 0 && x <= 16) {
    out += digits.substr(0, static_cast<std::size_t>(x));
    out += '.';
    out += digits.substr(static_cast<std::size_t>(x));
  } else if (x > -5 && x <= 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-x), '0');
    out += digits;
  } else {
    out += digits[0];
    if (n > 1) {
      out += '.';
      out += digits.substr(1);
    }
    out += 'e';
    out += std::to_string(x - 1);
  }
  return out;
}

}  // namespace zt::json
