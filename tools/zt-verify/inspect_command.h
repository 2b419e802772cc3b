// zt-verify/inspect_command.h: `zt-verify inspect`, what a package holds and
// whether it registers.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace zt::cli {

struct InspectOptions {
  std::string package_file;
  std::vector<std::string> signers;
  bool json = false;
};

// run_inspect: prints the package's id, version, mapper and parameters, mapping
// artifact and its digest, signer, and whether it registers (registering it in
// this process to find out). Exit 0 when it registers and passes --signer, 1 for
// a bad argument or unreadable file, 2 otherwise.
int run_inspect(const InspectOptions& options, std::ostream& out);

}  // namespace zt::cli
