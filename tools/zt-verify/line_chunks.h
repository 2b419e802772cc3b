// zt-verify/line_chunks.h: cutting a byte stream into runs of whole lines with large
// reads. Each byte is searched for a newline once, so the time is linear in the
// input, also for one line of a gigabyte; memory holds one run plus the line that
// is still being read.
#pragma once

#include <atomic>
#include <cstddef>
#include <expected>
#include <optional>
#include <string>

namespace zt::cli {

class LineChunkReader {
 public:
  static constexpr std::size_t kReadBytes = 1u << 20;   // bytes asked of each read
  static constexpr std::size_t kChunkBytes = 1u << 20;  // a run is cut once it is this long

  // |fd| is read until its end or until |stop| becomes true.
  LineChunkReader(int fd, const std::atomic<bool>* stop) : fd_(fd), stop_(stop) {}

  // next: the next run of whole lines, newlines included (the stream's last line may
  // lack its newline); nothing at the end of the stream or once stopped; the
  // strerror text when a read fails.
  [[nodiscard]] std::expected<std::optional<std::string>, std::string> next();

  // stopped: whether next() ended because |stop| was set (the rest is unread).
  bool stopped() const { return stopped_; }

 private:
  int fd_;
  const std::atomic<bool>* stop_;
  std::string pending_;  // the start of a line whose newline has not been read yet
  bool at_end_ = false;
  bool stopped_ = false;
};

}  // namespace zt::cli
