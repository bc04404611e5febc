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

  // Relative edits. Each adds (dx, dy) to the nodes it moves, translates the
  // lines between two moved nodes unrounded, evaluates the lines joining a
  // moved node to a fixed one and re-converts every cell touching a moved
  // node. 0, or KVOGC_E_INVALIDARG with both grids untouched when a node or
  // line named does not exist or a range runs backwards.

  /// Moves node (j, i).
  int32_t MovePoint(CWarpGridOpe& ope, CWarpGridReal& real, int32_t j, int32_t i, double dx,
                    double dy) const;
  /// Moves horizontal line (j, i) with both of its nodes.
  int32_t MoveLineHor(CWarpGridOpe& ope, CWarpGridReal& real, int32_t j, int32_t i, double dx,
                      double dy) const;
  /// Moves nodes (j, a) .. (j, b) of one row and the lines between them.
  int32_t MoveLineHorMulti(CWarpGridOpe& ope, CWarpGridReal& real, int32_t j, int32_t a,
                           int32_t b, double dx, double dy) const;
  /// Moves vertical line (j, i) with both of its nodes.
  int32_t MoveLineVer(CWarpGridOpe& ope, CWarpGridReal& real, int32_t j, int32_t i, double dx,
                      double dy) const;
  /// Moves nodes (a, i) .. (b, i) of one column and the lines between them.
  int32_t MoveLineVerMulti(CWarpGridOpe& ope, CWarpGridReal& real, int32_t a, int32_t b,
                           int32_t i, double dx, double dy) const;
  /// Moves cell (j, i) rigidly: its four corners and four boundary lines.
  int32_t MoveArea(CWarpGridOpe& ope, CWarpGridReal& real, int32_t j, int32_t i, double dx,
                   double dy) const;
  /// Moves the block of nodes in rows a .. b, columns c .. d, rigidly.
  int32_t MoveAreaMulti(CWarpGridOpe& ope, CWarpGridReal& real, int32_t a, int32_t b, int32_t c,
                        int32_t d, double dx, double dy) const;
};

}  // namespace kvogc
