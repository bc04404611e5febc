// Linearity corrector: neutral mapping, per-axis spacing, inversion, bad input.
#include "correction/Linearity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "grid/Rounding.h"
#include "kvogc/kvogc.h"

namespace kvogc {
namespace {

constexpr GridSize kPanel{1920, 1080};
constexpr double kStep = 1.0 / 256;

// The model in closed form for the host angle theta (degrees) and fraction t.
double Closed(double theta, double t) {
  const double s = std::sin(theta * 3.141592653589 / 180);
  return t * (2 + s) / (2 + t * s);
}

// A grid of points on the 1/256 lattice, evenly spread with a deterministic jitter.
void JitteredGrid(CWarpGridReal& g, GridSize panel, GridSize counts) {
  g.Create(panel, counts);
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> jitter(-2000, 2000);
  for (RealPoint& p : g.Points()) {
    p.x = RoundPoint(p.x) + jitter(rng) * kStep;
    p.y = RoundPoint(p.y) + jitter(rng) * kStep;
  }
}

TEST(LinearityNeutral, DefaultAndZeroAnglesReproducePoints) {
  CWarpGridReal src;
  CWarpGridReal dst;
  const GridSize counts{16, 9};
  JitteredGrid(src, kPanel, counts);
  dst.Create(kPanel, counts);
  for (int pass = 0; pass < 2; ++pass) {
    CLinearity lin;
    if (pass == 1) {
      ASSERT_EQ(lin.SetParam(0.0, 0.0), KVOGC_OK);
    }
    ASSERT_EQ(lin.ConvertPoints(src, dst, kPanel, counts), KVOGC_OK);
    for (int32_t r = 0; r <= counts.cy; ++r) {
      for (int32_t c = 0; c <= counts.cx; ++c) {
        EXPECT_EQ(dst.At(r, c).x, src.At(r, c).x) << r << "," << c;
        EXPECT_EQ(dst.At(r, c).y, src.At(r, c).y) << r << "," << c;
        RealPoint back{};
        ASSERT_EQ(lin.InvertPoint(src.At(r, c), back, kPanel), KVOGC_OK);
        EXPECT_EQ(back.x, src.At(r, c).x);
        EXPECT_EQ(back.y, src.At(r, c).y);
      }
    }
  }
}

TEST(LinearitySpacing, VerticalThirtyDegreesCompressesTowardsTheBottom) {
  CLinearity lin;
  ASSERT_EQ(lin.SetParam(30.0, 0.0), KVOGC_OK);
  const double h = kPanel.cy;
  const double tol = 3e-6;  // 6 printed digits plus the 1/256 rounding
  EXPECT_NEAR(lin.ForwardPoint({0, 0.25 * h}, kPanel).y / h, 0.294118, tol);
  EXPECT_NEAR(lin.ForwardPoint({0, 0.50 * h}, kPanel).y / h, 0.555556, tol);
  EXPECT_NEAR(lin.ForwardPoint({0, 0.75 * h}, kPanel).y / h, 0.789474, tol);
  EXPECT_EQ(lin.ForwardPoint({0, 0}, kPanel).y, 0.0);
  EXPECT_EQ(lin.ForwardPoint({0, h}, kPanel).y, h);

  ASSERT_EQ(lin.SetParam(-30.0, 0.0), KVOGC_OK);
  EXPECT_NEAR(lin.ForwardPoint({0, 0.25 * h}, kPanel).y / h, 0.2, tol);
  EXPECT_NEAR(lin.ForwardPoint({0, 0.50 * h}, kPanel).y / h, 0.428571, tol);
  EXPECT_NEAR(lin.ForwardPoint({0, 0.75 * h}, kPanel).y / h, 0.692308, tol);
  EXPECT_EQ(lin.ForwardPoint({0, 0}, kPanel).y, 0.0);
  EXPECT_EQ(lin.ForwardPoint({0, h}, kPanel).y, h);
}

TEST(LinearitySpacing, HorizontalTenDegrees) {
  CLinearity lin;
  ASSERT_EQ(lin.SetParam(0.0, 10.0), KVOGC_OK);
  const double w = kPanel.cx;
  EXPECT_NEAR(lin.ForwardPoint({0.5 * w, 0}, kPanel).x / w, 0.520803, 3e-6);
  EXPECT_EQ(lin.ForwardPoint({0, 0}, kPanel).x, 0.0);
  EXPECT_EQ(lin.ForwardPoint({w, 0}, kPanel).x, w);
}

TEST(LinearitySpacing, EachAngleActsOnItsOwnAxis) {
  CLinearity vertical;
  CLinearity horizontal;
  ASSERT_EQ(vertical.SetParam(25.0, 0.0), KVOGC_OK);
  ASSERT_EQ(horizontal.SetParam(0.0, -25.0), KVOGC_OK);
  for (double f : {0.1, 0.37, 0.5, 0.81}) {
    const RealPoint p{RoundPoint(f * kPanel.cx), RoundPoint((1 - f) * kPanel.cy)};
    const RealPoint v = vertical.ForwardPoint(p, kPanel);
    const RealPoint hz = horizontal.ForwardPoint(p, kPanel);
    EXPECT_EQ(v.x, p.x);
    EXPECT_NE(v.y, p.y);
    EXPECT_EQ(hz.y, p.y);
    EXPECT_NE(hz.x, p.x);
  }
}

TEST(LinearityInverse, RoundTripWithinRounding) {
  CLinearity lin;
  ASSERT_EQ(lin.SetParam(20.0, -15.0), KVOGC_OK);
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> fx(-100.0, kPanel.cx + 100.0);
  std::uniform_real_distribution<double> fy(-100.0, kPanel.cy + 100.0);
  for (int k = 0; k < 500; ++k) {
    const RealPoint p{RoundPoint(fx(rng)), RoundPoint(fy(rng))};
    const RealPoint q = lin.ForwardPoint(p, kPanel);
    RealPoint back{};
    ASSERT_EQ(lin.InvertPoint(q, back, kPanel), KVOGC_OK);
    // Two single-precision fractions of a 1920 px axis and two 1/256 roundings.
    EXPECT_NEAR(back.x, p.x, 0.01);
    EXPECT_NEAR(back.y, p.y, 0.01);
    EXPECT_EQ(back.x, RoundPoint(back.x));
    EXPECT_EQ(back.y, RoundPoint(back.y));
  }
}

TEST(LinearityInverse, IntersectPlanesKeepsTheAxisEnds) {
  CLinearity lin;
  ASSERT_EQ(lin.SetParam(40.0, -35.0), KVOGC_OK);
  std::array<float, 3> out{};
  lin.IntersectPlanes({0.0f, 0.0f, 0.0f}, out);
  // The plane point of the vertical axis lies on its normal only up to the
  // normal's single-precision rounding, hence not exactly zero.
  EXPECT_NEAR(out[0], 0.0f, 1e-6);
  EXPECT_NEAR(out[1], 0.0f, 1e-6);
  EXPECT_EQ(out[2], 0.0f);
  RealPoint corner{};
  ASSERT_EQ(lin.InvertPoint({0.0, 0.0}, corner, kPanel), KVOGC_OK);
  EXPECT_EQ(corner.x, 0.0);
  EXPECT_EQ(corner.y, 0.0);
  lin.IntersectPlanes({1.0f, 1.0f, 0.0f}, out);
  EXPECT_NEAR(out[0], 1.0f, 1e-6);
  EXPECT_NEAR(out[1], 1.0f, 1e-6);
  // The middle of the corrected axis came from where the closed form says.
  const float mid = static_cast<float>(Closed(-35.0, 0.5));
  lin.IntersectPlanes({mid, 0.5f, 0.0f}, out);
  EXPECT_NEAR(out[0], 0.5f, 1e-6);
}

TEST(LinearityGrids, ConvertGridAgreesWithConvertPointsOnSharedNodes) {
  const GridSize counts{16, 12};
  CWarpGridReal real;
  real.Create(kPanel, counts);
  CWarpGridOpe ope;
  ope.m_panelSize = kPanel;
  ope.m_realGridNum = counts;
  ope.m_opeGridNum = {4, 3};
  ope.Create();
  ope.InitPoints();
  CWarpGridOpe out;
  out.m_panelSize = kPanel;
  out.m_realGridNum = counts;
  out.m_opeGridNum = {4, 3};
  out.Create();
  out.InitPoints();
  CWarpGridReal realOut;
  realOut.Create(kPanel, counts);

  CLinearity lin;
  ASSERT_EQ(lin.SetParam(12.0, -8.0), KVOGC_OK);
  ASSERT_EQ(lin.ConvertPoints(real, realOut, kPanel, counts), KVOGC_OK);
  ASSERT_EQ(lin.ConvertGrid(ope, out), KVOGC_OK);
  for (int32_t j = 0; j <= 3; ++j) {
    for (int32_t i = 0; i <= 4; ++i) {
      const RealPoint& expect = realOut.At(j * 4, i * 4);
      EXPECT_EQ(out.GetPoint(j, i)->x, expect.x) << j << "," << i;
      EXPECT_EQ(out.GetPoint(j, i)->y, expect.y) << j << "," << i;
      EXPECT_EQ(out.GetPoint(j, i)->gx, ope.GetPoint(j, i)->gx);
    }
  }
  // Line samples go through the same mapping.
  const CWarpOpeLine* from = ope.GetLineHor(1, 2);
  const CWarpOpeLine* to = out.GetLineHor(1, 2);
  ASSERT_NE(from, nullptr);
  ASSERT_NE(to, nullptr);
  for (uint32_t k = 0; k < to->m_count; ++k) {
    const RealPoint expect = lin.ForwardPoint(from->m_samples[k], kPanel);
    EXPECT_EQ(to->m_samples[k].x, expect.x);
    EXPECT_EQ(to->m_samples[k].y, expect.y);
  }
}

TEST(LinearityBadInput, AnglesAtARightAngleOrNotFiniteAreRejected) {
  CLinearity lin;
  ASSERT_EQ(lin.SetParam(10.0, 5.0), KVOGC_OK);
  const RealPoint probe{700.0, 300.0};
  const RealPoint before = lin.ForwardPoint(probe, kPanel);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (auto [v, h] : {std::pair{90.0, 0.0}, {0.0, -90.0}, {120.0, 0.0}, {nan, 0.0}, {0.0, inf}}) {
    EXPECT_EQ(lin.SetParam(v, h), KVOGC_E_INVALIDARG) << v << "," << h;
    EXPECT_EQ(lin.AngleV(), -10.0);
    EXPECT_EQ(lin.AngleH(), -5.0);
    const RealPoint after = lin.ForwardPoint(probe, kPanel);
    EXPECT_EQ(after.x, before.x);
    EXPECT_EQ(after.y, before.y);
  }
  EXPECT_EQ(lin.SetParam(89.9, -89.9), KVOGC_OK);
}

TEST(LinearityBadInput, CountsAndPanelsOutsideTheGridsWriteNothing) {
  CLinearity lin;
  ASSERT_EQ(lin.SetParam(10.0, 10.0), KVOGC_OK);
  CWarpGridReal src;
  CWarpGridReal dst;
  src.Create(kPanel, {8, 6});
  dst.Create(kPanel, {8, 6});
  for (RealPoint& p : dst.Points()) p = {-1.0, -1.0};
  EXPECT_EQ(lin.ConvertPoints(src, dst, kPanel, {9, 6}), KVOGC_E_INVALIDARG);
  EXPECT_EQ(lin.ConvertPoints(src, dst, kPanel, {8, 7}), KVOGC_E_INVALIDARG);
  EXPECT_EQ(lin.ConvertPoints(src, dst, {0, 1080}, {8, 6}), KVOGC_E_INVALIDARG);
  EXPECT_EQ(lin.ConvertPoints(src, dst, {1920, -1}, {8, 6}), KVOGC_E_INVALIDARG);
  EXPECT_EQ(lin.ConvertPoints(src, dst, kPanel, {8, -1}), KVOGC_OK);
  CWarpGridReal empty;
  EXPECT_EQ(lin.ConvertPoints(empty, dst, kPanel, {8, 6}), KVOGC_E_INVALIDARG);
  for (const RealPoint& p : dst.Points()) {
    EXPECT_EQ(p.x, -1.0);
    EXPECT_EQ(p.y, -1.0);
  }
  RealPoint out{-1.0, -1.0};
  EXPECT_EQ(lin.InvertPoint({5.0, 5.0}, out, {1920, 0}), KVOGC_E_INVALIDARG);
  EXPECT_EQ(out.x, -1.0);
  CWarpGridOpe ope;
  CWarpGridOpe opeOut;
  EXPECT_EQ(lin.ConvertGrid(ope, opeOut), KVOGC_E_INVALIDARG);
}

TEST(LinearityBadInput, NonFinitePointsPassWithoutHarm) {
  CLinearity lin;
  ASSERT_EQ(lin.SetParam(15.0, -20.0), KVOGC_OK);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  CWarpGridReal src;
  CWarpGridReal dst;
  src.Create(kPanel, {2, 2});
  dst.Create(kPanel, {2, 2});
  src.At(0, 0) = {nan, 10.0};
  src.At(1, 1) = {inf, -inf};
  src.At(2, 2) = {1e300, -1e300};
  ASSERT_EQ(lin.ConvertPoints(src, dst, kPanel, {2, 2}), KVOGC_OK);
  EXPECT_TRUE(std::isnan(dst.At(0, 0).x));
  EXPECT_TRUE(std::isfinite(dst.At(0, 0).y));
  EXPECT_TRUE(std::isfinite(dst.At(0, 1).x));
  for (const RealPoint& p : {RealPoint{nan, nan}, RealPoint{inf, 3.0}, RealPoint{-inf, inf}}) {
    RealPoint out{};
    EXPECT_EQ(lin.InvertPoint(p, out, kPanel), KVOGC_OK);
  }
}

}  // namespace
}  // namespace kvogc
