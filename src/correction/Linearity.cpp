#include "correction/Linearity.h"

#include <cmath>

#include "correction/GridMapping.h"
#include "correction/PointMaps.h"
#include "correction/SinglePrecision.h"
#include "grid/Rounding.h"
#include "kvogc/kvogc.h"

namespace kvogc {

namespace {

// The truncated pi is part of the model: the full-precision one moves results.
double Radians(double degrees) { return degrees * 3.141592653589 / 180; }

double Dot(const std::array<double, 3>& a, double x, double y, double z) {
  return a[0] * x + a[1] * y + a[2] * z;
}

bool PanelValid(const GridSize& panel) { return panel.cx > 0 && panel.cy > 0; }

}  // namespace

CLinearity::CLinearity() = default;
CLinearity::~CLinearity() = default;

int32_t CLinearity::SetParam(double vAngle, double hAngle) {
  // The scale divides by the cosine: at a right angle the model has no image.
  if (!(std::fabs(vAngle) < 90.0) || !(std::fabs(hAngle) < 90.0)) return KVOGC_E_INVALIDARG;
  m_focal = 2.0f;
  m_eyeX = 0.0f;
  m_eyeY = 0.0f;
  m_angleV = -vAngle;
  m_angleH = -hAngle;
  const double a = Radians(m_angleH);
  const double b = Radians(m_angleV);
  const double sa = std::sin(a);
  const double ca = std::cos(a);
  const double sb = std::sin(b);
  const double cb = std::cos(b);
  // 2 is the eye distance.
  m_scaleX = 1 / ((-2 / (sa - 2)) * ca);
  m_scaleY = 1 / ((-2 / (sb - 2)) * cb);
  const auto single = [](double d) { return ToSingle(d); };
  m_planeNormalH = {single(sa), single(0.0), single(-ca)};
  m_planePointH = {0.0, 1.0, 0.0};
  m_planeNormalV = {single(0.0), single(sb), single(-cb)};
  m_planePointV = {0.0, cb, sb};
  return KVOGC_OK;
}

namespace {

LinearityMap MakeForward(const GridSize& panel, float focal, double angleH, double angleV,
                       double scaleX, double scaleY) {
  const double radH = Radians(angleH);
  const double radV = Radians(angleV);
  return LinearityMap{static_cast<double>(panel.cx),
                    static_cast<double>(panel.cy),
                    static_cast<double>(-focal),
                    static_cast<double>(focal),
                    std::sin(radH),
                    std::cos(radH),
                    scaleX,
                    std::sin(radV),
                    std::cos(radV),
                    scaleY};
}

}  // namespace

RealPoint CLinearity::ForwardPoint(const RealPoint& p, const GridSize& panel) const {
  return MakeForward(panel, m_focal, m_angleH, m_angleV, m_scaleX, m_scaleY)(p);
}

int32_t CLinearity::ConvertPoints(const CWarpGridReal& src, CWarpGridReal& dst,
                                  const GridSize& panel, const GridSize& counts) const {
  if (counts.cy < 0 || counts.cx < 0) return KVOGC_OK;
  if (!PanelValid(panel) || src.GetPoint(counts.cy, counts.cx) == nullptr ||
      dst.GetPoint(counts.cy, counts.cx) == nullptr) {
    return KVOGC_E_INVALIDARG;
  }
  const LinearityMap map = MakeForward(panel, m_focal, m_angleH, m_angleV, m_scaleX, m_scaleY);
  MapRealGridRows(src, dst, counts, [&map](const RealPoint* from, RealPoint* to, size_t n) {
    MapPoints(map, from, to, n);
  });
  return KVOGC_OK;
}

int32_t CLinearity::ConvertPointsPlain(const CWarpGridReal& src, CWarpGridReal& dst,
                                       const GridSize& panel, const GridSize& counts) const {
  if (counts.cy < 0 || counts.cx < 0) return KVOGC_OK;
  if (!PanelValid(panel) || src.GetPoint(counts.cy, counts.cx) == nullptr ||
      dst.GetPoint(counts.cy, counts.cx) == nullptr) {
    return KVOGC_E_INVALIDARG;
  }
  MapRealGrid(src, dst, counts,
              MakeForward(panel, m_focal, m_angleH, m_angleV, m_scaleX, m_scaleY));
  return KVOGC_OK;
}

int32_t CLinearity::ConvertGrid(const CWarpGridOpe& src, CWarpGridOpe& dst) const {
  if (!PanelValid(src.m_panelSize)) return KVOGC_E_INVALIDARG;
  const LinearityMap map =
      MakeForward(src.m_panelSize, m_focal, m_angleH, m_angleV, m_scaleX, m_scaleY);
  MapOpeGrid(src, dst, map, [&map](const RealPoint* from, RealPoint* to, size_t n) {
    MapPoints(map, from, to, n);
  });
  return KVOGC_OK;
}

void CLinearity::IntersectPlanes(const std::array<float, 3>& in, std::array<float, 3>& out) const {
  const double ex = m_eyeX;
  const double ey = m_eyeY;
  const double f = m_focal;
  const double u = in[0];
  const double v = in[1];
  const double z = in[2];

  // Horizontal axis: the ray from the eye through the point, scaled back, meets
  // the plane turned about the left edge.
  const double qx = u / m_scaleX;
  const auto& nH = m_planeNormalH;
  const auto& pH = m_planePointH;
  const double aH = Dot(nH, ex - pH[0], ey - pH[1], f - pH[2]);
  const double tH = aH / (aH - Dot(nH, qx - pH[0], v - pH[1], z - pH[2]));
  const double x = ex + (qx - ex) * tH;
  const double zx = f - f * tH;

  // Vertical axis, turned about the top edge.
  const double qy = v / m_scaleY;
  const auto& nV = m_planeNormalV;
  const auto& pV = m_planePointV;
  const double aV = Dot(nV, ex - pV[0], ey - pV[1], f - pV[2]);
  const double tV = aV / (aV - Dot(nV, u - pV[0], qy - pV[1], z - pV[2]));
  const double y = ey + (qy - ey) * tV;
  const double zy = f - f * tV;

  // The distance from the hinge along the tilted plane is the uncorrected fraction.
  const double du = std::sqrt(x * x + zx * zx);
  const double dv = std::sqrt(y * y + zy * zy);
  out = {AsSingle(x >= 0 ? du : -du), AsSingle(y >= 0 ? dv : -dv), 0.0f};
}

int32_t CLinearity::InvertPoint(const RealPoint& in, RealPoint& out, const GridSize& panel) const {
  if (!PanelValid(panel)) return KVOGC_E_INVALIDARG;
  const double w = panel.cx;
  const double h = panel.cy;
  const std::array<float, 3> q{AsSingle(in.x / w), AsSingle(in.y / h), 0.0f};
  std::array<float, 3> r{};
  IntersectPlanes(q, r);
  out = {RoundPoint(static_cast<double>(r[0]) * w), RoundPoint(static_cast<double>(r[1]) * h)};
  return KVOGC_OK;
}

}  // namespace kvogc
