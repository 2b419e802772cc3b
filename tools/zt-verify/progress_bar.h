// zt-verify/progress_bar.h: a one-line progress display on standard error, drawn
// only when standard error is a terminal.
#pragma once

#include <chrono>
#include <cstdint>

namespace zt::cli {

struct Progress {
  std::uint64_t bytes_done = 0;
  std::uint64_t bytes_total = 0;  // 0 when unknown (a pipe)
  std::uint64_t bets = 0;
  std::uint64_t failed = 0;
};

class ProgressBar {
 public:
  // |enabled| false makes every call do nothing.
  explicit ProgressBar(bool enabled);
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  // show: redraws the line, at most ten times a second.
  void show(const Progress& progress);
  // clear: removes the line, so the summary starts on a clean line.
  void clear();

 private:
  bool enabled_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point last_draw_;
};

// stderr_is_terminal: whether a progress bar would be seen by a person.
bool stderr_is_terminal();

}  // namespace zt::cli
