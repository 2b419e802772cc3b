// gdp/loader/package_hex.h: the hexadecimal rule of package members (mapping_sha256,
// signer_ed25519). Digests are encoded with crypto::to_hex.
#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

#include "gdp/loader/gdp_package.h"

namespace zt::gdp::loader {

// decode_package_hex: pairs of digits (either case), high nibble first. Fails with
// "Odd number of digits" before any digit is looked at, else with
// "Invalid character 'c' at position i" for the first byte that is no digit.
[[nodiscard]] std::expected<Bytes, std::string> decode_package_hex(std::string_view text);

}  // namespace zt::gdp::loader
