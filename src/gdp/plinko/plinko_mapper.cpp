// plinko_mapper.cpp: PlinkoMapper::verify_outcome over the bet's entropy stream.
#include "gdp/plinko/plinko_mapper.h"

#include "gdp/plinko/plinko_check.h"

namespace zt::gdp {

std::expected<void, errors::VerifyError> PlinkoMapper::verify_outcome(
    const records::BetReceipt&, const records::SettlementTranscript& transcript,
    rng::EntropyStream& stream) const {
  return check_plinko_outcome(levels_, transcript.outcome.raw, stream);
}

}  // namespace zt::gdp
