// zt-verify/packages.cpp: loading, pinning and registering packages and no-op ids.
#include "packages.h"

#include <cstdint>
#include <span>

#include "exit_code.h"
#include "gdp/gdp_registry.h"
#include "gdp/loader/package_loader.h"
#include "gdp/registration.h"
#include "json_output.h"
#include "read_file.h"
#include "signer.h"

namespace zt::cli {
namespace {

std::unexpected<RegistrationFailure> failure(int exit_code, std::optional<std::string> file,
                                             std::string message) {
  return std::unexpected(RegistrationFailure{exit_code, std::move(file), std::move(message)});
}

// register_package: the library's own registration (load, validate, build,
// register), with the signer pin checked between validation and building.
std::expected<Registration, RegistrationFailure> register_package(
    const std::string& path, const std::vector<std::string>& pinned) {
  auto bytes = read_file(path);
  if (!bytes) return failure(kExitBadInput, path, std::move(bytes.error()));

  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes->data());
  auto package = gdp::loader::load_package(std::span(data, bytes->size()));
  if (!package) {
    std::string message = load_failure_message(package.error());
    if (auto hint = not_an_archive_hint(*bytes)) message += " (" + *hint + ")";
    return failure(kExitLoadFailed, path, std::move(message));
  }
  const gdp::loader::GdpMetadata& metadata = package->metadata;
  if (auto pinned_ok = check_pinned_signer(metadata.signer_ed25519, pinned); !pinned_ok) {
    return failure(kExitLoadFailed, path, std::move(pinned_ok.error()));
  }

  Registration registration = registration_of(metadata, path);
  if (auto built = gdp::register_mapper_from_metadata(std::move(*package)); !built) {
    return failure(kExitLoadFailed, path, built.error().message());
  }
  return registration;
}

}  // namespace

std::expected<std::vector<Registration>, RegistrationFailure> register_mappers(
    const PackageOptions& options) {
  auto pinned = parse_signer_keys(options.signers);
  if (!pinned) return failure(kExitBadInput, std::nullopt, std::move(pinned.error()));

  std::vector<Registration> registrations;
  for (const std::string& path : options.gdp_files) {
    auto registration = register_package(path, *pinned);
    if (!registration) return std::unexpected(std::move(registration.error()));
    registrations.push_back(std::move(*registration));
  }
  for (const std::string& id : options.noop_ids) {
    const Registration* package = registration_for(registrations, id);
    if (package != nullptr && package->file && !options.force_noop) {
      return failure(kExitBadInput, std::nullopt,
                     "--noop " + id + " would replace the mapper of package " + *package->file +
                         " for the same game, so its outcomes would go unchecked; drop --noop " +
                         id + ", or add --force-noop if that is what you want");
    }
  }
  for (const std::string& id : options.noop_ids) {
    gdp::register_noop_mapper(id);
    registrations.push_back(Registration{id, "noop", nullptr, std::nullopt, std::nullopt});
  }
  return registrations;
}

Registration registration_of(const gdp::loader::GdpMetadata& metadata, const std::string& file) {
  return Registration{metadata.id, metadata.mapper.value_or(""), json::Value(metadata.parameters),
                      file, metadata.signer_ed25519};
}

std::string load_failure_message(const gdp::loader::GdpLoadError& error) {
  return gdp::GdpRegistrationError{gdp::GdpRegistrationKind::PackageLoad, error.message()}
      .message();
}

const Registration* registration_for(const std::vector<Registration>& registrations,
                                     std::string_view gdp_id) {
  for (auto it = registrations.rbegin(); it != registrations.rend(); ++it) {
    if (it->gdp_id == gdp_id) return &*it;
  }
  return nullptr;
}

std::string describe_registration(const Registration& registration) {
  if (!registration.file) return "the no-op mapper (--noop)";
  return registration.mapper + " " + to_json(registration.parameters) + " from " +
         *registration.file;
}

std::optional<std::string> not_an_archive_hint(std::string_view bytes) {
  constexpr std::size_t kTarMagicOffset = 257;
  if (bytes.starts_with("\x1f\x8b")) return std::nullopt;  // gzip
  if (bytes.size() >= kTarMagicOffset + 5 && bytes.substr(kTarMagicOffset, 5) == "ustar") {
    return std::nullopt;
  }
  const std::size_t first = bytes.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
  if (first != std::string_view::npos && (bytes[first] == '{' || bytes[first] == '[')) {
    return std::string(
        "the file is not a tar or tar.gz archive but JSON; a receipt or transcript is given "
        "as RECEIPT or TRANSCRIPT, and --gdp takes the game's package");
  }
  if (bytes.size() < 512) return std::string("the file is not a tar or tar.gz archive");
  return std::nullopt;
}

json::Object registration_json(const Registration& registration) {
  json::Object entry;
  put(entry, "gdp_id", registration.gdp_id);
  put(entry, "mapper", registration.mapper);
  put(entry, "parameters", registration.parameters);
  put(entry, "file", text_or_null(registration.file));
  put(entry, "signer_ed25519", text_or_null(registration.signer));
  return entry;
}

json::Value registrations_json(const std::vector<Registration>& registrations) {
  json::Array list;
  for (const Registration& registration : registrations) {
    list.emplace_back(registration_json(registration));
  }
  return list;
}

}  // namespace zt::cli
