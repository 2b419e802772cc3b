// gdp/loader/package_checks.h: the two checks of a read package: the declared
// mapping artifact hash and the Ed25519 signature of the top-level gdp.json.
#pragma once

#include <expected>

#include "gdp/loader/gdp_package.h"
#include "gdp/loader/load_error.h"

namespace zt::gdp::loader {

// check_mapping_hash: only when the metadata declares mapping_sha256; the artifact
// must then exist and its SHA-256 equal the declared 32 bytes.
[[nodiscard]] std::expected<void, GdpLoadError> check_mapping_hash(const GdpPackage& package);

// verify_package_signature: only when signer_ed25519 or a top-level gdp.sig is
// present; both must be, and gdp.sig must sign the top-level gdp.json's bytes.
[[nodiscard]] std::expected<void, GdpLoadError> verify_package_signature(const GdpPackage& package);

}  // namespace zt::gdp::loader
