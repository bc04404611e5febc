// The keystone corrector through its public operations: worked points of two
// settings to the bit, the neutral setting, rounding, the rotation fit, the
// inversion, and what it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "correction/KeyStone.h"
#include "support/CorrectionChecks.h"

namespace kvogc::gridtest {
namespace {

constexpr GridSize kFourThird{1024, 768};
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Points on the 1/256 lattice in and up to 64 px around the panel.
std::vector<RealPoint> LatticePoints(const GridSize& panel) {
  CWarpGridReal g;
  GridJittered(g, panel, {39, 24}, 5, 64 * 256);
  return {g.Points().begin(), g.Points().end()};
}

// The even 4 x 2 grid under a full setting (pitch, yaw, roll, shift, offset,
// fit) and under a fitted pure roll on a 4:3 panel: every value to the bit.
TEST(KeystoneForward, WorkedGridsToTheBit) {
  const std::vector<double> nodes = TestNumbers("keystone_4x2.txt");  // setting, row, column, x, y
  ASSERT_EQ(nodes.size(), 5u * (15 + 9));
  const GridSize counts{4, 2};
  for (bool pureRoll : {false, true}) {
    const GridSize panel = pureRoll ? kFourThird : GridSize{3840, 2160};
    CKeyStone ks;
    ASSERT_EQ(pureRoll ? ks.SetRotationOnly(30.0, 1, panel)
                       : ks.SetParam(8.0, -5.0, 3.0, 1.5, 0.2, -0.1, 0.05, 1, panel),
              KVOGC_OK);
    CWarpGridReal src;
    CWarpGridReal dst;
    src.Create(panel, counts);
    dst.Create(panel, counts);
    ASSERT_EQ(ks.ConvertPoints(src, dst, panel, counts), KVOGC_OK);
    for (size_t k = 0; k < nodes.size(); k += 5) {
      if ((nodes[k] != 0) != pureRoll) continue;
      const int32_t r = static_cast<int32_t>(nodes[k + 1]), c = static_cast<int32_t>(nodes[k + 2]);
      SCOPED_TRACE(testing::Message() << pureRoll << " " << r << "," << c);
      ExpectSameBits(dst.At(r, c), {nodes[k + 3], nodes[k + 4]});
    }
  }
}

TEST(KeystoneForward, NeutralSettingReproducesLatticePoints) {
  CKeyStone ks;
  ASSERT_EQ(ks.SetParam(0, 0, 0, 1.0, 0, 0, 0, 0, kFullHd), KVOGC_OK);
  CorrectionExpectNeutral(ks, kFullHd, {39, 24}, 64 * 256);
  ASSERT_EQ(ks.SetRotationOnly(0.0, 0, kFullHd), KVOGC_OK);
  CorrectionExpectNeutral(ks, kFullHd, {39, 24}, 64 * 256);
}

// The image is assumed 16/9 whatever the panel; roll beyond 180 degrees or
// without the fit flag is not shrunk.
TEST(KeystoneForward, RotationFitShrinksByTheSixteenNinthFactor) {
  const struct {
    double roll;
    uint32_t fit;
    double k;
  } cases[] = {{45.0, 1, 1.964186}, {90.0, 1, 1.777778}, {120.0, 1, 2.039601},
               {-60.0, 1, 2.039601}, {200.0, 1, 1.0},    {45.0, 0, 1.0}};
  for (const GridSize panel : {kFullHd, kFourThird}) {
    const auto fromCentre = [&](RealPoint p) {
      return std::hypot(p.x - panel.cx / 2.0, p.y - panel.cy / 2.0);
    };
    CKeyStone ks;
    for (const auto& c : cases) {
      ASSERT_EQ(ks.SetRotationOnly(c.roll, c.fit, panel), KVOGC_OK);
      for (const RealPoint p : {RealPoint{0, 0}, RealPoint{double(panel.cx), 0}, RealPoint{100.5, 700.25}}) {
        EXPECT_NEAR(fromCentre(CorrectionForward(ks, p, panel)), fromCentre(p) / c.k, 0.01)
            << "roll " << c.roll << " fit " << c.fit << " panel " << panel.cx;
      }
    }
  }
}

TEST(KeystoneForward, CountsSelectTheConvertedPointsAndGridsFollowThem) {
  CKeyStone ks;
  ASSERT_EQ(ks.SetParam(6.0, 4.0, 0, 1.5, 0, 0, 0, 0, kFullHd), KVOGC_OK);
  CWarpGridReal src;
  CWarpGridReal dst;
  src.Create(kFullHd, {4, 4});
  dst.Create(kFullHd, {4, 4});
  Poison(dst);
  ASSERT_EQ(ks.ConvertPoints(src, dst, kFullHd, {2, 1}), KVOGC_OK);
  for (int r = 0; r <= 4; ++r) {
    for (int c = 0; c <= 4; ++c) {
      const bool inside = r <= 1 && c <= 2;
      EXPECT_EQ(dst.At(r, c).x == kPoison, !inside) << r << "," << c;
      if (inside) ExpectSameBits(dst.At(r, c), CorrectionForward(ks, src.At(r, c), kFullHd));
    }
  }
  ASSERT_EQ(ks.SetParam(-6.0, 9.0, 12.0, 1.2, 0.1, 0.3, 0, 1, kFullHd), KVOGC_OK);
  CorrectionExpectGridFollowsPoints(ks, kFullHd);
}

TEST(KeystoneInverse, ShiftAloneComesBackUnchangedATiltUpToRounding) {
  CKeyStone ks;
  ASSERT_EQ(ks.SetParam(0, 0, 0, 1.5, 0.3, -0.2, 0, 0, kFullHd), KVOGC_OK);
  for (const RealPoint p : LatticePoints(kFullHd)) {
    ExpectSameBits(CorrectionInvert(ks, CorrectionForward(ks, p, kFullHd), kFullHd), p);
  }
  for (const GridSize panel : {kFullHd, kFourThird}) {
    ASSERT_EQ(ks.SetParam(8.0, -5.0, 3.0, 1.5, 0.2, -0.1, 0.1, 1, panel), KVOGC_OK);
    double moved = 0.0;
    for (const RealPoint p : LatticePoints(panel)) {
      const RealPoint q = CorrectionForward(ks, p, panel);
      moved = std::max(moved, std::hypot(q.x - p.x, q.y - p.y));
      const RealPoint back = CorrectionInvert(ks, q, panel);
      EXPECT_NEAR(back.x, p.x, 0.01);
      EXPECT_NEAR(back.y, p.y, 0.01);
    }
    EXPECT_GT(moved, 20.0);
  }
}

TEST(KeystoneInput, RefusedPanelsAndGridsChangeNothingAndNotANumberPassesThrough) {
  CKeyStone ks;
  ASSERT_EQ(ks.SetParam(5.0, 0, 0, 1.5, 0, 0, 0, 0, kFullHd), KVOGC_OK);
  const RealPoint before = CorrectionForward(ks, {100, 200}, kFullHd);
  for (const GridSize bad : {GridSize{0, 1080}, GridSize{1920, 0}, GridSize{-1920, 1080}}) {
    EXPECT_EQ(ks.SetParam(30.0, 20.0, 10.0, 1.0, 0, 0, 0, 1, bad), KVOGC_E_INVALIDARG);
    EXPECT_EQ(ks.SetRotationOnly(30.0, 1, bad), KVOGC_E_INVALIDARG);
    ExpectSameBits(CorrectionForward(ks, {100, 200}, kFullHd), before);
  }
  CorrectionExpectBadGridsRefused(ks);
  CWarpGridOpe src;
  CWarpGridOpe dst;
  LayOut(src, kFullHd, {16, 9}, {4, 3});
  LayOut(dst, kFullHd, {16, 9}, {2, 3});
  const OpePoint node = *dst.GetPoint(1, 1);
  EXPECT_EQ(ks.ConvertGrid(src, dst), KVOGC_E_INVALIDARG);
  EXPECT_EQ(dst.GetPoint(1, 1)->x, node.x);
  // A roll that is not a number is carried through, not trapped.
  LayOut(dst, kFullHd, {16, 9}, {4, 3});
  for (uint32_t fit : {0u, 1u}) {
    EXPECT_EQ(ks.SetParam(5.0, 2.0, kNaN, 1.5, 0.0, 0.0, 0.0, fit, kFullHd), KVOGC_OK);
    EXPECT_EQ(ks.SetRotationOnly(kNaN, fit, kFullHd), KVOGC_OK);
    EXPECT_TRUE(std::isnan(CorrectionForward(ks, {100, 200}, kFullHd).x));
    CorrectionInvert(ks, {100, 200}, kFullHd);
    EXPECT_EQ(ks.ConvertGrid(src, dst), KVOGC_OK);
  }
}

}  // namespace
}  // namespace kvogc::gridtest
