// entropy_stream.cpp: hands out HKDF blocks byte by byte, deriving the next block
// only when its first byte is asked for; info is the label and the block index.
#include "rng/entropy_stream.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "crypto/bytes.h"
#include "crypto/hkdf.h"

namespace zt::rng {
namespace {

constexpr std::string_view kStreamLabel = "zt-vl-1.0-A";
std::span<const std::uint8_t> stream_label() {
  return {reinterpret_cast<const std::uint8_t*>(kStreamLabel.data()), kStreamLabel.size()};
}

}  // namespace

EntropyStream::EntropyStream(const crypto::Digest& key) : key_(key) {}

void EntropyStream::fill_bytes(std::span<std::uint8_t> destination) {
  while (!destination.empty()) {
    if (offset_ >= kBlockBytes) {
      if (!blocks_) blocks_.emplace(key_);
      std::array<std::uint8_t, crypto::kU64Bytes> index;
      crypto::store_u64_be(counter_, index);
      block_ = blocks_->block(stream_label(), index);
      offset_ = 0;
      ++counter_;
    }
    const std::size_t take = std::min(destination.size(), kBlockBytes - offset_);
    std::copy_n(block_.begin() + offset_, take, destination.begin());
    offset_ += take;
    destination = destination.subspan(take);
  }
}

}  // namespace zt::rng
