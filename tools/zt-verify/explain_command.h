// zt-verify/explain_command.h: `zt-verify explain`, one bet with every check's
// recomputed and reported values.
#pragma once

#include <ostream>
#include <string>

#include "packages.h"

namespace zt::cli {

struct ExplainOptions {
  std::string receipt_file;
  std::string transcript_file;
  PackageOptions packages;
  bool json = false;
};

// run_explain: registers the mappers, explains the bet on |out| and returns the same
// exit code `bet` would.
int run_explain(const ExplainOptions& options, std::ostream& out);

}  // namespace zt::cli
