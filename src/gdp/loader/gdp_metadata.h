// gdp/loader/gdp_metadata.h: decoding of gdp.json (object form, or an array of the
// eight members in declared order) with the JSON layer's record rules.
#pragma once

#include <expected>
#include <string_view>

#include "gdp/loader/gdp_package.h"
#include "json/decode_error.h"

namespace zt::gdp::loader {

// parse_gdp_metadata: the file's bytes as stored in the archive. Invalid UTF-8
// inside a string is an error; inside a skipped value it is accepted.
[[nodiscard]] std::expected<GdpMetadata, json::DecodeError> parse_gdp_metadata(
    std::string_view bytes);

}  // namespace zt::gdp::loader
