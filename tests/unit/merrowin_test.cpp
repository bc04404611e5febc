// The render module's transform service, loaded as the keystone loads it.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#include "kvogc/kvogc_modules.hpp"
#include "modules/SiblingModule.h"

namespace kvogc {
namespace {

using Mat = std::array<float, 16>;
using Point = std::array<double, 3>;

constexpr Mat kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// One builder from the module beside the test program; released before unloading.
class MerrowinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_module.HasFactory());
    m_builder = Create();
    ASSERT_NE(m_builder, nullptr);
  }
  void TearDown() override {
    if (m_builder != nullptr) {
      EXPECT_EQ(m_builder->Release(), 0u);
    }
  }

  IMatrixBuilder* Create() {
    void* object = nullptr;
    const int32_t status = m_module.CreateInstance(kClsidMatrixBuilder, kIidMatrixBuilder, &object);
    return status < 0 ? nullptr : static_cast<IMatrixBuilder*>(object);
  }

  // Finishes and reads the transform.
  static Mat Read(IMatrixBuilder& b) {
    Mat m{};
    EXPECT_GE(b.Finish(), 0);
    EXPECT_GE(b.GetMatrix(m.data()), 0);
    return m;
  }
  Mat Read() { return Read(*m_builder); }

  // Appends a sequence as the keystone builds its forward matrix.
  static void Sequence(IMatrixBuilder& b) {
    ASSERT_GE(b.RotateZ(17.5f), 0);
    ASSERT_GE(b.RotateY(-8.0f), 0);
    ASSERT_GE(b.RotateX(12.0f), 0);
    ASSERT_GE(b.Translate(0.3f, -0.2f, -0.7f), 0);
  }

  SiblingModule m_module{"Merrowin.dll"};
  IMatrixBuilder* m_builder = nullptr;
};

Point Apply(const Mat& m, double x, double y, double z) {
  return {m[0] * x + m[1] * y + m[2] * z + m[3], m[4] * x + m[5] * y + m[6] * z + m[7],
          m[8] * x + m[9] * y + m[10] * z + m[11]};
}

std::array<double, 16> Product(const Mat& a, const Mat& b) {
  std::array<double, 16> r{};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      for (int k = 0; k < 4; ++k) r[i * 4 + j] += double(a[i * 4 + k]) * double(b[k * 4 + j]);
    }
  }
  return r;
}

template <class Got>
void ExpectNear(const Got& got, const Mat& want, double tolerance) {
  for (int k = 0; k < 16; ++k) EXPECT_NEAR(got[k], want[k], tolerance) << "element " << k;
}

TEST(MerrowinFactory, CreatesOnlyTheMatrixBuilder) {
  SiblingModule module("Merrowin.dll");
  ASSERT_TRUE(module.HasFactory());
  for (const auto& [classId, interfaceId] : {std::pair{&kClsidGeoObjBuffer, &kIidMatrixBuilder},
                                             {&kClsidMatrixBuilder, &kIidGeoObjBuffer}}) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_LT(module.CreateInstance(*classId, *interfaceId, &object), 0);
    EXPECT_EQ(object, nullptr);
  }
  EXPECT_LT(module.CreateInstance(kClsidMatrixBuilder, kIidMatrixBuilder, nullptr), 0);
  void* object = nullptr;
  ASSERT_GE(module.CreateInstance(kClsidMatrixBuilder, kIidMatrixBuilder, &object), 0);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(static_cast<IMatrixBuilder*>(object)->Release(), 0u);
}

TEST_F(MerrowinTest, ReferencesAreCountedAndTheLastReleaseFrees) {
  EXPECT_EQ(m_builder->AddRef(), 2u);
  EXPECT_EQ(m_builder->AddRef(), 3u);
  EXPECT_EQ(m_builder->Release(), 2u);
  void* same = nullptr;
  ASSERT_GE(m_builder->QueryInterface(&kIidMatrixBuilder, &same), 0);
  EXPECT_EQ(same, static_cast<void*>(m_builder));
  EXPECT_EQ(m_builder->Release(), 2u);  // the one QueryInterface added
  void* other = reinterpret_cast<void*>(1);
  EXPECT_LT(m_builder->QueryInterface(&kIidGeoObjBuffer, &other), 0);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(m_builder->Release(), 1u);
  // TearDown's Release takes the count to zero and frees (ASan reports a leak otherwise).
}

TEST_F(MerrowinTest, StartsFromTheIdentityAndNeedsFinishBeforeReading) {
  Mat m;
  m.fill(7.0f);
  EXPECT_LT(m_builder->GetMatrix(m.data()), 0);
  EXPECT_EQ(m[0], 7.0f);  // nothing written on failure
  EXPECT_EQ(Read(), kIdentity);
  ASSERT_GE(m_builder->Translate(1, 2, 3), 0);
  EXPECT_LT(m_builder->GetMatrix(m.data()), 0);  // changed since Finish
  EXPECT_LT(m_builder->GetMatrix(nullptr), 0);
  ASSERT_GE(m_builder->Finish(), 0);
  EXPECT_LT(m_builder->GetMatrix(nullptr), 0);
  ASSERT_GE(m_builder->Identity(), 0);
  EXPECT_EQ(Read(), kIdentity);
}

TEST_F(MerrowinTest, LaterOperationsActAfterEarlierOnes) {
  // Scale after Translate: p -> S (p + t); translation in 3, 7, 11.
  ASSERT_GE(m_builder->Translate(1, 2, 3), 0);
  ASSERT_GE(m_builder->Scale(2, 3, 4), 0);
  EXPECT_EQ(Read(), (Mat{2, 0, 0, 2, 0, 3, 0, 6, 0, 0, 4, 12, 0, 0, 0, 1}));
  ASSERT_GE(m_builder->Identity(), 0);
  ASSERT_GE(m_builder->Scale(2, 3, 4), 0);
  ASSERT_GE(m_builder->Translate(1, 2, 3), 0);
  EXPECT_EQ(Read(), (Mat{2, 0, 0, 1, 0, 3, 0, 2, 0, 0, 4, 3, 0, 0, 0, 1}));

  // Rotate first, then translate: (1, 0, 0) -> (0, 1, 0) -> (5, 1, 0).
  ASSERT_GE(m_builder->Identity(), 0);
  ASSERT_GE(m_builder->RotateZ(90), 0);
  ASSERT_GE(m_builder->Translate(5, 0, 0), 0);
  const Mat m = Read();
  EXPECT_EQ(Apply(m, 1, 0, 0), (Point{5, 1, 0}));
  EXPECT_EQ((std::array<float, 4>{m[12], m[13], m[14], m[15]}), (std::array<float, 4>{0, 0, 0, 1}));
}

TEST_F(MerrowinTest, RotationSenseIsRightHandedAndQuarterTurnsAreExact) {
  using Rotate = int32_t (IMatrixBuilder::*)(float);
  const auto turned = [&](Rotate rotate, float degrees, double x, double y, double z) {
    EXPECT_GE(m_builder->Identity(), 0);
    EXPECT_GE((m_builder->*rotate)(degrees), 0);
    return Apply(Read(), x, y, z);
  };
  EXPECT_EQ(turned(&IMatrixBuilder::RotateX, 90, 0, 1, 0), (Point{0, 0, 1}));  // +y toward +z
  EXPECT_EQ(turned(&IMatrixBuilder::RotateY, 90, 0, 0, 1), (Point{1, 0, 0}));  // +z toward +x
  EXPECT_EQ(turned(&IMatrixBuilder::RotateZ, 90, 1, 0, 0), (Point{0, 1, 0}));  // +x toward +y
  EXPECT_EQ(turned(&IMatrixBuilder::RotateZ, -90, 1, 0, 0), (Point{0, -1, 0}));
  EXPECT_EQ(turned(&IMatrixBuilder::RotateZ, 180, 1, 0, 0), (Point{-1, 0, 0}));
  EXPECT_EQ(turned(&IMatrixBuilder::RotateZ, 450, 1, 0, 0), (Point{0, 1, 0}));
  const Point thirty = turned(&IMatrixBuilder::RotateZ, 30, 1, 0, 0);
  EXPECT_NEAR(thirty[0], std::sqrt(3.0) / 2, 1e-7);
  EXPECT_NEAR(thirty[1], 0.5, 1e-7);

  // A negated angle gives the transposed rotation, to the bit.
  for (float a : {12.5f, -37.0f, 200.25f}) {
    ASSERT_GE(m_builder->Identity(), 0);
    ASSERT_GE(m_builder->RotateY(a), 0);
    const Mat forward = Read();
    ASSERT_GE(m_builder->Identity(), 0);
    ASSERT_GE(m_builder->RotateY(-a), 0);
    const Mat back = Read();
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) EXPECT_EQ(forward[i * 4 + j], back[j * 4 + i]) << a;
    }
  }
}

TEST_F(MerrowinTest, ReversedSequenceWithNegatedArgumentsIsTheInverse) {
  Sequence(*m_builder);
  const Mat forward = Read();
  ASSERT_GE(m_builder->Identity(), 0);
  ASSERT_GE(m_builder->Translate(-0.3f, 0.2f, 0.7f), 0);
  ASSERT_GE(m_builder->RotateX(-12.0f), 0);
  ASSERT_GE(m_builder->RotateY(8.0f), 0);
  ASSERT_GE(m_builder->RotateZ(-17.5f), 0);
  const Mat inverse = Read();
  ExpectNear(Product(inverse, forward), kIdentity, 1e-6);
  ExpectNear(Product(forward, inverse), kIdentity, 1e-6);
  EXPECT_NE(forward, kIdentity);

  // Invert gives the same inverse, and inverting again returns.
  ASSERT_GE(m_builder->Identity(), 0);
  Sequence(*m_builder);
  ASSERT_GE(m_builder->Invert(), 0);
  EXPECT_LT(m_builder->GetMatrix(Mat{}.data()), 0);  // Invert is a change too
  ExpectNear(Read(), inverse, 1e-6);
  ASSERT_GE(m_builder->Invert(), 0);
  ExpectNear(Read(), forward, 1e-6);

  // Equal sequences on two builders give equal bits.
  IMatrixBuilder* second = Create();
  ASSERT_NE(second, nullptr);
  Sequence(*second);
  EXPECT_EQ(std::memcmp(Read(*second).data(), forward.data(), sizeof(Mat)), 0);
  EXPECT_EQ(second->Release(), 0u);
}

TEST_F(MerrowinTest, ScaleMultiplyAndInvertOfAGeneralMatrix) {
  ASSERT_GE(m_builder->Scale(2, -3, 0.5f), 0);
  EXPECT_EQ(Read(), (Mat{2, 0, 0, 0, 0, -3, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 1}));

  // Small integers keep every product exact, so the order shows to the bit.
  const Mat a = {1, 2, 0, 3, 0, 1, 4, 0, 5, 0, 1, 2, 1, 0, 0, 1};
  const Mat b = {2, 0, 1, 0, 1, 3, 0, 1, 0, 1, 2, 0, 0, 0, 1, 1};
  ASSERT_GE(m_builder->Identity(), 0);
  ASSERT_GE(m_builder->Multiply(a.data()), 0);
  EXPECT_EQ(Read(), a);
  ASSERT_GE(m_builder->Multiply(b.data()), 0);
  const std::array<double, 16> ba = Product(b, a);
  const Mat got = Read();
  for (int k = 0; k < 16; ++k) EXPECT_EQ(got[k], ba[k]) << k;
  EXPECT_LT(m_builder->Multiply(nullptr), 0);

  // A non-affine matrix inverts too.
  ASSERT_GE(m_builder->Invert(), 0);
  ExpectNear(Product(Read(), got), kIdentity, 1e-5);

  // A singular one is refused and kept.
  ASSERT_GE(m_builder->Identity(), 0);
  ASSERT_GE(m_builder->Translate(1, 2, 3), 0);
  ASSERT_GE(m_builder->Scale(1, 0, 1), 0);
  const Mat singular = Read();
  EXPECT_LT(m_builder->Invert(), 0);
  EXPECT_GE(m_builder->GetMatrix(Mat{}.data()), 0);  // a refused Invert changes nothing
  EXPECT_EQ(Read(), singular);
}

TEST_F(MerrowinTest, NotANumberAngleIsCarriedWithoutFailing) {
  ASSERT_GE(m_builder->RotateZ(std::numeric_limits<float>::quiet_NaN()), 0);
  const Mat m = Read();
  EXPECT_TRUE(std::isnan(m[0]));
  EXPECT_EQ(m[10], 1.0f);  // the axis row stays
  EXPECT_LT(m_builder->Invert(), 0);
  ASSERT_GE(m_builder->RotateX(std::numeric_limits<float>::infinity()), 0);
  EXPECT_TRUE(std::isnan(Read()[5]));
}

}  // namespace
}  // namespace kvogc
