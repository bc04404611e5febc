// The keystone corrector: push-back and rotation fit, the matrix builder call
// sequence, the forward mapping to the bit, and the inversion.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "correction/KeyStone.h"
#include "grid/Rounding.h"

namespace kvogc {

// Reads the corrector's private state.
struct KeyStoneInspector {
  static const std::array<float, 16>& Matrix(const CKeyStone& k) { return k.m_matrix; }
  static const std::array<float, 16>& Inverse(const CKeyStone& k) { return k.m_inverse; }
  static const std::array<double, 3>& Normal(const CKeyStone& k) { return k.m_planeNormal; }
  static const std::array<double, 3>& PlanePoint(const CKeyStone& k) { return k.m_planePoint; }
  static float Focal(const CKeyStone& k) { return k.m_focal; }
  static float ShiftX(const CKeyStone& k) { return k.m_shiftX; }
  static float ShiftY(const CKeyStone& k) { return k.m_shiftY; }
  static double Pitch(const CKeyStone& k) { return k.m_pitch; }
  static double Aspect(const CKeyStone& k) { return k.m_aspect; }
  static bool HasBuilder(const CKeyStone& k) { return k.m_transform != nullptr; }
};

namespace {

using K = KeyStoneInspector;
using Mat = std::array<float, 16>;

constexpr GridSize kFullHd{1920, 1080};
constexpr double kHalfStep = 0.5 / 256;

// Records every call; the call with index failAt returns failStatus.
class FakeBuilder final : public IMatrixBuilder {
 public:
  struct Call {
    std::string name;
    std::array<float, 3> args;
  };

  int32_t QueryInterface(const KvoGuid*, void** object) override {
    *object = nullptr;
    return static_cast<int32_t>(0x80004002);
  }
  uint32_t AddRef() override { return ++refs; }
  uint32_t Release() override { return --refs; }
  int32_t Identity() override { return Record("Identity"); }
  int32_t Translate(float x, float y, float z) override { return Record("Translate", {x, y, z}); }
  int32_t Scale(float x, float y, float z) override { return Record("Scale", {x, y, z}); }
  int32_t RotateX(float a) override { return Record("RotateX", {a, 0, 0}); }
  int32_t RotateY(float a) override { return Record("RotateY", {a, 0, 0}); }
  int32_t RotateZ(float a) override { return Record("RotateZ", {a, 0, 0}); }
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

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const Call& c : calls) names.push_back(c.name);
    return names;
  }

  std::vector<Call> calls;
  int failAt = -1;
  uint32_t refs = 1;
  float stamp = 1.0f;  // GetMatrix writes stamp, stamp + 1, ...

 private:
  int32_t Record(const char* name, std::array<float, 3> args = {0, 0, 0}) {
    calls.push_back({name, args});
    return static_cast<int>(calls.size()) - 1 == failAt ? static_cast<int32_t>(0x80004005) : 0;
  }
};

// Maps one point through ConvertPoints.
RealPoint Forward(CKeyStone& ks, RealPoint p, const GridSize& panel) {
  CWarpGridReal src;
  CWarpGridReal dst;
  src.Create(panel, {1, 1});
  dst.Create(panel, {1, 1});
  *src.GetPoint(0, 0) = p;
  EXPECT_EQ(ks.ConvertPoints(src, dst, panel, {1, 1}), KVOGC_OK);
  return *dst.GetPoint(0, 0);
}

RealPoint Backward(CKeyStone& ks, RealPoint p, const GridSize& panel) {
  RealPoint out{-1e9, -1e9};
  EXPECT_EQ(ks.InvertPoint(p, out, panel), KVOGC_OK);
  return out;
}

double DistanceFromCentre(RealPoint p, const GridSize& panel) {
  return std::hypot(p.x - panel.cx / 2.0, p.y - panel.cy / 2.0);
}

// Points on the 1/256 lattice, in and somewhat beyond the panel.
std::vector<RealPoint> LatticePoints(const GridSize& panel) {
  std::vector<RealPoint> points;
  for (int i = 0; i < 40; ++i) {
    for (int j = 0; j < 25; ++j) {
      const double x = -64.0 + (panel.cx + 128.0) * i / 39.0;
      const double y = -32.0 + (panel.cy + 64.0) * j / 24.0;
      points.push_back(
          {std::round(x * 256.0 + i * 37) / 256.0, std::round(y * 256.0 - j * 53) / 256.0});
    }
  }
  return points;
}

void ExpectSameBits(RealPoint a, RealPoint b) {
  EXPECT_EQ(std::memcmp(&a.x, &b.x, sizeof(double)), 0) << a.x << " vs " << b.x;
  EXPECT_EQ(std::memcmp(&a.y, &b.y, sizeof(double)), 0) << a.y << " vs " << b.y;
}

// ---- push-back depth and rotation fit ---------------------------------------

TEST(KeystoneFit, RollFitScaleForTheSixteenNinthImage) {
  const double a = kKeystoneAspect;
  EXPECT_NEAR(*RollFitScale(45.0, a), 1.964186, 5e-7);
  EXPECT_NEAR(*RollFitScale(90.0, a), 1.777778, 5e-7);
  EXPECT_NEAR(*RollFitScale(60.0, a), 2.039601, 5e-7);
  EXPECT_EQ(*RollFitScale(120.0, a), *RollFitScale(60.0, a));
  EXPECT_EQ(*RollFitScale(-45.0, a), *RollFitScale(45.0, a));
  EXPECT_NEAR(*RollFitScale(0.0, a), 1.0, 1e-15);
  EXPECT_NEAR(*RollFitScale(180.0, a), 1.0, 1e-15);
  EXPECT_FALSE(RollFitScale(200.0, a).has_value());
  EXPECT_FALSE(RollFitScale(-180.5, a).has_value());
  EXPECT_FALSE(RollFitScale(std::numeric_limits<double>::quiet_NaN(), a).has_value());
  // A square's diagonal: the 45-degree roll needs sqrt(2).
  EXPECT_NEAR(*RollFitScale(45.0, 1.0), std::sqrt(2.0), 1e-12);
}

TEST(KeystoneFit, PushBackDepth) {
  const double a = kKeystoneAspect;
  // The corrector stores pitch as the negated vertical angle.
  EXPECT_NEAR(PushBackDepth(-10.0, 0.0, 0.0, 0, 2.0, a), 0.173648178, 1e-9);
  // Degrees convert with the truncated pi 3.141592653589, which shows in the last bits.
  EXPECT_EQ(PushBackDepth(-10.0, 0.0, 0.0, 0, 2.0, a), std::sin(10.0 * 3.141592653589 / 180.0));
  EXPECT_NE(PushBackDepth(-10.0, 0.0, 0.0, 0, 2.0, a), std::sin(10.0 * std::numbers::pi / 180.0));
  EXPECT_NEAR(PushBackDepth(0.0, 30.0, 0.0, 0, 2.0, a), a * 0.5, 1e-12);
  EXPECT_NEAR(PushBackDepth(0.0, 0.0, 45.0, 1, 2.0, a), 2.0 * (1.964186 - 1.0), 1e-6);
  EXPECT_EQ(PushBackDepth(0.0, 0.0, 45.0, 0, 2.0, a), 0.0);
  EXPECT_EQ(PushBackDepth(0.0, 0.0, 200.0, 1, 2.0, a), 0.0);
  // No fit term at all: not even a NaN from a wild focal distance.
  EXPECT_EQ(PushBackDepth(0.0, 0.0, 200.0, 1, std::numeric_limits<double>::infinity(), a), 0.0);
  EXPECT_EQ(PushBackDepth(0.0, 0.0, std::numeric_limits<double>::quiet_NaN(), 1, 2.0, a), 0.0);
}

// ---- construction and the builder call sequence -----------------------------

TEST(KeystoneSetup, FreshCorrectorMapsEveryPointToTheCentre) {
  CKeyStone ks;
  EXPECT_TRUE(K::HasBuilder(ks));  // Merrowin found beside the program
  EXPECT_EQ(K::Focal(ks), 2.0f);
  EXPECT_EQ(K::Aspect(ks), 16.0 / 9.0);
  EXPECT_EQ(K::Normal(ks), (std::array<double, 3>{0, 0, 1}));
  EXPECT_EQ(K::Matrix(ks), Mat{});
  for (RealPoint p : {RealPoint{0, 0}, RealPoint{1920, 1080}, RealPoint{-50.5, 700.25}}) {
    const RealPoint q = Forward(ks, p, kFullHd);
    EXPECT_EQ(q.x, 960.0);
    EXPECT_EQ(q.y, 540.0);
  }
}

TEST(KeystoneSetup, ParametersAreStoredAsTheModelUsesThem) {
  CKeyStone ks;
  ASSERT_EQ(ks.SetParam(10.0, -5.0, 3.0, 1.5, 0.4, -0.2, 0.0, 0, kFullHd), KVOGC_OK);
  EXPECT_EQ(K::Pitch(ks), -10.0);
  EXPECT_EQ(K::ShiftX(ks), -0.4f);
  EXPECT_EQ(K::ShiftY(ks), -0.2f);
  EXPECT_EQ(K::Focal(ks), static_cast<float>(2.0 * 1.5 * 1920.0 / 1080.0));
  ASSERT_EQ(ks.SetRotationOnly(30.0, 0, {1024, 768}), KVOGC_OK);
  EXPECT_EQ(K::Pitch(ks), 0.0);
  EXPECT_EQ(K::ShiftX(ks), 0.0f);
  EXPECT_EQ(K::Focal(ks), static_cast<float>(4.0 * 1024.0 / 768.0));
}

TEST(KeystoneSetup, BuilderSeesForwardThenReversedSequence) {
  FakeBuilder fake;
  {
    CKeyStone ks(&fake);
    EXPECT_EQ(fake.refs, 2u);
    ASSERT_EQ(ks.SetParam(10.0, 5.0, 3.0, 1.0, 0.0, 0.0, 0.25, 0, kFullHd), KVOGC_OK);
    const std::vector<std::string> expected{
        "Identity", "RotateZ",   "RotateY", "RotateX", "Translate", "Finish", "GetMatrix",
        "Identity", "Translate", "RotateX", "RotateY", "RotateZ",   "Finish", "GetMatrix"};
    EXPECT_EQ(fake.Names(), expected);
    ASSERT_EQ(fake.calls.size(), expected.size());
    EXPECT_EQ(fake.calls[1].args[0], 3.0f);
    EXPECT_EQ(fake.calls[2].args[0], 5.0f);
    EXPECT_EQ(fake.calls[3].args[0], -10.0f);
    // Pushed back by sin 10 + 16/9 sin 5, less the host's offset.
    const float z = fake.calls[4].args[2];
    EXPECT_NEAR(z, 0.25 - (0.173648178 + 16.0 / 9.0 * 0.087155743), 1e-7);
    EXPECT_EQ(fake.calls[4].args[0], 0.0f);
    EXPECT_EQ(fake.calls[8].args[2], -z);
    EXPECT_EQ(fake.calls[9].args[0], 10.0f);
    EXPECT_EQ(fake.calls[10].args[0], -5.0f);
    EXPECT_EQ(fake.calls[11].args[0], -3.0f);
    EXPECT_EQ(K::Matrix(ks)[0], 1.0f);
    EXPECT_EQ(K::Inverse(ks)[0], 101.0f);
  }
  EXPECT_EQ(fake.refs, 1u);  // released with the corrector
}

TEST(KeystoneSetup, PushBackUsesTheSixteenNinthAspectOnAFourThirdPanel) {
  FakeBuilder fake;
  CKeyStone ks(&fake);
  ASSERT_EQ(ks.SetParam(0.0, 30.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0, {1024, 768}), KVOGC_OK);
  ASSERT_GE(fake.calls.size(), 5u);
  EXPECT_NEAR(fake.calls[4].args[2], -16.0 / 9.0 * 0.5, 1e-7);
}

TEST(KeystoneSetup, FirstFailingCallEndsTheMatrixBuild) {
  for (int failAt = 0; failAt < 14; ++failAt) {
    FakeBuilder fake;
    CKeyStone ks(&fake);
    ASSERT_EQ(ks.SetParam(4.0, 2.0, 1.0, 1.5, 0.0, 0.0, 0.0, 0, kFullHd), KVOGC_OK);
    const Mat matrix = K::Matrix(ks);
    const Mat inverse = K::Inverse(ks);
    ASSERT_EQ(matrix[0], 1.0f);
    ASSERT_EQ(inverse[0], 101.0f);

    fake.calls.clear();
    fake.failAt = failAt;
    EXPECT_EQ(ks.SetParam(-7.0, 3.0, 20.0, 1.2, 0.1, 0.1, 0.0, 1, kFullHd), KVOGC_OK);
    EXPECT_EQ(fake.calls.size(), static_cast<size_t>(failAt) + 1) << failAt;
    // The forward matrix is complete after call 6, its GetMatrix.
    if (failAt <= 6) {
      EXPECT_EQ(K::Matrix(ks), matrix) << failAt;
    } else {
      EXPECT_EQ(K::Matrix(ks)[0], 201.0f) << failAt;
    }
    EXPECT_EQ(K::Inverse(ks), inverse) << failAt;
  }
}

TEST(KeystoneSetup, MissingModuleKeepsTheMatrices) {
  CKeyStone ks(nullptr);
  EXPECT_FALSE(K::HasBuilder(ks));
  EXPECT_EQ(ks.SetParam(10.0, 5.0, 3.0, 1.5, 0.1, 0.2, 0.0, 1, kFullHd), KVOGC_OK);
  EXPECT_EQ(ks.SetRotationOnly(45.0, 1, kFullHd), KVOGC_OK);
  EXPECT_EQ(K::Matrix(ks), Mat{});
  EXPECT_EQ(K::Inverse(ks), Mat{});
  const RealPoint q = Forward(ks, {100, 200}, kFullHd);
  EXPECT_EQ(q.x, 960.0);
  EXPECT_EQ(q.y, 540.0);
  RealPoint back{};
  EXPECT_EQ(ks.InvertPoint({100, 200}, back, kFullHd), KVOGC_OK);
}

TEST(KeystoneSetup, NotANumberRollPasses) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (uint32_t fit : {0u, 1u}) {
    CKeyStone ks;
    EXPECT_EQ(ks.SetParam(5.0, 2.0, nan, 1.5, 0.0, 0.0, 0.0, fit, kFullHd), KVOGC_OK);
    EXPECT_EQ(ks.SetRotationOnly(nan, fit, kFullHd), KVOGC_OK);
    const RealPoint q = Forward(ks, {100, 200}, kFullHd);
    EXPECT_TRUE(std::isnan(q.x));  // carried through, not trapped
    RealPoint back{};
    EXPECT_EQ(ks.InvertPoint({100, 200}, back, kFullHd), KVOGC_OK);

    CWarpGridOpe src;
    CWarpGridOpe dst;
    for (CWarpGridOpe* g : {&src, &dst}) {
      g->m_panelSize = kFullHd;
      g->m_realGridNum = {16, 9};
      g->m_opeGridNum = {2, 2};
      g->Create();
      g->InitPoints();
    }
    EXPECT_EQ(ks.ConvertGrid(src, dst), KVOGC_OK);
  }
}

// ---- forward mapping ----------------------------------------------------------

TEST(KeystoneForward, NeutralSettingReproducesLatticePoints) {
  CKeyStone ks;
  ASSERT_EQ(ks.SetParam(0, 0, 0, 1.0, 0, 0, 0, 0, kFullHd), KVOGC_OK);
  const Mat identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  EXPECT_EQ(K::Matrix(ks), identity);
  EXPECT_EQ(K::Inverse(ks), identity);
  EXPECT_EQ(K::Normal(ks), (std::array<double, 3>{0, 0, -4}));
  EXPECT_EQ(K::PlanePoint(ks), (std::array<double, 3>{-1, 1, 0}));
  for (uint32_t rotationOnly : {0u, 1u}) {
    if (rotationOnly != 0) {
      ASSERT_EQ(ks.SetRotationOnly(0.0, 0, kFullHd), KVOGC_OK);
    }
    for (const RealPoint p : LatticePoints(kFullHd)) ExpectSameBits(Forward(ks, p, kFullHd), p);
  }
}

TEST(KeystoneForward, HalfStepsRoundAwayFromZero) {
  // On a 512 x 512 panel every step is exact, so the halves survive to the rounding.
  const GridSize panel{512, 512};
  CKeyStone ks;
  ASSERT_EQ(ks.SetRotationOnly(0.0, 0, panel), KVOGC_OK);
  const RealPoint up = Forward(ks, {kHalfStep, 3 * kHalfStep}, panel);
  EXPECT_EQ(up.x, 1.0 / 256);
  EXPECT_EQ(up.y, 2.0 / 256);
  const RealPoint down = Forward(ks, {-kHalfStep, -3 * kHalfStep}, panel);
  EXPECT_EQ(down.x, -1.0 / 256);
  EXPECT_EQ(down.y, -2.0 / 256);
  EXPECT_EQ(Forward(ks, {512 + kHalfStep, 0}, panel).x, 512 + 1.0 / 256);
}

TEST(KeystoneForward, PitchAloneKeepsOneEdgeAndShortensTheOther) {
  CKeyStone ks;
  ASSERT_EQ(ks.SetParam(10.0, 0, 0, 1.0, 0, 0, 0, 0, kFullHd), KVOGC_OK);
  CWarpGridReal src;
  CWarpGridReal dst;
  const GridSize counts{16, 9};
  src.Create(kFullHd, counts);
  dst.Create(kFullHd, counts);
  ASSERT_EQ(ks.ConvertPoints(src, dst, kFullHd, counts), KVOGC_OK);
  const auto width = [&](int row) { return dst.GetPoint(row, 16)->x - dst.GetPoint(row, 0)->x; };
  const double wide = std::max(width(0), width(9));
  const double narrow = std::min(width(0), width(9));
  EXPECT_NEAR(wide, 1920.0, 1.0 / 128);
  EXPECT_LT(narrow, 1900.0);
  EXPECT_GT(narrow, 1500.0);
  // Full width means the untouched corners: x exactly at the panel's sides.
  const int full = width(0) > width(9) ? 0 : 9;
  EXPECT_NEAR(dst.GetPoint(full, 0)->x, 0.0, 1.0 / 128);
  for (const RealPoint& p : dst.Points()) {
    EXPECT_GE(p.x, 0.0);
    EXPECT_LE(p.x, 1920.0);
    EXPECT_GE(p.y, 0.0);
    EXPECT_LE(p.y, 1080.0);
  }
  // Symmetric about the vertical centre line.
  for (int c = 0; c <= 16; ++c) {
    EXPECT_NEAR(dst.GetPoint(4, c)->x + dst.GetPoint(4, 16 - c)->x, 1920.0, 1.0 / 64);
  }
}

TEST(KeystoneForward, RotationFitShrinksByTheSixteenNinthFactor) {
  struct Case {
    double roll;
    uint32_t fit;
    double k;
  };
  const Case cases[] = {{45.0, 1, 1.964186}, {90.0, 1, 1.777778}, {120.0, 1, 2.039601},
                        {60.0, 1, 2.039601}, {200.0, 1, 1.0},     {45.0, 0, 1.0}};
  // The 4:3 panel gets the same factors: the image is assumed 16/9 anyway.
  for (const GridSize panel : {kFullHd, GridSize{1024, 768}}) {
    CKeyStone ks;
    for (const Case& c : cases) {
      ASSERT_EQ(ks.SetRotationOnly(c.roll, c.fit, panel), KVOGC_OK);
      for (const RealPoint p :
           {RealPoint{0, 0}, RealPoint{double(panel.cx), 0}, RealPoint{100.5, 700.25}}) {
        const double before = DistanceFromCentre(p, panel);
        EXPECT_NEAR(DistanceFromCentre(Forward(ks, p, panel), panel), before / c.k, 0.01)
            << "roll " << c.roll << " fit " << c.fit << " panel " << panel.cx;
      }
    }
  }
}

TEST(KeystoneForward, MatchesThePlainStepByStepMappingToTheBit) {
  // Written out one rounding at a time: any faster form must give these bits.
  const auto reference = [](const Mat& m, float f, float sx, float sy, const GridSize& panel,
                            RealPoint p) {
    const double w = panel.cx;
    const double h = panel.cy;
    const float u = static_cast<float>((2 * p.x - w) / h);
    const float v = static_cast<float>((2 * p.y - h) / h);
    float z = m[8] * u;
    z += m[9] * v;
    z += m[11];
    z += m[14];
    z -= f;
    float x = m[0] * u;
    x += m[1] * v;
    x += m[3];
    x -= m[12];
    x -= sx;
    float y = m[4] * u;
    y += m[5] * v;
    y += m[7];
    y -= m[13];
    y -= sy;
    const float s = -f / z;
    double xd = static_cast<double>(x) * static_cast<double>(s);
    xd += static_cast<double>(sx);
    double yd = static_cast<double>(y) * static_cast<double>(s);
    yd += static_cast<double>(sy);
    const float xs = static_cast<float>(xd);
    const float ys = static_cast<float>(yd);
    double ox = static_cast<double>(xs) + w / h;
    ox = ox * h;
    ox = ox / 2;
    double oy = static_cast<double>(ys) + 1.0;
    oy = oy * h;
    oy = oy / 2;
    return RealPoint{RoundPoint(ox), RoundPoint(oy)};
  };

  const GridSize panel{3840, 2160};
  const GridSize counts{64, 36};
  CWarpGridReal src;
  CWarpGridReal dst;
  src.Create(panel, counts);
  dst.Create(panel, counts);
  uint32_t seed = 12345;
  for (RealPoint& p : src.Points()) {
    seed = seed * 1664525u + 1013904223u;
    p.x += static_cast<double>(seed % 100000) / 997.0 - 50.0;
    p.y += static_cast<double>((seed >> 12) % 100000) / 1009.0 - 50.0;
  }
  CKeyStone ks;
  ASSERT_EQ(ks.SetParam(8.0, -5.0, 3.0, 1.5, 0.2, -0.1, 0.05, 1, panel), KVOGC_OK);
  ASSERT_EQ(ks.ConvertPoints(src, dst, panel, counts), KVOGC_OK);
  for (int r = 0; r <= counts.cy; ++r) {
    for (int c = 0; c <= counts.cx; ++c) {
      ExpectSameBits(*dst.GetPoint(r, c), reference(K::Matrix(ks), K::Focal(ks), K::ShiftX(ks),
                                                    K::ShiftY(ks), panel, *src.GetPoint(r, c)));
    }
  }
}

TEST(KeystoneForward, CountsSelectTheConvertedPoints) {
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
      EXPECT_EQ(dst.GetPoint(r, c)->x == -7, !inside) << r << "," << c;
      if (inside) ExpectSameBits(*dst.GetPoint(r, c), Forward(ks, *src.GetPoint(r, c), kFullHd));
    }
  }
  // Negative counts convert nothing.
  for (RealPoint& p : dst.Points()) p = {-7, -7};
  EXPECT_EQ(ks.ConvertPoints(src, dst, kFullHd, {4, -1}), KVOGC_OK);
  EXPECT_EQ(ks.ConvertPoints(src, dst, kFullHd, {-1, 4}), KVOGC_OK);
  for (const RealPoint& p : dst.Points()) EXPECT_EQ(p.x, -7);
}

TEST(KeystoneForward, OperationGridNodesAndSamplesFollowThePointMapping) {
  CKeyStone ks;
  ASSERT_EQ(ks.SetParam(-6.0, 9.0, 12.0, 1.2, 0.1, 0.3, 0, 1, kFullHd), KVOGC_OK);
  CWarpGridOpe src;
  CWarpGridOpe dst;
  for (CWarpGridOpe* g : {&src, &dst}) {
    g->m_panelSize = kFullHd;
    g->m_realGridNum = {32, 18};
    g->m_opeGridNum = {4, 3};
    ASSERT_EQ(g->Create(), 0);
    ASSERT_EQ(g->InitPoints(), 0);
  }
  ASSERT_EQ(ks.ConvertGrid(src, dst), KVOGC_OK);
  for (int r = 0; r <= 3; ++r) {
    for (int c = 0; c <= 4; ++c) {
      const OpePoint& from = *src.GetPoint(r, c);
      const OpePoint& to = *dst.GetPoint(r, c);
      ExpectSameBits({to.x, to.y}, Forward(ks, {from.x, from.y}, kFullHd));
      EXPECT_EQ(to.gx, from.gx);
      EXPECT_EQ(to.gy, from.gy);
      for (const auto& [a, b] : {std::pair{src.GetLineHor(r, c), dst.GetLineHor(r, c)},
                                 std::pair{src.GetLineVer(r, c), dst.GetLineVer(r, c)}}) {
        if (a == nullptr) continue;
        ASSERT_GT(b->m_count, 0u);
        for (uint32_t k = 0; k < b->m_count; ++k) {
          ExpectSameBits(b->m_samples[k], Forward(ks, a->m_samples[k], kFullHd));
        }
      }
    }
  }
}

// ---- inversion ----------------------------------------------------------------

TEST(KeystoneInverse, ShiftAloneComesBackUnchanged) {
  CKeyStone ks;
  ASSERT_EQ(ks.SetParam(0, 0, 0, 1.5, 0.3, -0.2, 0, 0, kFullHd), KVOGC_OK);
  for (const RealPoint p : LatticePoints(kFullHd)) {
    ExpectSameBits(Backward(ks, Forward(ks, p, kFullHd), kFullHd), p);
  }
}

TEST(KeystoneInverse, TiltedImageComesBackUpToRounding) {
  CKeyStone ks;
  for (const GridSize panel : {kFullHd, GridSize{1024, 768}}) {
    ASSERT_EQ(ks.SetParam(8.0, -5.0, 3.0, 1.5, 0.2, -0.1, 0.1, 1, panel), KVOGC_OK);
    double moved = 0.0;
    for (const RealPoint p : LatticePoints(panel)) {
      const RealPoint q = Forward(ks, p, panel);
      moved = std::max(moved, std::hypot(q.x - p.x, q.y - p.y));
      const RealPoint back = Backward(ks, q, panel);
      EXPECT_NEAR(back.x, p.x, 0.01);
      EXPECT_NEAR(back.y, p.y, 0.01);
    }
    EXPECT_GT(moved, 20.0);
  }
}

// ---- bad input ------------------------------------------------------------------

TEST(KeystoneInput, PanelWithoutAreaIsRefusedAndChangesNothing) {
  CKeyStone ks;
  ASSERT_EQ(ks.SetParam(5.0, 0, 0, 1.5, 0, 0, 0, 0, kFullHd), KVOGC_OK);
  const Mat matrix = K::Matrix(ks);
  const float focal = K::Focal(ks);
  for (const GridSize bad : {GridSize{0, 1080}, GridSize{1920, 0}, GridSize{-1920, 1080}}) {
    EXPECT_EQ(ks.SetParam(30.0, 20.0, 10.0, 1.0, 0, 0, 0, 1, bad), KVOGC_E_INVALIDARG);
    EXPECT_EQ(ks.SetRotationOnly(30.0, 1, bad), KVOGC_E_INVALIDARG);
    EXPECT_EQ(K::Matrix(ks), matrix);
    EXPECT_EQ(K::Focal(ks), focal);
    EXPECT_EQ(K::Pitch(ks), -5.0);
    RealPoint out{3, 4};
    EXPECT_EQ(ks.InvertPoint({1, 2}, out, bad), KVOGC_E_INVALIDARG);
    EXPECT_EQ(out.x, 3);
    CWarpGridReal src;
    CWarpGridReal dst;
    src.Create(kFullHd, {2, 2});
    dst.Create(kFullHd, {2, 2});
    EXPECT_EQ(ks.ConvertPoints(src, dst, bad, {2, 2}), KVOGC_E_INVALIDARG);
    EXPECT_EQ(dst.GetPoint(0, 0)->x, 0.0);
  }
}

TEST(KeystoneInput, CountsBeyondEitherGridAreRefused) {
  CKeyStone ks;
  ASSERT_EQ(ks.SetParam(5.0, 0, 0, 1.5, 0, 0, 0, 0, kFullHd), KVOGC_OK);
  CWarpGridReal small;
  CWarpGridReal large;
  small.Create(kFullHd, {2, 2});
  large.Create(kFullHd, {8, 8});
  const RealPoint before = *small.GetPoint(1, 1);
  EXPECT_EQ(ks.ConvertPoints(large, small, kFullHd, {8, 8}), KVOGC_E_INVALIDARG);
  EXPECT_EQ(ks.ConvertPoints(small, large, kFullHd, {3, 2}), KVOGC_E_INVALIDARG);
  EXPECT_EQ(ks.ConvertPoints(small, large, kFullHd, {2, 3}), KVOGC_E_INVALIDARG);
  EXPECT_EQ(small.GetPoint(1, 1)->x, before.x);
  EXPECT_EQ(large.GetPoint(0, 0)->x, 0.0);
  CWarpGridReal empty;
  EXPECT_EQ(ks.ConvertPoints(empty, empty, kFullHd, {0, 0}), KVOGC_E_INVALIDARG);
}

TEST(KeystoneInput, OperationGridsOfDifferentSizesAreRefused) {
  CKeyStone ks;
  ASSERT_EQ(ks.SetParam(5.0, 0, 0, 1.5, 0, 0, 0, 0, kFullHd), KVOGC_OK);
  CWarpGridOpe src;
  CWarpGridOpe dst;
  src.m_panelSize = dst.m_panelSize = kFullHd;
  src.m_realGridNum = dst.m_realGridNum = {16, 9};
  src.m_opeGridNum = {4, 3};
  dst.m_opeGridNum = {2, 3};
  src.Create();
  src.InitPoints();
  dst.Create();
  dst.InitPoints();
  const OpePoint before = *dst.GetPoint(1, 1);
  EXPECT_EQ(ks.ConvertGrid(src, dst), KVOGC_E_INVALIDARG);
  EXPECT_EQ(dst.GetPoint(1, 1)->x, before.x);
  CWarpGridOpe empty;
  EXPECT_EQ(ks.ConvertGrid(empty, empty), KVOGC_E_INVALIDARG);
}

}  // namespace
}  // namespace kvogc
