// zt-verify/inspect_command.cpp: reading a package's contents for display, then
// registering it through the library as a host program would, for the verdict.
#include "inspect_command.h"

#include <cstdint>
#include <optional>
#include <span>

#include "exit_code.h"
#include "gdp/loader/package_loader.h"
#include "gdp/registration.h"
#include "json_output.h"
#include "package_json.h"
#include "packages.h"
#include "read_file.h"
#include "signer.h"
#include "visible_text.h"

namespace zt::cli {
namespace {

struct Inspection {
  int exit_code = kExitVerified;
  std::optional<std::string> message;
  std::optional<gdp::loader::GdpPackage> package;
  bool registers = false;
  std::optional<std::string> registration_error;
  std::optional<bool> signer_pinned;  // absent without --signer
  std::optional<std::string> hint;    // advice when the file is no archive at all
};

void inspect(const InspectOptions& options, Inspection& inspection) {
  auto pinned = parse_signer_keys(options.signers);
  if (!pinned) {
    inspection.exit_code = kExitBadInput;
    inspection.message = std::move(pinned.error());
    return;
  }
  auto bytes = read_file(options.package_file);
  if (!bytes) {
    inspection.exit_code = kExitBadInput;
    inspection.message = std::move(bytes.error());
    return;
  }
  const std::span<const std::uint8_t> package_bytes(
      reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size());

  // Registration is what decides; its text is the library's exact message.
  if (auto registered = gdp::register_gdp_package(package_bytes)) {
    inspection.registers = true;
  } else {
    inspection.registration_error = registered.error().message();
    inspection.hint = not_an_archive_hint(*bytes);
  }

  // The archive alone is enough to show what the package claims, even when its
  // hash or signature does not check out.
  if (auto package = gdp::loader::read_package_archive(package_bytes)) {
    inspection.package = std::move(*package);
  }

  if (!inspection.registers) {
    inspection.exit_code = kExitLoadFailed;
    inspection.message = inspection.registration_error;
    return;
  }
  if (!pinned->empty()) {
    auto pin = check_pinned_signer(inspection.package->metadata.signer_ed25519, *pinned);
    inspection.signer_pinned = pin.has_value();
    if (!pin) {
      inspection.exit_code = kExitLoadFailed;
      inspection.message = std::move(pin.error());
    }
  }
}

// verdict_line: the first line, in the tool's own words only.
std::string verdict_line(const Inspection& inspection) {
  if (!inspection.registers) return "REFUSED  the package does not register";
  if (inspection.signer_pinned && !*inspection.signer_pinned) {
    return "REFUSED  the package registers, but is not signed by a --signer key";
  }
  if (inspection.signer_pinned) return "OK  the package registers and is signed by a --signer key";
  return "OK  the package registers";
}

// Every text from the package goes through visible_text: a name or description
// must not be able to print lines of its own.
void write_text(const Inspection& inspection, const InspectOptions& options, std::ostream& out) {
  out << verdict_line(inspection) << "\n";
  if (!inspection.registers && inspection.registration_error) {
    out << "  message      " << visible_text(*inspection.registration_error) << "\n";
  }
  if (inspection.hint) out << "  hint         " << visible_text(*inspection.hint) << "\n";
  if (inspection.exit_code != kExitVerified &&
      inspection.message != inspection.registration_error) {
    out << "  message      " << visible_text(*inspection.message) << "\n";
  }
  out << "package      " << visible_text(options.package_file) << "\n";
  if (inspection.package) {
    const gdp::loader::GdpMetadata& metadata = inspection.package->metadata;
    const bool signature_file = has_signature_file(*inspection.package);
    out << "id           " << visible_text(metadata.id) << "\n"
        << "version      " << visible_text(metadata.version) << "\n";
    if (metadata.name) out << "name         " << visible_text(*metadata.name) << "\n";
    if (metadata.description) {
      out << "description  " << visible_text(*metadata.description) << "\n";
    }
    out << "mapper       " << visible_text(metadata.mapper.value_or("(none)")) << "\n"
        << "parameters   " << to_json(json::Value(metadata.parameters)) << "\n";
    const auto& artifact = inspection.package->mapping_artifact;
    if (artifact) {
      out << "artifact     " << visible_text(artifact->role_name) << " (" << artifact->bytes.size()
          << (artifact->bytes.size() == 1 ? " byte" : " bytes") << "), sha256 "
          << artifact_sha256(*artifact) << "\n";
    } else {
      out << "artifact     none\n";
    }
    out << "declared     mapping_sha256 "
        << visible_text(metadata.mapping_sha256.value_or("(none)")) << "\n";
    if (metadata.signer_ed25519) {
      out << "signed       yes, by key " << visible_text(*metadata.signer_ed25519)
          << (signature_file ? "" : " (but gdp.sig is missing)") << "\n";
    } else {
      out << "signed       no" << (signature_file ? " (gdp.sig without a key)" : "") << "\n";
    }
  }
}

void write_json(const Inspection& inspection, const InspectOptions& options, std::ostream& out) {
  json::Object object;
  put(object, "command", "inspect");
  put(object, "exit_code", static_cast<std::uint64_t>(inspection.exit_code));
  put(object, "message", text_or_null(inspection.message));
  put(object, "file", options.package_file);
  put(object, "registers", inspection.registers);
  put(object, "registration_error", text_or_null(inspection.registration_error));
  put(object, "hint", text_or_null(inspection.hint));
  put(object, "signer_pinned",
      inspection.signer_pinned ? json::Value(*inspection.signer_pinned) : json::Value(nullptr));
  put_package_members(object, inspection.package ? &*inspection.package : nullptr);
  out << to_json(json::Value(std::move(object))) << "\n";
}

}  // namespace

int run_inspect(const InspectOptions& options, std::ostream& out) {
  Inspection inspection;
  inspect(options, inspection);
  if (options.json) {
    write_json(inspection, options, out);
  } else if (inspection.exit_code == kExitBadInput) {
    out << "ERROR  the package could not be read\n"
        << "  message  " << visible_text(*inspection.message) << "\n";
  } else {
    write_text(inspection, options, out);
  }
  return inspection.exit_code;
}

}  // namespace zt::cli
