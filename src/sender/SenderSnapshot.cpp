#include "sender/SenderSnapshot.h"

#include <algorithm>
#include <cstddef>

namespace kvogc {

bool HasGridShape(const CWarpGridReal& grid, const GridSize& realGridNum) {
  if (realGridNum.cx < 1 || realGridNum.cy < 1) return false;
  if (grid.m_realGridNum.cx != realGridNum.cx || grid.m_realGridNum.cy != realGridNum.cy) {
    return false;
  }
  const size_t points =
      (static_cast<size_t>(realGridNum.cx) + 1) * (static_cast<size_t>(realGridNum.cy) + 1);
  return grid.Points().size() == points;
}

void CopySnapshotGrid(const CWarpGridReal* source, const GridSize& panelSize,
                      const GridSize& realGridNum, CWarpGridReal& grid) {
  if (source == nullptr || !HasGridShape(*source, realGridNum)) return;
  grid.Create(panelSize, realGridNum);
  std::ranges::copy(source->Points(), grid.Points().begin());
}

}  // namespace kvogc
