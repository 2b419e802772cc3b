// zt-verify/serve_games.cpp: the loaded-games list and package uploads. An upload
// goes through the same steps as --gdp (load, validate, pin, build, register) and
// holds the catalog's lock while it registers, so the list never disagrees with
// the library's registry.
#include "serve_games.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <span>

#include "exit_code.h"
#include "gdp/loader/package_loader.h"
#include "gdp/registration.h"
#include "json_output.h"
#include "package_json.h"
#include "signer.h"

namespace zt::cli {
namespace {

std::string utc_now() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  gmtime_r(&now, &parts);
  char text[32];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return std::string(text, length);
}

bool is_pinned(const std::optional<std::string>& signer, const std::vector<std::string>& signers) {
  return !signers.empty() && signer && check_pinned_signer(signer, signers).has_value();
}

// remove_game: drops the game loaded for |gdp_id|, if any; true when there was one.
bool remove_game(std::vector<LoadedGame>& games, const std::string& gdp_id) {
  return std::erase_if(games, [&](const LoadedGame& loaded) {
           return loaded.registration.gdp_id == gdp_id;
         }) > 0;
}

json::Value game_json(const LoadedGame& game) {
  json::Object entry = registration_json(game.registration);
  put(entry, "pinned", game.pinned);
  put(entry, "source", game.uploaded ? "upload" : "command line");
  put(entry, "loaded_at", game.loaded_at);
  return entry;
}

// upload_body: the members of `zt-verify inspect --json`, filled from what the
// archive holds (also when it then fails validation or the signer pin).
json::Object upload_body(const gdp::loader::GdpPackage* package, const std::string& file) {
  json::Object object;
  put(object, "command", "upload");
  put(object, "file", file);
  put(object, "hint", nullptr);  // advice when the upload is no archive at all
  put_package_members(object, package);
  return object;
}

void set_outcome(json::Object& body, bool registered, std::optional<std::string> message,
                 std::optional<std::string> registration_error, std::optional<bool> pinned) {
  put(body, "exit_code", static_cast<std::uint64_t>(registered ? kExitVerified : kExitLoadFailed));
  put(body, "registers", registered);
  put(body, "message", text_or_null(message));
  put(body, "registration_error", text_or_null(registration_error));
  put(body, "signer_pinned", pinned ? json::Value(*pinned) : json::Value(nullptr));
  put(body, "replaced", false);
}

// refused: the answer to an upload that was not registered. |registration_failed|
// tells a library failure (load, validation, build) from a signer refusal.
UploadResult refused(json::Object body, const std::string& message, std::optional<bool> pinned,
                     bool registration_failed) {
  set_outcome(body, false, message, registration_failed ? std::optional(message) : std::nullopt,
              pinned);
  return UploadResult{false, std::move(body)};
}

}  // namespace

GameCatalog::GameCatalog(const std::vector<Registration>& registrations,
                         std::vector<std::string> signers)
    : signers_(std::move(signers)) {
  const std::string now = utc_now();
  for (const Registration& registration : registrations) {
    // A later registration of the same id replaces the earlier one, as in the registry.
    remove_game(games_, registration.gdp_id);
    games_.push_back(
        LoadedGame{registration, is_pinned(registration.signer, signers_), false, now});
  }
}

json::Object GameCatalog::games_json() const {
  std::lock_guard lock(mutex_);
  json::Array games;
  for (const LoadedGame& game : games_) games.push_back(game_json(game));
  json::Array changes;
  for (const GameChange& change : changes_) {
    json::Object entry;
    put(entry, "gdp_id", change.gdp_id);
    put(entry, "time", change.time);
    put(entry, "replaced", change.replaced);
    put(entry, "file", change.file);
    changes.emplace_back(std::move(entry));
  }
  json::Array signers;
  for (const std::string& key : signers_) signers.emplace_back(key);
  json::Object result;
  put(result, "games", std::move(games));
  put(result, "changes", std::move(changes));
  put(result, "revision", revision_);
  put(result, "signers", std::move(signers));
  return result;
}

UploadResult GameCatalog::upload(std::string_view package_bytes, const std::string& file) {
  const std::span<const std::uint8_t> bytes(
      reinterpret_cast<const std::uint8_t*>(package_bytes.data()), package_bytes.size());
  auto archive = gdp::loader::read_package_archive(bytes);
  if (!archive) {
    json::Object body = upload_body(nullptr, file);
    put(body, "hint", text_or_null(not_an_archive_hint(package_bytes)));
    return refused(std::move(body), load_failure_message(archive.error()), std::nullopt, true);
  }
  // The archive is described even when validation then fails, as inspect does.
  json::Object body = upload_body(&*archive, file);
  auto package = gdp::loader::validate_package(std::move(*archive));
  if (!package) {
    return refused(std::move(body), load_failure_message(package.error()), std::nullopt, true);
  }

  const gdp::loader::GdpMetadata& metadata = package->metadata;
  std::optional<bool> pinned;
  if (!signers_.empty()) {
    auto pin = check_pinned_signer(metadata.signer_ed25519, signers_);
    pinned = pin.has_value();
    if (!pin) return refused(std::move(body), pin.error(), false, false);
  }
  Registration registration = registration_of(metadata, file);

  std::lock_guard lock(mutex_);
  if (auto built = gdp::register_mapper_from_metadata(std::move(*package)); !built) {
    return refused(std::move(body), built.error().message(), pinned, true);
  }
  const bool replaced = remove_game(games_, registration.gdp_id);
  const std::string now = utc_now();
  changes_.push_back(GameChange{registration.gdp_id, now, replaced, file});
  games_.push_back(LoadedGame{std::move(registration), pinned.value_or(false), true, now});
  ++revision_;
  set_outcome(body, true, std::nullopt, std::nullopt, pinned);
  put(body, "replaced", replaced);
  return UploadResult{true, std::move(body)};
}

}  // namespace zt::cli
