// zt-verify/serve_command.cpp: starting and stopping the verifier page's server.
// SIGINT and SIGTERM are blocked in every thread and taken by one waiting thread,
// which stops the server; the request threads never see a signal.
#include "serve_command.h"

#include <httplib.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

#include "exit_code.h"
#include "interrupt.h"
#include "serve_games.h"
#include "serve_http.h"
#include "serve_listen.h"
#include "signer.h"
#include "visible_text.h"

namespace zt::cli {
namespace {

std::vector<std::string> allowed_hosts(const ListenAddress& address, int port) {
  if (!is_loopback(address.host)) return {};
  const std::string suffix = ":" + std::to_string(port);
  return {url_host(address.host) + suffix, "127.0.0.1" + suffix, "localhost" + suffix,
          "[::1]" + suffix};
}

void describe_games(const std::vector<Registration>& registrations, std::ostream& out) {
  if (registrations.empty()) {
    out << "No games loaded: bets can be checked up to their outcome; add --gdp PACKAGE to "
           "check outcomes too.\n";
    return;
  }
  out << "Games loaded:\n";
  for (const Registration& registration : registrations) {
    out << "  " << visible_text(registration.gdp_id) << "  "
        << visible_text(describe_registration(registration)) << "\n";
  }
}

}  // namespace

int run_serve(const ServeOptions& options, std::ostream& out, std::ostream& err) {
  auto address = parse_listen(options.listen);
  if (!address) {
    err << "ERROR  " << address.error() << "\n";
    return kExitBadInput;
  }
  auto signers = parse_signer_keys(options.packages.signers);
  if (!signers) {
    err << "ERROR  " << signers.error() << "\n";
    return kExitBadInput;
  }
  auto registrations = register_mappers(options.packages);
  if (!registrations) {
    const RegistrationFailure& failure = registrations.error();
    err << "ERROR  ";
    if (failure.file && failure.exit_code == kExitLoadFailed) {
      err << "package " << *failure.file << " did not register: ";
    }
    err << failure.message << "\n";
    return failure.exit_code;
  }
  GameCatalog games(*registrations, std::move(*signers));

  // Blocked before the server starts its threads, which inherit the mask.
  const sigset_t signals = stop_signals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  httplib::Server server;
  // SO_REUSEADDR only: a restarted server gets its port back at once, but a second
  // server on a port already in use is refused (the library default, SO_REUSEPORT,
  // would let both listen and share the requests).
  socket_t listening = INVALID_SOCKET;
  server.set_socket_options([&listening](socket_t socket) {
    int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    listening = socket;
  });
  const int port = address->port == 0
                       ? server.bind_to_any_port(address->host)
                       : (server.bind_to_port(address->host, address->port) ? address->port : -1);
  if (port <= 0) {
    err << "ERROR  cannot listen on " << options.listen << ": " << std::strerror(errno)
        << " (is another program using that port? --listen 127.0.0.1:0 picks a free one)\n";
    return kExitBadInput;
  }
  // The library listens with a backlog of 5, so a burst of connections (a page
  // loading while others verify) would see resets; listening again raises it.
  listen(listening, SOMAXCONN);
  install_routes(server, games,
                 HttpSettings{options.allow_package_upload, allowed_hosts(*address, port)});

  describe_games(*registrations, out);
  if (!is_loopback(address->host)) {
    out << "Warning: listening on " << address->host
        << ", so other machines can reach this page too.\n";
  }
  if (options.allow_package_upload) {
    out << "Package uploads are on: anyone who can open the page can replace a game.\n";
  }
  out << "Open http://" << url_host(address->host) << ":" << port
      << "/ in your browser. Press Ctrl-C to stop.\n"
      << std::flush;

  std::atomic<bool> ended = false;
  std::thread stopper([&server, &ended, signals] {
    int signal = 0;
    sigwait(&signals, &signal);
    // stop() does nothing until the server runs, so a signal that came early is
    // repeated until the server has ended.
    while (!ended) {
      server.stop();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  const bool served = server.listen_after_bind();
  ended = true;
  if (!served) {
    err << "ERROR  the server stopped accepting connections: " << std::strerror(errno) << "\n";
    kill(getpid(), SIGTERM);  // wakes the waiting thread
  }
  stopper.join();
  out << "Stopped.\n";
  return served ? kExitVerified : kExitBadInput;
}

}  // namespace zt::cli
