// verifier/bet_trace.h: trace_bet, verify_bet with every check written down: what
// was recomputed, what the operator reported, and which check failed first. For
// people who want to see why a bet passed or failed; verify_bet stays the fast path.
// The verdict comes from the same sequence of checks, so it is always verify_bet's.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "errors/verify_error.h"
#include "json/value.h"
#include "records/records.h"

namespace zt::verifier {

enum class CheckState { passed, failed, not_run };

// TraceValue: one named value of a check. Hex byte strings are JSON strings of
// lower-case hex digits; texts from the documents are kept as they came.
struct TraceValue {
  std::string name;
  json::Value value;
};

// TraceCheck: one check. |name| is a stable key ("bet_id", "commitment", "bet_leaf",
// "merkle_proof", "server_seed", "beacon_mix", "rng_entropy", "mapper", "outcome");
// |steps| lists the parts of a check made of several (Merkle steps, beacon values in
// the order they are hashed, drawn values); |notes| say in words what could not be
// computed or compared, e.g. "bet_leaf is 31 bytes; a SHA-256 digest is 32".
struct TraceCheck {
  std::string name;
  CheckState state = CheckState::not_run;
  std::vector<TraceValue> values;
  std::vector<std::vector<TraceValue>> steps;
  std::vector<std::string> notes;
};

struct BetTrace {
  std::vector<TraceCheck> checks;              // every check, in the order they are made
  std::optional<errors::VerifyError> failure;  // verify_bet's error, when the bet failed
};

// kCheckNames: the checks in the order they are made.
inline constexpr const char* kCheckNames[] = {"bet_id",       "commitment",  "bet_leaf",
                                              "merkle_proof", "server_seed", "beacon_mix",
                                              "rng_entropy",  "mapper",      "outcome"};

// trace_bet: runs the checks of verify_bet on the decoded documents and records them.
// Safe to call from many threads at once.
[[nodiscard]] BetTrace trace_bet(const records::BetReceipt& receipt,
                                 const records::SettlementTranscript& transcript);

const char* check_state_name(CheckState state);

}  // namespace zt::verifier
