// gdp/plinko/plinko_check.h: the plinko outcome check, a template over the stream
// type so that tests can drive it with chosen draws through the same draw_below.
#pragma once

#include <cstdint>
#include <expected>
#include <string>

#include "errors/verify_error.h"
#include "gdp/draw_below.h"
#include "json/value.h"

namespace zt::gdp {

// check_plinko_outcome: re-derives the |levels| steps of the path from |stream|
// and checks raw's "path" and "bucket" against them. A step is drawn only once its
// element is well-formed, and nothing after the first failure. Instead of a list of
// derived steps it keeps their running sum, so nothing is allocated unless the
// check fails (the error's detail text).
template <typename Stream>
[[nodiscard]] std::expected<void, errors::VerifyError> check_plinko_outcome(std::uint64_t levels,
                                                                            const json::Value& raw,
                                                                            Stream& stream) {
  using errors::VerifyError;
  using std::to_string;
  if (levels == 0) {
    return std::unexpected(
        VerifyError::outcome_format("plinko mapper configured with zero levels"));
  }
  const json::Value* path = raw.find("path");
  if (path == nullptr) return std::unexpected(VerifyError::outcome_format("missing outcome.path"));
  if (!path->is_array()) {
    return std::unexpected(VerifyError::outcome_format("outcome.path must be array"));
  }
  const json::Array& steps = path->as_array();
  if (steps.size() != levels) {
    return std::unexpected(VerifyError::outcome_mismatch(
        "expected " + to_string(levels) + " path steps, received " + to_string(steps.size())));
  }

  std::uint64_t ones = 0;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    if (!steps[i].is_unsigned()) {
      return std::unexpected(
          VerifyError::outcome_format("path step " + to_string(i) + " must be unsigned integer"));
    }
    const std::uint64_t reported = steps[i].as_unsigned();
    if (reported > 1) {
      return std::unexpected(VerifyError::outcome_mismatch(
          "path step " + to_string(i) + " out of range: " + to_string(reported)));
    }
    const std::uint64_t derived = draw_below(stream, 2);
    if (derived != reported) {
      return std::unexpected(VerifyError::outcome_mismatch(
          "path step " + to_string(i) + " mismatch: derived " + to_string(derived) +
          " vs reported " + to_string(reported)));
    }
    ones += derived;
  }

  const json::Value* bucket = raw.find("bucket");
  if (bucket == nullptr) {
    return std::unexpected(VerifyError::outcome_format("missing outcome.bucket"));
  }
  if (!bucket->is_unsigned()) {
    return std::unexpected(VerifyError::outcome_format("outcome.bucket must be integer"));
  }
  if (bucket->as_unsigned() != ones) {
    return std::unexpected(VerifyError::outcome_mismatch("bucket mismatch: derived " +
                                                         to_string(ones) + " vs reported " +
                                                         to_string(bucket->as_unsigned())));
  }
  return {};
}

}  // namespace zt::gdp
