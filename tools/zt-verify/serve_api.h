// zt-verify/serve_api.h: the JSON API of `zt-verify serve`, as plain functions of
// the request body, so the answers do not depend on the HTTP library.
#pragma once

#include <string_view>

#include "json/value.h"

namespace zt::cli {

// ApiReply: an HTTP status and a JSON body.
struct ApiReply {
  int status;
  json::Value body;
};

// The largest request body accepted; larger ones are answered with 413.
inline constexpr std::size_t kMaxRequestBytes = 8 * 1024 * 1024;

// error_reply: {"error": message} with |status|.
ApiReply error_reply(int status, std::string_view message);

// with_visible_text: |value| with every string and member name passed through
// visible_text, for a page that shows the answer to people: control characters,
// escape sequences and bidirectional marks become visible escapes.
json::Value with_visible_text(const json::Value& value);

// explain_reply: POST /api/explain. |body| is {"receipt": ..., "transcript": ...},
// each member the document itself or a string holding its text. Answers 200 with
// exactly the object `zt-verify explain --json` prints (the verdict and every
// check with its recomputed and reported values), or 400 when the body is not
// such an object.
ApiReply explain_reply(std::string_view body);

// verify_reply: POST /api/verify, the same request; answers the explanation's
// verdict members with each check reduced to its name, title and status, as
// `zt-verify bet --json` gives them.
ApiReply verify_reply(std::string_view body);

}  // namespace zt::cli
