// zt-verify/serve_http.h: the HTTP side of `zt-verify serve`: routes, request
// limits, security headers and JSON error answers, on a cpp-httplib server.
#pragma once

#include <httplib.h>

#include <string>
#include <vector>

#include "serve_games.h"

namespace zt::cli {

struct HttpSettings {
  bool allow_package_upload = false;
  // Host header values accepted (e.g. "127.0.0.1:8080"); empty accepts any. A
  // loopback server refuses other names, so a web page cannot reach it through a
  // DNS name that it points at 127.0.0.1.
  std::vector<std::string> allowed_hosts;
};

// install_routes: the page at "/", its files, and the API under "/api/". |games|
// must outlive the server.
void install_routes(httplib::Server& server, GameCatalog& games, HttpSettings settings);

}  // namespace zt::cli
