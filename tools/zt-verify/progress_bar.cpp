// zt-verify/progress_bar.cpp: drawing the progress line with a carriage return and
// erasing it with an ANSI clear-to-end-of-line.
#include "progress_bar.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace zt::cli {

bool stderr_is_terminal() { return isatty(STDERR_FILENO) == 1; }

ProgressBar::ProgressBar(bool enabled)
    : enabled_(enabled), start_(std::chrono::steady_clock::now()), last_draw_() {}

ProgressBar::~ProgressBar() { clear(); }

void ProgressBar::show(const Progress& progress) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (drawn_ && now - last_draw_ < std::chrono::milliseconds(100)) return;
  last_draw_ = now;

  constexpr int kWidth = 30;
  std::string line = "\r";
  if (progress.bytes_total > 0) {
    const double fraction =
        static_cast<double>(progress.bytes_done) / static_cast<double>(progress.bytes_total);
    const int filled = static_cast<int>(fraction * kWidth);
    line += '[' + std::string(filled, '#') + std::string(kWidth - filled, '.') + "] ";
    line += std::to_string(static_cast<int>(fraction * 100)) + "%  ";
  }
  const double seconds = std::chrono::duration<double>(now - start_).count();
  const double rate = seconds > 0 ? static_cast<double>(progress.bets) / seconds : 0;
  line += std::to_string(progress.bets) + " bets, " + std::to_string(progress.failed) +
          " failed, " + std::to_string(static_cast<std::uint64_t>(rate)) + " bets/s\033[K";
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressBar::clear() {
  if (!enabled_ || !drawn_) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  drawn_ = false;
}

}  // namespace zt::cli
