// zt-verify/batch_check.h: the verdict of one line of a batch, with everything the
// reports need, formatted by the worker that verified it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zt::cli {

enum class LineVerdict : std::uint8_t { blank, verified, failed, unregistered, error };

struct LineOutcome {
  LineVerdict verdict = LineVerdict::blank;
  bool unchecked_outcome = false;  // verified by a no-op mapper
  bool has_bet_id = false;         // the receipt decoded
  int code = 2;                    // for LineVerdict::error: 1 not UTF-8, 2 did not decode
  std::string bet_id;
  std::string message;  // exactly the library's message, or what is wrong with the line
  std::string name;     // the line's "name" member, if any
  // "receipt" or "transcript" when the message's positions count in that embedded
  // document rather than in the line.
  std::string context;
};

struct LineContext {
  const std::vector<std::string>* noop_games = nullptr;
  std::string receipt_buffer;  // reused from line to line
  std::string transcript_buffer;
};

LineOutcome check_batch_line(std::string_view line, LineContext& context);

// exit_code_of_line: 0 verified, 1 not UTF-8, 2 did not decode, 3 failed a check,
// 4 game not registered; blank lines have none (-1).
int exit_code_of_line(const LineOutcome& outcome);

// results_line: the --results JSON object of line |number|, newline included.
std::string results_line(std::uint64_t number, const LineOutcome& outcome);
// failures_line: the --failures row of line |number|, newline included.
std::string failures_line(std::uint64_t number, const LineOutcome& outcome);

}  // namespace zt::cli
