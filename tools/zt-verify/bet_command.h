// zt-verify/bet_command.h: `zt-verify bet`, one bet from a receipt file and a
// transcript file.
#pragma once

#include <ostream>
#include <string>

#include "packages.h"

namespace zt::cli {

struct BetOptions {
  std::string receipt_file;
  std::string transcript_file;
  PackageOptions packages;
  bool json = false;
};

// run_bet: registers the mappers, verifies, writes the verdict to |out| and
// returns the exit code (0 verified, 1 bad input, 2 decoding or registration
// failure, 3 verification failure).
int run_bet(const BetOptions& options, std::ostream& out);

}  // namespace zt::cli
