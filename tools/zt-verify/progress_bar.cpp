// zt-verify/progress_bar.cpp: drawing the progress line with a carriage return and
// erasing it with an ANSI clear-to-end-of-line. The line is cut to the terminal's
// width, so it never wraps onto a second line that \r could not erase.
#include "progress_bar.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace zt::cli {
namespace {

std::size_t terminal_width() {
  winsize size{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

// duration_text: "42s", "3m07s", "2h05m".
std::string duration_text(double seconds) {
  const auto total = static_cast<std::uint64_t>(seconds);
  char buffer[32];
  if (total < 60) {
    std::snprintf(buffer, sizeof buffer, "%llus", static_cast<unsigned long long>(total));
  } else if (total < 3600) {
    std::snprintf(buffer, sizeof buffer, "%llum%02llus",
                  static_cast<unsigned long long>(total / 60),
                  static_cast<unsigned long long>(total % 60));
  } else {
    std::snprintf(buffer, sizeof buffer, "%lluh%02llum",
                  static_cast<unsigned long long>(total / 3600),
                  static_cast<unsigned long long>(total % 3600 / 60));
  }
  return buffer;
}

}  // namespace

bool stderr_is_terminal() { return isatty(STDERR_FILENO) == 1; }

ProgressBar::ProgressBar(bool enabled)
    : enabled_(enabled), start_(std::chrono::steady_clock::now()), last_draw_() {}

ProgressBar::~ProgressBar() { clear(); }

void ProgressBar::show(const Progress& progress) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (drawn_ && now - last_draw_ < std::chrono::milliseconds(100)) return;
  last_draw_ = now;

  const double seconds = std::chrono::duration<double>(now - start_).count();
  const double rate = seconds > 0 ? static_cast<double>(progress.bets) / seconds : 0;
  std::string text = std::to_string(progress.bets) + " bets, " + std::to_string(progress.failed) +
                     " failed, " + std::to_string(static_cast<std::uint64_t>(rate)) + " bets/s, " +
                     duration_text(seconds);
  if (progress.bytes_total > 0 && progress.bytes_done > 0) {
    const double fraction = std::min(
        1.0, static_cast<double>(progress.bytes_done) / static_cast<double>(progress.bytes_total));
    text = std::to_string(static_cast<int>(fraction * 100)) + "%  " + text;
    if (fraction < 1.0) text += ", about " + duration_text(seconds / fraction - seconds) + " left";
    // The bar takes what is left of the width, if anything.
    const std::size_t width = terminal_width() - 1;
    if (width > text.size() + 12) {
      const std::size_t bar = std::min<std::size_t>(30, width - text.size() - 3);
      const auto filled = static_cast<std::size_t>(fraction * static_cast<double>(bar));
      text = '[' + std::string(filled, '#') + std::string(bar - filled, '.') + "] " + text;
    }
  }
  const std::size_t width = terminal_width() - 1;
  if (text.size() > width) text.resize(width);
  const std::string line = "\r" + text + "\033[K";
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
