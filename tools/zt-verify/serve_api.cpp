// zt-verify/serve_api.cpp: answering API requests. A bet is explained by the same
// function as `zt-verify explain` and `bet`, so the page shows exactly their
// verdict, checks and the library's message.
#include "serve_api.h"

#include <optional>
#include <string>

#include "batch_line.h"
#include "explain_json.h"
#include "ffi/c_text.h"
#include "json_output.h"
#include "visible_text.h"

namespace zt::cli {

ApiReply error_reply(int status, std::string_view message) {
  json::Object body;
  put(body, "error", std::string(message));
  return ApiReply{status, std::move(body)};
}

json::Value with_visible_text(const json::Value& value) {
  if (value.is_string()) return visible_text(value.as_string());
  if (value.is_array()) {
    json::Array items;
    for (const json::Value& item : value.as_array()) items.push_back(with_visible_text(item));
    return items;
  }
  if (value.is_object()) {
    json::Object members;
    for (const auto& [key, member] : value.as_object()) {
      put(members, visible_text(key), with_visible_text(member));
    }
    return members;
  }
  return value;
}

namespace {

// explained: the explanation of the bet in |body|, or the 400 reply.
ApiReply explained(std::string_view body) {
  if (!ffi::is_valid_utf8(body)) {
    return error_reply(400, "the request body is not valid UTF-8");
  }
  std::string receipt_buffer;
  std::string transcript_buffer;
  auto documents = split_batch_line(body, receipt_buffer, transcript_buffer);
  if (!documents) {
    return error_reply(400,
                       "the request body must be a JSON object with the members \"receipt\" and "
                       "\"transcript\", each a JSON document or a string holding one");
  }
  return ApiReply{200, explain_bet_json(documents->receipt, documents->transcript)};
}

}  // namespace

ApiReply explain_reply(std::string_view body) { return explained(body); }

ApiReply verify_reply(std::string_view body) {
  ApiReply reply = explained(body);
  if (reply.status != 200) return reply;
  json::Object verdict;
  for (const auto& [key, value] : reply.body.as_object()) {
    if (key != "checks") put(verdict, key, value);
  }
  json::Array checks;
  for (const json::Value& check : reply.body.find("checks")->as_array()) {
    json::Object entry;
    for (const char* key : {"name", "title", "status"}) put(entry, key, *check.find(key));
    checks.emplace_back(std::move(entry));
  }
  put(verdict, "checks", std::move(checks));
  return ApiReply{200, std::move(verdict)};
}

}  // namespace zt::cli
