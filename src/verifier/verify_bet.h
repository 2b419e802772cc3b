// verifier/verify_bet.h: verification of one settled bet, every check in a fixed
// order, stopping at the first failure. Safe to call from many threads at once.
#pragma once

#include <expected>

#include "errors/verify_error.h"
#include "records/records.h"
#include "verifier/bet_checks.h"

namespace zt::verifier {

[[nodiscard]] std::expected<VerificationSummary, errors::VerifyError> verify_bet(
    const records::BetReceipt& receipt, const records::SettlementTranscript& transcript);

}  // namespace zt::verifier
