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
#include <string_view>

namespace zt::cli {

// ByteRun: bytes in one malloc'd block that grows with realloc, which moves large
// blocks by remapping pages rather than copying them, so a line of a gigabyte
// needs about a gigabyte, not three.
class ByteRun {
 public:
  ByteRun() = default;
  ~ByteRun();
  ByteRun(ByteRun&& other) noexcept;
  ByteRun& operator=(ByteRun&& other) noexcept;
  ByteRun(const ByteRun&) = delete;
  ByteRun& operator=(const ByteRun&) = delete;

  std::string_view view() const { return {data_, size_}; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  // spare: room for |count| more bytes after the current ones (growing by half at
  // least); commit() then adds the ones written.
  char* spare(std::size_t count);
  void commit(std::size_t count) { size_ += count; }
  // clear: no bytes, the block kept for reuse.
  void clear() { size_ = 0; }
  std::size_t capacity() const { return capacity_; }
  // move_tail: the bytes from |from| on, appended to |to|; this run keeps the bytes
  // before |from|.
  void move_tail(std::size_t from, ByteRun& to);

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

class LineChunkReader {
 public:
  static constexpr std::size_t kReadBytes = 1u << 20;   // bytes asked of each read
  static constexpr std::size_t kChunkBytes = 1u << 20;  // a run is cut once it is this long

  // |fd| is read until its end or until |stop| becomes true.
  LineChunkReader(int fd, const std::atomic<bool>* stop) : fd_(fd), stop_(stop) {}

  // next: the next run of whole lines, newlines included (the stream's last line may
  // lack its newline); nothing at the end of the stream or once stopped; the
  // strerror text when a read fails. A run is handed on once it is kChunkBytes long,
  // or earlier when the input has nothing more for now (a slow producer). The run is
  // built in |reuse|'s block when it has one: a block written again stays mapped and
  // warm, where a new one costs page faults on every run.
  [[nodiscard]] std::expected<std::optional<ByteRun>, std::string> next(ByteRun reuse = {});

  // stopped: whether next() ended because |stop| was set (the rest is unread).
  bool stopped() const { return stopped_; }

 private:
  int fd_;
  const std::atomic<bool>* stop_;
  ByteRun pending_;  // the start of a line whose newline has not been read yet
  bool at_end_ = false;
  bool stopped_ = false;
};

}  // namespace zt::cli
