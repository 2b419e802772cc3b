// zt-verify/batch_runner.h: verifying a JSON Lines stream of bets on several
// threads. The stream is cut into runs of whole lines (by a reader thread, or for a
// regular file by the workers in turn), workers verify whole runs, and the results
// are reported in line order, so they never depend on timing. Memory is bounded by
// the runs in flight, whatever the stream's size.
#pragma once

#include <atomic>
#include <cstdint>
#include <expected>
#include <ostream>
#include <string>
#include <vector>

#include "failure_groups.h"
#include "progress_bar.h"

namespace zt::cli {

// DuplicateBet: a bet_id seen before on an earlier line.
struct DuplicateBet {
  std::string bet_id;
  std::uint64_t first_line = 0;
  std::uint64_t line = 0;
};

struct BatchResult {
  std::uint64_t lines = 0;  // every line read, blank ones included
  std::uint64_t total = 0;  // bets: the lines that are not blank
  std::uint64_t verified = 0;
  std::uint64_t failed = 0;                      // every bet that did not verify
  std::uint64_t unregistered = 0;                // of those, bets whose game has no mapper
  std::uint64_t unchecked_outcomes = 0;          // verified bets of a --noop game
  std::vector<FailureGroup> failures;            // most frequent first, see FailureGroups
  FailureGroup other_failures;                   // count 0 when every message has its group
  std::uint64_t duplicates = 0;                  // lines whose bet_id an earlier line had
  std::vector<DuplicateBet> duplicate_examples;  // the first few
  bool duplicates_complete = true;  // false when too many distinct ids to track them all
  bool interrupted = false;         // stopped before the end of the stream
  double seconds = 0;
};

struct BatchSettings {
  unsigned jobs = 1;                        // threads that verify, at least 1
  std::uint64_t size_hint = 0;              // the stream's size for the progress bar, 0 if unknown
  ProgressBar* progress = nullptr;          // may be null
  std::ostream* failures_out = nullptr;     // LINE<TAB>MESSAGE<TAB>BET_ID<TAB>NAME per failed bet
  std::ostream* results_out = nullptr;      // one JSON object per line
  std::vector<std::string> noop_games;      // games whose outcomes go unchecked
  const std::atomic<bool>* stop = nullptr;  // once true, reading stops
};

// run_batch: reads |fd| to its end (or until settings.stop) and verifies every
// line. Fails only when the stream cannot be read, with the reason (strerror text).
[[nodiscard]] std::expected<BatchResult, std::string> run_batch(int fd,
                                                                const BatchSettings& settings);

}  // namespace zt::cli
