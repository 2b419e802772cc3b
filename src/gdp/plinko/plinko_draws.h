// gdp/plinko/plinko_draws.h: the path a plinko mapper derives from a stream, step by
// step, for showing next to the reported one. check_plinko_outcome draws the same
// steps in the same order.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "gdp/draw_below.h"

namespace zt::gdp {

// derive_plinko_path: the first min(|levels|, |limit|) steps (0 or 1) of the path.
template <typename Stream>
std::vector<std::uint64_t> derive_plinko_path(std::uint64_t levels, Stream& stream,
                                              std::uint64_t limit) {
  std::vector<std::uint64_t> steps;
  const std::uint64_t count = std::min(levels, limit);
  steps.reserve(count);
  for (std::uint64_t i = 0; i < count; ++i) steps.push_back(draw_below(stream, 2));
  return steps;
}

}  // namespace zt::gdp
