// The walks every corrector shares: map each point of a real grid, or each
// node and line sample of an operation grid, through one point function.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "grid/WarpGridOpe.h"
#include "grid/WarpGridReal.h"

namespace kvogc {

/// For rows 0..counts.cy and columns 0..counts.cx, dst(r, c) = map(src(r, c)).
/// `map` is built once per call by the corrector with its per-call constants.
template <typename Map>
void MapRealGrid(const CWarpGridReal& src, CWarpGridReal& dst, const GridSize& counts, Map&& map) {
  if (counts.cy < 0 || counts.cx < 0) return;
  for (int32_t r = 0; r <= counts.cy; ++r) {
    const RealPoint* from = src.GetPoint(r, 0);
    RealPoint* to = dst.GetPoint(r, 0);
    if (from == nullptr || to == nullptr) return;
    for (int32_t c = 0; c <= counts.cx; ++c) to[c] = map(from[c]);
  }
}

/// As MapRealGrid, through mapRow(from, to, count) one row at a time, or once
/// for all rows where both grids' rows are counts.cx + 1 points long and so
/// follow each other.
template <typename MapRow>
void MapRealGridRows(const CWarpGridReal& src, CWarpGridReal& dst, const GridSize& counts,
                     MapRow&& mapRow) {
  if (counts.cy < 0 || counts.cx < 0) return;
  const size_t n = static_cast<size_t>(counts.cx) + 1;
  const auto joined = [&counts](const CWarpGridReal& grid) {
    return grid.m_realGridNum.cx == counts.cx && grid.GetPoint(counts.cy, counts.cx) != nullptr;
  };
  if (joined(src) && joined(dst)) {
    mapRow(src.GetPoint(0, 0), dst.GetPoint(0, 0), n * (static_cast<size_t>(counts.cy) + 1));
    return;
  }
  for (int32_t r = 0; r <= counts.cy; ++r) {
    const RealPoint* from = src.GetPoint(r, 0);
    RealPoint* to = dst.GetPoint(r, 0);
    if (from == nullptr || to == nullptr) return;
    mapRow(from, to, n);
  }
}

/// Maps every node (x and y; gx, gy stay) and, where both lines have samples,
/// the first m_count (the destination's count) samples of the horizontal and
/// vertical line at each node, those through mapMany(from, to, count), which
/// must give what map gives point by point. Both grids have the same sizes.
template <typename Map, typename MapMany>
void MapOpeGrid(const CWarpGridOpe& src, CWarpGridOpe& dst, Map&& map, MapMany&& mapMany) {
  const auto mapLine = [&mapMany](const CWarpOpeLine* from, CWarpOpeLine* to) {
    if (from == nullptr || to == nullptr || from->m_samples.empty() || to->m_samples.empty() ||
        to->m_count == 0) {
      return;
    }
    uint32_t n = to->m_count < from->m_count ? to->m_count : from->m_count;
    // The counts are the lines' own word; the sample arrays bound what is touched.
    n = static_cast<uint32_t>(std::min<size_t>(
        {n, from->m_samples.size(), to->m_samples.size()}));
    mapMany(from->m_samples.data(), to->m_samples.data(), n);
  };
  for (int32_t r = 0; r <= src.m_opeGridNum.cy; ++r) {
    for (int32_t c = 0; c <= src.m_opeGridNum.cx; ++c) {
      const OpePoint* from = src.GetPoint(r, c);
      OpePoint* to = dst.GetPoint(r, c);
      if (from == nullptr || to == nullptr) continue;
      const RealPoint p = map(RealPoint{from->x, from->y});
      to->x = p.x;
      to->y = p.y;
      mapLine(src.GetLineHor(r, c), dst.GetLineHor(r, c));
      mapLine(src.GetLineVer(r, c), dst.GetLineVer(r, c));
    }
  }
}

}  // namespace kvogc
