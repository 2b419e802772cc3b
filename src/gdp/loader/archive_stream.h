// gdp/loader/archive_stream.h: the tar bytes of a package, read in order: the
// buffer itself, or its gzip decoding when it starts with 1F 8B. Refuses to deliver
// more than a fixed number of archive bytes, so a small package cannot make the
// loader hold gigabytes.
#pragma once

#include <cstdint>
#include <expected>
#include <memory>
#include <span>
#include <string>

#include "gdp/loader/gzip_inflater.h"

namespace zt::gdp::loader {

class ArchiveStream {
 public:
  // |max_bytes| is the largest archive accepted; a byte beyond it is an error.
  ArchiveStream(std::span<const std::uint8_t> package_bytes, std::uint64_t max_bytes);

  // read: fills |out| as far as the archive goes; the count is short only at its end.
  [[nodiscard]] std::expected<std::size_t, std::string> read(std::span<std::uint8_t> out);
  // skip: drops up to |count| bytes; the count is short only at the end of the archive.
  [[nodiscard]] std::expected<std::uint64_t, std::string> skip(std::uint64_t count);

 private:
  std::expected<std::span<const std::uint8_t>, std::string> peek();
  void consume(std::size_t count);

  std::unique_ptr<GzipInflater> inflater_;  // null for a plain tar
  std::span<const std::uint8_t> chunk_;     // bytes available but not yet consumed
  std::uint64_t delivered_ = 0;
  std::uint64_t max_bytes_;
};

}  // namespace zt::gdp::loader
