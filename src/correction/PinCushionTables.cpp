#include "correction/PinCushionTables.h"

#include <algorithm>
#include <cmath>

#include "correction/SinglePrecision.h"
#include "grid/Rounding.h"

namespace kvogc {

namespace {

RealPoint Bez(const RealPoint& a, const RealPoint& c, const RealPoint& b, double t) {
  return {kvogc::Bez(a.x, c.x, b.x, t), kvogc::Bez(a.y, c.y, b.y, t)};
}

/// Side of p against the line through a and b, read along y at p.x (0 when the
/// side is vertical or p lies on it).
int32_t SideY(const RealPoint& a, const RealPoint& b, const RealPoint& p) {
  if (b.x == a.x) return 0;
  const double line = a.y + (b.y - a.y) * (p.x - a.x) / (b.x - a.x);
  return p.y > line ? 1 : (p.y == line ? 0 : -1);
}

/// Side of p against the line through a and b, read along x at p.y.
int32_t SideX(const RealPoint& a, const RealPoint& b, const RealPoint& p) {
  if (b.y == a.y) return 0;
  const double line = a.x + (b.x - a.x) * (p.y - a.y) / (b.y - a.y);
  return p.x > line ? 1 : (p.x == line ? 0 : -1);
}

cv::Point2f Single(const RealPoint& p) { return {AsSingle(p.x), AsSingle(p.y)}; }

// The two table lines that bound cell index k of a table with `count` lines;
// indices before the first or past the last cell use the nearest cell.
void CellSpan(int32_t k, int32_t count, int32_t& k0, int32_t& k1) {
  if (k < 0) {
    k0 = 0;
  } else if (k < count - 1) {
    k0 = k;
  } else {
    k0 = count - 2;
  }
  k1 = k0 + 1;
}

}  // namespace

bool CPinCushionTables::SizedFor(int32_t cols, int32_t rows) const {
  return m_cols == cols + 3 && m_rows == rows + 3;
}

bool CPinCushionTables::Resize(int32_t cols, int32_t rows) {
  if (SizedFor(cols, rows)) return false;
  m_cols = cols + 3;
  m_rows = rows + 3;
  const size_t n = static_cast<size_t>(m_rows) * static_cast<size_t>(m_cols);
  m_src.assign(n, RealPoint{0.0, 0.0});
  m_dst.assign(n, RealPoint{0.0, 0.0});
  m_visited.assign(n, 0);
  ForgetCells();
  return true;
}

void CPinCushionTables::Build(const PinCushionFrame& frame, const PinCushionModel& model,
                              const GridSize& panel, int32_t cols, int32_t rows) {
  if (cols < 1 || rows < 1 || !SizedFor(cols, rows)) return;
  ForgetCells();
  const double w = panel.cx;
  const double h = panel.cy;
  const double sx = frame.marginX;
  const double sy = frame.marginY;
  const double kx = 2 * sx + 1;
  const double ky = 2 * sy + 1;
  const auto& [qtl, qtr, qbr, qbl] = frame.corners;
  const auto& [ol, ot, orr, ob] = frame.control;

  const auto px = [w, h](double x, double y) {
    return RealPoint{RoundPoint(x * w), RoundPoint(y * h)};
  };
  const auto pxOf = [&px](const RealPoint& p) { return px(p.x, p.y); };
  const int32_t lastCol = m_cols - 1;
  const int32_t lastRow = m_rows - 1;
  const auto set = [this](int32_t j, int32_t i, const RealPoint& s, const RealPoint& d) {
    m_src[Entry(j, i)] = s;
    m_dst[Entry(j, i)] = d;
  };

  set(0, 0, px(-sx, -sy), pxOf(qtl));
  set(0, lastCol, px(1 + sx, -sy), pxOf(qtr));
  set(lastRow, lastCol, px(1 + sx, 1 + sy), pxOf(qbr));
  set(lastRow, 0, px(-sx, 1 + sy), pxOf(qbl));
  for (int32_t i = 0; i <= cols; ++i) {
    const double x = static_cast<double>(i) / cols;
    const double t = (x + sx) / kx;
    set(0, i + 1, px(x, -sy), pxOf(Bez(qtl, ot, qtr, t)));
    set(lastRow, i + 1, px(x, 1 + sy), pxOf(Bez(qbl, ob, qbr, t)));
  }
  for (int32_t j = 0; j <= rows; ++j) {
    const double y = static_cast<double>(j) / rows;
    const double t = (y + sy) / ky;
    set(j + 1, 0, px(-sx, y), pxOf(Bez(qtl, ol, qbl, t)));
    set(j + 1, lastCol, px(1 + sx, y), pxOf(Bez(qtr, orr, qbr, t)));
  }
  for (int32_t j = 0; j <= rows; ++j) {
    const double y = static_cast<double>(j) / rows;
    for (int32_t i = 0; i <= cols; ++i) {
      const double x = static_cast<double>(i) / cols;
      set(j + 1, i + 1, px(x, y), pxOf(model.Eval(x, y)));
    }
  }
}

CPinCushionTables::CellStep CPinCushionTables::TestCell(int32_t j, int32_t i,
                                                        const RealPoint& p) const {
  int32_t j0 = 0, j1 = 0, i0 = 0, i1 = 0;
  CellSpan(j, m_rows, j0, j1);
  CellSpan(i, m_cols, i0, i1);
  const RealPoint& tl = m_dst[Entry(j0, i0)];
  const RealPoint& tr = m_dst[Entry(j0, i1)];
  const RealPoint& bl = m_dst[Entry(j1, i0)];
  const RealPoint& br = m_dst[Entry(j1, i1)];
  const int32_t sTop = SideY(tl, tr, p);
  const int32_t sBottom = SideY(bl, br, p);
  const int32_t sLeft = SideX(tl, bl, p);
  const int32_t sRight = SideX(tr, br, p);

  int32_t rowStep = 0;
  if (sTop < 0 && j >= 1) {
    rowStep = -1;
  } else if (sBottom <= 0) {
    rowStep = 0;
  } else if (j < m_rows - 1) {
    rowStep = 1;
  }
  int32_t colStep = 0;
  if (sLeft < 0 && i >= 1) {
    colStep = -1;
  } else if (sRight > 0 && i < m_cols - 1) {
    colStep = 1;
  }
  return {rowStep == 0 && colStep == 0, rowStep, colStep};
}

void CPinCushionTables::UseCell(int32_t j0, int32_t i0) {
  const auto cell = static_cast<int64_t>(Entry(j0, i0));
  CachedCell& cached = m_cells[static_cast<size_t>(cell) % m_cells.size()];
  if (cached.cell == cell) {
    if (cached.solved) m_block.Use(cached.homography);
    return;
  }
  const int32_t j1 = j0 + 1;
  const int32_t i1 = i0 + 1;
  m_block.m_srcCorners[0] = Single(m_dst[Entry(j0, i0)]);
  m_block.m_srcCorners[1] = Single(m_dst[Entry(j0, i1)]);
  m_block.m_srcCorners[2] = Single(m_dst[Entry(j1, i0)]);
  m_block.m_srcCorners[3] = Single(m_dst[Entry(j1, i1)]);
  m_block.m_dstCorners[0] = Single(m_src[Entry(j0, i0)]);
  m_block.m_dstCorners[1] = Single(m_src[Entry(j0, i1)]);
  m_block.m_dstCorners[2] = Single(m_src[Entry(j1, i0)]);
  m_block.m_dstCorners[3] = Single(m_src[Entry(j1, i1)]);
  const bool solved = m_block.Estimate();
  cached = {cell, solved, m_block.Current()};
}

bool CPinCushionTables::Invert(const RealPoint& p, RealPoint& out) {
  if (m_rows < 2 || m_cols < 2 || m_dst.empty()) return false;
  std::fill(m_visited.begin(), m_visited.end(), uint8_t{0});
  int32_t j = m_rows / 2;
  int32_t i = m_cols / 2;
  // One step per cell and never the same index twice, so the walk ends within
  // the table size whatever the point (NaN and infinities included).
  while (m_visited[Entry(j, i)] == 0) {
    m_visited[Entry(j, i)] = 1;
    const CellStep step = TestCell(j, i, p);
    if (step.found) break;
    j += step.rowStep;
    i += step.colStep;
  }
  int32_t j0 = 0, j1 = 0, i0 = 0, i1 = 0;
  CellSpan(j, m_rows, j0, j1);
  CellSpan(i, m_cols, i0, i1);
  UseCell(j0, i0);
  if (!m_block.HasHomography()) return false;
  out = m_block.Apply(p);
  return true;
}

void CPinCushionTables::ForgetCells() {
  for (CachedCell& c : m_cells) c.cell = -1;
}

}  // namespace kvogc
