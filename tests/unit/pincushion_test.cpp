// Pincushion corrector: the edge and corner model, its tables, the fit, the
// inversion through cell homographies, and bad input.
#include "correction/PinCushion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "correction/SinglePrecision.h"
#include "grid/Rounding.h"
#include "kvogc/kvogc.h"

namespace kvogc {
namespace {

constexpr GridSize kPanel{1920, 1080};
constexpr double kStep = 1.0 / 256;
constexpr RealPoint kTL{0.0, 0.0};
constexpr RealPoint kTR{1.0, 0.0};
constexpr RealPoint kBR{1.0, 1.0};
constexpr RealPoint kBL{0.0, 1.0};
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Points on the 1/256 lattice spread over the panel and a band around it.
void JitteredGrid(CWarpGridReal& g, GridSize panel, GridSize counts, unsigned seed) {
  g.Create(panel, counts);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> jitter(-6000, 6000);
  for (RealPoint& p : g.Points()) {
    p.x = RoundPoint(p.x) + jitter(rng) * kStep;
    p.y = RoundPoint(p.y) + jitter(rng) * kStep;
  }
}

void SetBent(CPinCushion& pin, uint32_t fit) {
  ASSERT_EQ(pin.SetParam({0.03, 0.02}, {0.98, 0.04}, {0.96, 0.97}, {0.01, 0.99}, 0.6, -0.4, 0.3,
                         0.8, fit),
            KVOGC_OK);
}

TEST(PinCushionNeutral, DefaultsLeaveEveryPointInPlace) {
  const GridSize counts{16, 9};
  CWarpGridReal src;
  CWarpGridReal dst;
  JitteredGrid(src, kPanel, counts, 11);
  dst.Create(kPanel, counts);
  CPinCushion pin;
  ASSERT_EQ(pin.ConvertPoints(src, dst, kPanel, counts), KVOGC_OK);
  for (int32_t r = 0; r <= counts.cy; ++r) {
    for (int32_t c = 0; c <= counts.cx; ++c) {
      EXPECT_EQ(dst.At(r, c).x, src.At(r, c).x) << r << "," << c;
      EXPECT_EQ(dst.At(r, c).y, src.At(r, c).y) << r << "," << c;
      RealPoint back{};
      ASSERT_EQ(pin.InvertPoint(src.At(r, c), back), KVOGC_OK);
      EXPECT_EQ(back.x, src.At(r, c).x) << r << "," << c;
      EXPECT_EQ(back.y, src.At(r, c).y) << r << "," << c;
    }
  }
  CWarpGridOpe ope;
  ope.m_panelSize = kPanel;
  ope.m_realGridNum = counts;
  ope.m_opeGridNum = {4, 3};
  ope.Create();
  ope.InitPoints();
  ope.GetPoint(1, 1)->x += 37.5;
  CWarpGridOpe out;
  out.m_panelSize = kPanel;
  out.m_realGridNum = counts;
  out.m_opeGridNum = {4, 3};
  out.Create();
  out.InitPoints();
  ASSERT_EQ(pin.ConvertGrid(ope, out), KVOGC_OK);
  EXPECT_EQ(out.GetPoint(1, 1)->x, ope.GetPoint(1, 1)->x);
  EXPECT_EQ(out.GetPoint(2, 3)->y, ope.GetPoint(2, 3)->y);
}

TEST(PinCushionNeutral, PointOutsideThePanelMapsToItself) {
  CPinCushion pin;
  const RealPoint p = pin.EvalPoint(1.5, 0.5);
  EXPECT_EQ(p.x, 1.5);
  EXPECT_EQ(p.y, 0.5);
  const RealPoint q = pin.EvalPoint(-0.75, 2.25);
  EXPECT_NEAR(q.x, -0.75, 1e-12);
  EXPECT_NEAR(q.y, 2.25, 1e-12);
}

TEST(PinCushionModel, LeftAmountPullsTheLeftEdgeMiddleInwards) {
  const GridSize counts{16, 10};
  CWarpGridReal src;
  CWarpGridReal dst;
  src.Create(kPanel, counts);
  dst.Create(kPanel, counts);
  CPinCushion pin;
  ASSERT_EQ(pin.SetParam(kTL, kTR, kBR, kBL, 1.0, 0.0, 0.0, 0.0, 0), KVOGC_OK);
  ASSERT_EQ(pin.ConvertPoints(src, dst, kPanel, counts), KVOGC_OK);
  EXPECT_NEAR(dst.At(5, 0).x, 0.1 * kPanel.cx, kStep);
  EXPECT_EQ(dst.At(5, 0).y, kPanel.cy / 2.0);
  EXPECT_EQ(dst.At(0, 0).x, 0.0);
  EXPECT_EQ(dst.At(0, 0).y, 0.0);
  EXPECT_EQ(dst.At(10, 0).x, 0.0);
  EXPECT_EQ(dst.At(10, 0).y, kPanel.cy);
  EXPECT_EQ(dst.At(10, 16).x, kPanel.cx);
  // The other edges stay straight.
  for (int32_t r = 0; r <= counts.cy; ++r) EXPECT_EQ(dst.At(r, 16).x, kPanel.cx) << r;
  for (int32_t c = 0; c <= counts.cx; ++c) EXPECT_EQ(dst.At(0, c).y, 0.0) << c;
}

TEST(PinCushionModel, CornerMoveMagnifiesOntoTheOuterRing) {
  const GridSize counts{8, 6};
  CWarpGridReal src;
  CWarpGridReal dst;
  src.Create(kPanel, counts);
  dst.Create(kPanel, counts);
  CPinCushion pin;
  ASSERT_EQ(pin.SetParam({0.05, 0.05}, kTR, kBR, kBL, 0.0, 0.0, 0.0, 0.0, 0), KVOGC_OK);
  ASSERT_EQ(pin.ConvertPoints(src, dst, kPanel, counts), KVOGC_OK);
  EXPECT_NEAR(pin.OuterCorners()[0].x, -0.85, 1e-12);
  EXPECT_NEAR(pin.OuterCorners()[0].y, -0.85, 1e-12);
  EXPECT_EQ(pin.OuterCorners()[2].x, 2.0);
  EXPECT_EQ(pin.DstEntry(0, 0).x, RoundPoint(-0.85 * kPanel.cx));
  EXPECT_EQ(pin.DstEntry(0, 0).y, RoundPoint(-0.85 * kPanel.cy));
  EXPECT_EQ(pin.SrcEntry(0, 0).x, -1.0 * kPanel.cx);
  // The corner itself lands where it was put.
  EXPECT_EQ(dst.At(0, 0).x, RoundPoint(0.05 * kPanel.cx));
  EXPECT_EQ(dst.At(0, 0).y, RoundPoint(0.05 * kPanel.cy));
}

TEST(PinCushionFit, LeftBarrelFillsTheWidthAndCentresVertically) {
  const GridSize counts{16, 10};
  CWarpGridReal src;
  CWarpGridReal dst;
  src.Create(kPanel, counts);
  dst.Create(kPanel, counts);
  CPinCushion pin;
  ASSERT_EQ(pin.SetParam(kTL, kTR, kBR, kBL, -1.0, 0.0, 0.0, 0.0, 1), KVOGC_OK);

  // Before the fit the outline reaches a tenth of the width beyond the left edge.
  CWarpGridReal even;
  even.Create(kPanel, counts);
  pin.MapGrid(even, dst, kPanel, counts);
  EXPECT_NEAR(dst.At(5, 0).x, -0.1 * kPanel.cx, kStep);
  const CPinCushion::Fit direct = CPinCushion::CalcFit(dst, kPanel, counts.cx, counts.cy);

  ASSERT_EQ(pin.ConvertPoints(src, dst, kPanel, counts), KVOGC_OK);
  const CPinCushion::Fit fit = pin.LastFit();
  EXPECT_NEAR(fit.scale, 1.1, kStep / kPanel.cx);
  EXPECT_NEAR(fit.offsetX, 0.1 * kPanel.cx, kStep);
  EXPECT_NEAR(fit.offsetY, 0.05 * kPanel.cy, kStep);
  EXPECT_EQ(fit.scale, direct.scale);
  EXPECT_EQ(fit.offsetX, direct.offsetX);
  EXPECT_EQ(fit.offsetY, direct.offsetY);

  // Full width, with equal margins above and below.
  EXPECT_NEAR(dst.At(5, 0).x, 0.0, 1e-3);
  EXPECT_NEAR(dst.At(5, 16).x, kPanel.cx, 1e-3);
  const double above = dst.At(0, 8).y;
  const double below = kPanel.cy - dst.At(10, 8).y;
  EXPECT_GT(above, 40.0);
  EXPECT_NEAR(above, below, 1e-3);
  // Fitted values are single-precision, not on the 1/256 lattice.
  EXPECT_EQ(dst.At(3, 3).x, ToSingle(dst.At(3, 3).x));
  EXPECT_NE(dst.At(3, 3).x, RoundPoint(dst.At(3, 3).x));
}

TEST(PinCushionFit, CalcFitCentresTheNarrowAxis) {
  CWarpGridReal g;
  g.Create({1000, 500}, {2, 2});
  // An outline 800 wide from x = 100 and 300 high from y = 50.
  for (int32_t r = 0; r <= 2; ++r) {
    for (int32_t c = 0; c <= 2; ++c) g.At(r, c) = {100.0 + 400.0 * c, 50.0 + 150.0 * r};
  }
  const CPinCushion::Fit fit = CPinCushion::CalcFit(g, {1000, 500}, 2, 2);
  EXPECT_DOUBLE_EQ(fit.scale, 0.8);
  EXPECT_DOUBLE_EQ(fit.offsetX, -100.0);
  // The height 300 / 0.8 = 375 is centred in 500: 62.5 above, times the scale.
  EXPECT_DOUBLE_EQ(fit.offsetY, 62.5 * 0.8 - 50.0);
  g.At(2, 1).y = 600.0;  // taller than wide now: fill the height instead
  const CPinCushion::Fit tall = CPinCushion::CalcFit(g, {1000, 500}, 2, 2);
  EXPECT_DOUBLE_EQ(tall.scale, 550.0 / 500.0);
  EXPECT_DOUBLE_EQ(tall.offsetX, (1000 - 800 / 1.1) * 0.5 * 1.1 - 100.0);
  EXPECT_DOUBLE_EQ(tall.offsetY, -50.0);
}

TEST(PinCushionGrids, ConvertGridAgreesWithConvertPointsOnSharedNodes) {
  const GridSize counts{16, 12};
  for (uint32_t fit : {0u, 1u}) {
    CWarpGridReal real;
    real.Create(kPanel, counts);
    CWarpGridReal realOut;
    realOut.Create(kPanel, counts);
    CWarpGridOpe ope;
    CWarpGridOpe out;
    for (CWarpGridOpe* g : {&ope, &out}) {
      g->m_panelSize = kPanel;
      g->m_realGridNum = counts;
      g->m_opeGridNum = {4, 3};
      g->Create();
      g->InitPoints();
    }
    CPinCushion pin;
    SetBent(pin, fit);
    ASSERT_EQ(pin.ConvertPoints(real, realOut, kPanel, counts), KVOGC_OK);
    ASSERT_EQ(pin.ConvertGrid(ope, out), KVOGC_OK);
    for (int32_t j = 0; j <= 3; ++j) {
      for (int32_t i = 0; i <= 4; ++i) {
        EXPECT_EQ(out.GetPoint(j, i)->x, realOut.At(j * 4, i * 4).x) << fit << ":" << j << "," << i;
        EXPECT_EQ(out.GetPoint(j, i)->y, realOut.At(j * 4, i * 4).y) << fit << ":" << j << "," << i;
      }
    }
    // A vertical line's inner samples sit on real-grid rows of its column.
    const CWarpOpeLine* line = out.GetLineVer(1, 2);
    ASSERT_NE(line, nullptr);
    ASSERT_EQ(line->m_count, 5u);
    for (uint32_t k = 0; k < line->m_count; ++k) {
      EXPECT_EQ(line->m_samples[k].x, realOut.At(4 + k, 8).x) << k;
      EXPECT_EQ(line->m_samples[k].y, realOut.At(4 + k, 8).y) << k;
    }
  }
}

TEST(PinCushionTables, RebuiltOnlyWhenParametersOrCountsChange) {
  const GridSize counts{8, 6};
  CWarpGridReal src;
  CWarpGridReal dst;
  src.Create(kPanel, counts);
  dst.Create(kPanel, counts);
  CPinCushion pin;
  EXPECT_TRUE(pin.TablesStale());
  SetBent(pin, 1);
  ASSERT_EQ(pin.ConvertPoints(src, dst, kPanel, counts), KVOGC_OK);
  EXPECT_FALSE(pin.TablesStale());
  const RealPoint* table = &pin.DstEntry(0, 0);
  const CWarpGridReal* ref = pin.RefGrid();
  ASSERT_NE(ref, nullptr);
  const RealPoint entry = pin.DstEntry(4, 4);

  // Same parameters and counts: nothing is reallocated or rebuilt, even for
  // another panel (the tables keep the pixels they were built with).
  ASSERT_EQ(pin.ConvertPoints(src, dst, {960, 540}, counts), KVOGC_OK);
  EXPECT_EQ(&pin.DstEntry(0, 0), table);
  EXPECT_EQ(pin.RefGrid(), ref);
  EXPECT_EQ(pin.DstEntry(4, 4).x, entry.x);
  EXPECT_EQ(pin.DstEntry(0, 0).x, RoundPoint(pin.OuterCorners()[0].x * kPanel.cx));

  // New parameters mark the tables stale; the next mapping rebuilds them in place.
  ASSERT_EQ(pin.SetParam(kTL, kTR, kBR, kBL, 0.5, 0.0, 0.0, 0.0, 1), KVOGC_OK);
  EXPECT_TRUE(pin.TablesStale());
  ASSERT_EQ(pin.ConvertPoints(src, dst, kPanel, counts), KVOGC_OK);
  EXPECT_FALSE(pin.TablesStale());
  EXPECT_EQ(&pin.DstEntry(0, 0), table);
  EXPECT_NE(pin.DstEntry(4, 4).x, entry.x);
  EXPECT_EQ(pin.RefGrid(), ref);

  // New counts: new tables and a new reference grid.
  CWarpGridReal src2;
  CWarpGridReal dst2;
  src2.Create(kPanel, {4, 3});
  dst2.Create(kPanel, {4, 3});
  ASSERT_EQ(pin.ConvertPoints(src2, dst2, kPanel, {4, 3}), KVOGC_OK);
  EXPECT_EQ(pin.TableCols(), 7);
  EXPECT_EQ(pin.TableRows(), 6);
  ASSERT_NE(pin.RefGrid(), nullptr);
  EXPECT_EQ(pin.RefGrid()->m_realGridNum.cx, 4);

  EXPECT_EQ(pin.Reset(), KVOGC_OK);
  EXPECT_TRUE(pin.TablesStale());
  EXPECT_EQ(pin.Corners()[0].x, 0.0);
  EXPECT_EQ(pin.Corners()[2].y, 1.0);
}

TEST(PinCushionTables, ReferenceGridFollowsTheCountsItIsUsedWith) {
  CWarpGridReal big;
  CWarpGridReal bigOut;
  CWarpGridReal small;
  CWarpGridReal smallOut;
  big.Create(kPanel, {8, 6});
  bigOut.Create(kPanel, {8, 6});
  small.Create(kPanel, {4, 3});
  smallOut.Create(kPanel, {4, 3});
  CPinCushion pin;
  SetBent(pin, 1);
  ASSERT_EQ(pin.ConvertPoints(big, bigOut, kPanel, {8, 6}), KVOGC_OK);
  SetBent(pin, 0);
  ASSERT_EQ(pin.ConvertPoints(small, smallOut, kPanel, {4, 3}), KVOGC_OK);
  // Fit back on with the tables already sized for these counts.
  SetBent(pin, 1);
  ASSERT_EQ(pin.ConvertPoints(small, smallOut, kPanel, {4, 3}), KVOGC_OK);
  CPinCushion fresh;
  SetBent(fresh, 1);
  ASSERT_EQ(fresh.ConvertPoints(small, bigOut, kPanel, {4, 3}), KVOGC_OK);
  EXPECT_EQ(pin.LastFit().scale, fresh.LastFit().scale);
  EXPECT_EQ(pin.LastFit().offsetX, fresh.LastFit().offsetX);
  EXPECT_EQ(pin.LastFit().offsetY, fresh.LastFit().offsetY);
  ASSERT_NE(pin.RefGrid(), nullptr);
  EXPECT_EQ(pin.RefGrid()->m_realGridNum.cx, 4);
}

TEST(PinCushionInverse, BeforeAnyConversionTheInputComesBack) {
  CPinCushion pin;
  SetBent(pin, 1);
  RealPoint out{};
  EXPECT_EQ(pin.InvertPoint({12.3456789, -98.7654321}, out), KVOGC_OK);
  EXPECT_EQ(out.x, 12.3456789);
  EXPECT_EQ(out.y, -98.7654321);
}

TEST(PinCushionInverse, RoundTripThroughTheCellHomographies) {
  const GridSize counts{24, 16};
  CWarpGridReal src;
  CWarpGridReal dst;
  src.Create(kPanel, counts);
  dst.Create(kPanel, counts);
  CPinCushion pin;
  SetBent(pin, 0);
  ASSERT_EQ(pin.ConvertPoints(src, dst, kPanel, counts), KVOGC_OK);
  // Grid nodes are cell corners: the homography takes them back exactly.
  for (int32_t r = 0; r <= counts.cy; r += 3) {
    for (int32_t c = 0; c <= counts.cx; c += 5) {
      RealPoint back{};
      ASSERT_EQ(pin.InvertPoint(dst.At(r, c), back), KVOGC_OK);
      EXPECT_NEAR(back.x, src.At(r, c).x, 2 * kStep) << r << "," << c;
      EXPECT_NEAR(back.y, src.At(r, c).y, 2 * kStep) << r << "," << c;
    }
  }
  // Between nodes a cell is only nearly a perspective image of its source: the
  // error grows with the bend (about an eighth of the edge's curvature times
  // the squared cell size, half a pixel for these strong bends).
  CPinCushion mild;
  ASSERT_EQ(mild.SetParam({0.02, 0.01}, {0.99, 0.02}, {0.98, 0.98}, {0.01, 0.99}, 0.2, -0.1, 0.15,
                          0.2, 0),
            KVOGC_OK);
  ASSERT_EQ(mild.ConvertPoints(src, dst, kPanel, counts), KVOGC_OK);
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> fx(0.0, kPanel.cx);
  std::uniform_real_distribution<double> fy(0.0, kPanel.cy);
  for (auto [corrector, tolerance] : {std::pair{&pin, 0.6}, {&mild, 0.2}}) {
    for (int k = 0; k < 300; ++k) {
      const RealPoint p{RoundPoint(fx(rng)), RoundPoint(fy(rng))};
      const RealPoint e = corrector->EvalPoint(p.x / kPanel.cx, p.y / kPanel.cy);
      const RealPoint q{RoundPoint(kPanel.cx * e.x), RoundPoint(kPanel.cy * e.y)};
      RealPoint back{};
      ASSERT_EQ(corrector->InvertPoint(q, back), KVOGC_OK);
      EXPECT_NEAR(back.x, p.x, tolerance) << p.x << "," << p.y;
      EXPECT_NEAR(back.y, p.y, tolerance) << p.x << "," << p.y;
    }
  }
}

TEST(PinCushionInverse, PointOnACellSideCountsAsInside) {
  const GridSize counts{8, 6};
  CWarpGridReal src;
  CWarpGridReal dst;
  src.Create(kPanel, counts);
  dst.Create(kPanel, counts);
  CPinCushion pin;
  ASSERT_EQ(pin.ConvertPoints(src, dst, kPanel, counts), KVOGC_OK);
  // Cell (3, 4) spans table entries rows 3..4, columns 4..5.
  const RealPoint tl = pin.DstEntry(3, 4);
  const RealPoint br = pin.DstEntry(4, 5);
  const RealPoint onTop{(tl.x + br.x) / 2, tl.y};
  const RealPoint onLeft{tl.x, (tl.y + br.y) / 2};
  const RealPoint onBottom{(tl.x + br.x) / 2, br.y};
  for (const RealPoint& p : {onTop, onLeft, onBottom, tl}) {
    const CPinCushion::CellStep s = pin.TestCell(3, 4, p);
    EXPECT_TRUE(s.found) << p.x << "," << p.y;
    EXPECT_EQ(s.rowStep, 0);
    EXPECT_EQ(s.colStep, 0);
  }
  // Just past the right side and above the top: step right and up.
  const CPinCushion::CellStep right = pin.TestCell(3, 4, {br.x + kStep, onLeft.y});
  EXPECT_FALSE(right.found);
  EXPECT_EQ(right.colStep, 1);
  const CPinCushion::CellStep up = pin.TestCell(3, 4, {onTop.x, tl.y - kStep});
  EXPECT_EQ(up.rowStep, -1);
  // The edges of the table stop the walk.
  EXPECT_EQ(pin.TestCell(0, 0, {-1e6, -1e6}).found, true);
  EXPECT_EQ(pin.TestCell(pin.TableRows() - 1, pin.TableCols() - 1, {1e6, 1e6}).found, true);
  RealPoint back{};
  ASSERT_EQ(pin.InvertPoint(onTop, back), KVOGC_OK);
  EXPECT_EQ(back.x, onTop.x);
  EXPECT_EQ(back.y, onTop.y);
}

TEST(PinCushionInverse, FarOutsideTheRingStaysFinite) {
  const GridSize counts{8, 6};
  CWarpGridReal src;
  CWarpGridReal dst;
  src.Create(kPanel, counts);
  dst.Create(kPanel, counts);
  CPinCushion pin;
  SetBent(pin, 1);
  ASSERT_EQ(pin.ConvertPoints(src, dst, kPanel, counts), KVOGC_OK);
  for (const RealPoint& p : {RealPoint{1e5, -1e5}, RealPoint{-5e4, 3e4}, RealPoint{960.0, 1e6}}) {
    RealPoint out{};
    ASSERT_EQ(pin.InvertPoint(p, out), KVOGC_OK);
    EXPECT_TRUE(std::isfinite(out.x)) << p.x << "," << p.y;
    EXPECT_TRUE(std::isfinite(out.y)) << p.x << "," << p.y;
  }
}

TEST(PinCushionInverse, DegenerateCellsUseThePreviousHomography) {
  const GridSize counts{8, 6};
  CWarpGridReal src;
  CWarpGridReal dst;
  src.Create(kPanel, counts);
  dst.Create(kPanel, counts);
  const RealPoint mid{0.5, 0.5};
  const RealPoint centre{960.0, 540.0};
  {
    // Every corner in the middle collapses every cell, the ring included: with no
    // homography found before, the input comes back with an error.
    CPinCushion pin;
    ASSERT_EQ(pin.SetParam(mid, mid, mid, mid, 0.0, 0.0, 0.0, 0.0, 0), KVOGC_OK);
    ASSERT_EQ(pin.ConvertPoints(src, dst, kPanel, counts), KVOGC_OK);
    RealPoint out{-1.0, -1.0};
    EXPECT_EQ(pin.InvertPoint({700.0, 200.0}, out), KVOGC_E_INVALIDARG);
    EXPECT_EQ(out.x, 700.0);
    EXPECT_EQ(out.y, 200.0);
  }
  // After an inversion in a sound cell, the collapsed cells reuse its homography.
  CPinCushion pin;
  SetBent(pin, 0);
  ASSERT_EQ(pin.ConvertPoints(src, dst, kPanel, counts), KVOGC_OK);
  const RealPoint probe = dst.At(3, 4);
  RealPoint first{};
  ASSERT_EQ(pin.InvertPoint(probe, first), KVOGC_OK);
  ASSERT_EQ(pin.SetParam(mid, mid, mid, mid, 0.0, 0.0, 0.0, 0.0, 0), KVOGC_OK);
  ASSERT_EQ(pin.ConvertPoints(src, dst, kPanel, counts), KVOGC_OK);
  RealPoint again{};
  EXPECT_EQ(pin.InvertPoint(probe, again), KVOGC_OK);
  EXPECT_EQ(again.x, first.x);
  EXPECT_EQ(again.y, first.y);
  RealPoint other{};
  EXPECT_EQ(pin.InvertPoint(centre, other), KVOGC_OK);
  EXPECT_TRUE(std::isfinite(other.x));
}

TEST(PinCushionBadInput, NonFinitePointsNeitherCrashNorHang) {
  const GridSize counts{8, 6};
  CWarpGridReal src;
  CWarpGridReal dst;
  src.Create(kPanel, counts);
  dst.Create(kPanel, counts);
  src.At(1, 1) = {kNaN, 100.0};
  src.At(2, 2) = {kInf, -kInf};
  src.At(3, 3) = {1e300, -1e300};
  CPinCushion pin;
  SetBent(pin, 1);
  ASSERT_EQ(pin.ConvertPoints(src, dst, kPanel, counts), KVOGC_OK);
  EXPECT_TRUE(std::isnan(dst.At(1, 1).x));
  EXPECT_TRUE(std::isfinite(dst.At(1, 2).x));
  for (const RealPoint& p :
       {RealPoint{kNaN, kNaN}, RealPoint{kNaN, 500.0}, RealPoint{100.0, kNaN}, RealPoint{kInf, 3.0},
        RealPoint{-kInf, kInf}, RealPoint{1e308, -1e308}}) {
    RealPoint out{};
    const int32_t rc = pin.InvertPoint(p, out);
    EXPECT_TRUE(rc == KVOGC_OK || rc == KVOGC_E_INVALIDARG);
  }
}

TEST(PinCushionBadInput, RejectedArgumentsChangeNothing) {
  CPinCushion pin;
  SetBent(pin, 1);
  const RealPoint before = pin.Corners()[1];
  EXPECT_EQ(pin.SetParam({kNaN, 0.0}, kTR, kBR, kBL, 0.0, 0.0, 0.0, 0.0, 0), KVOGC_E_INVALIDARG);
  EXPECT_EQ(pin.SetParam(kTL, kTR, kBR, kBL, 0.0, kInf, 0.0, 0.0, 0), KVOGC_E_INVALIDARG);
  EXPECT_EQ(pin.Corners()[1].x, before.x);

  CWarpGridReal src;
  CWarpGridReal dst;
  src.Create(kPanel, {8, 6});
  dst.Create(kPanel, {8, 6});
  for (RealPoint& p : dst.Points()) p = {-1.0, -1.0};
  EXPECT_EQ(pin.ConvertPoints(src, dst, kPanel, {9, 6}), KVOGC_E_INVALIDARG);
  EXPECT_EQ(pin.ConvertPoints(src, dst, kPanel, {8, 7}), KVOGC_E_INVALIDARG);
  EXPECT_EQ(pin.ConvertPoints(src, dst, kPanel, {0, 6}), KVOGC_E_INVALIDARG);
  EXPECT_EQ(pin.ConvertPoints(src, dst, {0, 1080}, {8, 6}), KVOGC_E_INVALIDARG);
  EXPECT_EQ(pin.ConvertPoints(src, dst, kPanel, {8, -1}), KVOGC_OK);
  for (const RealPoint& p : dst.Points()) EXPECT_EQ(p.x, -1.0);
  EXPECT_TRUE(pin.TablesStale());
  EXPECT_EQ(pin.TableCols(), 0);
  CWarpGridOpe ope;
  CWarpGridOpe opeOut;
  EXPECT_EQ(pin.ConvertGrid(ope, opeOut), KVOGC_E_INVALIDARG);
}

void ExpectSameBits(const CWarpGridReal& a, const CWarpGridReal& b, GridSize counts,
                    const char* step) {
  for (int32_t r = 0; r <= counts.cy; ++r) {
    for (int32_t c = 0; c <= counts.cx; ++c) {
      ASSERT_TRUE(SameBits(a.At(r, c).x, b.At(r, c).x) && SameBits(a.At(r, c).y, b.At(r, c).y))
          << step << " at " << r << "," << c << ": " << a.At(r, c).x << "," << a.At(r, c).y
          << " vs " << b.At(r, c).x << "," << b.At(r, c).y;
    }
  }
}

// Points on the panel border, half steps, far away and not finite at all.
void AddEdgeValues(CWarpGridReal& g) {
  g.At(0, 0) = {0.0, 0.0};
  g.At(0, 1) = {kPanel.cx, kPanel.cy};
  g.At(0, 2) = {-0.0, 540.0};
  g.At(0, 3) = {kPanel.cx + kStep, 540.0};
  g.At(0, 4) = {kNaN, 10.0};
  g.At(0, 5) = {10.0, kInf};
  g.At(0, 6) = {-kInf, kNaN};
  g.At(0, 7) = {1e12, -1e12};
  g.At(0, 8) = {1e300, 5.0};
  g.At(0, 9) = {960.0, -kStep};
  g.At(0, 10) = {-3e6, 2e6};
  g.At(1, 0) = {0.5 * kStep, -0.5 * kStep};
}

TEST(PinCushionFastPath, MatchesThePlainOrderOfStepsBitForBit) {
  const GridSize counts{40, 30};
  const GridSize fewer{20, 12};
  CWarpGridReal src;
  JitteredGrid(src, kPanel, counts, 23);
  AddEdgeValues(src);
  CWarpGridReal fast;
  CWarpGridReal plain;
  fast.Create(kPanel, counts);
  plain.Create(kPanel, counts);
  CPinCushion a;  // ConvertPoints
  CPinCushion b;  // the plain order
  const auto both = [&](auto&& change) {
    change(a);
    change(b);
  };
  const auto step = [&](const char* name, GridSize panel, GridSize n) {
    ASSERT_EQ(a.ConvertPoints(src, fast, panel, n), KVOGC_OK) << name;
    ASSERT_EQ(b.ConvertPointsPlain(src, plain, panel, n), KVOGC_OK) << name;
    ExpectSameBits(fast, plain, n, name);
    EXPECT_TRUE(SameBits(a.LastFit().scale, b.LastFit().scale)) << name;
  };
  step("defaults", kPanel, counts);
  both([](CPinCushion& p) { SetBent(p, 1); });
  step("bent with fit", kPanel, counts);
  step("bent again", kPanel, counts);
  step("other panel", {1280, 720}, counts);
  step("panel back", kPanel, counts);
  step("fewer counts", kPanel, fewer);
  step("counts back", kPanel, counts);
  both([](CPinCushion& p) {
    ASSERT_EQ(
        p.SetParam({-0.1, 0.07}, {1.2, -0.05}, {0.9, 1.1}, {0.05, 0.93}, -2.0, 1.5, -0.7, 3.0, 1),
        KVOGC_OK);
  });
  step("strong", kPanel, counts);
  step("strong again", kPanel, counts);
  both([](CPinCushion& p) { SetBent(p, 0); });
  step("fit off", kPanel, counts);
  step("fit off, fewer counts", kPanel, fewer);
  both([](CPinCushion& p) { SetBent(p, 1); });
  // Fit back on after a count change without it: the reference grid is stale.
  step("fit on after counts changed", kPanel, counts);
  both([](CPinCushion& p) { p.Reset(); });
  step("reset", kPanel, counts);

  // In place, with the fit on, the reference grid's image is what gets mapped.
  CWarpGridReal inA;
  CWarpGridReal inB;
  JitteredGrid(inA, kPanel, counts, 29);
  JitteredGrid(inB, kPanel, counts, 29);
  both([](CPinCushion& p) { SetBent(p, 1); });
  for (int k = 0; k < 2; ++k) {
    ASSERT_EQ(a.ConvertPoints(inA, inA, kPanel, counts), KVOGC_OK);
    ASSERT_EQ(b.ConvertPointsPlain(inB, inB, kPanel, counts), KVOGC_OK);
    ExpectSameBits(inA, inB, counts, "in place");
  }
}

}  // namespace
}  // namespace kvogc
