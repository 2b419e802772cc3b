// gdp/loader/gzip_inflater.h: incremental decoding of one gzip member into a fixed
// 32768-byte buffer, so a package is never inflated into one block up front.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <memory>
#include <span>
#include <string>

namespace zt::gdp::loader {

inline constexpr std::size_t kInflateBufferBytes = 32768;

class GzipInflater {
 public:
  explicit GzipInflater(std::span<const std::uint8_t> compressed);
  ~GzipInflater();
  GzipInflater(const GzipInflater&) = delete;
  GzipInflater& operator=(const GzipInflater&) = delete;

  // next_chunk: the next decoded bytes, at most kInflateBufferBytes, valid until
  // the next call; empty at the end of the member (bytes after it are ignored).
  // An error is reported once the bytes decoded before it have been handed out.
  [[nodiscard]] std::expected<std::span<const std::uint8_t>, std::string> next_chunk();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace zt::gdp::loader
