// zt-verify/packages.h: registering the mappers a run needs: game definition
// packages (--gdp), optionally refused unless signed by a pinned key (--signer),
// and no-op mappers (--noop). Registrations go into the library's process-wide
// registry, so they last for the rest of the run.
#pragma once

#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gdp/loader/gdp_package.h"
#include "gdp/loader/load_error.h"
#include "json/value.h"

namespace zt::cli {

struct PackageOptions {
  std::vector<std::string> gdp_files;
  std::vector<std::string> noop_ids;
  std::vector<std::string> signers;  // as given on the command line
  bool force_noop = false;           // let --noop replace a package's mapper
};

// Registration: one mapper the tool bound to a GDP id.
struct Registration {
  std::string gdp_id;
  std::string mapper;                 // the package's mapper type, or "noop"
  json::Value parameters;             // the package's parameters; null for a no-op mapper
  std::optional<std::string> file;    // the package file; absent for --noop
  std::optional<std::string> signer;  // signer_ed25519 of a signed package
};

struct RegistrationFailure {
  int exit_code;
  std::optional<std::string> file;  // the package at fault
  std::string message;
};

// register_mappers: checks the --signer keys, then registers every package in
// command-line order, then every no-op id (so --noop wins over a package of the
// same id, but only with force_noop: otherwise such a --noop is refused with exit
// 1, as it would silently turn off a package's outcome check). Stops at the first
// failure: exit 1 for a bad key or an unreadable package file, exit 2 for a package that does not
// load, does not build its mapper or is refused by --signer. A load or build failure carries the
// library's exact text, e.g. "failed to load GDP package: signature verification failed".
[[nodiscard]] std::expected<std::vector<Registration>, RegistrationFailure> register_mappers(
    const PackageOptions& options);

// registration_of: the registration a package of |metadata| read from |file| makes.
Registration registration_of(const gdp::loader::GdpMetadata& metadata, const std::string& file);

// load_failure_message: the library's text for a package that does not load, e.g.
// "failed to load GDP package: signature verification failed".
std::string load_failure_message(const gdp::loader::GdpLoadError& error);

// registration_for: the registration in force for |gdp_id| (the last one), or null.
const Registration* registration_for(const std::vector<Registration>& registrations,
                                     std::string_view gdp_id);

// describe_registration: e.g. "plinko {"levels":12} from plinko-classic.gdp.tar.gz".
std::string describe_registration(const Registration& registration);

// not_an_archive_hint: for a package file that failed to load, a sentence saying it
// is not a tar or tar.gz archive at all (and what it looks like), if so.
std::optional<std::string> not_an_archive_hint(std::string_view bytes);

// registration_json: {"gdp_id", "mapper", "parameters", "file", "signer_ed25519"}.
json::Object registration_json(const Registration& registration);

// registrations_json: the registrations as an array of registration_json objects.
json::Value registrations_json(const std::vector<Registration>& registrations);

}  // namespace zt::cli
