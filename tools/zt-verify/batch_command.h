// zt-verify/batch_command.h: `zt-verify batch`, many bets from a JSON Lines file.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "packages.h"

namespace zt::cli {

struct BatchOptions {
  std::string input_file;  // "-" for standard input
  PackageOptions packages;
  unsigned jobs = 0;                         // 0: one per hardware thread
  std::optional<std::string> failures_file;  // "-" for standard output
  std::optional<std::string> results_file;   // "-" for standard output
  bool json = false;
  bool progress = true;  // drawn only when standard error is a terminal
};

// run_batch_command: registers the mappers, verifies every line, writes the
// summary to |out| and returns the exit code: 0 every bet verified, 1 bad argument
// or unreadable input, 2 a package did not register, 3 a bet failed, 4 bets failed
// only because their game has no package, 5 the input held no bets, 130 stopped by
// Ctrl-C.
int run_batch_command(const BatchOptions& options, std::ostream& out);

}  // namespace zt::cli
