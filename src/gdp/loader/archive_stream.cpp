// archive_stream.cpp: gzip detection, chunked reading and the archive size limit.
#include "gdp/loader/archive_stream.h"

#include <algorithm>
#include <cstring>

namespace zt::gdp::loader {
namespace {

bool is_gzip(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= 2 && bytes[0] == 0x1F && bytes[1] == 0x8B;
}

std::string too_large_message(bool compressed, std::uint64_t max_bytes) {
  std::string limit = max_bytes % (1024 * 1024) == 0
                          ? std::to_string(max_bytes / (1024 * 1024)) + " MiB"
                          : std::to_string(max_bytes) + " bytes";
  return std::string(compressed ? "decompressed archive" : "archive") + " exceeds " + limit;
}

}  // namespace

ArchiveStream::ArchiveStream(std::span<const std::uint8_t> package_bytes, std::uint64_t max_bytes)
    : max_bytes_(max_bytes) {
  if (is_gzip(package_bytes)) {
    inflater_ = std::make_unique<GzipInflater>(package_bytes);
  } else {
    chunk_ = package_bytes;
  }
}

std::expected<std::span<const std::uint8_t>, std::string> ArchiveStream::peek() {
  if (chunk_.empty() && inflater_) {
    auto next = inflater_->next_chunk();
    if (!next) return std::unexpected(next.error());
    chunk_ = *next;
  }
  if (chunk_.empty()) return chunk_;
  if (delivered_ >= max_bytes_) {
    return std::unexpected(too_large_message(inflater_ != nullptr, max_bytes_));
  }
  return chunk_.first(
      static_cast<std::size_t>(std::min<std::uint64_t>(chunk_.size(), max_bytes_ - delivered_)));
}

void ArchiveStream::consume(std::size_t count) {
  chunk_ = chunk_.subspan(count);
  delivered_ += count;
}

std::expected<std::size_t, std::string> ArchiveStream::read(std::span<std::uint8_t> out) {
  std::size_t done = 0;
  while (done < out.size()) {
    auto available = peek();
    if (!available) return std::unexpected(available.error());
    if (available->empty()) break;
    const std::size_t n = std::min(available->size(), out.size() - done);
    std::memcpy(out.data() + done, available->data(), n);
    consume(n);
    done += n;
  }
  return done;
}

std::expected<std::uint64_t, std::string> ArchiveStream::skip(std::uint64_t count) {
  std::uint64_t done = 0;
  while (done < count) {
    auto available = peek();
    if (!available) return std::unexpected(available.error());
    if (available->empty()) break;
    const auto n =
        static_cast<std::size_t>(std::min<std::uint64_t>(available->size(), count - done));
    consume(n);
    done += n;
  }
  return done;
}

}  // namespace zt::gdp::loader
