// The real grid: the fine (RX+1) x (RY+1) lattice of panel positions that the
// projector uses, interpolated cell by cell from an operation grid.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "grid/GridTypes.h"
#include "support/AlignedAllocator.h"

namespace kvogc {

class CWarpGridReal {
 public:
  CWarpGridReal() = default;
  virtual ~CWarpGridReal() = default;
  CWarpGridReal(const CWarpGridReal&) = delete;
  CWarpGridReal& operator=(const CWarpGridReal&) = delete;

  /// Re-sizes the grid and places every point at its even position.
  int32_t Create(const GridSize& panelSize, const GridSize& realGridNum);

  RealPoint* GetPoint(int32_t row, int32_t col) {
    return Contains(row, col) ? &m_points[Index(row, col)] : nullptr;
  }
  const RealPoint* GetPoint(int32_t row, int32_t col) const {
    return Contains(row, col) ? &m_points[Index(row, col)] : nullptr;
  }
  /// Unchecked access for loops that stay inside the grid.
  RealPoint& At(int32_t row, int32_t col) { return m_points[Index(row, col)]; }
  const RealPoint& At(int32_t row, int32_t col) const { return m_points[Index(row, col)]; }
  /// All points, row by row.
  std::span<RealPoint> Points() { return m_points; }
  std::span<const RealPoint> Points() const { return m_points; }

  GridSize m_panelSize{0, 0};
  GridSize m_realGridNum{0, 0};

 private:
  bool Contains(int32_t row, int32_t col) const {
    return m_realGridNum.cx >= 1 && m_realGridNum.cy >= 1 && row >= 0 &&
           row <= m_realGridNum.cy && col >= 0 && col <= m_realGridNum.cx;
  }
  size_t Index(int32_t row, int32_t col) const {
    return static_cast<size_t>(row) * (static_cast<size_t>(m_realGridNum.cx) + 1) +
           static_cast<size_t>(col);
  }

  // On cache-line boundaries: the vector kernels walk it a line at a time.
  std::vector<RealPoint, AlignedAllocator<RealPoint, 64>> m_points;
};

}  // namespace kvogc
