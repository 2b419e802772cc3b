// gdp/loader/pax_records.h: the records of a PAX extended header, read strictly.
// A package archive is read one way only, so a record that one tar reader might
// skip and another apply is refused instead.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zt::gdp::loader {

struct PaxRecords {
  // The value of the "path" record when there is one; an empty value withdraws the
  // override and leaves the entry its header's own name.
  std::optional<std::string> path;
  // The values of the "size" records, which must all equal the entry's header size
  // (a value too large for 64 bits is kept as UINT64_MAX, which no header holds).
  std::vector<std::uint64_t> sizes;
};

// parse_pax_records: |data| as a sequence of "<decimal length> <key>=<value>\n"
// records, each length counting its whole record. A malformed record, a second
// "path" record or a "size" value that is not decimal digits is an error; keys
// other than "path" and "size" are ignored.
[[nodiscard]] std::expected<PaxRecords, std::string> parse_pax_records(
    std::span<const std::uint8_t> data);

}  // namespace zt::gdp::loader
