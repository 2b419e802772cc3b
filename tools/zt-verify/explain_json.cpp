// zt-verify/explain_json.cpp: decoding, tracing and the JSON form of the trace.
#include "explain_json.h"

#include <optional>
#include <string>

#include "bet_documents.h"
#include "document_hints.h"
#include "exit_code.h"
#include "ffi/c_text.h"
#include "json_output.h"
#include "verifier/bet_trace.h"

namespace zt::cli {
namespace {

// What each check establishes, in our words.
std::string check_title(std::string_view name) {
  if (name == "bet_id") return "receipt and transcript name the same bet";
  if (name == "commitment") return "the receipt carries the bet commitment";
  if (name == "bet_leaf") return "the canonical commitment bytes hash to bet_leaf";
  if (name == "merkle_proof") return "the Merkle proof leads from bet_leaf to merkle_root";
  if (name == "server_seed") return "the revealed server seed hashes to server_seed_commit";
  if (name == "beacon_mix") return "beacon_mix_id is the digest of the beacon values";
  if (name == "rng_entropy") {
    return "rng_entropy is the digest of server seed, client seed, bet nonce and beacon mix";
  }
  if (name == "mapper") return "a mapper is registered for the bet's game";
  return "the mapper derives the reported outcome from rng_entropy";
}

json::Value not_checked_members() {
  json::Array members;
  for (const char* member : {"payout", "aux", "operator_sig", "root_index"}) {
    members.emplace_back(member);
  }
  return members;
}

json::Value trace_values(const std::vector<verifier::TraceValue>& values) {
  json::Object object;
  for (const verifier::TraceValue& value : values) put(object, value.name, value.value);
  return object;
}

json::Value check_json(const verifier::TraceCheck& check, bool outcome_unchecked) {
  json::Array steps;
  for (const auto& step : check.steps) steps.emplace_back(trace_values(step));
  json::Array notes;
  for (const std::string& note : check.notes) notes.emplace_back(note);
  const bool noop_outcome = outcome_unchecked && check.name == "outcome";
  json::Object object;
  put(object, "name", check.name);
  put(object, "title", check_title(check.name));
  put(object, "status", noop_outcome ? "not_checked" : verifier::check_state_name(check.state));
  put(object, "values", trace_values(check.values));
  put(object, "steps", std::move(steps));
  put(object, "notes", std::move(notes));
  return object;
}

struct Explanation {
  const char* verdict = "verified";
  int exit_code = kExitVerified;
  std::optional<std::string> stage;
  std::optional<std::string> message;
  std::optional<std::string> hint;
  std::optional<std::string> failed_check;
  std::optional<std::string> bet_id;
  std::optional<std::string> gdp_id;
  bool outcome_checked = false;
  json::Array checks;
};

json::Value to_value(Explanation explanation) {
  json::Object object;
  put(object, "verdict", explanation.verdict);
  put(object, "exit_code", static_cast<std::uint64_t>(explanation.exit_code));
  put(object, "stage", text_or_null(explanation.stage));
  put(object, "message", text_or_null(explanation.message));
  put(object, "hint", text_or_null(explanation.hint));
  put(object, "failed_check", text_or_null(explanation.failed_check));
  put(object, "bet_id", text_or_null(explanation.bet_id));
  put(object, "gdp_id", text_or_null(explanation.gdp_id));
  put(object, "outcome_checked", explanation.outcome_checked);
  put(object, "not_checked", not_checked_members());
  put(object, "checks", std::move(explanation.checks));
  return object;
}

std::string unregistered_hint(const std::string& gdp_id) {
  return "no package for game " + gdp_id +
         " was given: add --gdp FILE with the game's package (a tar or tar.gz file from "
         "the operator), or --noop " +
         gdp_id + " to check everything but the outcome";
}

}  // namespace

json::Value explain_bet_json(std::string_view receipt_json, std::string_view transcript_json) {
  Explanation explanation;
  for (const auto& [role, text] :
       {std::pair{"receipt", receipt_json}, std::pair{"transcript", transcript_json}}) {
    if (!ffi::is_valid_utf8(text)) {
      explanation.verdict = "error";
      explanation.exit_code = kExitBadInput;
      explanation.stage = "input";
      explanation.message = ffi::kNotUtf8;
      explanation.hint = not_utf8_hint(role, text);
      return to_value(std::move(explanation));
    }
  }

  auto bet = decode_bet(receipt_json, transcript_json);
  if (!bet) {
    const char* role = bet.error().stage == DecodeStage::receipt ? "receipt" : "transcript";
    explanation.verdict = "error";
    explanation.exit_code = kExitLoadFailed;
    explanation.stage = role;
    explanation.message = std::move(bet.error().message);
    explanation.hint = decode_hint(role, receipt_json, transcript_json);
    return to_value(std::move(explanation));
  }
  const records::BetReceipt& receipt = bet->receipt;
  explanation.bet_id = receipt.bet_id;
  if (receipt.commitment) explanation.gdp_id = receipt.commitment->gdp_id;

  const verifier::BetTrace trace = verifier::trace_bet(receipt, bet->transcript);
  bool noop_mapper = false;
  for (const verifier::TraceCheck& check : trace.checks) {
    if (check.name != "mapper") continue;
    for (const verifier::TraceValue& value : check.values) {
      if (value.name == "mapper" && value.value == json::Value("noop")) noop_mapper = true;
    }
  }
  for (const verifier::TraceCheck& check : trace.checks) {
    explanation.checks.push_back(check_json(check, noop_mapper));
    if (check.state == verifier::CheckState::failed && !explanation.failed_check) {
      explanation.failed_check = check.name;
    }
  }
  if (!trace.failure) {
    explanation.outcome_checked = !noop_mapper;
    return to_value(std::move(explanation));
  }

  const errors::VerifyError& failure = *trace.failure;
  explanation.stage = "verification";
  explanation.message = failure.message();
  if (failure.kind == errors::VerifyKind::MappingNotImplemented) {
    explanation.verdict = "unregistered";
    explanation.exit_code = kExitNotRegistered;
    explanation.hint = unregistered_hint(failure.detail);
  } else {
    explanation.verdict = "failed";
    explanation.exit_code = kExitVerifyFailed;
    if (failure.kind == errors::VerifyKind::BetIdMismatch) {
      explanation.hint = "the receipt is for bet " + receipt.bet_id +
                         " but the transcript is for bet " + bet->transcript.bet_id +
                         ": give the transcript of the same bet";
    }
  }
  return to_value(std::move(explanation));
}

json::Value explain_error_json(int exit_code, std::string stage, std::string message) {
  Explanation explanation;
  explanation.verdict = "error";
  explanation.exit_code = exit_code;
  explanation.stage = std::move(stage);
  explanation.message = std::move(message);
  return to_value(std::move(explanation));
}

}  // namespace zt::cli
