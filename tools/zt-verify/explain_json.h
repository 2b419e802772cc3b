// zt-verify/explain_json.h: explain_bet_json, the whole explanation of one bet as a
// JSON value: the verdict and every check with its recomputed and reported values.
// `zt-verify explain --json` prints it, and a web page can serve it as it is.
#pragma once

#include <string>
#include <string_view>

#include "json/value.h"

namespace zt::cli {

// explain_bet_json: decodes |receipt_json| and |transcript_json| and traces the
// bet's checks against the games registered in the process (register them first).
// The object's members:
//   verdict         "verified", "failed" (a check failed), "unregistered" (no
//                   mapper for the bet's game) or "error" (a document did not decode)
//   exit_code       the tool's exit code for that verdict: 0, 3, 4, 2 (1 for text
//                   that is not UTF-8)
//   stage           null, "input", "receipt", "transcript" or "verification"
//   message         null, or exactly the message zt_core_verify_bet gives
//   hint            null, or advice in plain words on what to do
//   failed_check    null, or the name of the first failing check
//   bet_id, gdp_id  from the receipt when it decoded, else null
//   outcome_checked whether a mapper compared the outcome (false for no-op games)
//   not_checked     the members a verified bet does not vouch for
//   checks          [{name, title, status, values, steps, notes}] in the order the
//                   checks are made; status is "passed", "failed", "not_run" or
//                   "not_checked" (the outcome of a no-op game); values maps names to
//                   recomputed and reported values (hex for bytes), steps lists
//                   Merkle steps, beacon values in hashing order or entropy material,
//                   notes say in words what could not be computed.
// Text from the documents is copied as it is: escape it before showing it.
json::Value explain_bet_json(std::string_view receipt_json, std::string_view transcript_json);

// explain_error_json: an object of the same shape for a failure before the documents
// could be looked at (an unreadable file, a package that did not register).
json::Value explain_error_json(int exit_code, std::string stage, std::string message);

}  // namespace zt::cli
