// Tests of the --listen address of `zt-verify serve`: what parses, what is
// refused, which hosts count as this machine only, and how each is written in a URL.
#include "serve_listen.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>

namespace zt::cli {
namespace {

struct ListenCase {
  std::string_view text;
  std::optional<ListenAddress> want;  // nothing: refused
};

TEST(ParseListen, AcceptsHostPortAndBracketedIpv6AndRefusesTheRest) {
  const ListenCase cases[] = {
      {"127.0.0.1:8080", ListenAddress{"127.0.0.1", 8080}},
      {"localhost:0", ListenAddress{"localhost", 0}},
      {"[::1]:65535", ListenAddress{"::1", 65535}},
      {"0.0.0.0:80", ListenAddress{"0.0.0.0", 80}},
      {"127.0.0.1", std::nullopt},        // no port
      {"127.0.0.1:", std::nullopt},       // empty port
      {":8080", std::nullopt},            // empty host
      {"127.0.0.1:65536", std::nullopt},  // port out of range
      {"127.0.0.1:-1", std::nullopt},
      {"127.0.0.1:80x", std::nullopt},
      {"::1:8080", std::nullopt},  // IPv6 needs brackets
      {"[::1]8080", std::nullopt},
      {"[]:8080", std::nullopt},
  };
  for (const ListenCase& c : cases) {
    const auto got = parse_listen(c.text);
    ASSERT_EQ(got.has_value(), c.want.has_value()) << c.text;
    if (got) {
      EXPECT_EQ(got->host, c.want->host) << c.text;
      EXPECT_EQ(got->port, c.want->port) << c.text;
    } else {
      EXPECT_EQ(got.error(), "--listen must be HOST:PORT, e.g. 127.0.0.1:8080 or [::1]:8080");
    }
  }
}

TEST(ListenHosts, LoopbackAndUrlForms) {
  for (std::string_view host : {"127.0.0.1", "127.1.2.3", "::1", "localhost"}) {
    EXPECT_TRUE(is_loopback(host)) << host;
  }
  for (std::string_view host : {"0.0.0.0", "::", "192.168.1.2", "10.0.0.1", "example.org"}) {
    EXPECT_FALSE(is_loopback(host)) << host;
  }
  EXPECT_EQ(url_host("127.0.0.1"), "127.0.0.1");
  EXPECT_EQ(url_host("::1"), "[::1]");
  EXPECT_EQ(url_host("0.0.0.0"), "127.0.0.1");
  EXPECT_EQ(url_host("::"), "[::1]");
}

}  // namespace
}  // namespace zt::cli
