// The pincushion's way back: tables of where the points of the real grid and
// of a ring around the panel go, and the inversion of a corrected point
// through the homography of the table cell that holds it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "correction/BlockTransfer.h"
#include "correction/PointMaps.h"
#include "grid/GridTypes.h"

namespace kvogc {

/// The frame the outer ring of the tables follows, in panel fractions.
struct PinCushionFrame {
  std::array<RealPoint, 4> corners;  // TL, TR, BR, BL
  std::array<RealPoint, 4> control;  // left, top, right, bottom edge control points
  double marginX;                    // ring width in panel widths
  double marginY;
};

class CPinCushionTables {
 public:
  /// Makes room for a real grid of cols x rows divisions (both at least 1),
  /// every entry zero; returns false, with nothing changed, when the tables
  /// already have that size.
  bool Resize(int32_t cols, int32_t rows);
  /// Whether the tables are sized for cols x rows divisions.
  bool SizedFor(int32_t cols, int32_t rows) const;
  bool Empty() const { return m_dst.empty(); }
  /// Fills the tables sized for cols x rows divisions: on the uncorrected side
  /// the pixels of the even lattice with one ring outside, on the corrected
  /// side their images, through `frame` on the ring and `model` inside.
  void Build(const PinCushionFrame& frame, const PinCushionModel& model, const GridSize& panel,
             int32_t cols, int32_t rows);
  /// Walks from the middle cell to the cell holding p and applies its
  /// homography. A cell that cannot be solved leaves the last homography in
  /// use; false (out untouched) without tables or without any homography.
  bool Invert(const RealPoint& p, RealPoint& out);

 private:
  struct CellStep {
    bool found;
    int32_t rowStep;
    int32_t colStep;
  };
  size_t Entry(int32_t j, int32_t i) const {
    return static_cast<size_t>(j) * static_cast<size_t>(m_cols) + static_cast<size_t>(i);
  }
  CellStep TestCell(int32_t j, int32_t i, const RealPoint& p) const;
  /// Makes the homography of the cell with top-left entry (j0, i0) current.
  void UseCell(int32_t j0, int32_t i0);

  int32_t m_cols = 0;  // table lines: divisions + 3
  int32_t m_rows = 0;
  std::vector<RealPoint> m_src;  // uncorrected positions, pixels
  std::vector<RealPoint> m_dst;  // corrected positions, pixels
  std::vector<uint8_t> m_visited;
  CBlockTransfer m_block;

  // Homographies of recently used cells. An estimate depends only on the
  // cell's corners, which stay until the tables change, so a cell met again
  // takes its earlier estimate (or, unsolvable, again keeps the current one).
  struct CachedCell {
    int64_t cell = -1;  // entry of the cell's top-left corner; -1: empty
    bool solved = false;
    Homography homography{};
  };
  std::array<CachedCell, 64> m_cells{};
  void ForgetCells();
};

}  // namespace kvogc
