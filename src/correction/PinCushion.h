// Pincushion correction with four-corner placement: the image outline is four
// quadratic Bezier edges through the corners, points inside are blended between
// opposite edges and points outside are extrapolated from the centre. The way
// back goes through tables of the real grid plus an outer ring, inverting one
// table cell at a time by its homography.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "correction/BlockTransfer.h"
#include "correction/PointMaps.h"
#include "grid/WarpGridOpe.h"
#include "grid/WarpGridReal.h"

namespace kvogc {

class CPinCushion {
 public:
  /// Scale and offsets that make the corrected outline fill the panel.
  struct Fit {
    double scale;
    double offsetX;
    double offsetY;
  };
  /// Outcome of testing one table cell against a corrected point.
  struct CellStep {
    bool found;
    int32_t rowStep;
    int32_t colStep;
  };

  CPinCushion();
  virtual ~CPinCushion();
  CPinCushion(const CPinCushion&) = delete;
  CPinCushion& operator=(const CPinCushion&) = delete;

  /// Corners (top-left, top-right, bottom-right, bottom-left) in panel fractions,
  /// host edge amounts and the fit flag. Non-finite values give
  /// KVOGC_E_INVALIDARG and keep the previous state.
  int32_t SetParam(const RealPoint& leftUp, const RealPoint& rightUp, const RealPoint& rightLow,
                   const RealPoint& leftLow, double left, double top, double right, double bottom,
                   uint32_t fit);
  /// Neutral corners, no bends, no fit.
  int32_t Reset();
  /// Maps src into dst for r <= counts.cy, c <= counts.cx, rebuilding the tables
  /// first when the parameters or the counts changed. Nothing is done for a
  /// negative counts.cy. KVOGC_E_INVALIDARG (nothing changed) for a non-positive
  /// panel, counts below 1 or counts beyond either grid.
  int32_t ConvertPoints(const CWarpGridReal& src, CWarpGridReal& dst, const GridSize& panel,
                        const GridSize& counts);
  /// Maps every node and line sample with the state of the last ConvertPoints.
  /// KVOGC_E_INVALIDARG (nothing written) when the panel of src is not positive.
  int32_t ConvertGrid(const CWarpGridOpe& src, CWarpGridOpe& dst) const;
  /// Uncorrected position of a corrected point, from the tables of the last
  /// ConvertPoints; the input comes back unchanged before any. When the first
  /// cell met cannot be solved, out = in and KVOGC_E_INVALIDARG.
  int32_t InvertPoint(const RealPoint& in, RealPoint& out);

  // The steps of the model, exposed for white-box tests.

  /// Model position (panel fractions) of the panel fraction (u, v).
  RealPoint EvalPoint(double u, double v) const;
  /// Edge and outer control points, outer corners, tables and centre. Does
  /// nothing unless the tables are sized for these counts.
  void BuildTables(const GridSize& panel, int32_t cols, int32_t rows);
  /// Fit of a mapped evenly spaced grid.
  static Fit CalcFit(const CWarpGridReal& mapped, const GridSize& panel, int32_t cols,
                     int32_t rows);
  /// Makes the tables current for these counts, then maps src into dst (no fit).
  void MapGrid(const CWarpGridReal& src, CWarpGridReal& dst, const GridSize& panel,
               const GridSize& counts);
  /// Walks the tables to the cell holding p and applies its homography. False
  /// (out untouched) when there are no tables or no homography could be had.
  bool InvertByHomography(const RealPoint& p, RealPoint& out);
  CellStep TestCell(int32_t j, int32_t i, const RealPoint& p) const;

  /// ConvertPoints in the plain order of its steps: the reference grid is mapped
  /// and the fit worked out on every call, and the fit is a second pass over dst.
  /// ConvertPoints must agree with it to the bit.
  int32_t ConvertPointsPlain(const CWarpGridReal& src, CWarpGridReal& dst, const GridSize& panel,
                             const GridSize& counts);

  const std::array<RealPoint, 4>& Corners() const { return m_corners; }
  const std::array<RealPoint, 4>& EdgeControl() const { return m_edgeControl; }
  const std::array<RealPoint, 4>& OuterCorners() const { return m_outerCorners; }
  const std::array<RealPoint, 4>& OuterControl() const { return m_outerControl; }
  RealPoint Center() const { return m_center; }
  Fit LastFit() const { return {m_fitScale, m_fitOffsetX, m_fitOffsetY}; }
  bool TablesStale() const { return m_tablesStale != 0; }
  int32_t TableCols() const { return m_tableCols; }
  int32_t TableRows() const { return m_tableRows; }
  /// Table entries; (j, i) must lie inside the table.
  const RealPoint& SrcEntry(int32_t j, int32_t i) const { return m_srcTable[Entry(j, i)]; }
  const RealPoint& DstEntry(int32_t j, int32_t i) const { return m_dstTable[Entry(j, i)]; }
  const CWarpGridReal* RefGrid() const { return m_refGrid.get(); }

 private:
  size_t Entry(int32_t j, int32_t i) const {
    return static_cast<size_t>(j) * static_cast<size_t>(m_tableCols) + static_cast<size_t>(i);
  }
  PinCushionModel CurrentModel() const;
  /// The point map with the current model and, when withFit, the last fit.
  PinCushionMap CurrentMap(const GridSize& panel, bool withFit) const;
  /// MapGrid through the vector kernel, with or without the fit.
  void MapGridFast(const CWarpGridReal& src, CWarpGridReal& dst, const GridSize& panel,
                   const GridSize& counts, bool withFit);
  /// Reallocates the tables for new counts and rebuilds them when stale.
  void PrepareTables(const GridSize& panel, const GridSize& counts);
  /// Replaces the fit's reference grid when it is missing or the counts changed.
  void UpdateReferenceGrid(const GridSize& panel, const GridSize& counts);
  void StoreFit(const Fit& fit, const GridSize& panel, const GridSize& counts);
  void SetStale();

  double m_amountLeft = 0.0;  // host value / -5
  double m_amountTop = 0.0;
  double m_amountRight = 0.0;
  double m_amountBottom = 0.0;
  std::array<RealPoint, 4> m_corners;      // TL, TR, BR, BL
  std::array<RealPoint, 4> m_edgeControl;  // left, top, right, bottom
  RealPoint m_center{0.5, 0.5};
  std::array<RealPoint, 4> m_outerCorners;  // TL, TR, BR, BL
  std::array<RealPoint, 4> m_outerControl{};
  double m_marginX = 1.0;  // outer ring width in panel widths
  double m_marginY = 1.0;
  int32_t m_tableCols = 0;
  int32_t m_tableRows = 0;
  std::vector<RealPoint> m_srcTable;  // uncorrected positions, pixels
  std::vector<RealPoint> m_dstTable;  // corrected positions, pixels
  std::vector<uint8_t> m_visited;
  std::unique_ptr<CWarpGridReal> m_refGrid;
  uint32_t m_fitMode = 0;
  double m_fitScale = 0.0;
  double m_fitOffsetX = 0.0;
  double m_fitOffsetY = 0.0;
  CBlockTransfer m_block;
  int32_t m_tablesStale = 1;

  // Homographies of recently inverted table cells. An estimate depends only on
  // the cell's corners, which stay until the tables change, so a cell met
  // again takes its earlier estimate (or, unsolvable, again keeps the current one).
  struct CachedCell {
    int64_t cell = -1;  // table entry of the cell's top-left corner; -1: empty
    bool solved = false;
    Homography homography{};
  };
  std::array<CachedCell, 64> m_cells{};
  void ForgetCells();

  // The fit depends only on the parameters, the panel, the counts and the
  // reference grid; while none of them changes the last one is reused.
  bool m_fitCurrent = false;
  GridSize m_fitPanel{0, 0};
  GridSize m_fitCounts{0, 0};
};

}  // namespace kvogc
