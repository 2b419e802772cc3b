// zt-verify/serve_command.h: `zt-verify serve`, the verifier page for players: a
// small HTTP server on this machine that serves one page and a JSON API.
#pragma once

#include <ostream>
#include <string>

#include "packages.h"

namespace zt::cli {

struct ServeOptions {
  std::string listen = "127.0.0.1:8080";  // HOST:PORT, [IPV6]:PORT; port 0 picks a free one
  PackageOptions packages;
  bool allow_package_upload = false;
};

// run_serve: registers the packages and no-op ids, listens, prints the URL to
// |out| and serves until SIGINT or SIGTERM. Returns 0 after a clean stop, 1 for a
// bad argument or an address it cannot listen on, 2 for a package that does not
// register.
int run_serve(const ServeOptions& options, std::ostream& out, std::ostream& err);

}  // namespace zt::cli
