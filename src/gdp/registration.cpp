// registration.cpp: GdpRegistrationError texts, building a plinko or slot mapper
// from package metadata, and registering a package from its bytes.
#include "gdp/registration.h"

#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "gdp/gdp_registry.h"
#include "gdp/loader/package_loader.h"
#include "gdp/plinko/plinko_mapper.h"
#include "gdp/slot/slot_mapper.h"
#include "json/parse_value.h"

namespace zt::gdp {
namespace {

std::unexpected<GdpRegistrationError> invalid_configuration(std::string detail) {
  return std::unexpected(
      GdpRegistrationError{GdpRegistrationKind::InvalidMapperConfiguration, std::move(detail)});
}

std::expected<MapperHandle, GdpRegistrationError> build_plinko(const json::Object& parameters) {
  auto levels = parameters.find("levels");
  if (levels == parameters.end()) return invalid_configuration("missing levels parameter");
  if (!levels->second.is_unsigned())
    return invalid_configuration("levels must be unsigned integer");
  if (levels->second.as_unsigned() == 0) {
    return invalid_configuration("levels must be greater than zero");
  }
  return std::make_shared<const PlinkoMapper>(levels->second.as_unsigned());
}

std::expected<MapperHandle, GdpRegistrationError> build_slot(const json::Object& parameters) {
  auto reels_param = parameters.find("reels");
  if (reels_param == parameters.end()) return invalid_configuration("missing reels parameter");
  // The whole value is decoded before any reel is looked at, so a decoding error
  // anywhere wins over an empty reel before it.
  auto decoded = json::decode_u64_lists(reels_param->second);
  if (!decoded) return invalid_configuration(std::move(decoded.error()));
  if (decoded->empty()) return invalid_configuration("slot mapper requires at least one reel");

  std::vector<Reel> reels;
  reels.reserve(decoded->size());
  for (std::size_t t = 0; t < decoded->size(); ++t) {
    const std::vector<std::uint64_t>& symbols = (*decoded)[t];
    if (symbols.empty()) {
      return invalid_configuration("reel " + std::to_string(t) +
                                   " must contain at least one symbol");
    }
    Reel& reel = reels.emplace_back();
    reel.reserve(symbols.size());
    for (std::uint64_t symbol : symbols) {
      if (symbol > 255) {
        return invalid_configuration("symbol value " + std::to_string(symbol) +
                                     " out of range in reel " + std::to_string(t));
      }
      reel.push_back(static_cast<std::uint8_t>(symbol));
    }
  }
  return std::make_shared<const SlotMapper>(std::move(reels));
}

}  // namespace

std::string GdpRegistrationError::message() const {
  switch (kind) {
    case GdpRegistrationKind::PackageLoad:
      return "failed to load GDP package: " + detail;
    case GdpRegistrationKind::MissingMapper:
      return "gdp metadata missing mapper field";
    case GdpRegistrationKind::UnsupportedMapperType:
      return "unsupported mapper type " + detail;
    case GdpRegistrationKind::InvalidMapperConfiguration:
      return "invalid mapper configuration: " + detail;
  }
  return detail;
}

std::expected<void, GdpRegistrationError> register_mapper_from_metadata(
    loader::GdpPackage package) {
  loader::GdpMetadata& metadata = package.metadata;
  if (!metadata.mapper)
    return std::unexpected(GdpRegistrationError{GdpRegistrationKind::MissingMapper, {}});

  const std::string_view type = *metadata.mapper;
  std::expected<MapperHandle, GdpRegistrationError> mapper;
  if (type == "plinko") {
    mapper = build_plinko(metadata.parameters);
  } else if (type == "slot" || type == "slots") {
    mapper = build_slot(metadata.parameters);
  } else {
    return std::unexpected(GdpRegistrationError{GdpRegistrationKind::UnsupportedMapperType,
                                                std::move(*metadata.mapper)});
  }
  if (!mapper) return std::unexpected(std::move(mapper.error()));

  GdpRegistry::instance().register_mapper(std::move(metadata.id), std::move(*mapper));
  return {};
}

std::expected<void, GdpRegistrationError> register_gdp_package(
    std::span<const std::uint8_t> package_bytes) {
  auto package = loader::load_package(package_bytes);
  if (!package) {
    return std::unexpected(
        GdpRegistrationError{GdpRegistrationKind::PackageLoad, package.error().message()});
  }
  return register_mapper_from_metadata(std::move(*package));
}

}  // namespace zt::gdp
