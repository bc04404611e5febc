// Linearity corrector: neutral mapping, per-axis spacing, inversion, bad input.
#include "correction/Linearity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "support/CorrectionChecks.h"

namespace kvogc::gridtest {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

TEST(LinearityGrids, ZeroAnglesReproducePointsAndConvertGridAgreesWithConvertPoints) {
  CLinearity lin;
  CorrectionExpectNeutral(lin, kFullHd, {16, 9}, 2000);
  ASSERT_EQ(lin.SetParam(0.0, 0.0), KVOGC_OK);
  CorrectionExpectNeutral(lin, kFullHd, {16, 9}, 2000);
  ASSERT_EQ(lin.SetParam(12.0, -8.0), KVOGC_OK);
  CorrectionExpectGridFollowsPoints(lin, kFullHd);
}

TEST(LinearitySpacing, EachAngleMovesItsOwnAxisWithFixedEnds) {
  const struct {
    double v, h;  // host angles
    double fraction, moved;
  } cases[] = {
      {30.0, 0.0, 0.25, 0.294118},  {30.0, 0.0, 0.5, 0.555556},  {30.0, 0.0, 0.75, 0.789474},
      {-30.0, 0.0, 0.25, 0.2},      {-30.0, 0.0, 0.5, 0.428571}, {-30.0, 0.0, 0.75, 0.692308},
      {0.0, 10.0, 0.5, 0.520803},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.v << "," << c.h << " at " << c.fraction);
    CLinearity lin;
    ASSERT_EQ(lin.SetParam(c.v, c.h), KVOGC_OK);
    const bool vertical = c.v != 0.0;
    const double size = vertical ? 1080.0 : 1920.0;
    const auto along = [&](double t) {
      const RealPoint p = lin.ForwardPoint(vertical ? RealPoint{0, t * size} : RealPoint{t * size, 0}, kFullHd);
      return vertical ? p.y : p.x;
    };
    EXPECT_NEAR(along(c.fraction) / size, c.moved, 3e-6);  // 6 printed digits, 1/256 rounding
    EXPECT_EQ(along(0.0), 0.0);
    EXPECT_EQ(along(1.0), size);
  }
  // The horizontal angle acts only on x and the vertical one only on y.
  CLinearity vertical;
  CLinearity horizontal;
  ASSERT_EQ(vertical.SetParam(25.0, 0.0), KVOGC_OK);
  ASSERT_EQ(horizontal.SetParam(0.0, -25.0), KVOGC_OK);
  for (double f : {0.1, 0.37, 0.5, 0.81}) {
    const RealPoint p{RoundPoint(f * 1920), RoundPoint((1 - f) * 1080)};
    const RealPoint v = vertical.ForwardPoint(p, kFullHd);
    const RealPoint h = horizontal.ForwardPoint(p, kFullHd);
    EXPECT_EQ(v.x, p.x);
    EXPECT_NE(v.y, p.y);
    EXPECT_EQ(h.y, p.y);
    EXPECT_NE(h.x, p.x);
  }
}

TEST(LinearityInverse, RoundTripWithinRoundingAndAxisEndsExactly) {
  CLinearity lin;
  ASSERT_EQ(lin.SetParam(20.0, -15.0), KVOGC_OK);
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> fx(-100.0, 2020.0);
  std::uniform_real_distribution<double> fy(-100.0, 1180.0);
  for (int k = 0; k < 500; ++k) {
    const RealPoint p{RoundPoint(fx(rng)), RoundPoint(fy(rng))};
    const RealPoint back = CorrectionInvert(lin, lin.ForwardPoint(p, kFullHd), kFullHd);
    // Two single-precision fractions of a 1920 px axis and two 1/256 roundings.
    EXPECT_NEAR(back.x, p.x, 0.01);
    EXPECT_NEAR(back.y, p.y, 0.01);
    EXPECT_EQ(back.x, RoundPoint(back.x));
    EXPECT_EQ(back.y, RoundPoint(back.y));
  }

  ASSERT_EQ(lin.SetParam(40.0, -35.0), KVOGC_OK);
  std::array<float, 3> out{};
  lin.IntersectPlanes({0.0f, 0.0f, 0.0f}, out);
  // The plane point of the vertical axis lies on its normal only up to the
  // normal's single-precision rounding, hence not exactly zero.
  EXPECT_NEAR(out[0], 0.0f, 1e-6);
  EXPECT_NEAR(out[1], 0.0f, 1e-6);
  EXPECT_EQ(out[2], 0.0f);
  ExpectSameBits(CorrectionInvert(lin, {0.0, 0.0}, kFullHd), {0.0, 0.0});
  lin.IntersectPlanes({1.0f, 1.0f, 0.0f}, out);
  EXPECT_NEAR(out[0], 1.0f, 1e-6);
  EXPECT_NEAR(out[1], 1.0f, 1e-6);
  // The middle of the axis comes back from where t (2 + sin a) / (2 + t sin a) put it.
  const double s = std::sin(-35.0 * 3.141592653589 / 180);
  lin.IntersectPlanes({static_cast<float>(0.5 * (2 + s) / (2 + 0.5 * s)), 0.5f, 0.0f}, out);
  EXPECT_NEAR(out[0], 0.5f, 1e-6);
}

TEST(LinearityBadInput, RejectedAnglesPanelsAndCountsChangeNothing) {
  CLinearity lin;
  ASSERT_EQ(lin.SetParam(10.0, 5.0), KVOGC_OK);
  const RealPoint probe{700.0, 300.0};
  const RealPoint before = lin.ForwardPoint(probe, kFullHd);
  for (auto [v, h] : {std::pair{90.0, 0.0}, {0.0, -90.0}, {120.0, 0.0}, {kNaN, 0.0}, {0.0, kInf}}) {
    EXPECT_EQ(lin.SetParam(v, h), KVOGC_E_INVALIDARG) << v << "," << h;
    EXPECT_EQ(lin.AngleV(), -10.0);
    EXPECT_EQ(lin.AngleH(), -5.0);
    ExpectSameBits(lin.ForwardPoint(probe, kFullHd), before);
  }

  CorrectionExpectBadGridsRefused(lin);
  EXPECT_EQ(lin.SetParam(89.9, -89.9), KVOGC_OK);
}

}  // namespace
}  // namespace kvogc::gridtest
