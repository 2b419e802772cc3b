// rng/entropy_stream.h: the per-bet deterministic byte stream keyed by the rng
// entropy. Block k is HKDF-SHA256(key, "zt-vl-1.0-A" || k as 8 big-endian bytes),
// derived only when its first byte is needed. Every block shares the key, so the
// HKDF extract is done once per stream, at the first block. One stream belongs to
// one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "crypto/hkdf.h"
#include "crypto/sha256.h"

namespace zt::rng {

class EntropyStream {
 public:
  static constexpr std::size_t kBlockBytes = 32;

  explicit EntropyStream(const crypto::Digest& key);

  // fill_bytes: writes the next destination.size() stream bytes into |destination|.
  void fill_bytes(std::span<std::uint8_t> destination);

  // counter: the number of blocks derived so far, which is the next block's number.
  std::uint64_t counter() const { return counter_; }
  // offset: index of the next byte in the current block; kBlockBytes when the
  // block is used up or none has been derived yet.
  std::size_t offset() const { return offset_; }

 private:
  crypto::Digest key_;
  std::optional<crypto::HkdfSha256Blocks> blocks_;  // from the first block on
  crypto::Digest block_{};
  std::uint64_t counter_ = 0;
  std::size_t offset_ = kBlockBytes;
};

}  // namespace zt::rng
