// slot_mapper.cpp: SlotMapper::verify_outcome over the bet's entropy stream.
#include "gdp/slot/slot_mapper.h"

#include "gdp/slot/slot_check.h"

namespace zt::gdp {

std::expected<void, errors::VerifyError> SlotMapper::verify_outcome(
    const records::BetReceipt&, const records::SettlementTranscript& transcript,
    rng::EntropyStream& stream) const {
  return check_slot_outcome(std::span<const Reel>(reels_), transcript.outcome.raw, stream);
}

}  // namespace zt::gdp
