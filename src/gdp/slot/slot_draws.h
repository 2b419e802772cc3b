// gdp/slot/slot_draws.h: the stops a slot mapper derives from a stream, reel by reel,
// for showing next to the reported ones. check_slot_outcome draws the same stops in
// the same order.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "gdp/draw_below.h"
#include "gdp/slot/slot_mapper.h"

namespace zt::gdp {

// derive_slot_stops: one stop per reel, up to the first reel of zero length (which
// the mapper refuses and which has no stop to draw).
template <typename Stream>
std::vector<std::uint64_t> derive_slot_stops(std::span<const Reel> reels, Stream& stream) {
  std::vector<std::uint64_t> stops;
  stops.reserve(reels.size());
  for (const Reel& reel : reels) {
    if (reel.empty()) break;
    stops.push_back(draw_below(stream, reel.size()));
  }
  return stops;
}

}  // namespace zt::gdp
