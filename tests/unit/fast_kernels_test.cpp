// The vector kernels against the scalar reference maps, on every SIMD target
// this processor runs: random settings of each corrector over grids seeded
// with NaN, infinities, -0.0, halves of the 1/256 step, subnormals and points
// far outside the panel must give the same bits, in place too.
#include <gtest/gtest.h>

#include <hwy/targets.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "correction/KeyStone.h"
#include "correction/Linearity.h"
#include "correction/PinCushion.h"
#include "correction/PointMaps.h"
#include "grid/Rounding.h"
#include "grid/WarpConverter.h"
#include "support/GridFixtures.h"

namespace kvogc {
namespace {

constexpr GridSize kPanel{1920, 1080};
constexpr int kRounds = 6;

double Special(std::mt19937& rng) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  static const double kValues[] = {
      std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN(),
      kInf, -kInf, 0.0, -0.0, 1e300, -1e300, 4.9e-324, -2.2e-308, 0x1p53 / 512, -0x1p53 / 512,
      0x1p63 / 512, 1e7, -3e6, 1920.0, 1080.0, 960.0 + 1.0 / 512, -0.5 / 256, 3.0 / 512,
      // Quotients by the panel size at or next to halfway between two floats.
      1920.0 * (1 + 0x1p-24), 1080.0 * (1 + 0x1p-24), 1920.0 * 16777217, 9059698140.0,
      9059697720.0, 489.7325420379639, 970.1450157165528,
      // Quotients by the panel size where floats are subnormal.
      1.92e-37, -1.08e-37,
      // At or next to halfway between two floats for the keystone's (2 p - W) / H.
      1500 + 540 * 0x1p-24, 1500 + 540 * 0x1p-24 - 0x1p-42, 1080 + 540 * 0x1p-24,
      420 - 1620 * 0x1p-24, 420 - 1620 * 0x1p-24 + 0x1p-44};
  return kValues[std::uniform_int_distribution<size_t>(0, std::size(kValues) - 1)(rng)];
}

// Mostly plausible points on and off the panel, some on half steps, some
// special; or, `inPanel`, nearly all on the panel, so that whole vectors of
// them take the paths for points inside it.
void Scatter(CWarpGridReal& grid, std::mt19937& rng, bool inPanel) {
  std::uniform_real_distribution<double> near(-800.0, 2700.0);
  std::uniform_real_distribution<double> on(0.0, 1080.0);
  std::uniform_int_distribution<int> kind(0, 9);
  std::uniform_int_distribution<int> half(-2000000, 2000000);
  std::uniform_int_distribution<int> halfOn(0, 1080 * 256 - 1);
  for (RealPoint& p : grid.Points()) {
    for (double* v : {&p.x, &p.y}) {
      const int k = kind(rng);
      if (inPanel) {
        *v = k < 7 ? on(rng) : k < 9 ? (2.0 * halfOn(rng) + 1.0) / 512 : Special(rng);
      } else {
        *v = k < 6 ? near(rng) : k < 8 ? (2.0 * half(rng) + 1.0) / 512 : Special(rng);
      }
    }
  }
}

struct Case {
  Case(std::mt19937& rng, bool inPanel)
      : counts{std::uniform_int_distribution<int32_t>(1, 37)(rng),
               std::uniform_int_distribution<int32_t>(1, 6)(rng)} {
    src.Create(kPanel, counts);
    Scatter(src, rng, inPanel);
    fast.Create(kPanel, counts);
    plain.Create(kPanel, counts);
  }
  GridSize counts;
  CWarpGridReal src;
  CWarpGridReal fast;
  CWarpGridReal plain;
};

// Same bits, except that NaNs count as equal: where two NaNs meet, which one an
// operation passes on depends on the operand order the compiler picks, in the
// scalar code as much as in the vector code.
bool Same(double a, double b) {
  return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

// Empty when both grids agree, else the first point that differs.
std::string FirstDifference(const CWarpGridReal& src, const CWarpGridReal& a,
                            const CWarpGridReal& b) {
  for (size_t k = 0; k < a.Points().size(); ++k) {
    const RealPoint& p = a.Points()[k];
    const RealPoint& q = b.Points()[k];
    if (!Same(p.x, q.x) || !Same(p.y, q.y)) {
      char text[200];
      std::snprintf(text, sizeof text, "point %zu: (%a, %a) -> fast (%a, %a), plain (%a, %a)", k,
                    src.Points()[k].x, src.Points()[k].y, p.x, p.y, q.x, q.y);
      return text;
    }
  }
  return {};
}

// Out of place and in place, the fast conversion of one corrector against the
// plain one of another in the same setting (or the same corrector).
template <class Corrector>
void ExpectIdentical(std::mt19937& rng, Corrector& fast, Corrector& plain, bool inPanel = false) {
  Case c(rng, inPanel);
  ASSERT_EQ(fast.ConvertPoints(c.src, c.fast, kPanel, c.counts),
            plain.ConvertPointsPlain(c.src, c.plain, kPanel, c.counts));
  EXPECT_EQ(FirstDifference(c.src, c.fast, c.plain), "");
  std::copy(c.src.Points().begin(), c.src.Points().end(), c.fast.Points().begin());
  std::copy(c.src.Points().begin(), c.src.Points().end(), c.plain.Points().begin());
  ASSERT_EQ(fast.ConvertPoints(c.fast, c.fast, kPanel, c.counts),
            plain.ConvertPointsPlain(c.plain, c.plain, kPanel, c.counts));
  EXPECT_EQ(FirstDifference(c.src, c.fast, c.plain), "") << "in place";
}

// Runs check once for every SIMD target compiled in and supported here.
void ForEachTarget(const std::function<void(std::mt19937&)>& check) {
  for (const int64_t target : hwy::SupportedAndGeneratedTargets()) {
    SCOPED_TRACE(hwy::TargetName(target));
    hwy::SetSupportedTargetsForTest(target);
    std::mt19937 rng(static_cast<unsigned>(target));
    for (int round = 0; round < kRounds; ++round) check(rng);
  }
  hwy::SetSupportedTargetsForTest(0);
}

double Uniform(std::mt19937& rng, double lo, double hi) {
  return std::uniform_real_distribution<double>(lo, hi)(rng);
}

TEST(FastKernels, KeystoneMatchesThePlainMap) {
  ForEachTarget([](std::mt19937& rng) {
    CKeyStone ks;
    ASSERT_EQ(ks.SetParam(Uniform(rng, -40, 40), Uniform(rng, -40, 40), Uniform(rng, -180, 180),
                          Uniform(rng, 0.3, 3), Uniform(rng, -2, 2), Uniform(rng, -2, 2),
                          Uniform(rng, -1, 1), rng() & 1, kPanel),
              KVOGC_OK);
    ExpectIdentical(rng, ks, ks);
  });
}

TEST(FastKernels, LinearityMatchesThePlainMap) {
  ForEachTarget([](std::mt19937& rng) {
    CLinearity lin;
    ASSERT_EQ(lin.SetParam(Uniform(rng, -89, 89), Uniform(rng, -89, 89)), KVOGC_OK);
    ExpectIdentical(rng, lin, lin);
  });
}

TEST(FastKernels, PinCushionMatchesThePlainMapWithAndWithoutFit) {
  ForEachTarget([](std::mt19937& rng) {
    const auto corner = [&rng](double x, double y) {
      return RealPoint{x + Uniform(rng, -0.2, 0.2), y + Uniform(rng, -0.2, 0.2)};
    };
    const RealPoint tl = corner(0, 0), tr = corner(1, 0), br = corner(1, 1), bl = corner(0, 1);
    const double left = Uniform(rng, -2, 2), top = Uniform(rng, -2, 2);
    const double right = Uniform(rng, -2, 2), bottom = Uniform(rng, -2, 2);
    const uint32_t fit = rng() & 1;
    CPinCushion fast;
    CPinCushion plain;
    ASSERT_EQ(fast.SetParam(tl, tr, br, bl, left, top, right, bottom, fit), KVOGC_OK);
    ASSERT_EQ(plain.SetParam(tl, tr, br, bl, left, top, right, bottom, fit), KVOGC_OK);
    for (const bool inPanel : {false, true}) ExpectIdentical(rng, fast, plain, inPanel);
  });
}

// The pincushion's way back reuses the homography of a table cell it met
// before; a walk over many cells, with repeats and more cells than it keeps,
// must give what a corrector meeting each point afresh gives.
TEST(FastKernels, InversionThroughRememberedCellsMatchesFreshInversions) {
  const GridSize counts{24, 14};
  CWarpGridReal src;
  CWarpGridReal dst;
  src.Create(kPanel, counts);
  dst.Create(kPanel, counts);
  const auto bent = [&](CPinCushion& pin) {
    ASSERT_EQ(pin.SetParam({0.03, 0.02}, {0.98, 0.04}, {0.96, 0.97}, {0.01, 0.99}, 0.6, -0.4,
                           0.3, 0.8, 1),
              KVOGC_OK);
    ASSERT_EQ(pin.ConvertPoints(src, dst, kPanel, counts), KVOGC_OK);
  };
  CPinCushion remembering;
  bent(remembering);
  std::mt19937 rng(5);
  std::vector<RealPoint> points;
  for (int k = 0; k < 150; ++k) points.push_back({Uniform(rng, -300, 2200), Uniform(rng, -300, 1400)});
  for (int pass = 0; pass < 2; ++pass) {
    for (const RealPoint& p : points) {
      CPinCushion fresh;
      bent(fresh);
      RealPoint a{}, b{};
      EXPECT_EQ(remembering.InvertPoint(p, a), fresh.InvertPoint(p, b));
      EXPECT_TRUE(Same(a.x, b.x) && Same(a.y, b.y)) << p.x << " " << p.y;
    }
  }
}

// A linearity map with a 1 x 1 panel and no tilt rounds the float of each
// coordinate to the 1/256 lattice and nothing else: halves either side of
// zero, -0.0 and small negatives, and the magnitudes where the lattice
// rounding stops (512 v reaching 2^53 and 2^63).
TEST(FastKernels, LatticeRoundingOfHalvesAndLimits) {
  const LinearityMap plainRounding{1, 1, -2, 2, 0, 1, 1, 0, 1, 1};
  std::vector<RealPoint> in;
  for (int k = -700; k <= 700; ++k) {
    const double half = (2.0 * k + 1) / 512;
    in.push_back({half, -half});
    in.push_back({k / 256.0, std::nextafter(half, 0.0)});
  }
  for (const double v : {-0.0, -1e-10, 1e-10, 0x1p44, -0x1p44, 0x1p44 - 0.5 / 256, 0x1p54, 0x1p60,
                         -0x1p60, 3e38, std::numeric_limits<double>::infinity(),
                         std::numeric_limits<double>::quiet_NaN()}) {
    in.push_back({v, -v});
  }
  // A neutral pincushion on a 1 x 1 panel keeps each x in [0, 1] on the top
  // edge, doubles that are no floats included: the halves' neighbours and the
  // double just below a half step.
  const PinCushionMap neutralPixels{{{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0.5}, {0.5, 0},
                                     {1, 0.5}, {0.5, 1}, {0.5, 0.5}, 0, 0, 0, 0},
                                    1, 1, false, 0, 0, 1};
  std::vector<RealPoint> top{{(0.5 - 0x1p-54) / 256, 0}};
  for (int k = 1; k < 512; k += 2) {
    const double half = k / 512.0;
    for (const double x : {half, std::nextafter(half, 0.0), std::nextafter(half, 1.0)}) {
      top.push_back({x, 0});
    }
  }
  const auto expectSame = [](const auto& map, const std::vector<RealPoint>& points) {
    std::vector<RealPoint> out(points.size());
    MapPoints(map, points.data(), out.data(), points.size());
    for (size_t k = 0; k < points.size(); ++k) {
      const RealPoint q = map(points[k]);
      EXPECT_TRUE(Same(out[k].x, q.x) && Same(out[k].y, q.y)) << points[k].x << " " << points[k].y;
    }
  };
  ForEachTarget([&](std::mt19937&) {
    expectSame(plainRounding, in);
    expectSame(neutralPixels, top);
    std::vector<RealPoint> rounded = in;
    rounded.insert(rounded.end(), top.begin(), top.end());
    RoundPoints(rounded.data(), rounded.size());
    for (size_t k = 0; k < rounded.size(); ++k) {
      const RealPoint& p = k < in.size() ? in[k] : top[k - in.size()];
      EXPECT_TRUE(Same(rounded[k].x, RoundPoint(p.x)) && Same(rounded[k].y, RoundPoint(p.y)))
          << p.x << " " << p.y;
    }
  });
}

// An operation grid's nodes and line samples read off a real grid with
// special values: each as SampleReal gives it, or, off the grid (a node moved
// far out sends its lines there), as it was.
TEST(FastKernels, ResampledLinesMatchSampleReal) {
  ForEachTarget([](std::mt19937& rng) {
    gridtest::GridPair g(kPanel, {37, 23}, {5, 4});
    Scatter(g.real, rng, false);
    g.ope.GetPoint(2, 3)->gx = 1e6;
    gridtest::GridPair before(kPanel, {37, 23}, {5, 4});
    before.ope.GetPoint(2, 3)->gx = 1e6;
    CWarpConverter conv;
    ASSERT_EQ(conv.ConvertRealToOpe(g.real, g.ope), 0);
    const auto expectSampled = [&](const RealPoint& got, const RealPoint& old, double fy,
                                   double fx) {
      RealPoint want = old;
      conv.SampleReal(g.real, fy, fx, want);
      EXPECT_TRUE(Same(got.x, want.x) && Same(got.y, want.y)) << fy << " " << fx;
    };
    for (int32_t j = 0; j <= 4; ++j) {
      for (int32_t i = 0; i <= 5; ++i) {
        const OpePoint& p = *g.ope.GetPoint(j, i);
        const OpePoint& old = *before.ope.GetPoint(j, i);
        expectSampled({p.x, p.y}, {old.x, old.y}, p.gy, p.gx);
        const CWarpOpeLine* hor = g.ope.GetLineHor(j, i);
        for (uint32_t k = 0; hor != nullptr && k < hor->m_count; ++k) {
          const double to = g.ope.GetPoint(j, i + 1)->gx;
          expectSampled(hor->m_samples[k], before.ope.GetLineHor(j, i)->m_samples[k], p.gy,
                        p.gx + (to - p.gx) * hor->m_params[k]);
        }
        const CWarpOpeLine* ver = g.ope.GetLineVer(j, i);
        for (uint32_t k = 0; ver != nullptr && k < ver->m_count; ++k) {
          const double to = g.ope.GetPoint(j + 1, i)->gy;
          expectSampled(ver->m_samples[k], before.ope.GetLineVer(j, i)->m_samples[k],
                        p.gy + (to - p.gy) * ver->m_params[k], p.gx);
        }
      }
    }
  });
}

}  // namespace
}  // namespace kvogc
