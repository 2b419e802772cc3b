// zt-verify/serve_listen.h: the --listen address of `zt-verify serve`.
#pragma once

#include <expected>
#include <string>
#include <string_view>

namespace zt::cli {

struct ListenAddress {
  std::string host;  // without brackets, e.g. "127.0.0.1" or "::1"
  int port;          // 0 lets the system pick a free port
};

// parse_listen: "HOST:PORT" or "[IPV6]:PORT", port 0 to 65535. The error says
// what is wrong, for the command line.
[[nodiscard]] std::expected<ListenAddress, std::string> parse_listen(std::string_view text);

// is_loopback: 127.0.0.0/8, ::1 and "localhost", the addresses only this machine
// can reach.
bool is_loopback(std::string_view host);

// url_host: the host as written in a URL: IPv6 addresses in brackets, and a
// wildcard address replaced by the loopback address of its family.
std::string url_host(std::string_view host);

}  // namespace zt::cli
