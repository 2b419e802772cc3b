// zt-verify/batch_runner.h: verifying a JSON Lines stream of bets on several
// threads. The stream is read in blocks of whole lines; each block is verified in
// parallel and then reported in line order, so results never depend on timing.
#pragma once

#include <cstdint>
#include <cstdio>
#include <expected>
#include <ostream>
#include <string>
#include <vector>

#include "progress_bar.h"

namespace zt::cli {

struct FailureGroup {
  std::string message;
  std::uint64_t count = 0;
  std::uint64_t first_line = 0;  // 1-based
};

struct BatchResult {
  std::uint64_t lines = 0;  // every line read, blank ones included
  std::uint64_t total = 0;  // bets: the lines that are not blank
  std::uint64_t verified = 0;
  std::uint64_t failed = 0;
  std::vector<FailureGroup> failures;  // most frequent first, then by message
  double seconds = 0;
};

struct BatchSettings {
  unsigned jobs = 1;                     // threads, at least 1
  std::uint64_t size_hint = 0;           // the stream's size for the progress bar, 0 if unknown
  ProgressBar* progress = nullptr;       // may be null
  std::ostream* failures_out = nullptr;  // "<line>\t<message>\n" per failed bet; may be null
};

// run_batch: reads |in| to its end and verifies every line. Fails only when the
// stream cannot be read, with the reason (strerror text).
[[nodiscard]] std::expected<BatchResult, std::string> run_batch(std::FILE* in,
                                                                const BatchSettings& settings);

}  // namespace zt::cli
