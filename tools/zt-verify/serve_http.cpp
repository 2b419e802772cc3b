// zt-verify/serve_http.cpp: wiring the page and the API into cpp-httplib. Bodies
// are read through a content reader, so the size cap holds for chunked and
// compressed requests as well, and every failure is answered with a JSON error.
#include "serve_http.h"

#include <algorithm>
#include <exception>
#include <string_view>

#include "json_output.h"
#include "serve_api.h"
#include "serve_assets.h"

namespace zt::cli {
namespace {

// The page loads only its own files and talks only to this server: no inline
// script or style, no frames, no other origin.
constexpr const char* kContentSecurityPolicy =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; "
    "connect-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

// A body past the cap is still read, up to this much, so the client sees the 413
// answer instead of a connection reset; beyond it the connection is dropped.
constexpr std::size_t kDrainLimit = 8 * kMaxRequestBytes;

// The longest upload name kept for display.
constexpr std::size_t kMaxFileNameBytes = 200;

// send: the reply as JSON; with ?text=visible every string in it is made safe to
// show (see with_visible_text), which is how the page asks.
void send(const httplib::Request& request, httplib::Response& response, const ApiReply& reply) {
  response.status = reply.status;
  const bool visible = request.get_param_value("text") == "visible";
  response.set_content(to_json(visible ? with_visible_text(reply.body) : reply.body),
                       "application/json; charset=utf-8");
}

std::string too_large_message() {
  return "the request body is larger than " + std::to_string(kMaxRequestBytes / (1024 * 1024)) +
         " MiB";
}

// read_body: reads the request body into |body|; when it is too large or cannot
// be read, answers the request with the error and returns false.
bool read_body(const httplib::Request& request, const httplib::ContentReader& reader,
               std::string& body, httplib::Response& response) {
  std::size_t received = 0;
  const bool complete = reader([&](const char* data, std::size_t length) {
    received += length;
    if (received > kMaxRequestBytes) {
      body.clear();
      body.shrink_to_fit();
      return received <= kDrainLimit;
    }
    body.append(data, length);
    return true;
  });
  if (received > kMaxRequestBytes) {
    send(request, response, error_reply(413, too_large_message()));
    return false;
  }
  if (!complete) {
    send(request, response,
         error_reply(400, "the request has no body, or its body could not be read"));
    return false;
  }
  return true;
}

std::string generic_error(int status) {
  switch (status) {
    case 400:
      return "the request is not a well-formed HTTP request";
    case 404:
      return "there is no such page or API; the API is GET /api/games, POST /api/verify, "
             "POST /api/explain and POST /api/packages";
    case 413:
      return too_large_message();
    default:
      return "the request failed (HTTP status " + std::to_string(status) + ")";
  }
}

// wrong_method: the answer for a known API path asked with another method.
void wrong_method(httplib::Server& server, const std::string& path, const char* allowed) {
  const std::string message = std::string("use ") + allowed + " " + path;
  auto answer = [message, allowed](const httplib::Request& request, httplib::Response& response) {
    send(request, response, error_reply(405, message));
    response.set_header("Allow", allowed);
  };
  if (std::string_view(allowed) == "POST") {
    server.Get(path, answer);
  } else {
    server.Post(path, answer);
  }
}

}  // namespace

void install_routes(httplib::Server& server, GameCatalog& games, HttpSettings settings) {
  server.set_default_headers({
      {"Content-Security-Policy", kContentSecurityPolicy},
      {"X-Content-Type-Options", "nosniff"},
      {"Referrer-Policy", "no-referrer"},
      {"X-Frame-Options", "DENY"},
      {"Cache-Control", "no-store"},
  });

  // Requests from other sites are refused: a browser names the page that sent a
  // request in Origin, and a loopback server answers only to its own names.
  server.set_pre_routing_handler([settings](const httplib::Request& request,
                                            httplib::Response& response) {
    const std::string host = request.get_header_value("Host");
    const auto& allowed = settings.allowed_hosts;
    if (!allowed.empty() && std::find(allowed.begin(), allowed.end(), host) == allowed.end()) {
      send(request, response, error_reply(403, "this server answers only to " + allowed.front()));
      return httplib::Server::HandlerResponse::Handled;
    }
    if (request.has_header("Origin") && request.get_header_value("Origin") != "http://" + host) {
      send(request, response, error_reply(403, "requests from other web pages are refused"));
      return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });

  server.set_error_handler(httplib::Server::HandlerWithResponse(
      [](const httplib::Request& request, httplib::Response& response) {
        if (!response.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        send(request, response, error_reply(response.status, generic_error(response.status)));
        return httplib::Server::HandlerResponse::Handled;
      }));
  server.set_exception_handler(
      [](const httplib::Request& request, httplib::Response& response, std::exception_ptr) {
        send(request, response, error_reply(500, "the server could not answer this request"));
      });

  for (const WebAsset& asset : web_assets()) {
    auto serve_asset = [&asset](const httplib::Request&, httplib::Response& response) {
      response.set_content(asset.content.data(), asset.content.size(),
                           std::string(asset.content_type).c_str());
    };
    server.Get(std::string(asset.path), serve_asset);
    if (asset.path == "/index.html") server.Get("/", serve_asset);
  }

  server.Get("/api/games",
             [&games, settings](const httplib::Request& request, httplib::Response& response) {
               json::Object body = games.games_json();
               put(body, "uploads_allowed", settings.allow_package_upload);
               send(request, response, ApiReply{200, std::move(body)});
             });
  wrong_method(server, "/api/games", "GET");

  server.Post("/api/verify", [](const httplib::Request& request, httplib::Response& response,
                                const httplib::ContentReader& reader) {
    std::string body;
    if (read_body(request, reader, body, response)) send(request, response, verify_reply(body));
  });
  wrong_method(server, "/api/verify", "POST");

  server.Post("/api/explain", [](const httplib::Request& request, httplib::Response& response,
                                 const httplib::ContentReader& reader) {
    std::string body;
    if (read_body(request, reader, body, response)) send(request, response, explain_reply(body));
  });
  wrong_method(server, "/api/explain", "POST");

  server.Post("/api/packages", [&games, settings](const httplib::Request& request,
                                                  httplib::Response& response,
                                                  const httplib::ContentReader& reader) {
    if (!settings.allow_package_upload) {
      send(request, response,
           error_reply(403,
                       "package uploads are off; start the server with "
                       "--allow-package-upload to allow them"));
      return;
    }
    std::string body;
    if (!read_body(request, reader, body, response)) return;
    if (body.empty())
      return send(request, response, error_reply(400, "the request body holds no package"));
    std::string file = request.get_param_value("file");
    if (file.empty()) file = "uploaded package";
    if (file.size() > kMaxFileNameBytes) file.resize(kMaxFileNameBytes);
    UploadResult result = games.upload(body, file);
    send(request, response, ApiReply{result.registered ? 200 : 422, std::move(result.body)});
  });
  wrong_method(server, "/api/packages", "POST");
}

}  // namespace zt::cli
