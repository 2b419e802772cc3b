// gdp/plinko/plinko_mapper.h: the outcome mapper of plinko games. A ball passes
// `levels` rows, one draw_below(stream, 2) per row; the bucket counts the 1 steps.
#pragma once

#include <cstdint>
#include <expected>

#include "errors/verify_error.h"
#include "gdp/outcome_mapper.h"
#include "json/value.h"

namespace zt::gdp {

class PlinkoMapper final : public OutcomeMapper {
 public:
  explicit PlinkoMapper(std::uint64_t levels) : levels_(levels) {}

  std::uint64_t levels() const { return levels_; }

  std::expected<void, errors::VerifyError> verify_outcome(
      const records::BetReceipt& receipt, const records::SettlementTranscript& transcript,
      rng::EntropyStream& stream) const override;

 private:
  std::uint64_t levels_;
};

}  // namespace zt::gdp
