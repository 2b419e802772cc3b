// package_loader.cpp: validation of a read package and the whole load.
#include "gdp/loader/package_loader.h"

#include "gdp/loader/package_checks.h"

namespace zt::gdp::loader {

std::expected<GdpPackage, GdpLoadError> validate_package(GdpPackage package) {
  if (auto hash = check_mapping_hash(package); !hash) return std::unexpected(hash.error());
  if (auto signature = verify_package_signature(package); !signature) {
    return std::unexpected(signature.error());
  }
  return package;
}

std::expected<GdpPackage, GdpLoadError> load_package(std::span<const std::uint8_t> package_bytes) {
  auto package = read_package_archive(package_bytes);
  if (!package) return package;
  return validate_package(std::move(*package));
}

}  // namespace zt::gdp::loader
