// The pincushion corrector through its public operations: worked grids to the
// bit with and without the fit, the edge and corner model, re-use across
// settings, the inversion through cell homographies, and bad input.
#include "correction/PinCushion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "correction/SinglePrecision.h"
#include "support/CorrectionChecks.h"

namespace kvogc::gridtest {
namespace {

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

TEST(PinCushionForward, WorkedGridsToTheBit) {
  const std::vector<double> expected = TestNumbers("pincushion_bent_4x2.txt");
  ASSERT_EQ(expected.size(), 2u * 2 * (15 + 3));
  for (uint32_t fit : {0u, 1u}) {
    CPinCushion pin;
    SetBent(pin, fit);
    Grids g({4, 2});
    ASSERT_EQ(g.Convert(pin), KVOGC_OK);
    Grids out({1, 1});
    out.src.At(0, 0) = {960.0, 1620.0};
    out.src.At(0, 1) = {-480.0, 540.0};
    out.src.At(1, 0) = {2400.0, -270.0};
    ASSERT_EQ(out.Convert(pin), KVOGC_OK);
    const double* want = &expected[36 * fit];
    for (size_t k = 0; k < 18; ++k) {
      SCOPED_TRACE(testing::Message() << "fit " << fit << " point " << k);
      const RealPoint got = k < 15 ? g.dst.Points()[k] : out.dst.Points()[k - 15];
      ExpectSameBits(got, {want[2 * k], want[2 * k + 1]});
    }
  }
}

TEST(PinCushionGrids, DefaultsLeaveEveryPointInPlaceAndConvertGridAgreesWithConvertPoints) {
  CPinCushion pin;
  CorrectionExpectNeutral(pin, kFullHd, {16, 9}, 6000);
  SetBent(pin, 1);
  ASSERT_EQ(pin.Reset(), KVOGC_OK);
  CorrectionExpectNeutral(pin, kFullHd, {16, 9}, 6000);
  for (uint32_t fit : {0u, 1u}) {
    SCOPED_TRACE(fit);
    CPinCushion bent;
    SetBent(bent, fit);
    CorrectionExpectGridFollowsPoints(bent, kFullHd);
  }
}

// Whatever it converted before, a corrector gives the bits a fresh one gives:
// its tables and fit follow every change of parameters and counts.
TEST(PinCushionReuse, ResultsFollowEveryChangeOfParametersAndCounts) {
  CPinCushion reused;
  // Step 1 converts again with nothing changed.
  const GridSize counts[] = {{8, 6}, {8, 6}, {4, 3}, {8, 6}, {12, 2}};
  const uint32_t fits[] = {0, 0, 1, 0, 1};
  for (size_t k = 0; k < std::size(counts); ++k) {
    const uint32_t fit = fits[k];
    if (k != 1) SetBent(reused, fit);
    CPinCushion fresh;
    SetBent(fresh, fit);
    Grids a(counts[k]);
    Grids b(counts[k]);
    ASSERT_EQ(a.Convert(reused), KVOGC_OK);
    ASSERT_EQ(b.Convert(fresh), KVOGC_OK);
    for (size_t p = 0; p < a.dst.Points().size(); ++p) {
      SCOPED_TRACE(testing::Message() << "step " << k << " point " << p);
      ExpectSameBits(a.dst.Points()[p], b.dst.Points()[p]);
    }
    const RealPoint probe = a.dst.At(1, 1);
    ExpectSameBits(CorrectionInvert(reused, probe, kFullHd), CorrectionInvert(fresh, probe, kFullHd));
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
      EXPECT_NEAR(back.x, g.src.At(r, c).x, 2.0 / 256) << r << "," << c;
      EXPECT_NEAR(back.y, g.src.At(r, c).y, 2.0 / 256) << r << "," << c;
    }
  }
  // Between nodes a cell is only nearly a perspective image of its source: the
  // error grows with the bend (half a pixel for these strong bends).
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> fx(0.0, 1920);
  std::uniform_real_distribution<double> fy(0.0, 1080);
  for (int k = 0; k < 100; ++k) {
    const RealPoint p{RoundPoint(fx(rng)), RoundPoint(fy(rng))};
    CPinCushion single;
    SetBent(single, 0);
    const RealPoint back = CorrectionInvert(pin, CorrectionForward(single, p, kFullHd), kFullHd);
    EXPECT_NEAR(back.x, p.x, 0.6) << p.x << "," << p.y;
    EXPECT_NEAR(back.y, p.y, 0.6) << p.x << "," << p.y;
  }
  // Far outside the outer ring the outermost cell's homography still gives a finite point.
  for (const RealPoint& p : {RealPoint{1e5, -1e5}, RealPoint{-5e4, 3e4}, RealPoint{960.0, 1e6}}) {
    const RealPoint out = CorrectionInvert(pin, p, kFullHd);
    EXPECT_TRUE(std::isfinite(out.x) && std::isfinite(out.y)) << p.x << "," << p.y;
  }
  // Points on the sides of neutral cells count as inside and come back unchanged.
  CPinCushion neutral;
  Grids coarse({8, 6});
  ASSERT_EQ(coarse.Convert(neutral), KVOGC_OK);
  for (const RealPoint& p : {RealPoint{360.0, 180.0}, RealPoint{240.0, 270.0}, RealPoint{480.0, 360.0}}) {
    ExpectSameBits(CorrectionInvert(neutral, p, kFullHd), p);
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
}

TEST(PinCushionBadInput, RejectedArgumentsChangeNothingAndNonFinitePointsPass) {
  CPinCushion pin;
  SetBent(pin, 1);
  const RealPoint before = CorrectionForward(pin, {300.0, 200.0}, kFullHd);
  for (int k = 0; k < 4; ++k) {
    RealPoint corners[4] = {{0.0, 0.0}, {1.0, 0.0}, {1.0, 1.0}, {0.0, 1.0}};
    corners[k].y = kNaN;
    EXPECT_EQ(pin.SetParam(corners[0], corners[1], corners[2], corners[3], 0.0, 0.0, 0.0, 0.0, 0),
              KVOGC_E_INVALIDARG)
        << k;
  }
  EXPECT_EQ(pin.SetParam({0.0, 0.0}, {1.0, 0.0}, {1.0, 1.0}, {0.0, 1.0}, 0.0, kInf, 0.0, 0.0, 0),
            KVOGC_E_INVALIDARG);
  ExpectSameBits(CorrectionForward(pin, {300.0, 200.0}, kFullHd), before);
  CorrectionExpectBadGridsRefused(pin);
  Grids g({8, 6});
  Poison(g.dst);
  EXPECT_EQ(pin.ConvertPoints(g.src, g.dst, kFullHd, {0, 6}), KVOGC_E_INVALIDARG);  // no columns
  for (const RealPoint& p : g.dst.Points()) EXPECT_EQ(p.x, kPoison);

  g.src.At(1, 1) = {kNaN, 100.0};
  g.src.At(2, 2) = {kInf, -kInf};
  g.src.At(3, 3) = {1e300, -1e300};
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

}  // namespace
}  // namespace kvogc::gridtest
