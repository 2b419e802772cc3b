// gzip_inflater.cpp: zlib's inflate with gzip framing only, fed the whole input in
// pieces zlib's 32-bit counters can hold and drained through a 32768-byte buffer.
#include "gdp/loader/gzip_inflater.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <optional>

namespace zt::gdp::loader {
namespace {

constexpr int kGzipOnlyWindowBits = 16 + MAX_WBITS;
constexpr std::size_t kMaxFeed = std::size_t{1} << 30;

}  // namespace

struct GzipInflater::State {
  z_stream stream{};
  gz_header header{};  // header.done turns 1 once the gzip header is complete
  bool initialised = false;
  bool ended = false;
  std::optional<std::string> error;  // reported after the bytes already decoded
  std::span<const std::uint8_t> unfed;
  std::array<std::uint8_t, kInflateBufferBytes> buffer{};
};

GzipInflater::GzipInflater(std::span<const std::uint8_t> compressed)
    : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.unfed = compressed;
  if (inflateInit2(&s.stream, kGzipOnlyWindowBits) != Z_OK ||
      inflateGetHeader(&s.stream, &s.header) != Z_OK) {
    s.error = "gzip decoder could not be initialised";
    return;
  }
  s.initialised = true;
}

GzipInflater::~GzipInflater() {
  if (state_->initialised) inflateEnd(&state_->stream);
}

std::expected<std::span<const std::uint8_t>, std::string> GzipInflater::next_chunk() {
  State& s = *state_;
  if (s.ended) return std::span<const std::uint8_t>{};
  if (s.error) return std::unexpected(*s.error);

  s.stream.next_out = s.buffer.data();
  s.stream.avail_out = static_cast<uInt>(s.buffer.size());
  while (s.stream.avail_out > 0) {
    if (s.stream.avail_in == 0 && !s.unfed.empty()) {
      const std::size_t feed = std::min(s.unfed.size(), kMaxFeed);
      // zlib never writes through next_in; its API merely lacks the const.
      s.stream.next_in = const_cast<Bytef*>(s.unfed.data());
      s.stream.avail_in = static_cast<uInt>(feed);
      s.unfed = s.unfed.subspan(feed);
    }
    const int rc = inflate(&s.stream, Z_NO_FLUSH);
    if (rc == Z_STREAM_END) {
      s.ended = true;
      break;
    }
    if (rc == Z_OK) continue;
    if (rc == Z_BUF_ERROR) {  // no progress possible: the input is used up
      s.error = s.header.done == 1 ? "unexpected end of gzip stream" : "invalid gzip header";
    } else if (rc == Z_MEM_ERROR) {
      s.error = "gzip decoder out of memory";
    } else if (s.header.done != 1) {
      s.error = "invalid gzip header";
    } else if (s.stream.msg != nullptr &&
               (std::strcmp(s.stream.msg, "incorrect data check") == 0 ||
                std::strcmp(s.stream.msg, "incorrect length check") == 0)) {
      s.error = "gzip checksum mismatch";
    } else {
      s.error = "corrupt deflate stream";
    }
    break;
  }
  const std::size_t produced = s.buffer.size() - s.stream.avail_out;
  if (produced == 0 && s.error) return std::unexpected(*s.error);
  return std::span<const std::uint8_t>(s.buffer.data(), produced);
}

}  // namespace zt::gdp::loader
