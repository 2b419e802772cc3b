// gdp/outcome_mapper.h: the interface of a game's deterministic outcome mapper.
// Mappers are immutable once built and shared through atomically counted handles,
// so one mapper may verify outcomes on many threads at once.
#pragma once

#include <expected>
#include <memory>

#include "errors/verify_error.h"
#include "records/records.h"
#include "rng/entropy_stream.h"

namespace zt::gdp {

class OutcomeMapper {
 public:
  virtual ~OutcomeMapper() = default;

  // verify_outcome: checks transcript.outcome.raw against what the mapper derives
  // from |stream|. Fails with an OutcomeFormat or OutcomeMismatch VerifyError.
  [[nodiscard]] virtual std::expected<void, errors::VerifyError> verify_outcome(
      const records::BetReceipt& receipt, const records::SettlementTranscript& transcript,
      rng::EntropyStream& stream) const = 0;
};

using MapperHandle = std::shared_ptr<const OutcomeMapper>;

// NoopMapper accepts every outcome; it reads nothing and draws nothing.
class NoopMapper final : public OutcomeMapper {
 public:
  std::expected<void, errors::VerifyError> verify_outcome(const records::BetReceipt&,
                                                          const records::SettlementTranscript&,
                                                          rng::EntropyStream&) const override {
    return {};
  }
};

}  // namespace zt::gdp
