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

/// The real and operation grids as the library last reported them.
struct GridCopies {
  GridSize realGridNum{0, 0};
  std::vector<double> real;  ///< final real grid, row by row
  GridSize opeGridNum{0, 0};
  std::vector<double> opeNodes;   ///< final operation grid's nodes, row by row
  std::vector<double> opeHLines;  ///< opeHCount samples per row of horizontal lines
  std::vector<double> opeVLines;  ///< opeVCount samples per column of vertical lines
  int32_t opeHCount = 0;
  int32_t opeVCount = 0;

  void CopyReal(const double* points, GridSize divisions) {
    realGridNum = divisions;
    real.assign(points, points + 2 * PointCount(divisions));
  }

  /// `ope`: the divisions the host set; the report does not carry them.
  void CopyOpe(const double* points, const double* hLines, const double* vLines, int32_t hCount,
               int32_t vCount, GridSize ope) {
    opeGridNum = ope;
    opeNodes.assign(points, points + 2 * PointCount(ope));
    CopyLines(hLines, hCount, ope.cy + 1, opeHLines, opeHCount);
    CopyLines(vLines, vCount, ope.cx + 1, opeVLines, opeVCount);
  }
};

}  // namespace kvogc::tool
