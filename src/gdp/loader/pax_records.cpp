// pax_records.cpp: the strict reading of PAX extended header records.
#include "gdp/loader/pax_records.h"

#include <cstddef>
#include <string_view>

namespace zt::gdp::loader {
namespace {

constexpr std::string_view kMalformed = "malformed pax extended header";

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// decimal: the value of a non-empty run of decimal digits, UINT64_MAX when it does
// not fit; nullopt when |text| is empty or holds anything else.
std::optional<std::uint64_t> decimal(std::string_view text) {
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    if (!is_digit(c)) return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    value = value > (UINT64_MAX - digit) / 10 ? UINT64_MAX : value * 10 + digit;
  }
  return value;
}

}  // namespace

std::expected<PaxRecords, std::string> parse_pax_records(std::span<const std::uint8_t> data) {
  const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
  PaxRecords records;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t space = text.find(' ', pos);
    if (space == std::string_view::npos) return std::unexpected(std::string(kMalformed));
    const auto length = decimal(text.substr(pos, space - pos));
    // The record holds at least its length, a space, a key, "=" and the newline.
    if (!length || *length > text.size() - pos || *length < space - pos + 4) {
      return std::unexpected(std::string(kMalformed));
    }
    const std::string_view record = text.substr(space + 1, pos + *length - space - 1);
    const std::size_t equals = record.find('=');
    if (!record.ends_with('\n') || equals == 0 || equals == std::string_view::npos) {
      return std::unexpected(std::string(kMalformed));
    }
    const std::string_view key = record.substr(0, equals);
    const std::string_view value = record.substr(equals + 1, record.size() - equals - 2);
    if (key == "path") {
      if (records.path) {
        return std::unexpected(std::string("more than one path record in pax extended header"));
      }
      records.path = std::string(value);
    } else if (key == "size") {
      const auto size = decimal(value);
      if (!size) return std::unexpected(std::string("invalid size record in pax extended header"));
      records.sizes.push_back(*size);
    }
    pos += *length;
  }
  return records;
}

}  // namespace zt::gdp::loader
