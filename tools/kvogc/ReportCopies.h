// Copies of what the library's grid callbacks report: the point arrays are only
// valid during the call, so hosts keep their own copies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Scenario.h"

namespace kvogc::tool {

/// Points of a grid of `divisions` cells per side.
inline size_t PointCount(GridSize divisions) {
  return static_cast<size_t>(divisions.cx + 1) * static_cast<size_t>(divisions.cy + 1);
}

/// Keeps `count` (x, y) samples of each of `lineTotal` boundary lines; none when
/// the library reported no lines.
inline void CopyLines(const double* lines, int32_t count, int32_t lineTotal,
                      std::vector<double>& out, int32_t& outCount) {
  const size_t samples = static_cast<size_t>(count) * static_cast<size_t>(lineTotal);
  out.assign(lines, lines == nullptr ? lines : lines + 2 * samples);
  outCount = lines == nullptr ? 0 : count;
}

}  // namespace kvogc::tool
