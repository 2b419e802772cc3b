// zt-verify/serve_listen.cpp: parsing and describing the --listen address.
#include "serve_listen.h"

#include <charconv>

namespace zt::cli {

std::expected<ListenAddress, std::string> parse_listen(std::string_view text) {
  const std::string usage = "--listen must be HOST:PORT, e.g. 127.0.0.1:8080 or [::1]:8080";
  std::string_view host;
  std::string_view port;
  if (text.starts_with('[')) {
    const std::size_t close = text.find("]:");
    if (close == std::string_view::npos) return std::unexpected(usage);
    host = text.substr(1, close - 1);
    port = text.substr(close + 2);
  } else {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos) return std::unexpected(usage);
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
    if (host.find(':') != std::string_view::npos) return std::unexpected(usage);
  }
  int number = -1;
  const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
  if (host.empty() || port.empty() || error != std::errc() || end != port.data() + port.size() ||
      number < 0 || number > 65535) {
    return std::unexpected(usage);
  }
  return ListenAddress{std::string(host), number};
}

bool is_loopback(std::string_view host) {
  return host == "localhost" || host == "::1" || host.starts_with("127.");
}

std::string url_host(std::string_view host) {
  if (host == "0.0.0.0") return "127.0.0.1";
  if (host == "::") return "[::1]";
  if (host.find(':') != std::string_view::npos) return "[" + std::string(host) + "]";
  return std::string(host);
}

}  // namespace zt::cli
