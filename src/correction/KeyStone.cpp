#include "correction/KeyStone.h"

#include <cmath>
#include <cstddef>
#include <limits>

#include "correction/GridMapping.h"
#include "correction/PointMaps.h"
#include "grid/Rounding.h"

namespace kvogc {

namespace {

// The value of pi the keystone has always used; the full-precision one would
// move results by a bit.
constexpr double kPi = 3.141592653589;

// Narrowing follows IEEE 754 here (out of range gives an infinity, NaN stays
// NaN), which the single-precision steps rely on for wild host values.
static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<double>::is_iec559);

double Radians(double degrees) { return degrees * kPi / 180.0; }

bool Succeeded(int32_t status) { return status >= 0; }

bool HasArea(const GridSize& panel) { return panel.cx > 0 && panel.cy > 0; }

// Whether rows 0..counts.cy and columns 0..counts.cx lie inside the grid's own
// layout, which the shared walk addresses (counts are not negative here).
bool Holds(const CWarpGridReal& grid, const GridSize& counts) {
  const GridSize& n = grid.m_realGridNum;
  if (counts.cx > n.cx || counts.cy > n.cy) return false;
  const size_t points = (static_cast<size_t>(n.cx) + 1) * (static_cast<size_t>(n.cy) + 1);
  return points <= grid.Points().size();
}

KeystoneMap MakeForwardMap(const std::array<float, 16>& m, float focal, float shiftX,
                           float shiftY, const GridSize& panel) {
  const double w = panel.cx;
  const double h = panel.cy;
  return KeystoneMap{w,    h,    w / h, h / 2.0, m[0],  m[1],  m[3],  m[4],   m[5],  m[7],
                     m[8], m[9], m[11], m[12],   m[13], m[14], focal, shiftX, shiftY};
}

}  // namespace

std::optional<double> RollFitScale(double rollDegrees, double aspect) {
  double r = std::fabs(rollDegrees);
  if (r <= 90.0) {
    // as is
  } else if (r <= 180.0) {
    r = 180.0 - r;
  } else {
    return std::nullopt;  // also NaN
  }
  const double d = std::sqrt(aspect * aspect + 1.0);
  const double theta = std::atan2(1.0, aspect);  // the diagonal's angle
  const double phi = theta + Radians(r);
  // The rolled rectangle's half height (e) or half width (c) against the frame's.
  const double e = d * std::sin(phi);
  if (std::fabs(e) > 1.0) return e;
  const double c = std::fabs(d * std::cos(phi));
  return c > aspect ? c / aspect : 1.0;
}

double PushBackDepth(double pitch, double yaw, double roll, uint32_t fitRotation, double focal,
                     double aspect) {
  double p = std::fabs(std::sin(Radians(pitch))) + std::fabs(aspect * std::sin(Radians(yaw)));
  if (fitRotation != 0) {
    // Pushing back by focal * (k - 1) shrinks the image by 1/k.
    if (const std::optional<double> k = RollFitScale(roll, aspect)) p += focal * (*k - 1.0);
  }
  return p;
}

CKeyStone::CKeyStone() : m_module("Merrowin.dll") {
  void* object = nullptr;
  if (m_module.HasFactory() &&
      Succeeded(m_module.CreateInstance(kClsidMatrixBuilder, kIidMatrixBuilder, &object))) {
    m_transform = KvoRef<IMatrixBuilder>::Adopt(static_cast<IMatrixBuilder*>(object));
  }
}

CKeyStone::CKeyStone(IMatrixBuilder* builder) : m_transform(KvoRef<IMatrixBuilder>::Share(builder)) {}

CKeyStone::~CKeyStone() {
  // The builder's code lives in the module: release it before unloading.
  m_transform.Reset();
  m_module.Unload();
}

int32_t CKeyStone::SetParam(double vAngle, double hAngle, double roll, double throwRatio,
                            double shiftX, double shiftY, double zOffset, uint32_t fitRotation,
                            const GridSize& panel) {
  if (!HasArea(panel)) return KVOGC_E_INVALIDARG;
  const double w = panel.cx;
  const double h = panel.cy;
  m_pitch = -vAngle;
  m_yaw = hAngle;
  m_roll = roll;
  m_shiftX = AsSingle(-shiftX);
  m_shiftY = AsSingle(shiftY);
  m_focal = AsSingle(2.0 * throwRatio * w / h);
  m_offsetZ = zOffset;
  m_fitRotation = fitRotation;
  CalcMatrix();
  CalcScreenPlane();
  return KVOGC_OK;
}

int32_t CKeyStone::SetRotationOnly(double roll, uint32_t fitRotation, const GridSize& panel) {
  if (!HasArea(panel)) return KVOGC_E_INVALIDARG;
  const double w = panel.cx;
  const double h = panel.cy;
  m_pitch = 0.0;
  m_yaw = 0.0;
  m_shiftX = 0.0f;
  m_shiftY = 0.0f;
  m_offsetZ = 0.0;
  m_roll = roll;
  m_fitRotation = fitRotation;
  m_focal = AsSingle(4.0 * w / h);  // throw ratio 2
  CalcMatrix();
  CalcScreenPlane();
  return KVOGC_OK;
}

void CKeyStone::CalcMatrix() {
  if (!m_transform) return;  // module or factory missing: keep what we have
  IMatrixBuilder& b = *m_transform;
  const double p = PushBackDepth(m_pitch, m_yaw, m_roll, m_fitRotation, m_focal, m_aspect);

  // Each sequence is read into a scratch matrix first, so that a builder that
  // fails inside GetMatrix cannot leave a half-written one behind.
  std::array<float, 16> built{};
  // Roll, then yaw, then pitch, then push back.
  if (!(Succeeded(b.Identity()) && Succeeded(b.RotateZ(AsSingle(m_roll))) &&
        Succeeded(b.RotateY(AsSingle(m_yaw))) && Succeeded(b.RotateX(AsSingle(m_pitch))) &&
        Succeeded(b.Translate(0.0f, 0.0f, AsSingle(m_offsetZ - p))) && Succeeded(b.Finish()) &&
        Succeeded(b.GetMatrix(built.data())))) {
    return;
  }
  m_matrix = built;
  // The same steps undone in reverse order.
  if (!(Succeeded(b.Identity()) && Succeeded(b.Translate(0.0f, 0.0f, AsSingle(p - m_offsetZ))) &&
        Succeeded(b.RotateX(AsSingle(-m_pitch))) && Succeeded(b.RotateY(AsSingle(-m_yaw))) &&
        Succeeded(b.RotateZ(AsSingle(-m_roll))) && Succeeded(b.Finish()) &&
        Succeeded(b.GetMatrix(built.data())))) {
    return;
  }
  m_inverse = built;
}

int32_t CKeyStone::CalcScreenPlane() {
  const std::array<float, 16>& m = m_matrix;
  const auto transform = [&m](double x, double y, double z) {
    return std::array<double, 3>{m[0] * x + m[1] * y + m[2] * z + m[3] + m[12],
                                 m[4] * x + m[5] * y + m[6] * z + m[7] - m[13],
                                 m[8] * x + m[9] * y + m[10] * z + m[11] + m[14]};
  };
  // Three corners of the image: top left, top right, bottom left.
  const std::array<double, 3> a = transform(-1.0, 1.0, 0.0);
  const std::array<double, 3> b = transform(1.0, 1.0, 0.0);
  const std::array<double, 3> d = transform(-1.0, -1.0, 0.0);
  const std::array<double, 3> ab{b[0] - a[0], b[1] - a[1], b[2] - a[2]};
  const std::array<double, 3> ad{d[0] - a[0], d[1] - a[1], d[2] - a[2]};
  m_planeNormal = {AsSingle(ab[1] * ad[2] - ab[2] * ad[1]), AsSingle(ab[2] * ad[0] - ab[0] * ad[2]),
                   AsSingle(ab[0] * ad[1] - ab[1] * ad[0])};
  m_planePoint = a;
  return KVOGC_OK;
}

int32_t CKeyStone::ConvertPoints(const CWarpGridReal& src, CWarpGridReal& dst,
                                 const GridSize& panel, const GridSize& counts) {
  if (!HasArea(panel)) return KVOGC_E_INVALIDARG;
  if (counts.cx < 0 || counts.cy < 0) return KVOGC_OK;
  if (!Holds(src, counts) || !Holds(dst, counts)) return KVOGC_E_INVALIDARG;
  const KeystoneMap map = MakeForwardMap(m_matrix, m_focal, m_shiftX, m_shiftY, panel);
  MapRealGridRows(src, dst, counts, [&map](const RealPoint* from, RealPoint* to, size_t n) {
    MapPoints(map, from, to, n);
  });
  return KVOGC_OK;
}

int32_t CKeyStone::ConvertPointsPlain(const CWarpGridReal& src, CWarpGridReal& dst,
                                      const GridSize& panel, const GridSize& counts) const {
  if (!HasArea(panel)) return KVOGC_E_INVALIDARG;
  if (counts.cx < 0 || counts.cy < 0) return KVOGC_OK;
  if (!Holds(src, counts) || !Holds(dst, counts)) return KVOGC_E_INVALIDARG;
  MapRealGrid(src, dst, counts, MakeForwardMap(m_matrix, m_focal, m_shiftX, m_shiftY, panel));
  return KVOGC_OK;
}

int32_t CKeyStone::ConvertGrid(const CWarpGridOpe& src, CWarpGridOpe& dst) {
  if (!HasArea(src.m_panelSize) || src.m_opeGridNum.cx != dst.m_opeGridNum.cx ||
      src.m_opeGridNum.cy != dst.m_opeGridNum.cy) {
    return KVOGC_E_INVALIDARG;
  }
  const KeystoneMap map = MakeForwardMap(m_matrix, m_focal, m_shiftX, m_shiftY, src.m_panelSize);
  MapOpeGrid(src, dst, map, [&map](const RealPoint* from, RealPoint* to, size_t n) {
    MapPoints(map, from, to, n);
  });
  return KVOGC_OK;
}

int32_t CKeyStone::InvertPoint(const RealPoint& in, RealPoint& out, const GridSize& panel) {
  if (!HasArea(panel)) return KVOGC_E_INVALIDARG;
  const double w = panel.cx;
  const double h = panel.cy;
  const double u = AsSingle((2.0 * in.x - w) / h);
  const double v = AsSingle((2.0 * in.y - h) / h);

  // Where the ray from the lens E through (u, v, 0) meets the image plane.
  const double ex = m_shiftX;
  const double ey = m_shiftY;
  const double ez = m_focal;
  const std::array<double, 3>& n = m_planeNormal;
  const std::array<double, 3>& p = m_planePoint;
  const double a = n[0] * (ex - p[0]) + n[1] * (ey - p[1]) + n[2] * (ez - p[2]);
  const double b = n[0] * (u - p[0]) + n[1] * (v - p[1]) + n[2] * (0.0 - p[2]);
  const double t = a / (a - b);
  const double ix = ex + t * (u - ex);
  const double iy = ey + t * (v - ey);
  const double iz = ez + t * (0.0 - ez);

  // Back through the inverse matrix onto z = 0 and through the lens again.
  const std::array<float, 16>& m = m_inverse;
  const float z = AsSingle(m[8] * ix + m[9] * iy + m[10] * iz + m[11] + m[14]) - m_focal;
  const float s = -m_focal / z;
  const float x = AsSingle(m[0] * ix + m[1] * iy + m[2] * iz + m[3] - m[12]) - m_shiftX;
  const float y = AsSingle(m[4] * ix + m[5] * iy + m[6] * iz + m[7] - m[13]) - m_shiftY;
  const float xs = AsSingle(static_cast<double>(x) * s + m_shiftX);
  const float ys = AsSingle(static_cast<double>(y) * s + m_shiftY);
  out = {RoundPoint((xs + w / h) * (h / 2.0)), RoundPoint((ys + 1.0) * (h / 2.0))};
  return KVOGC_OK;
}

}  // namespace kvogc
