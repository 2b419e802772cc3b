// zt-verify/line_chunks.cpp: read(2) in large blocks into one growing buffer; the
// position of the last newline is updated from each block's own bytes only.
#include "line_chunks.h"

#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace zt::cli {

ByteRun::~ByteRun() { std::free(data_); }

ByteRun::ByteRun(ByteRun&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

ByteRun& ByteRun::operator=(ByteRun&& other) noexcept {
  if (this != &other) {
    std::free(data_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

char* ByteRun::spare(std::size_t count) {
  if (capacity_ - size_ < count) {
    const std::size_t capacity = std::max(size_ + count, capacity_ + capacity_ / 2);
    void* grown = std::realloc(data_, capacity);
    if (grown == nullptr) throw std::bad_alloc();
    data_ = static_cast<char*>(grown);
    capacity_ = capacity;
  }
  return data_ + size_;
}

void ByteRun::move_tail(std::size_t from, ByteRun& to) {
  if (size_ > from) {
    std::memcpy(to.spare(size_ - from), data_ + from, size_ - from);
    to.commit(size_ - from);
  }
  size_ = from;
}

std::expected<std::optional<ByteRun>, std::string> LineChunkReader::next(ByteRun reuse) {
  // The run starts with the pending partial line, copied to the front of |reuse|;
  // a pending part larger than that block becomes the run itself instead.
  ByteRun run = std::move(reuse);
  run.clear();
  if (run.capacity() < pending_.size()) {
    std::swap(run, pending_);
  } else {
    pending_.move_tail(0, run);
  }
  // One past the last newline in |run|, 0 when it has none yet.
  std::size_t line_end = 0;
  bool drained = false;  // the last read returned less than asked: no more input waits
  if (!run.empty()) {
    if (const void* found = memrchr(run.view().data(), '\n', run.size())) {
      line_end = static_cast<const char*>(found) - run.view().data() + 1;
    }
  }
  while (true) {
    if (stop_ != nullptr && stop_->load()) {
      stopped_ = true;
      return std::nullopt;
    }
    if (at_end_) {
      if (run.empty()) return std::nullopt;
      return std::optional<ByteRun>(std::move(run));
    }
    if (line_end > 0 && (run.size() >= kChunkBytes || drained)) break;

    const std::size_t kept = run.size();
    const ssize_t got = read(fd_, run.spare(kReadBytes), kReadBytes);
    if (got < 0) {
      if (errno == EINTR) continue;  // a signal: the loop checks whether to stop
      return std::unexpected(std::string(std::strerror(errno)));
    }
    run.commit(static_cast<std::size_t>(got));
    drained = static_cast<std::size_t>(got) < kReadBytes;
    if (got == 0) {
      at_end_ = true;
      continue;
    }
    const char* start = run.view().data();
    if (const void* found = memrchr(start + kept, '\n', static_cast<std::size_t>(got))) {
      line_end = static_cast<const char*>(found) - start + 1;
    }
  }
  // The run keeps its whole lines; the partial line after them starts the next one.
  pending_.clear();
  run.move_tail(line_end, pending_);
  return std::optional<ByteRun>(std::move(run));
}

}  // namespace zt::cli
