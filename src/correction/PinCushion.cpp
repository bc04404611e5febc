#include "correction/PinCushion.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "correction/GridMapping.h"
#include "correction/PointMaps.h"
#include "correction/SinglePrecision.h"
#include "grid/Rounding.h"
#include "kvogc/kvogc.h"

namespace kvogc {

namespace {

constexpr std::array<RealPoint, 4> kNeutralCorners{
    {{0.0, 0.0}, {1.0, 0.0}, {1.0, 1.0}, {0.0, 1.0}}};

RealPoint Bez(const RealPoint& a, const RealPoint& c, const RealPoint& b, double t) {
  return {kvogc::Bez(a.x, c.x, b.x, t), kvogc::Bez(a.y, c.y, b.y, t)};
}

/// The curve's midpoint, in the form the centre is defined with.
double BezHalf(double a, double c, double b) { return 0.25 * a + 0.5 * c + 0.25 * b; }

bool SameSize(const GridSize& a, const GridSize& b) { return a.cx == b.cx && a.cy == b.cy; }

bool Finite(const RealPoint& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

/// Panel positive, counts at least 1 (the tables divide by them) and inside both grids.
bool MappingValid(const CWarpGridReal& src, const CWarpGridReal& dst, const GridSize& panel,
                  const GridSize& counts) {
  constexpr int32_t kMaxCount = std::numeric_limits<int32_t>::max() - 3;
  return panel.cx > 0 && panel.cy > 0 && counts.cx >= 1 && counts.cy >= 1 &&
         counts.cx <= kMaxCount && counts.cy <= kMaxCount &&
         src.GetPoint(counts.cy, counts.cx) != nullptr &&
         dst.GetPoint(counts.cy, counts.cx) != nullptr;
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

}  // namespace

CPinCushion::CPinCushion()
    : m_corners(kNeutralCorners),
      m_edgeControl{{{0.0, 0.5}, {0.5, 0.0}, {1.0, 0.5}, {0.5, 1.0}}},
      m_outerCorners{{{-1.0, -1.0}, {2.0, -1.0}, {2.0, 2.0}, {-1.0, 2.0}}} {}

CPinCushion::~CPinCushion() = default;

void CPinCushion::SetStale() {
  m_tablesStale = 1;
  m_fitCurrent = false;
}

int32_t CPinCushion::SetParam(const RealPoint& leftUp, const RealPoint& rightUp,
                              const RealPoint& rightLow, const RealPoint& leftLow, double left,
                              double top, double right, double bottom, uint32_t fit) {
  if (!Finite(leftUp) || !Finite(rightUp) || !Finite(rightLow) || !Finite(leftLow) ||
      !std::isfinite(left) || !std::isfinite(top) || !std::isfinite(right) ||
      !std::isfinite(bottom)) {
    return KVOGC_E_INVALIDARG;
  }
  m_corners = {leftUp, rightUp, rightLow, leftLow};
  m_amountLeft = -left / 5;
  m_amountTop = -top / 5;
  m_amountRight = -right / 5;
  m_amountBottom = -bottom / 5;
  m_fitMode = fit;
  SetStale();
  return KVOGC_OK;
}

int32_t CPinCushion::Reset() {
  m_corners = kNeutralCorners;
  m_amountLeft = 0.0;
  m_amountTop = 0.0;
  m_amountRight = 0.0;
  m_amountBottom = 0.0;
  m_fitMode = 0;
  SetStale();
  return KVOGC_OK;
}

RealPoint CPinCushion::EvalPoint(double u, double v) const { return CurrentModel().Eval(u, v); }

PinCushionModel CPinCushion::CurrentModel() const {
  return PinCushionModel{m_corners[0],     m_corners[1],     m_corners[2],     m_corners[3],
               m_edgeControl[0], m_edgeControl[1], m_edgeControl[2], m_edgeControl[3],
               m_center,         m_amountLeft,     m_amountTop,      m_amountRight,
               m_amountBottom};
}

PinCushionMap CPinCushion::CurrentMap(const GridSize& panel, bool withFit) const {
  return PinCushionMap{CurrentModel(),
                       static_cast<double>(panel.cx),
                       static_cast<double>(panel.cy),
                       withFit,
                       ToSingle(m_fitOffsetX),
                       ToSingle(m_fitOffsetY),
                       m_fitScale};
}

void CPinCushion::BuildTables(const GridSize& panel, int32_t cols, int32_t rows) {
  if (cols < 1 || rows < 1 || m_tableCols != cols + 3 || m_tableRows != rows + 3) return;
  ForgetCells();
  const double w = panel.cx;
  const double h = panel.cy;
  const double kx = 2 * m_marginX + 1;
  const double ky = 2 * m_marginY + 1;
  const double sx = m_marginX;
  const double sy = m_marginY;
  const RealPoint& tl = m_corners[0];
  const RealPoint& tr = m_corners[1];
  const RealPoint& br = m_corners[2];
  const RealPoint& bl = m_corners[3];
  const double aL = m_amountLeft;
  const double aT = m_amountTop;
  const double aR = m_amountRight;
  const double aB = m_amountBottom;

  m_edgeControl[0] = {(tl.x + bl.x) / 2 - aL, (tl.y + bl.y) / 2};
  m_edgeControl[1] = {(tl.x + tr.x) / 2, (tl.y + tr.y) / 2 - aT};
  m_edgeControl[2] = {(tr.x + br.x) / 2 + aR, (tr.y + br.y) / 2};
  m_edgeControl[3] = {(bl.x + br.x) / 2, (bl.y + br.y) / 2 + aB};

  // Each corner's displacement from its neutral place, magnified by k, moves the
  // matching corner of the outer frame.
  const RealPoint qtl{tl.x * kx - sx, tl.y * ky - sy};
  const RealPoint qtr{(tr.x - 1) * kx + sx + 1, tr.y * ky - sy};
  const RealPoint qbr{(br.x - 1) * kx + sx + 1, (br.y - 1) * ky + sy + 1};
  const RealPoint qbl{bl.x * kx - sx, (bl.y - 1) * ky + sy + 1};
  m_outerCorners = {qtl, qtr, qbr, qbl};
  const RealPoint ol{(qtl.x + qbl.x) / 2 - kx * aL, (qtl.y + qbl.y) / 2};
  const RealPoint ot{(qtl.x + qtr.x) / 2, (qtl.y + qtr.y) / 2 - ky * aT};
  const RealPoint orr{(qtr.x + qbr.x) / 2 + kx * aR, (qtr.y + qbr.y) / 2};
  const RealPoint ob{(qbl.x + qbr.x) / 2, (qbl.y + qbr.y) / 2 + ky * aB};
  m_outerControl = {ol, ot, orr, ob};

  const auto px = [w, h](double x, double y) {
    return RealPoint{RoundPoint(x * w), RoundPoint(y * h)};
  };
  const auto pxOf = [&px](const RealPoint& p) { return px(p.x, p.y); };
  const int32_t lastCol = m_tableCols - 1;
  const int32_t lastRow = m_tableRows - 1;
  const auto set = [this](int32_t j, int32_t i, const RealPoint& s, const RealPoint& d) {
    m_srcTable[Entry(j, i)] = s;
    m_dstTable[Entry(j, i)] = d;
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
  const PinCushionModel model = CurrentModel();
  for (int32_t j = 0; j <= rows; ++j) {
    const double y = static_cast<double>(j) / rows;
    for (int32_t i = 0; i <= cols; ++i) {
      const double x = static_cast<double>(i) / cols;
      set(j + 1, i + 1, px(x, y), pxOf(model.Eval(x, y)));
    }
  }

  // Last: the interior above runs with the previous centre (it never needs it).
  const RealPoint& cl = m_edgeControl[0];
  const RealPoint& ct = m_edgeControl[1];
  const RealPoint& cr = m_edgeControl[2];
  const RealPoint& cb = m_edgeControl[3];
  m_center.x = (BezHalf(tr.x, cr.x, br.x) + BezHalf(tl.x, cl.x, bl.x)) / 2;
  m_center.y = (BezHalf(tl.y, ct.y, tr.y) + BezHalf(bl.y, cb.y, br.y)) / 2;
}

CPinCushion::Fit CPinCushion::CalcFit(const CWarpGridReal& mapped, const GridSize& panel,
                                      int32_t cols, int32_t rows) {
  if (cols < 0 || rows < 0 || mapped.GetPoint(rows, cols) == nullptr) return {1.0, 0.0, 0.0};
  double top = mapped.At(0, 0).y;
  double bottom = mapped.At(rows, 0).y;
  for (int32_t c = 1; c <= cols; ++c) {
    top = std::min(top, mapped.At(0, c).y);
    bottom = std::max(bottom, mapped.At(rows, c).y);
  }
  double left = mapped.At(0, 0).x;
  double right = mapped.At(0, cols).x;
  for (int32_t r = 1; r <= rows; ++r) {
    left = std::min(left, mapped.At(r, 0).x);
    right = std::max(right, mapped.At(r, cols).x);
  }
  const double w = panel.cx;
  const double h = panel.cy;
  const double height = bottom - top;
  const double width = right - left;
  const double fy = height / h;
  const double fx = width / w;
  // One factor for both axes: fill along one, centre along the other.
  if (fx > fy) return {fx, -left, (h - height / fx) * 0.5 * fx - top};
  return {fy, (w - width / fy) * 0.5 * fy - left, -top};
}

void CPinCushion::PrepareTables(const GridSize& panel, const GridSize& counts) {
  const int32_t cols = counts.cx + 3;
  const int32_t rows = counts.cy + 3;
  if (m_tableCols != cols || m_tableRows != rows) {
    const size_t n = static_cast<size_t>(rows) * static_cast<size_t>(cols);
    m_srcTable.assign(n, RealPoint{0.0, 0.0});
    m_dstTable.assign(n, RealPoint{0.0, 0.0});
    m_visited.assign(n, 0);
    m_tableCols = cols;
    m_tableRows = rows;
    ForgetCells();
    SetStale();
  }
  if (m_tablesStale != 0) {
    BuildTables(panel, counts.cx, counts.cy);
    m_tablesStale = 0;
    m_fitCurrent = false;
  }
}

void CPinCushion::MapGrid(const CWarpGridReal& src, CWarpGridReal& dst, const GridSize& panel,
                          const GridSize& counts) {
  if (!MappingValid(src, dst, panel, counts)) return;
  PrepareTables(panel, counts);
  MapRealGrid(src, dst, counts, CurrentMap(panel, false));
}

void CPinCushion::MapGridFast(const CWarpGridReal& src, CWarpGridReal& dst, const GridSize& panel,
                              const GridSize& counts, bool withFit) {
  PrepareTables(panel, counts);
  const PinCushionMap map = CurrentMap(panel, withFit);
  MapRealGridRows(src, dst, counts, [&map](const RealPoint* from, RealPoint* to, size_t n) {
    MapPoints(map, from, to, n);
  });
}

int32_t CPinCushion::ConvertPoints(const CWarpGridReal& src, CWarpGridReal& dst,
                                   const GridSize& panel, const GridSize& counts) {
  if (counts.cy < 0) return KVOGC_OK;
  if (!MappingValid(src, dst, panel, counts)) return KVOGC_E_INVALIDARG;
  m_marginX = 1.0;
  m_marginY = 1.0;
  if (m_fitMode != 0) {
    UpdateReferenceGrid(panel, counts);
    PrepareTables(panel, counts);
    // The fit depends only on the model, the panel, the counts and the reference
    // grid; while none of them changed, mapping the reference grid again would
    // give the same values. Mapping src in place reads the reference grid's
    // image, as the steps in their plain order do, so that case always maps it.
    if (!m_fitCurrent || !SameSize(m_fitPanel, panel) || !SameSize(m_fitCounts, counts) ||
        &src == &dst) {
      MapGridFast(*m_refGrid, dst, panel, counts, false);
      StoreFit(CalcFit(dst, panel, counts.cx, counts.cy), panel, counts);
    }
    MapGridFast(src, dst, panel, counts, true);
  } else {
    MapGridFast(src, dst, panel, counts, false);
  }
  return KVOGC_OK;
}

int32_t CPinCushion::ConvertPointsPlain(const CWarpGridReal& src, CWarpGridReal& dst,
                                        const GridSize& panel, const GridSize& counts) {
  if (counts.cy < 0) return KVOGC_OK;
  if (!MappingValid(src, dst, panel, counts)) return KVOGC_E_INVALIDARG;
  m_marginX = 1.0;
  m_marginY = 1.0;
  if (m_fitMode != 0) {
    UpdateReferenceGrid(panel, counts);
    MapGrid(*m_refGrid, dst, panel, counts);
    StoreFit(CalcFit(dst, panel, counts.cx, counts.cy), panel, counts);
  }
  MapGrid(src, dst, panel, counts);
  if (m_fitMode != 0) {
    const PinCushionMap fit = CurrentMap(panel, true);
    for (int32_t r = 0; r <= counts.cy; ++r) {
      for (int32_t c = 0; c <= counts.cx; ++c) dst.At(r, c) = fit.Fit(dst.At(r, c));
    }
  }
  return KVOGC_OK;
}

void CPinCushion::UpdateReferenceGrid(const GridSize& panel, const GridSize& counts) {
  // A reference grid of other counts would be read out of step (or past its
  // end), so its own counts are checked as well as the tables'. A new panel
  // alone keeps it.
  if (!m_refGrid || m_tableCols != counts.cx + 3 || m_tableRows != counts.cy + 3 ||
      !SameSize(m_refGrid->m_realGridNum, counts)) {
    auto grid = std::make_unique<CWarpGridReal>();
    grid->Create(panel, counts);
    m_refGrid = std::move(grid);
    m_fitCurrent = false;
  }
}

void CPinCushion::StoreFit(const Fit& fit, const GridSize& panel, const GridSize& counts) {
  m_fitScale = fit.scale;
  m_fitOffsetX = fit.offsetX;
  m_fitOffsetY = fit.offsetY;
  m_fitCurrent = true;
  m_fitPanel = panel;
  m_fitCounts = counts;
}

int32_t CPinCushion::ConvertGrid(const CWarpGridOpe& src, CWarpGridOpe& dst) const {
  const GridSize panel = src.m_panelSize;
  if (panel.cx <= 0 || panel.cy <= 0) return KVOGC_E_INVALIDARG;
  const PinCushionMap map = CurrentMap(panel, m_fitMode != 0);
  MapOpeGrid(src, dst, map, [&map](const RealPoint* from, RealPoint* to, size_t n) {
    MapPoints(map, from, to, n);
  });
  return KVOGC_OK;
}

namespace {

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

CPinCushion::CellStep CPinCushion::TestCell(int32_t j, int32_t i, const RealPoint& p) const {
  if (m_tableRows < 2 || m_tableCols < 2 || m_dstTable.empty()) return {true, 0, 0};
  int32_t j0 = 0, j1 = 0, i0 = 0, i1 = 0;
  CellSpan(j, m_tableRows, j0, j1);
  CellSpan(i, m_tableCols, i0, i1);
  const RealPoint& tl = DstEntry(j0, i0);
  const RealPoint& tr = DstEntry(j0, i1);
  const RealPoint& bl = DstEntry(j1, i0);
  const RealPoint& br = DstEntry(j1, i1);
  const int32_t sTop = SideY(tl, tr, p);
  const int32_t sBottom = SideY(bl, br, p);
  const int32_t sLeft = SideX(tl, bl, p);
  const int32_t sRight = SideX(tr, br, p);

  int32_t rowStep = 0;
  if (sTop < 0 && j >= 1) {
    rowStep = -1;
  } else if (sBottom <= 0) {
    rowStep = 0;
  } else if (j < m_tableRows - 1) {
    rowStep = 1;
  }
  int32_t colStep = 0;
  if (sLeft < 0 && i >= 1) {
    colStep = -1;
  } else if (sRight > 0 && i < m_tableCols - 1) {
    colStep = 1;
  }
  return {rowStep == 0 && colStep == 0, rowStep, colStep};
}

bool CPinCushion::InvertByHomography(const RealPoint& p, RealPoint& out) {
  if (m_tableRows < 2 || m_tableCols < 2 || m_dstTable.empty()) return false;
  std::fill(m_visited.begin(), m_visited.end(), uint8_t{0});
  int32_t j = m_tableRows / 2;
  int32_t i = m_tableCols / 2;
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
  CellSpan(j, m_tableRows, j0, j1);
  CellSpan(i, m_tableCols, i0, i1);
  const auto cell = static_cast<int64_t>(Entry(j0, i0));
  CachedCell& cached = m_cells[static_cast<size_t>(cell) % m_cells.size()];
  if (cached.cell == cell) {
    if (cached.solved) m_block.Use(cached.homography);
  } else {
    m_block.m_srcCorners[0] = Single(DstEntry(j0, i0));
    m_block.m_srcCorners[1] = Single(DstEntry(j0, i1));
    m_block.m_srcCorners[2] = Single(DstEntry(j1, i0));
    m_block.m_srcCorners[3] = Single(DstEntry(j1, i1));
    m_block.m_dstCorners[0] = Single(SrcEntry(j0, i0));
    m_block.m_dstCorners[1] = Single(SrcEntry(j0, i1));
    m_block.m_dstCorners[2] = Single(SrcEntry(j1, i0));
    m_block.m_dstCorners[3] = Single(SrcEntry(j1, i1));
    const bool solved = m_block.Estimate();
    cached = {cell, solved, m_block.Current()};
  }
  if (!m_block.HasHomography()) return false;
  out = m_block.Apply(p);
  return true;
}

void CPinCushion::ForgetCells() {
  for (CachedCell& c : m_cells) c.cell = -1;
}

int32_t CPinCushion::InvertPoint(const RealPoint& in, RealPoint& out) {
  if (m_dstTable.empty()) {
    // No tables before the first ConvertPoints: nothing to invert with.
    out = in;
    return KVOGC_OK;
  }
  RealPoint r{};
  if (!InvertByHomography(in, r)) {
    out = in;
    return KVOGC_E_INVALIDARG;
  }
  out = {RoundPoint(r.x), RoundPoint(r.y)};
  return KVOGC_OK;
}

}  // namespace kvogc
