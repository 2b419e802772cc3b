// gdp/registration.h: turning a loaded package into a registered mapper, and the
// one error package registration can end with.
#pragma once

#include <cstdint>
#include <expected>
#include <span>
#include <string>

#include "gdp/loader/gdp_package.h"
#include "gdp/loader/load_error.h"

namespace zt::gdp {

enum class GdpRegistrationKind {
  PackageLoad,
  MissingMapper,
  UnsupportedMapperType,       // detail: the mapper type, verbatim
  InvalidMapperConfiguration,  // detail text
};

struct GdpRegistrationError {
  GdpRegistrationKind kind;
  std::string detail;  // for PackageLoad: the GdpLoadError's message

  std::string message() const;
  friend bool operator==(const GdpRegistrationError&, const GdpRegistrationError&) = default;
};

// register_mapper_from_metadata: builds the plinko or slot mapper the metadata
// names and binds it to the metadata's id. On failure nothing is registered.
[[nodiscard]] std::expected<void, GdpRegistrationError> register_mapper_from_metadata(
    loader::GdpPackage package);

// register_gdp_package: load_package, then register_mapper_from_metadata.
[[nodiscard]] std::expected<void, GdpRegistrationError> register_gdp_package(
    std::span<const std::uint8_t> package_bytes);

}  // namespace zt::gdp
