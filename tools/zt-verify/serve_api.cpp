// zt-verify/serve_api.cpp: answering API requests. A bet is checked on the same
// path as `zt-verify bet` and `batch` (decode_bet, then verify_bet), so the page
// shows exactly the library's verdict and message.
#include "serve_api.h"

#include <optional>
#include <string>

#include "batch_line.h"
#include "bet_documents.h"
#include "exit_code.h"
#include "ffi/c_text.h"
#include "json_output.h"
#include "verifier/verify_bet.h"
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

ApiReply verify_reply(std::string_view body, const GameCatalog& games) {
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

  json::Object result;
  put(result, "bet_id", nullptr);
  put(result, "gdp_id", nullptr);
  put(result, "game_loaded", nullptr);
  auto bet = decode_bet(documents->receipt, documents->transcript);
  if (!bet) {
    put(result, "verdict", "error");
    put(result, "exit_code", static_cast<std::uint64_t>(kExitLoadFailed));
    put(result, "stage", bet.error().stage == DecodeStage::receipt ? "receipt" : "transcript");
    put(result, "message", std::move(bet.error().message));
    return ApiReply{200, std::move(result)};
  }

  put(result, "bet_id", bet->receipt.bet_id);
  if (const auto& commitment = bet->receipt.commitment) {
    put(result, "gdp_id", commitment->gdp_id);
    put(result, "game_loaded", games.has_game(commitment->gdp_id));
  }
  auto verdict = verifier::verify_bet(bet->receipt, bet->transcript);
  if (verdict) {
    put(result, "verdict", "verified");
    put(result, "exit_code", static_cast<std::uint64_t>(kExitVerified));
    put(result, "stage", nullptr);
    put(result, "message", nullptr);
  } else {
    put(result, "verdict", "failed");
    put(result, "exit_code", static_cast<std::uint64_t>(kExitVerifyFailed));
    put(result, "stage", "verification");
    put(result, "message", verdict.error().message());
  }
  return ApiReply{200, std::move(result)};
}

}  // namespace zt::cli
