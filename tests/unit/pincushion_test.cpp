// Pincushion corrector: the edge and corner model, its tables, the fit, the
// inversion through cell homographies, and bad input.
#include "correction/PinCushion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "correction/SinglePrecision.h"
#include "support/CorrectionChecks.h"

namespace kvogc::gridtest {
namespace {

constexpr double kStep = 1.0 / 256;
constexpr RealPoint kTL{0.0, 0.0};
constexpr RealPoint kTR{1.0, 0.0};
constexpr RealPoint kBR{1.0, 1.0};
constexpr RealPoint kBL{0.0, 1.0};
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// An evenly spaced source grid and a destination of the same size.
struct Grids {
  explicit Grids(GridSize n) : counts(n) {
    src.Create(kFullHd, n);
    dst.Create(kFullHd, n);
  }
  int32_t Convert(CPinCushion& pin, GridSize panel = kFullHd) {
    return pin.ConvertPoints(src, dst, panel, counts);
  }
  GridSize counts;
  CWarpGridReal src;
  CWarpGridReal dst;
};

void SetBent(CPinCushion& pin, uint32_t fit) {
  ASSERT_EQ(pin.SetParam({0.03, 0.02}, {0.98, 0.04}, {0.96, 0.97}, {0.01, 0.99}, 0.6, -0.4, 0.3,
                         0.8, fit),
            KVOGC_OK);
}

TEST(PinCushionNeutral, DefaultsLeaveEveryPointInPlace) {
  CPinCushion pin;
  CorrectionExpectNeutral(pin, kFullHd, {16, 9}, 6000);
  // A point outside the panel (m = 2) maps to itself.
  const PinCushionModel neutral{kTL,       kTR,       kBR,       kBL, {0.0, 0.5}, {0.5, 0.0},
                                {1.0, 0.5}, {0.5, 1.0}, {0.5, 0.5}, 0,   0,   0,   0};
  ExpectSameBits(neutral.Eval(1.5, 0.5), {1.5, 0.5});
  const RealPoint q = neutral.Eval(-0.75, 2.25);
  EXPECT_NEAR(q.x, -0.75, 1e-12);
  EXPECT_NEAR(q.y, 2.25, 1e-12);
}

TEST(PinCushionModel, LeftAmountPullsTheLeftEdgeMiddleInwards) {
  Grids g({16, 10});
  CPinCushion pin;
  ASSERT_EQ(pin.SetParam(kTL, kTR, kBR, kBL, 1.0, 0.0, 0.0, 0.0, 0), KVOGC_OK);
  ASSERT_EQ(g.Convert(pin), KVOGC_OK);
  EXPECT_NEAR(g.dst.At(5, 0).x, 0.1 * 1920, kStep);
  EXPECT_EQ(g.dst.At(5, 0).y, 540.0);
  ExpectSameBits(g.dst.At(0, 0), {0.0, 0.0});
  ExpectSameBits(g.dst.At(10, 0), {0.0, 1080.0});
  // The other edges stay straight.
  for (int32_t r = 0; r <= 10; ++r) EXPECT_EQ(g.dst.At(r, 16).x, 1920.0) << r;
  for (int32_t c = 0; c <= 16; ++c) EXPECT_EQ(g.dst.At(0, c).y, 0.0) << c;
}

TEST(PinCushionModel, CornerMoveMagnifiesOntoTheOuterRing) {
  Grids g({8, 6});
  CPinCushion pin;
  ASSERT_EQ(pin.SetParam({0.05, 0.05}, kTR, kBR, kBL, 0.0, 0.0, 0.0, 0.0, 0), KVOGC_OK);
  ASSERT_EQ(g.Convert(pin), KVOGC_OK);
  // The corner itself lands where it was put.
  ExpectSameBits(g.dst.At(0, 0), {RoundPoint(0.05 * 1920), RoundPoint(0.05 * 1080)});
}

TEST(PinCushionFit, LeftBarrelFillsTheWidthAndCentresVertically) {
  Grids g({16, 10});
  CPinCushion pin;
  ASSERT_EQ(pin.SetParam(kTL, kTR, kBR, kBL, -1.0, 0.0, 0.0, 0.0, 1), KVOGC_OK);

  // Before the fit the outline reaches a tenth of the width beyond the left edge.
  CPinCushion unfitted;
  ASSERT_EQ(unfitted.SetParam(kTL, kTR, kBR, kBL, -1.0, 0.0, 0.0, 0.0, 0), KVOGC_OK);
  ASSERT_EQ(g.Convert(unfitted), KVOGC_OK);
  EXPECT_NEAR(g.dst.At(5, 0).x, -0.1 * 1920, kStep);
  const PinCushionFit fit = CalcPinCushionFit(g.dst, kFullHd, 16, 10);
  EXPECT_NEAR(fit.scale, 1.1, kStep / 1920);
  EXPECT_NEAR(fit.offsetX, 0.1 * 1920, kStep);
  EXPECT_NEAR(fit.offsetY, 0.05 * 1080, kStep);

  ASSERT_EQ(g.Convert(pin), KVOGC_OK);

  // Full width, with equal margins above and below.
  EXPECT_NEAR(g.dst.At(5, 0).x, 0.0, 1e-3);
  EXPECT_NEAR(g.dst.At(5, 16).x, 1920.0, 1e-3);
  const double above = g.dst.At(0, 8).y;
  EXPECT_GT(above, 40.0);
  EXPECT_NEAR(above, 1080.0 - g.dst.At(10, 8).y, 1e-3);
  // Fitted values are single-precision, not on the 1/256 lattice.
  EXPECT_EQ(g.dst.At(3, 3).x, ToSingle(g.dst.At(3, 3).x));
  EXPECT_NE(g.dst.At(3, 3).x, RoundPoint(g.dst.At(3, 3).x));
}

TEST(PinCushionFit, CalcFitFillsTheWideAxisAndCentresTheNarrowOne) {
  CWarpGridReal g;
  g.Create({1000, 500}, {2, 2});
  // An outline 800 wide from x = 100 and 300 high from y = 50.
  for (int32_t r = 0; r <= 2; ++r) {
    for (int32_t c = 0; c <= 2; ++c) g.At(r, c) = {100.0 + 400.0 * c, 50.0 + 150.0 * r};
  }
  const PinCushionFit fit = CalcPinCushionFit(g, {1000, 500}, 2, 2);
  EXPECT_DOUBLE_EQ(fit.scale, 0.8);
  EXPECT_DOUBLE_EQ(fit.offsetX, -100.0);
  // The height 300 / 0.8 = 375 is centred in 500: 62.5 above, times the scale.
  EXPECT_DOUBLE_EQ(fit.offsetY, 62.5 * 0.8 - 50.0);
  g.At(2, 1).y = 600.0;  // taller than wide now: fill the height instead
  const PinCushionFit tall = CalcPinCushionFit(g, {1000, 500}, 2, 2);
  EXPECT_DOUBLE_EQ(tall.scale, 550.0 / 500.0);
  EXPECT_DOUBLE_EQ(tall.offsetX, (1000 - 800 / 1.1) * 0.5 * 1.1 - 100.0);
  EXPECT_DOUBLE_EQ(tall.offsetY, -50.0);
}

TEST(PinCushionGrids, ConvertGridAgreesWithConvertPoints) {
  for (uint32_t fit : {0u, 1u}) {
    SCOPED_TRACE(fit);
    CPinCushion pin;
    SetBent(pin, fit);
    CorrectionExpectGridFollowsPoints(pin, kFullHd);
  }
}

TEST(PinCushionTables, ReferenceGridFollowsTheCountsItIsUsedWith) {
  Grids big({8, 6});
  Grids small({4, 3});
  CPinCushion pin;
  SetBent(pin, 1);
  ASSERT_EQ(big.Convert(pin), KVOGC_OK);
  SetBent(pin, 0);
  ASSERT_EQ(small.Convert(pin), KVOGC_OK);
  // Fit back on with the tables already sized for these counts.
  SetBent(pin, 1);
  ASSERT_EQ(small.Convert(pin), KVOGC_OK);
  CPinCushion fresh;
  SetBent(fresh, 1);
  Grids again({4, 3});
  ASSERT_EQ(again.Convert(fresh), KVOGC_OK);
  for (size_t k = 0; k < small.dst.Points().size(); ++k) {
    ExpectSameBits(small.dst.Points()[k], again.dst.Points()[k]);
  }
}

TEST(PinCushionInverse, RoundTripThroughTheCellHomographies) {
  Grids g({24, 16});
  CPinCushion pin;
  SetBent(pin, 0);
  ASSERT_EQ(g.Convert(pin), KVOGC_OK);
  // Grid nodes are cell corners: the homography takes them back exactly.
  for (int32_t r = 0; r <= 16; r += 3) {
    for (int32_t c = 0; c <= 24; c += 5) {
      const RealPoint back = CorrectionInvert(pin, g.dst.At(r, c), kFullHd);
      EXPECT_NEAR(back.x, g.src.At(r, c).x, 2 * kStep) << r << "," << c;
      EXPECT_NEAR(back.y, g.src.At(r, c).y, 2 * kStep) << r << "," << c;
    }
  }
  // Between nodes a cell is only nearly a perspective image of its source: the
  // error grows with the bend (about an eighth of the edge's curvature times
  // the squared cell size, half a pixel for these strong bends).
  CPinCushion mild;
  ASSERT_EQ(mild.SetParam({0.02, 0.01}, {0.99, 0.02}, {0.98, 0.98}, {0.01, 0.99}, 0.2, -0.1, 0.15,
                          0.2, 0),
            KVOGC_OK);
  ASSERT_EQ(g.Convert(mild), KVOGC_OK);
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> fx(0.0, 1920);
  std::uniform_real_distribution<double> fy(0.0, 1080);
  for (auto [corrector, tolerance] : {std::pair{&pin, 0.6}, {&mild, 0.2}}) {
    for (int k = 0; k < 300; ++k) {
      const RealPoint p{RoundPoint(fx(rng)), RoundPoint(fy(rng))};
      // Forward through a grid of the same counts, so that the tables stay.
      Grids probe(g.counts);
      probe.src.At(0, 0) = p;
      ASSERT_EQ(probe.Convert(*corrector), KVOGC_OK);
      const RealPoint back = CorrectionInvert(*corrector, probe.dst.At(0, 0), kFullHd);
      EXPECT_NEAR(back.x, p.x, tolerance) << p.x << "," << p.y;
      EXPECT_NEAR(back.y, p.y, tolerance) << p.x << "," << p.y;
    }
  }
  // Far outside the outer ring the outermost cell's homography still gives a finite point.
  for (const RealPoint& p : {RealPoint{1e5, -1e5}, RealPoint{-5e4, 3e4}, RealPoint{960.0, 1e6}}) {
    const RealPoint out = CorrectionInvert(pin, p, kFullHd);
    EXPECT_TRUE(std::isfinite(out.x) && std::isfinite(out.y)) << p.x << "," << p.y;
  }
}

TEST(PinCushionInverse, WithoutAHomographyTheInputComesBack) {
  CPinCushion pin;
  SetBent(pin, 1);
  // Before any conversion there are no tables.
  ExpectSameBits(CorrectionInvert(pin, {12.3456789, -98.7654321}, kFullHd), {12.3456789, -98.7654321});

  // Every corner in the middle collapses every cell, the ring included: with no
  // homography found before, the input comes back with an error.
  Grids g({8, 6});
  const RealPoint mid{0.5, 0.5};
  ASSERT_EQ(pin.SetParam(mid, mid, mid, mid, 0.0, 0.0, 0.0, 0.0, 0), KVOGC_OK);
  ASSERT_EQ(g.Convert(pin), KVOGC_OK);
  RealPoint out{-1.0, -1.0};
  EXPECT_EQ(pin.InvertPoint({700.0, 200.0}, out), KVOGC_E_INVALIDARG);
  ExpectSameBits(out, {700.0, 200.0});

  // After an inversion in a sound cell, the collapsed cells reuse its homography.
  CPinCushion sound;
  SetBent(sound, 0);
  ASSERT_EQ(g.Convert(sound), KVOGC_OK);
  const RealPoint probe = g.dst.At(3, 4);
  const RealPoint first = CorrectionInvert(sound, probe, kFullHd);
  ASSERT_EQ(sound.SetParam(mid, mid, mid, mid, 0.0, 0.0, 0.0, 0.0, 0), KVOGC_OK);
  ASSERT_EQ(g.Convert(sound), KVOGC_OK);
  ExpectSameBits(CorrectionInvert(sound, probe, kFullHd), first);
  EXPECT_TRUE(std::isfinite(CorrectionInvert(sound, {960.0, 540.0}, kFullHd).x));
}

TEST(PinCushionBadInput, NonFinitePointsNeitherCrashNorHang) {
  Grids g({8, 6});
  g.src.At(1, 1) = {kNaN, 100.0};
  g.src.At(2, 2) = {kInf, -kInf};
  g.src.At(3, 3) = {1e300, -1e300};
  CPinCushion pin;
  SetBent(pin, 1);
  ASSERT_EQ(g.Convert(pin), KVOGC_OK);
  EXPECT_TRUE(std::isnan(g.dst.At(1, 1).x));
  EXPECT_TRUE(std::isfinite(g.dst.At(1, 2).x));
  for (const RealPoint& p : {RealPoint{kNaN, kNaN}, RealPoint{kNaN, 500.0}, RealPoint{100.0, kNaN},
                             RealPoint{kInf, 3.0}, RealPoint{-kInf, kInf}, RealPoint{1e308, -1e308}}) {
    RealPoint out{};
    const int32_t rc = pin.InvertPoint(p, out);
    EXPECT_TRUE(rc == KVOGC_OK || rc == KVOGC_E_INVALIDARG);
  }
}

TEST(PinCushionBadInput, RejectedArgumentsChangeNothing) {
  CPinCushion pin;
  SetBent(pin, 1);
  EXPECT_EQ(pin.SetParam({kNaN, 0.0}, kTR, kBR, kBL, 0.0, 0.0, 0.0, 0.0, 0), KVOGC_E_INVALIDARG);
  EXPECT_EQ(pin.SetParam(kTL, kTR, kBR, kBL, 0.0, kInf, 0.0, 0.0, 0), KVOGC_E_INVALIDARG);
  CPinCushion untouched;
  SetBent(untouched, 1);
  Grids kept({8, 6});
  Grids expected({8, 6});
  ASSERT_EQ(kept.Convert(pin), KVOGC_OK);
  ASSERT_EQ(expected.Convert(untouched), KVOGC_OK);
  for (size_t k = 0; k < kept.dst.Points().size(); ++k) {
    ExpectSameBits(kept.dst.Points()[k], expected.dst.Points()[k]);
  }

  CorrectionExpectBadGridsRefused(pin);
  Grids g({8, 6});
  Poison(g.dst);
  EXPECT_EQ(pin.ConvertPoints(g.src, g.dst, kFullHd, {0, 6}), KVOGC_E_INVALIDARG);  // no columns
  for (const RealPoint& p : g.dst.Points()) EXPECT_EQ(p.x, kPoison);
}

void ExpectSameGrid(const CWarpGridReal& a, const CWarpGridReal& b, GridSize counts,
                    const char* step) {
  for (int32_t r = 0; r <= counts.cy; ++r) {
    for (int32_t c = 0; c <= counts.cx; ++c) {
      ASSERT_TRUE(SameBits(a.At(r, c).x, b.At(r, c).x) && SameBits(a.At(r, c).y, b.At(r, c).y))
          << step << " at " << r << "," << c << ": " << a.At(r, c).x << "," << a.At(r, c).y
          << " vs " << b.At(r, c).x << "," << b.At(r, c).y;
    }
  }
}

TEST(PinCushionFastPath, MatchesThePlainOrderOfStepsBitForBit) {
  const GridSize counts{40, 30};
  const GridSize fewer{20, 12};
  CWarpGridReal src;
  GridJittered(src, kFullHd, counts, 23, 6000);
  // Points on the panel border, half steps, far away and not finite at all.
  const RealPoint edges[] = {{0.0, 0.0},       {1920, 1080},  {-0.0, 540.0},   {1920 + kStep, 540.0},
                             {kNaN, 10.0},     {10.0, kInf},  {-kInf, kNaN},   {1e12, -1e12},
                             {1e300, 5.0},     {960.0, -kStep}, {-3e6, 2e6}};
  for (size_t c = 0; c < std::size(edges); ++c) src.At(0, static_cast<int32_t>(c)) = edges[c];
  src.At(1, 0) = {0.5 * kStep, -0.5 * kStep};
  CWarpGridReal fast;
  CWarpGridReal plain;
  fast.Create(kFullHd, counts);
  plain.Create(kFullHd, counts);
  CPinCushion a;  // ConvertPoints
  CPinCushion b;  // the plain order
  const auto both = [&](auto&& change) {
    change(a);
    change(b);
  };
  const auto step = [&](const char* name, GridSize panel, GridSize n) {
    ASSERT_EQ(a.ConvertPoints(src, fast, panel, n), KVOGC_OK) << name;
    ASSERT_EQ(b.ConvertPointsPlain(src, plain, panel, n), KVOGC_OK) << name;
    ExpectSameGrid(fast, plain, n, name);
  };
  step("defaults", kFullHd, counts);
  both([](CPinCushion& p) { SetBent(p, 1); });
  step("bent with fit", kFullHd, counts);
  step("bent again", kFullHd, counts);
  step("other panel", {1280, 720}, counts);
  step("panel back", kFullHd, counts);
  step("fewer counts", kFullHd, fewer);
  step("counts back", kFullHd, counts);
  both([](CPinCushion& p) {
    ASSERT_EQ(
        p.SetParam({-0.1, 0.07}, {1.2, -0.05}, {0.9, 1.1}, {0.05, 0.93}, -2.0, 1.5, -0.7, 3.0, 1),
        KVOGC_OK);
  });
  step("strong", kFullHd, counts);
  step("strong again", kFullHd, counts);
  both([](CPinCushion& p) { SetBent(p, 0); });
  step("fit off", kFullHd, counts);
  step("fit off, fewer counts", kFullHd, fewer);
  both([](CPinCushion& p) { SetBent(p, 1); });
  // Fit back on after a count change without it: the reference grid is stale.
  step("fit on after counts changed", kFullHd, counts);
  both([](CPinCushion& p) { p.Reset(); });
  step("reset", kFullHd, counts);

  // In place, with the fit on, the reference grid's image is what gets mapped.
  CWarpGridReal inA;
  CWarpGridReal inB;
  GridJittered(inA, kFullHd, counts, 29, 6000);
  GridJittered(inB, kFullHd, counts, 29, 6000);
  both([](CPinCushion& p) { SetBent(p, 1); });
  for (int k = 0; k < 2; ++k) {
    ASSERT_EQ(a.ConvertPoints(inA, inA, kFullHd, counts), KVOGC_OK);
    ASSERT_EQ(b.ConvertPointsPlain(inB, inB, kFullHd, counts), KVOGC_OK);
    ExpectSameGrid(inA, inB, counts, "in place");
  }
}

}  // namespace
}  // namespace kvogc::gridtest
