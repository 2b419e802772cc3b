// zt-verify/serve_games.h: the games a running `zt-verify serve` has loaded, for
// the page's list, and package uploads, which replace a game for every user of
// the server. Safe to use from the server's many request threads.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "json/value.h"
#include "packages.h"

namespace zt::cli {

// LoadedGame: one mapper in force and where it came from.
struct LoadedGame {
  Registration registration;
  bool pinned = false;  // signed by one of the --signer keys
  bool uploaded = false;
  std::string loaded_at;  // UTC, e.g. "2026-12-10T07:01:02Z"
};

// GameChange: an upload that added or replaced a game, newest last.
struct GameChange {
  std::string gdp_id;
  std::string time;
  bool replaced = false;  // a game of that id was loaded before
  std::string file;
};

// UploadResult: the answer to an upload, shaped like `zt-verify inspect --json`.
struct UploadResult {
  bool registered = false;
  json::Value body;
};

class GameCatalog {
 public:
  // |registrations| are the mappers registered at start-up, in their order;
  // |signers| the --signer keys already checked by parse_signer_keys.
  GameCatalog(const std::vector<Registration>& registrations, std::vector<std::string> signers);

  // games_json: {"games": [...], "changes": [...], "revision": N, "signers": [...]}.
  // The revision grows with every upload, so a page can tell that games changed.
  json::Object games_json() const;

  // upload: loads and validates the package, refuses it unless signed by a
  // --signer key (when any is given), then registers it for the whole process.
  // |file| names the upload for display only.
  UploadResult upload(std::string_view package_bytes, const std::string& file);

 private:
  mutable std::mutex mutex_;
  std::vector<LoadedGame> games_;  // one per GDP id, in loading order
  std::vector<GameChange> changes_;
  std::vector<std::string> signers_;
  std::uint64_t revision_ = 0;
};

}  // namespace zt::cli
