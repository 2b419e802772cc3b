// gdp/slot/slot_check.h: the slot outcome check, a template over the stream type
// so that tests can drive it with chosen draws through the same draw_below.
#pragma once

#include <cstdint>
#include <expected>
#include <span>
#include <string>

#include "errors/verify_error.h"
#include "gdp/draw_below.h"
#include "gdp/slot/slot_mapper.h"
#include "json/value.h"

namespace zt::gdp {

// check_slot_outcome: re-derives one stop per reel from |stream| and checks raw's
// "stops" against them. Only the reel lengths matter, never the symbols. A stop is
// drawn only once its element is well-formed, and nothing after the first failure.
// Nothing is allocated unless the check fails (the error's detail text).
template <typename Stream>
[[nodiscard]] std::expected<void, errors::VerifyError> check_slot_outcome(
    std::span<const Reel> reels, const json::Value& raw, Stream& stream) {
  using errors::VerifyError;
  using std::to_string;
  if (reels.empty()) {
    return std::unexpected(VerifyError::outcome_format("slot mapper configured without reels"));
  }
  const json::Value* stops = raw.find("stops");
  if (stops == nullptr)
    return std::unexpected(VerifyError::outcome_format("missing outcome.stops"));
  if (!stops->is_array()) {
    return std::unexpected(VerifyError::outcome_format("outcome.stops must be array"));
  }
  const json::Array& reported_stops = stops->as_array();
  if (reported_stops.size() != reels.size()) {
    return std::unexpected(VerifyError::outcome_mismatch("expected " + to_string(reels.size()) +
                                                         " stops, received " +
                                                         to_string(reported_stops.size())));
  }

  for (std::size_t i = 0; i < reels.size(); ++i) {
    const std::uint64_t length = reels[i].size();
    if (length == 0) {
      return std::unexpected(
          VerifyError::outcome_format("reel " + to_string(i) + " configured with zero length"));
    }
    if (!reported_stops[i].is_unsigned()) {
      return std::unexpected(
          VerifyError::outcome_format("stop " + to_string(i) + " must be unsigned integer"));
    }
    const std::uint64_t reported = reported_stops[i].as_unsigned();
    if (reported >= length) {
      return std::unexpected(VerifyError::outcome_mismatch("stop " + to_string(i) +
                                                           " out of range: " + to_string(reported) +
                                                           " >= " + to_string(length)));
    }
    const std::uint64_t derived = draw_below(stream, length);
    if (derived != reported) {
      return std::unexpected(VerifyError::outcome_mismatch(
          "stop " + to_string(i) + " mismatch: derived " + to_string(derived) + " vs reported " +
          to_string(reported)));
    }
  }
  return {};
}

}  // namespace zt::gdp
