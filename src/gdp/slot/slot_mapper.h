// gdp/slot/slot_mapper.h: the outcome mapper of slot games. One
// draw_below(stream, reel length) per reel gives that reel's stop position.
#pragma once

#include <cstdint>
#include <expected>
#include <utility>
#include <vector>

#include "errors/verify_error.h"
#include "gdp/outcome_mapper.h"
#include "json/value.h"

namespace zt::gdp {

using Reel = std::vector<std::uint8_t>;

class SlotMapper final : public OutcomeMapper {
 public:
  explicit SlotMapper(std::vector<Reel> reels) : reels_(std::move(reels)) {}

  const std::vector<Reel>& reels() const { return reels_; }

  std::expected<void, errors::VerifyError> verify_outcome(
      const records::BetReceipt& receipt, const records::SettlementTranscript& transcript,
      rng::EntropyStream& stream) const override;

 private:
  std::vector<Reel> reels_;
};

}  // namespace zt::gdp
