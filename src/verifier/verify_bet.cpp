// verify_bet.cpp: the checks of one bet with nobody watching.
#include "verifier/verify_bet.h"

namespace zt::verifier {

std::expected<VerificationSummary, errors::VerifyError> verify_bet(
    const records::BetReceipt& receipt, const records::SettlementTranscript& transcript) {
  NoObserver observer;
  return run_bet_checks(receipt, transcript, observer);
}

}  // namespace zt::verifier
