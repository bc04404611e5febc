// The stateless converter between an operation grid and its real grid: cell
// interpolation forward, bilinear resampling backward, and the grid edits.
#pragma once

#include <cstdint>

#include "grid/WarpGridOpe.h"
#include "grid/WarpGridReal.h"

namespace kvogc {

class CWarpConverter {
 public:
  CWarpConverter() = default;
  virtual ~CWarpConverter() = default;

  /// Interpolates the real-grid points of operation cell (j, i) from its four
  /// boundary lines. KVOGC_E_FAIL (nothing written) when the cell does not exist.
  int32_t ConvertCell(const CWarpGridOpe& ope, int32_t j, int32_t i, CWarpGridReal& real) const;
  /// Re-evaluates the lines ending at node (j, i) and re-converts the cells around it.
  int32_t UpdatePoint(CWarpGridOpe& ope, CWarpGridReal& real, int32_t j, int32_t i) const;
  /// Bilinear sample of the real grid at row coordinate fy, column coordinate fx,
  /// rounded to 1/256. KVOGC_E_UNEXPECTED (out untouched) outside the grid.
  int32_t SampleReal(const CWarpGridReal& real, double fy, double fx, RealPoint& out) const;
  /// Re-reads every node and line sample of the operation grid off the real grid.
  int32_t ConvertRealToOpe(const CWarpGridReal& real, CWarpGridOpe& ope) const;
  /// UpdatePoint on every node, row by row.
  void RefreshAll(CWarpGridOpe& ope, CWarpGridReal& real) const;
};

}  // namespace kvogc
