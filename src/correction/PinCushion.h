// Pincushion correction with four-corner placement: the image outline is four
// quadratic Bezier edges through the corners, points inside are blended between
// opposite edges and points outside are extrapolated from the centre (the point
// model, PinCushionModel). With the fit, the mapped outline is scaled to fill
// the panel. The way back goes through the tables of CPinCushionTables.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "correction/PinCushionTables.h"
#include "correction/PointMaps.h"
#include "grid/WarpGridOpe.h"
#include "grid/WarpGridReal.h"

namespace kvogc {

/// Scale and offsets that make a mapped outline fill the panel.
struct PinCushionFit {
  double scale;
  double offsetX;
  double offsetY;
};

/// The fit of a mapped evenly spaced grid with cols x rows divisions: one
/// factor for both axes, filling the panel along one and centring along the
/// other; {1, 0, 0} when the grid does not hold those counts.
PinCushionFit CalcPinCushionFit(const CWarpGridReal& mapped, const GridSize& panel, int32_t cols,
                                int32_t rows);

class CPinCushion {
 public:
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
  /// ConvertPoints in the plain order of its steps, one point at a time through
  /// the scalar map: the reference grid is mapped and the fit worked out on
  /// every call, and the fit is a second pass over dst. ConvertPoints must
  /// agree with it to the bit.
  int32_t ConvertPointsPlain(const CWarpGridReal& src, CWarpGridReal& dst, const GridSize& panel,
                             const GridSize& counts);
  /// Maps every node and line sample with the state of the last ConvertPoints.
  /// KVOGC_E_INVALIDARG (nothing written) when the panel of src is not positive.
  int32_t ConvertGrid(const CWarpGridOpe& src, CWarpGridOpe& dst) const;
  /// Uncorrected position of a corrected point, from the tables of the last
  /// ConvertPoints; the input comes back unchanged before any. When the first
  /// cell met cannot be solved, out = in and KVOGC_E_INVALIDARG.
  int32_t InvertPoint(const RealPoint& in, RealPoint& out);

 private:
  PinCushionModel CurrentModel() const;
  /// The point map with the current model and, when withFit, the last fit.
  PinCushionMap CurrentMap(const GridSize& panel, bool withFit) const;
  /// Edge control points, the outer frame, the tables and the centre; does
  /// nothing unless the tables are sized for these counts.
  void BuildTables(const GridSize& panel, int32_t cols, int32_t rows);
  /// Makes the tables current for these counts, then maps src into dst (no
  /// fit), point by point through the scalar map.
  void MapGrid(const CWarpGridReal& src, CWarpGridReal& dst, const GridSize& panel,
               const GridSize& counts);
  /// MapGrid through the vector kernel, with or without the fit.
  void MapGridFast(const CWarpGridReal& src, CWarpGridReal& dst, const GridSize& panel,
                   const GridSize& counts, bool withFit);
  /// Resizes the tables for new counts and rebuilds them when stale.
  void PrepareTables(const GridSize& panel, const GridSize& counts);
  /// Replaces the fit's reference grid when it is missing or the counts changed.
  void UpdateReferenceGrid(const GridSize& panel, const GridSize& counts);
  void StoreFit(const PinCushionFit& fit, const GridSize& panel, const GridSize& counts);
  void SetStale();

  double m_amountLeft = 0.0;  // host value / -5
  double m_amountTop = 0.0;
  double m_amountRight = 0.0;
  double m_amountBottom = 0.0;
  std::array<RealPoint, 4> m_corners;      // TL, TR, BR, BL
  std::array<RealPoint, 4> m_edgeControl;  // left, top, right, bottom; as of the last build
  RealPoint m_center{0.5, 0.5};            // as of the last build
  double m_marginX = 1.0;  // outer ring width in panel widths
  double m_marginY = 1.0;
  CPinCushionTables m_tables;
  std::unique_ptr<CWarpGridReal> m_refGrid;
  uint32_t m_fitMode = 0;
  double m_fitScale = 0.0;
  double m_fitOffsetX = 0.0;
  double m_fitOffsetY = 0.0;
  int32_t m_tablesStale = 1;

  // The fit depends only on the parameters, the panel, the counts and the
  // reference grid; while none of them changes the last one is reused.
  bool m_fitCurrent = false;
  GridSize m_fitPanel{0, 0};
  GridSize m_fitCounts{0, 0};
};

}  // namespace kvogc
