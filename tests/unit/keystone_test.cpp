// The keystone corrector: push-back and rotation fit, the matrix builder call
// sequence, the forward mapping to the bit, and the inversion.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "correction/KeyStone.h"
#include "support/CorrectionChecks.h"

namespace kvogc {

namespace gridtest {
namespace {


constexpr GridSize kFourThird{1024, 768};
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Records every call as its name and argument (for a translation its z, or NaN
// when it also moves x); the call with index failAt returns a failure.
class FakeBuilder final : public IMatrixBuilder {
 public:
  int32_t QueryInterface(const KvoGuid*, void** object) override {
    *object = nullptr;
    return static_cast<int32_t>(0x80004002);
  }
  uint32_t AddRef() override { return ++refs; }
  uint32_t Release() override { return --refs; }
  int32_t Identity() override { return Record("Identity"); }
  int32_t Translate(float x, float, float z) override { return Record("Translate", x == 0 ? z : NAN); }
  int32_t Scale(float, float, float) override { return Record("Scale"); }
  int32_t RotateX(float a) override { return Record("RotateX", a); }
  int32_t RotateY(float a) override { return Record("RotateY", a); }
  int32_t RotateZ(float a) override { return Record("RotateZ", a); }
  int32_t Multiply(const float*) override { return Record("Multiply"); }
  int32_t Invert() override { return Record("Invert"); }
  int32_t Finish() override { return Record("Finish"); }
  int32_t GetMatrix(float* m) override {
    const int32_t status = Record("GetMatrix");
    // A failing builder scribbles: the corrector must not keep that.
    for (int k = 0; k < 16; ++k) m[k] = status < 0 ? -1.0f : stamp + static_cast<float>(k);
    if (status >= 0) stamp += 100.0f;
    return status;
  }

  std::vector<std::string> names;
  std::vector<float> args;
  int failAt = -1;
  uint32_t refs = 1;
  float stamp = 1.0f;  // GetMatrix writes stamp, stamp + 1, ...

 private:
  int32_t Record(const char* name, float arg = 0) {
    names.push_back(name);
    args.push_back(arg);
    return static_cast<int>(names.size()) - 1 == failAt ? static_cast<int32_t>(0x80004005) : 0;
  }
};

// Maps one point through ConvertPoints.
RealPoint Forward(CKeyStone& ks, RealPoint p, const GridSize& panel) {
  CWarpGridReal src;
  CWarpGridReal dst;
  src.Create(panel, {1, 1});
  dst.Create(panel, {1, 1});
  src.At(0, 0) = p;
  EXPECT_EQ(ks.ConvertPoints(src, dst, panel, {1, 1}), KVOGC_OK);
  return dst.At(0, 0);
}

// Points on the 1/256 lattice in and up to 64 px around the panel.
std::vector<RealPoint> LatticePoints(const GridSize& panel) {
  CWarpGridReal g;
  GridJittered(g, panel, {39, 24}, 5, 64 * 256);
  return {g.Points().begin(), g.Points().end()};
}

TEST(KeystoneFit, RollFitScaleAndPushBackDepthForTheSixteenNinthImage) {
  const double a = kKeystoneAspect;
  for (const auto& [roll, k] : {std::pair{45.0, 1.964186}, {90.0, 1.777778}, {60.0, 2.039601}}) {
    EXPECT_NEAR(*RollFitScale(roll, a), k, 5e-7) << roll;
  }
  EXPECT_EQ(*RollFitScale(120.0, a), *RollFitScale(60.0, a));
  EXPECT_EQ(*RollFitScale(-45.0, a), *RollFitScale(45.0, a));
  EXPECT_NEAR(*RollFitScale(0.0, a), 1.0, 1e-15);
  EXPECT_NEAR(*RollFitScale(180.0, a), 1.0, 1e-15);
  for (double roll : {200.0, -180.5, kNaN}) EXPECT_FALSE(RollFitScale(roll, a).has_value()) << roll;
  EXPECT_NEAR(*RollFitScale(45.0, 1.0), std::sqrt(2.0), 1e-12);  // a square's diagonal

  // The corrector stores pitch as the negated vertical angle. Degrees convert
  // with the truncated pi 3.141592653589, which shows in the last bits.
  EXPECT_NEAR(PushBackDepth(-10.0, 0.0, 0.0, 0, 2.0, a), 0.173648178, 1e-9);
  EXPECT_EQ(PushBackDepth(-10.0, 0.0, 0.0, 0, 2.0, a), std::sin(10.0 * 3.141592653589 / 180.0));
  EXPECT_NE(PushBackDepth(-10.0, 0.0, 0.0, 0, 2.0, a), std::sin(10.0 * std::numbers::pi / 180.0));
  EXPECT_NEAR(PushBackDepth(0.0, 30.0, 0.0, 0, 2.0, a), a * 0.5, 1e-12);
  EXPECT_NEAR(PushBackDepth(0.0, 0.0, 45.0, 1, 2.0, a), 2.0 * (1.964186 - 1.0), 1e-6);
  EXPECT_EQ(PushBackDepth(0.0, 0.0, 45.0, 0, 2.0, a), 0.0);
  EXPECT_EQ(PushBackDepth(0.0, 0.0, 200.0, 1, 2.0, a), 0.0);
  // No fit term at all: not even a NaN from a wild focal distance.
  EXPECT_EQ(PushBackDepth(0.0, 0.0, 200.0, 1, std::numeric_limits<double>::infinity(), a), 0.0);
  EXPECT_EQ(PushBackDepth(0.0, 0.0, kNaN, 1, 2.0, a), 0.0);
}

TEST(KeystoneSetup, BuilderSeesTheStoredModelForwardThenReversed) {
  FakeBuilder fake;
  {
    CKeyStone ks(&fake);
    EXPECT_EQ(fake.refs, 2u);
    ASSERT_EQ(ks.SetParam(10.0, 5.0, 3.0, 1.5, 0.4, -0.2, 0.25, 0, kFullHd), KVOGC_OK);
    const std::vector<std::string> expected{
        "Identity", "RotateZ",   "RotateY", "RotateX", "Translate", "Finish", "GetMatrix",
        "Identity", "Translate", "RotateX", "RotateY", "RotateZ",   "Finish", "GetMatrix"};
    ASSERT_EQ(fake.names, expected);
    // Roll, yaw, then the negated vertical angle as pitch; pushed back by
    // sin 10 + 16/9 sin 5, less the host's offset; the inverse undoes it all.
    const float z = fake.args[4];
    EXPECT_NEAR(z, 0.25 - (0.173648178 + 16.0 / 9.0 * 0.087155743), 1e-7);
    EXPECT_EQ(fake.args, (std::vector<float>{0, 3, 5, -10, z, 0, 0, 0, -z, 10, -5, -3, 0, 0}));

    // A pure roll: no pitch, yaw or shift, seen with throw ratio 2.
    fake.args.clear();
    ASSERT_EQ(ks.SetRotationOnly(30.0, 0, kFourThird), KVOGC_OK);
    EXPECT_EQ(fake.args, (std::vector<float>{0, 30, 0, 0, 0, 0, 0, 0, 0, 0, 0, -30, 0, 0}));

    // The push-back assumes the 16/9 image on a 4:3 panel too.
    fake.args.clear();
    ASSERT_EQ(ks.SetParam(0.0, 30.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0, kFourThird), KVOGC_OK);
    EXPECT_NEAR(fake.args[4], -16.0 / 9.0 * 0.5, 1e-7);
  }
  EXPECT_EQ(fake.refs, 1u);  // released with the corrector
}

TEST(KeystoneSetup, FirstFailingCallEndsTheMatrixBuild) {
  for (int failAt = 0; failAt < 14; ++failAt) {
    FakeBuilder fake;
    CKeyStone ks(&fake);
    ASSERT_EQ(ks.SetParam(4.0, 2.0, 1.0, 1.5, 0.0, 0.0, 0.0, 0, kFullHd), KVOGC_OK);
    fake.names.clear();
    fake.failAt = failAt;
    EXPECT_EQ(ks.SetParam(-7.0, 3.0, 20.0, 1.2, 0.1, 0.1, 0.0, 1, kFullHd), KVOGC_OK);
    EXPECT_EQ(fake.names.size(), static_cast<size_t>(failAt) + 1) << failAt;
  }
}

TEST(KeystoneSetup, ZeroMatricesMapEveryPointToTheCentre) {
  // Before the first setting, and for good when the render module is missing.
  CKeyStone fresh;
  for (RealPoint p : {RealPoint{0, 0}, RealPoint{1920, 1080}, RealPoint{-50.5, 700.25}}) {
    ExpectSameBits(Forward(fresh, p, kFullHd), {960.0, 540.0});
  }
  CKeyStone none(nullptr);
  EXPECT_EQ(none.SetParam(10.0, 5.0, 3.0, 1.5, 0.1, 0.2, 0.0, 1, kFullHd), KVOGC_OK);
  EXPECT_EQ(none.SetRotationOnly(45.0, 1, kFullHd), KVOGC_OK);
  ExpectSameBits(Forward(none, {100, 200}, kFullHd), {960.0, 540.0});
  CorrectionInvert(none, {100, 200}, kFullHd);
}

TEST(KeystoneSetup, NotANumberRollIsCarriedThroughWithoutFailing) {
  CWarpGridOpe src;
  CWarpGridOpe dst;
  LayOut(src, kFullHd, {16, 9}, {2, 2});
  LayOut(dst, kFullHd, {16, 9}, {2, 2});
  for (uint32_t fit : {0u, 1u}) {
    CKeyStone ks;
    EXPECT_EQ(ks.SetParam(5.0, 2.0, kNaN, 1.5, 0.0, 0.0, 0.0, fit, kFullHd), KVOGC_OK);
    EXPECT_EQ(ks.SetRotationOnly(kNaN, fit, kFullHd), KVOGC_OK);
    EXPECT_TRUE(std::isnan(Forward(ks, {100, 200}, kFullHd).x));  // carried through, not trapped
    CorrectionInvert(ks, {100, 200}, kFullHd);
    EXPECT_EQ(ks.ConvertGrid(src, dst), KVOGC_OK);
  }
}

TEST(KeystoneForward, NeutralSettingReproducesLatticePoints) {
  CKeyStone ks;
  ASSERT_EQ(ks.SetParam(0, 0, 0, 1.0, 0, 0, 0, 0, kFullHd), KVOGC_OK);
  CorrectionExpectNeutral(ks, kFullHd, {39, 24}, 64 * 256);
  ASSERT_EQ(ks.SetRotationOnly(0.0, 0, kFullHd), KVOGC_OK);
  CorrectionExpectNeutral(ks, kFullHd, {39, 24}, 64 * 256);
}

TEST(KeystoneForward, HalfStepsRoundAwayFromZero) {
  // On a 512 x 512 panel every step is exact, so the halves survive to the rounding.
  const GridSize panel{512, 512};
  const double half = 0.5 / 256;
  CKeyStone ks;
  ASSERT_EQ(ks.SetRotationOnly(0.0, 0, panel), KVOGC_OK);
  ExpectSameBits(Forward(ks, {half, 3 * half}, panel), {1.0 / 256, 2.0 / 256});
  ExpectSameBits(Forward(ks, {-half, -3 * half}, panel), {-1.0 / 256, -2.0 / 256});
  EXPECT_EQ(Forward(ks, {512 + half, 0}, panel).x, 512 + 1.0 / 256);
}

TEST(KeystoneForward, PitchAloneKeepsOneEdgeAndShortensTheOther) {
  CKeyStone ks;
  ASSERT_EQ(ks.SetParam(10.0, 0, 0, 1.0, 0, 0, 0, 0, kFullHd), KVOGC_OK);
  CWarpGridReal src;
  CWarpGridReal dst;
  src.Create(kFullHd, {16, 9});
  dst.Create(kFullHd, {16, 9});
  ASSERT_EQ(ks.ConvertPoints(src, dst, kFullHd, {16, 9}), KVOGC_OK);
  const auto width = [&](int row) { return dst.At(row, 16).x - dst.At(row, 0).x; };
  const int full = width(0) > width(9) ? 0 : 9;
  EXPECT_NEAR(width(full), 1920.0, 1.0 / 128);
  EXPECT_NEAR(dst.At(full, 0).x, 0.0, 1.0 / 128);  // the untouched corners
  EXPECT_LT(width(9 - full), 1900.0);
  EXPECT_GT(width(9 - full), 1500.0);
  for (const RealPoint& p : dst.Points()) {
    EXPECT_TRUE(p.x >= 0.0 && p.x <= 1920.0 && p.y >= 0.0 && p.y <= 1080.0) << p.x << "," << p.y;
  }
  for (int c = 0; c <= 16; ++c) {  // symmetric about the vertical centre line
    EXPECT_NEAR(dst.At(4, c).x + dst.At(4, 16 - c).x, 1920.0, 1.0 / 64);
  }
}

TEST(KeystoneForward, RotationFitShrinksByTheSixteenNinthFactor) {
  const struct {
    double roll;
    uint32_t fit;
    double k;
  } cases[] = {{45.0, 1, 1.964186}, {90.0, 1, 1.777778}, {120.0, 1, 2.039601},
               {60.0, 1, 2.039601}, {200.0, 1, 1.0},     {45.0, 0, 1.0}};
  // The 4:3 panel gets the same factors: the image is assumed 16/9 anyway.
  for (const GridSize panel : {kFullHd, kFourThird}) {
    const auto fromCentre = [&](RealPoint p) {
      return std::hypot(p.x - panel.cx / 2.0, p.y - panel.cy / 2.0);
    };
    CKeyStone ks;
    for (const auto& c : cases) {
      ASSERT_EQ(ks.SetRotationOnly(c.roll, c.fit, panel), KVOGC_OK);
      for (const RealPoint p : {RealPoint{0, 0}, RealPoint{double(panel.cx), 0}, RealPoint{100.5, 700.25}}) {
        EXPECT_NEAR(fromCentre(Forward(ks, p, panel)), fromCentre(p) / c.k, 0.01)
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
  for (RealPoint& p : dst.Points()) p = {-7, -7};
  ASSERT_EQ(ks.ConvertPoints(src, dst, kFullHd, {2, 1}), KVOGC_OK);
  for (int r = 0; r <= 4; ++r) {
    for (int c = 0; c <= 4; ++c) {
      const bool inside = r <= 1 && c <= 2;
      EXPECT_EQ(dst.At(r, c).x == -7, !inside) << r << "," << c;
      if (inside) ExpectSameBits(dst.At(r, c), Forward(ks, src.At(r, c), kFullHd));
    }
  }
  // Negative counts convert nothing.
  for (RealPoint& p : dst.Points()) p = {-7, -7};
  EXPECT_EQ(ks.ConvertPoints(src, dst, kFullHd, {4, -1}), KVOGC_OK);
  EXPECT_EQ(ks.ConvertPoints(src, dst, kFullHd, {-1, 4}), KVOGC_OK);
  for (const RealPoint& p : dst.Points()) EXPECT_EQ(p.x, -7);

  ASSERT_EQ(ks.SetParam(-6.0, 9.0, 12.0, 1.2, 0.1, 0.3, 0, 1, kFullHd), KVOGC_OK);
  CorrectionExpectGridFollowsPoints(ks, kFullHd);
}

TEST(KeystoneInverse, ShiftAloneComesBackUnchangedATiltUpToRounding) {
  CKeyStone ks;
  ASSERT_EQ(ks.SetParam(0, 0, 0, 1.5, 0.3, -0.2, 0, 0, kFullHd), KVOGC_OK);
  for (const RealPoint p : LatticePoints(kFullHd)) {
    ExpectSameBits(CorrectionInvert(ks, Forward(ks, p, kFullHd), kFullHd), p);
  }
  for (const GridSize panel : {kFullHd, kFourThird}) {
    ASSERT_EQ(ks.SetParam(8.0, -5.0, 3.0, 1.5, 0.2, -0.1, 0.1, 1, panel), KVOGC_OK);
    double moved = 0.0;
    for (const RealPoint p : LatticePoints(panel)) {
      const RealPoint q = Forward(ks, p, panel);
      moved = std::max(moved, std::hypot(q.x - p.x, q.y - p.y));
      const RealPoint back = CorrectionInvert(ks, q, panel);
      EXPECT_NEAR(back.x, p.x, 0.01);
      EXPECT_NEAR(back.y, p.y, 0.01);
    }
    EXPECT_GT(moved, 20.0);
  }
}

TEST(KeystoneInput, PanelsWithoutAreaAndMismatchedGridsAreRefusedAndChangeNothing) {
  CKeyStone ks;
  ASSERT_EQ(ks.SetParam(5.0, 0, 0, 1.5, 0, 0, 0, 0, kFullHd), KVOGC_OK);
  const RealPoint before = Forward(ks, {300.0, 200.0}, kFullHd);
  for (const GridSize bad : {GridSize{0, 1080}, GridSize{1920, 0}, GridSize{-1920, 1080}}) {
    EXPECT_EQ(ks.SetParam(30.0, 20.0, 10.0, 1.0, 0, 0, 0, 1, bad), KVOGC_E_INVALIDARG);
    EXPECT_EQ(ks.SetRotationOnly(30.0, 1, bad), KVOGC_E_INVALIDARG);
    ExpectSameBits(Forward(ks, {300.0, 200.0}, kFullHd), before);
  }
  CorrectionExpectBadGridsRefused(ks);
  CWarpGridReal empty;
  EXPECT_EQ(ks.ConvertPoints(empty, empty, kFullHd, {0, 0}), KVOGC_E_INVALIDARG);
  // Operation grids of different sizes.
  CWarpGridOpe src;
  CWarpGridOpe dst;
  LayOut(src, kFullHd, {16, 9}, {4, 3});
  LayOut(dst, kFullHd, {16, 9}, {2, 3});
  const OpePoint node = *dst.GetPoint(1, 1);
  EXPECT_EQ(ks.ConvertGrid(src, dst), KVOGC_E_INVALIDARG);
  EXPECT_EQ(dst.GetPoint(1, 1)->x, node.x);
}

}  // namespace
}  // namespace gridtest
}  // namespace kvogc
