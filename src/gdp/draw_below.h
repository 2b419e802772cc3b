// gdp/draw_below.h: the uniform draw every mapper uses. A template over the
// stream type so tests can feed chosen bytes through the same code path.
#pragma once

#include <array>
#include <cstdint>
#include <limits>

namespace zt::gdp {

// draw_below: a value uniform in [0, n) for n >= 1. Takes 8 stream bytes at a time
// as a big-endian integer x and rejects x >= (2^64-1) - ((2^64-1) mod n).
template <typename Stream>
std::uint64_t draw_below(Stream& stream, std::uint64_t n) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  const std::uint64_t limit = kMax - (kMax % n);
  for (;;) {
    std::array<std::uint8_t, 8> bytes;
    stream.fill_bytes(bytes);
    std::uint64_t x = 0;
    for (std::uint8_t b : bytes) x = (x << 8) | b;
    if (x < limit) return x % n;
  }
}

}  // namespace zt::gdp
