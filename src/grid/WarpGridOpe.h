// The operation grid: (OX+1) x (OY+1) nodes that the host drags, joined to their
// right and lower neighbours by boundary lines. Also serves as the display grid.
#pragma once

#include <cstdint>
#include <vector>

#include "grid/GridTypes.h"
#include "grid/WarpOpeLine.h"

namespace kvogc {

class CWarpGridOpe {
 public:
  CWarpGridOpe() = default;
  virtual ~CWarpGridOpe() { Release(); }
  CWarpGridOpe(const CWarpGridOpe&) = delete;
  CWarpGridOpe& operator=(const CWarpGridOpe&) = delete;

  /// Allocates zeroed nodes and lines for the current m_opeGridNum.
  int32_t Create();
  /// Lays the nodes out evenly and makes every line straight with default handles.
  int32_t InitPoints();
  /// Frees everything and zeroes the three sizes; safe on an empty grid.
  int32_t Release();

  OpePoint* GetPoint(int32_t row, int32_t col);
  const OpePoint* GetPoint(int32_t row, int32_t col) const;
  /// Line from node (row, col) to (row, col+1); null outside the grid.
  CWarpOpeLine* GetLineHor(int32_t row, int32_t col);
  const CWarpOpeLine* GetLineHor(int32_t row, int32_t col) const;
  /// Line from node (row, col) to (row+1, col); null outside the grid.
  CWarpOpeLine* GetLineVer(int32_t row, int32_t col);
  const CWarpOpeLine* GetLineVer(int32_t row, int32_t col) const;

  /// Re-samples a line from its current end nodes (curve or straight).
  static void Evaluate(CWarpOpeLine& line, const OpePoint& start, const OpePoint& end);

  /// Mirrors the grid left-right about x = W/2: node positions and real-grid
  /// positions, curve flags and handles. Line samples are left stale; the
  /// caller refreshes every node afterwards.
  int32_t FlipH();
  /// Mirrors the grid top-bottom about y = H/2, as FlipH.
  int32_t FlipV();

  GridSize m_panelSize{0, 0};
  GridSize m_realGridNum{0, 0};
  GridSize m_opeGridNum{0, 0};

 private:
  // Sizes the arrays were created with; Release walks these, so a direct write
  // to the public sizes between Create and Release cannot overrun.
  GridSize m_created{0, 0};
  std::vector<OpePoint> m_points;     // (OY+1) rows of OX+1 nodes
  std::vector<CWarpOpeLine> m_hLines;  // (OY+1) rows of OX lines
  std::vector<CWarpOpeLine> m_vLines;  // OY rows of OX+1 lines
};

}  // namespace kvogc
