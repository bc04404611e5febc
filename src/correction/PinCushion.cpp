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

}  // namespace

CPinCushion::CPinCushion()
    : m_corners(kNeutralCorners),
      m_edgeControl{{{0.0, 0.5}, {0.5, 0.0}, {1.0, 0.5}, {0.5, 1.0}}} {}

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
  if (cols < 1 || rows < 1 || !m_tables.SizedFor(cols, rows)) return;
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
  const RealPoint ol{(qtl.x + qbl.x) / 2 - kx * aL, (qtl.y + qbl.y) / 2};
  const RealPoint ot{(qtl.x + qtr.x) / 2, (qtl.y + qtr.y) / 2 - ky * aT};
  const RealPoint orr{(qtr.x + qbr.x) / 2 + kx * aR, (qtr.y + qbr.y) / 2};
  const RealPoint ob{(qbl.x + qbr.x) / 2, (qbl.y + qbr.y) / 2 + ky * aB};
  m_tables.Build({{qtl, qtr, qbr, qbl}, {ol, ot, orr, ob}, sx, sy}, CurrentModel(), panel, cols,
                 rows);

  // Last: the interior above runs with the previous centre (it never needs it).
  const RealPoint& cl = m_edgeControl[0];
  const RealPoint& ct = m_edgeControl[1];
  const RealPoint& cr = m_edgeControl[2];
  const RealPoint& cb = m_edgeControl[3];
  m_center.x = (BezHalf(tr.x, cr.x, br.x) + BezHalf(tl.x, cl.x, bl.x)) / 2;
  m_center.y = (BezHalf(tl.y, ct.y, tr.y) + BezHalf(bl.y, cb.y, br.y)) / 2;
}

PinCushionFit CalcPinCushionFit(const CWarpGridReal& mapped, const GridSize& panel, int32_t cols,
                               int32_t rows) {
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
  if (m_tables.Resize(counts.cx, counts.cy)) SetStale();
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
      StoreFit(CalcPinCushionFit(dst, panel, counts.cx, counts.cy), panel, counts);
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
    StoreFit(CalcPinCushionFit(dst, panel, counts.cx, counts.cy), panel, counts);
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
  if (!m_refGrid || !m_tables.SizedFor(counts.cx, counts.cy) ||
      !SameSize(m_refGrid->m_realGridNum, counts)) {
    auto grid = std::make_unique<CWarpGridReal>();
    grid->Create(panel, counts);
    m_refGrid = std::move(grid);
    m_fitCurrent = false;
  }
}

void CPinCushion::StoreFit(const PinCushionFit& fit, const GridSize& panel, const GridSize& counts) {
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

int32_t CPinCushion::InvertPoint(const RealPoint& in, RealPoint& out) {
  if (m_tables.Empty()) {
    // No tables before the first ConvertPoints: nothing to invert with.
    out = in;
    return KVOGC_OK;
  }
  RealPoint r{};
  if (!m_tables.Invert(in, r)) {
    out = in;
    return KVOGC_E_INVALIDARG;
  }
  out = {RoundPoint(r.x), RoundPoint(r.y)};
  return KVOGC_OK;
}

}  // namespace kvogc
