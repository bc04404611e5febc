#include "grid/WarpGridReal.h"

namespace kvogc {

int32_t CWarpGridReal::Create(const GridSize& panelSize, const GridSize& realGridNum) {
  m_panelSize = panelSize;
  m_realGridNum = realGridNum;
  const size_t cols = static_cast<size_t>(realGridNum.cx) + 1;
  const size_t rows = static_cast<size_t>(realGridNum.cy) + 1;
  m_points.assign(rows * cols, RealPoint{0.0, 0.0});
  const double w = panelSize.cx;
  const double h = panelSize.cy;
  const double rx = realGridNum.cx;
  const double ry = realGridNum.cy;
  for (size_t r = 0; r < rows; ++r) {
    const double y = (h * static_cast<double>(r)) / ry;
    for (size_t c = 0; c < cols; ++c) {
      m_points[r * cols + c] = {(w * static_cast<double>(c)) / rx, y};
    }
  }
  return 0;
}

}  // namespace kvogc
