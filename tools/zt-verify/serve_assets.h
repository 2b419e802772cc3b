// zt-verify/serve_assets.h: the verifier page's files (HTML, CSS, JavaScript),
// compiled into the binary from web/ so `zt-verify serve` works offline and from
// any folder.
#pragma once

#include <string_view>
#include <vector>

namespace zt::cli {

struct WebAsset {
  std::string_view path;          // as requested, e.g. "/app.js"
  std::string_view content_type;  // e.g. "text/javascript; charset=utf-8"
  std::string_view content;
};

// web_assets: every file of the page; "/index.html" is the page itself.
const std::vector<WebAsset>& web_assets();

}  // namespace zt::cli
