// Checks that every corrector must pass: the neutral setting reproduces points
// both ways, ConvertGrid agrees with ConvertPoints on the operation grid, and
// unusable panels and grids are refused without writing anything.
#pragma once

#include <gtest/gtest.h>

#include "support/GridFixtures.h"

namespace kvogc::gridtest {

/// Where ConvertPoints carries the single point p.
template <class Corrector>
RealPoint CorrectionForward(Corrector& c, RealPoint p, GridSize panel) {
  CWarpGridReal src;
  CWarpGridReal dst;
  src.Create(panel, {1, 1});
  dst.Create(panel, {1, 1});
  src.At(0, 0) = p;
  EXPECT_EQ(c.ConvertPoints(src, dst, panel, {1, 1}), KVOGC_OK);
  return dst.At(0, 0);
}

/// The uncorrected position of p, through either form of InvertPoint.
template <class Corrector>
RealPoint CorrectionInvert(Corrector& c, RealPoint p, GridSize panel) {
  RealPoint out{-1e9, -1e9};
  if constexpr (requires { c.InvertPoint(p, out, panel); }) {
    EXPECT_EQ(c.InvertPoint(p, out, panel), KVOGC_OK);
  } else {
    EXPECT_EQ(c.InvertPoint(p, out), KVOGC_OK);
  }
  return out;
}

/// In its neutral setting a corrector maps lattice points in and around the
/// panel onto themselves, forward and back, and an operation grid onto itself.
template <class Corrector>
void CorrectionExpectNeutral(Corrector& c, GridSize panel, GridSize counts, int spread) {
  CWarpGridReal src;
  CWarpGridReal dst;
  GridJittered(src, panel, counts, 11, spread);
  dst.Create(panel, counts);
  ASSERT_EQ(c.ConvertPoints(src, dst, panel, counts), KVOGC_OK);
  for (size_t k = 0; k < src.Points().size(); ++k) {
    ExpectSameBits(dst.Points()[k], src.Points()[k]);
    ExpectSameBits(CorrectionInvert(c, src.Points()[k], panel), src.Points()[k]);
  }
  CWarpGridOpe ope;
  CWarpGridOpe out;
  LayOut(ope, panel, counts, {4, 3});
  LayOut(out, panel, counts, {4, 3});
  ope.GetPoint(1, 1)->x += 37.5;
  CWarpConverter().UpdatePoint(ope, src, 1, 1);
  ASSERT_EQ(c.ConvertGrid(ope, out), KVOGC_OK);
  EXPECT_EQ(Bits(out), Bits(ope));
}

/// ConvertGrid carries every node and line sample of an even operation grid to
/// where ConvertPoints carries the real-grid point it lies on; gx, gy stay.
template <class Corrector>
void CorrectionExpectGridFollowsPoints(Corrector& c, GridSize panel) {
  const GridSize counts{16, 12};
  CWarpGridReal real;
  CWarpGridReal mapped;
  real.Create(panel, counts);
  mapped.Create(panel, counts);
  CWarpGridOpe src;
  CWarpGridOpe dst;
  LayOut(src, panel, counts, {4, 3});
  LayOut(dst, panel, counts, {4, 3});
  ASSERT_EQ(c.ConvertPoints(real, mapped, panel, counts), KVOGC_OK);
  ASSERT_EQ(c.ConvertGrid(src, dst), KVOGC_OK);
  for (int32_t j = 0; j <= 3; ++j) {
    for (int32_t i = 0; i <= 4; ++i) {
      SCOPED_TRACE(testing::Message() << "node " << j << "," << i);
      const OpePoint& to = *dst.GetPoint(j, i);
      ExpectSameBits({to.x, to.y}, mapped.At(4 * j, 4 * i));
      EXPECT_EQ(to.gx, src.GetPoint(j, i)->gx);
      EXPECT_EQ(to.gy, src.GetPoint(j, i)->gy);
      // Inner samples lie on the real-grid rows and columns the line crosses.
      for (uint32_t k = 0; i < 4 && k < 5; ++k) {
        ASSERT_EQ(dst.GetLineHor(j, i)->m_count, 5u);
        ExpectSameBits(dst.GetLineHor(j, i)->m_samples[k], mapped.At(4 * j, 4 * i + k));
      }
      for (uint32_t k = 0; j < 3 && k < 5; ++k) {
        ASSERT_EQ(dst.GetLineVer(j, i)->m_count, 5u);
        ExpectSameBits(dst.GetLineVer(j, i)->m_samples[k], mapped.At(4 * j + k, 4 * i));
      }
    }
  }
}

/// Panels without area, counts beyond either grid and empty grids are refused
/// with nothing written; negative counts convert nothing.
template <class Corrector>
void CorrectionExpectBadGridsRefused(Corrector& c) {
  CWarpGridReal src;
  CWarpGridReal dst;
  CWarpGridReal big;
  CWarpGridReal empty;
  src.Create(kFullHd, {8, 6});
  dst.Create(kFullHd, {8, 6});
  big.Create(kFullHd, {10, 8});
  Poison(dst);
  Poison(big);
  const struct {
    CWarpGridReal* from;
    CWarpGridReal* to;
    GridSize panel, counts;
  } refused[] = {
      {&src, &dst, kFullHd, {9, 6}},   {&src, &dst, kFullHd, {8, 7}},     {&big, &dst, kFullHd, {9, 6}},
      {&src, &big, kFullHd, {8, 7}},   {&empty, &dst, kFullHd, {8, 6}},   {&src, &dst, {0, 1080}, {8, 6}},
      {&src, &dst, {1920, -1}, {8, 6}}, {&src, &dst, {-1920, 1080}, {8, 6}},
  };
  for (const auto& r : refused) {
    EXPECT_EQ(c.ConvertPoints(*r.from, *r.to, r.panel, r.counts), KVOGC_E_INVALIDARG)
        << r.panel.cx << "x" << r.panel.cy << ", " << r.counts.cx << "x" << r.counts.cy;
  }
  EXPECT_EQ(c.ConvertPoints(src, dst, kFullHd, {8, -1}), KVOGC_OK);
  for (const CWarpGridReal* g : {&dst, &big}) {
    for (const RealPoint& p : g->Points()) ExpectSameBits(p, {kPoison, kPoison});
  }
  CWarpGridOpe ope;
  CWarpGridOpe out;
  EXPECT_EQ(c.ConvertGrid(ope, out), KVOGC_E_INVALIDARG);
  RealPoint point{-1.0, -1.0};
  if constexpr (requires { c.InvertPoint(point, point, kFullHd); }) {
    EXPECT_EQ(c.InvertPoint({5.0, 5.0}, point, {1920, 0}), KVOGC_E_INVALIDARG);
    ExpectSameBits(point, {-1.0, -1.0});
  }
}

}  // namespace kvogc::gridtest
