// zt-verify/line_chunks.cpp: read(2) in large blocks into one growing buffer; the
// position of the last newline is updated from each block's own bytes only.
#include "line_chunks.h"

#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zt::cli {

std::expected<std::optional<std::string>, std::string> LineChunkReader::next() {
  std::string run = std::move(pending_);
  pending_.clear();
  // One past the last newline in |run|, 0 when it has none yet.
  std::size_t line_end = 0;
  bool drained = false;  // the last read returned less than asked: no more input waits
  if (const void* found = memrchr(run.data(), '\n', run.size())) {
    line_end = static_cast<const char*>(found) - run.data() + 1;
  }
  while (true) {
    if (stop_ != nullptr && stop_->load()) {
      stopped_ = true;
      return std::nullopt;
    }
    if (at_end_) {
      if (run.empty()) return std::nullopt;
      return std::optional<std::string>(std::move(run));
    }
    // A run is handed on once it is large, or when the input has nothing more for
    // now, so a slow producer's lines are verified as they come.
    if (line_end > 0 && (run.size() >= kChunkBytes || drained)) break;

    const std::size_t kept = run.size();
    if (run.capacity() < kept + kReadBytes)
      run.reserve(std::max(2 * run.capacity(), kept + kReadBytes));
    run.resize(kept + kReadBytes);
    const ssize_t got = read(fd_, run.data() + kept, kReadBytes);
    if (got < 0) {
      const int error = errno;
      run.resize(kept);
      if (error == EINTR) continue;  // a signal: the loop checks whether to stop
      return std::unexpected(std::string(std::strerror(error)));
    }
    run.resize(kept + static_cast<std::size_t>(got));
    drained = static_cast<std::size_t>(got) < kReadBytes;
    if (got == 0) {
      at_end_ = true;
      continue;
    }
    if (const void* found = memrchr(run.data() + kept, '\n', static_cast<std::size_t>(got))) {
      line_end = static_cast<const char*>(found) - run.data() + 1;
    }
  }
  pending_.assign(run, line_end, std::string::npos);
  run.resize(line_end);
  return std::optional<std::string>(std::move(run));
}

}  // namespace zt::cli
