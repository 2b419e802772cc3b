// zt-verify/bet_command.cpp: verifying one bet: the verdict, the list of checks and,
// when the bet failed, where to see the values.
#include "bet_command.h"

#include "bet_files.h"
#include "explain_text.h"
#include "json_output.h"
#include "visible_text.h"

namespace zt::cli {
namespace {

void write_text(const ExplainedBet& bet, const BetOptions& options, std::ostream& out) {
  write_explanation_text(bet.explanation, Detail::checks, out);
  const json::Value* checks = bet.explanation.find("checks");
  if (checks == nullptr || !checks->is_array() || checks->as_array().empty()) return;
  out << "  receipt     " << visible_text(options.receipt_file) << "\n"
      << "  transcript  " << visible_text(options.transcript_file) << "\n";
  const json::Value* gdp_id = bet.explanation.find("gdp_id");
  if (gdp_id != nullptr && gdp_id->is_string()) {
    if (const Registration* mapper = registration_for(bet.registrations, gdp_id->as_string())) {
      out << "  mapper      " << visible_text(describe_registration(*mapper)) << "\n";
    }
  }
  const json::Value* verdict = bet.explanation.find("verdict");
  if (verdict != nullptr && *verdict != json::Value("verified")) {
    out << "Run 'zt-verify explain' with the same arguments to see every recomputed and "
           "reported value.\n";
  }
}

// write_json: the explanation's verdict members and each check's name and status,
// plus the files and the registrations.
void write_json(const ExplainedBet& bet, const BetOptions& options, std::ostream& out) {
  json::Object result;
  for (const char* key : {"exit_code", "verdict", "stage", "message", "hint", "failed_check",
                          "bet_id", "gdp_id", "outcome_checked", "not_checked"}) {
    const json::Value* value = bet.explanation.find(key);
    put(result, key, value != nullptr ? *value : json::Value());
  }
  json::Array checks;
  if (const json::Value* all = bet.explanation.find("checks"); all && all->is_array()) {
    for (const json::Value& check : all->as_array()) {
      json::Object entry;
      put(entry, "name", *check.find("name"));
      put(entry, "status", *check.find("status"));
      checks.emplace_back(std::move(entry));
    }
  }
  put(result, "command", "bet");
  put(result, "checks", std::move(checks));
  put(result, "receipt_file", options.receipt_file);
  put(result, "transcript_file", options.transcript_file);
  put(result, "registrations", registrations_json(bet.registrations));
  out << to_json(json::Value(std::move(result))) << "\n";
}

}  // namespace

int run_bet(const BetOptions& options, std::ostream& out) {
  const ExplainedBet bet =
      explain_bet_files(options.receipt_file, options.transcript_file, options.packages);
  if (options.json) {
    write_json(bet, options, out);
  } else {
    write_text(bet, options, out);
  }
  return exit_code_of(bet.explanation);
}

}  // namespace zt::cli
