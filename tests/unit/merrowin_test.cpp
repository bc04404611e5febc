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

  SiblingModule m_module{"Merrowin.dll"};
  IMatrixBuilder* m_builder = nullptr;
};

std::array<double, 3> Apply(const Mat& m, double x, double y, double z) {
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

void ExpectNear(const std::array<double, 16>& got, const Mat& want, double tolerance) {
  for (int k = 0; k < 16; ++k) EXPECT_NEAR(got[k], want[k], tolerance) << "element " << k;
}

void ExpectNear(const Mat& got, const Mat& want, double tolerance) {
  for (int k = 0; k < 16; ++k) EXPECT_NEAR(got[k], want[k], tolerance) << "element " << k;
}

TEST(MerrowinFactory, CreatesOnlyTheMatrixBuilder) {
  SiblingModule module("Merrowin.dll");
  ASSERT_TRUE(module.HasFactory());
  const KvoGuid otherClass = kClsidGeoObjBuffer;
  void* object = reinterpret_cast<void*>(1);
  EXPECT_LT(module.CreateInstance(otherClass, kIidMatrixBuilder, &object), 0);
  EXPECT_EQ(object, nullptr);
  object = reinterpret_cast<void*>(1);
  EXPECT_LT(module.CreateInstance(kClsidMatrixBuilder, kIidGeoObjBuffer, &object), 0);
  EXPECT_EQ(object, nullptr);
  EXPECT_LT(module.CreateInstance(kClsidMatrixBuilder, kIidMatrixBuilder, nullptr), 0);

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
  EXPECT_EQ(Read(*m_builder), kIdentity);
  ASSERT_GE(m_builder->Translate(1, 2, 3), 0);
  EXPECT_LT(m_builder->GetMatrix(m.data()), 0);  // changed since Finish
  EXPECT_LT(m_builder->GetMatrix(nullptr), 0);
  ASSERT_GE(m_builder->Finish(), 0);
  EXPECT_LT(m_builder->GetMatrix(nullptr), 0);
  ASSERT_GE(m_builder->Identity(), 0);
  EXPECT_EQ(Read(*m_builder), kIdentity);
}

TEST_F(MerrowinTest, LaterOperationsActAfterEarlierOnes) {
  ASSERT_GE(m_builder->Translate(1, 2, 3), 0);
  ASSERT_GE(m_builder->Scale(2, 3, 4), 0);
  // Scale after Translate: p -> S (p + t); translation in 3, 7, 11.
  const Mat scaledTranslation = {2, 0, 0, 2, 0, 3, 0, 6, 0, 0, 4, 12, 0, 0, 0, 1};
  EXPECT_EQ(Read(*m_builder), scaledTranslation);

  ASSERT_GE(m_builder->Identity(), 0);
  ASSERT_GE(m_builder->Scale(2, 3, 4), 0);
  ASSERT_GE(m_builder->Translate(1, 2, 3), 0);
  const Mat translatedScale = {2, 0, 0, 1, 0, 3, 0, 2, 0, 0, 4, 3, 0, 0, 0, 1};
  EXPECT_EQ(Read(*m_builder), translatedScale);

  // Rotate first, then translate: (1, 0, 0) -> (0, 1, 0) -> (5, 1, 0).
  ASSERT_GE(m_builder->Identity(), 0);
  ASSERT_GE(m_builder->RotateZ(90), 0);
  ASSERT_GE(m_builder->Translate(5, 0, 0), 0);
  const Mat m = Read(*m_builder);
  EXPECT_EQ(Apply(m, 1, 0, 0), (std::array<double, 3>{5, 1, 0}));
  EXPECT_EQ((std::array<float, 4>{m[12], m[13], m[14], m[15]}), (std::array<float, 4>{0, 0, 0, 1}));
}

TEST_F(MerrowinTest, RotationSenseIsRightHandedAndQuarterTurnsAreExact) {
  const auto turned = [&](int axis, float degrees, double x, double y, double z) {
    EXPECT_GE(m_builder->Identity(), 0);
    if (axis == 0) {
      EXPECT_GE(m_builder->RotateX(degrees), 0);
    }
    if (axis == 1) {
      EXPECT_GE(m_builder->RotateY(degrees), 0);
    }
    if (axis == 2) {
      EXPECT_GE(m_builder->RotateZ(degrees), 0);
    }
    return Apply(Read(*m_builder), x, y, z);
  };
  using P = std::array<double, 3>;
  EXPECT_EQ(turned(0, 90, 0, 1, 0), (P{0, 0, 1}));  // X: +y toward +z
  EXPECT_EQ(turned(1, 90, 0, 0, 1), (P{1, 0, 0}));  // Y: +z toward +x
  EXPECT_EQ(turned(2, 90, 1, 0, 0), (P{0, 1, 0}));  // Z: +x toward +y
  EXPECT_EQ(turned(2, -90, 1, 0, 0), (P{0, -1, 0}));
  EXPECT_EQ(turned(2, 180, 1, 0, 0), (P{-1, 0, 0}));
  EXPECT_EQ(turned(2, 450, 1, 0, 0), (P{0, 1, 0}));

  const P thirty = turned(2, 30, 1, 0, 0);
  EXPECT_NEAR(thirty[0], std::sqrt(3.0) / 2, 1e-7);
  EXPECT_NEAR(thirty[1], 0.5, 1e-7);
}

TEST_F(MerrowinTest, NegatedAnglesGiveTheTransposedRotation) {
  for (float a : {12.5f, -37.0f, 200.25f}) {
    ASSERT_GE(m_builder->Identity(), 0);
    ASSERT_GE(m_builder->RotateY(a), 0);
    const Mat forward = Read(*m_builder);
    ASSERT_GE(m_builder->Identity(), 0);
    ASSERT_GE(m_builder->RotateY(-a), 0);
    const Mat back = Read(*m_builder);
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) EXPECT_EQ(forward[i * 4 + j], back[j * 4 + i]) << a;
    }
  }
}

TEST_F(MerrowinTest, ReversedSequenceWithNegatedArgumentsIsTheInverse) {
  ASSERT_GE(m_builder->RotateZ(17.5f), 0);
  ASSERT_GE(m_builder->RotateY(-8.0f), 0);
  ASSERT_GE(m_builder->RotateX(12.0f), 0);
  ASSERT_GE(m_builder->Translate(0.3f, -0.2f, -0.7f), 0);
  const Mat forward = Read(*m_builder);
  ASSERT_GE(m_builder->Identity(), 0);
  ASSERT_GE(m_builder->Translate(-0.3f, 0.2f, 0.7f), 0);
  ASSERT_GE(m_builder->RotateX(-12.0f), 0);
  ASSERT_GE(m_builder->RotateY(8.0f), 0);
  ASSERT_GE(m_builder->RotateZ(-17.5f), 0);
  const Mat inverse = Read(*m_builder);
  ExpectNear(Product(inverse, forward), kIdentity, 1e-6);
  ExpectNear(Product(forward, inverse), kIdentity, 1e-6);
  EXPECT_NE(forward, kIdentity);

  // Invert gives the same inverse, and inverting again returns.
  ASSERT_GE(m_builder->Identity(), 0);
  ASSERT_GE(m_builder->RotateZ(17.5f), 0);
  ASSERT_GE(m_builder->RotateY(-8.0f), 0);
  ASSERT_GE(m_builder->RotateX(12.0f), 0);
  ASSERT_GE(m_builder->Translate(0.3f, -0.2f, -0.7f), 0);
  ASSERT_GE(m_builder->Invert(), 0);
  EXPECT_LT(m_builder->GetMatrix(Mat{}.data()), 0);  // Invert is a change too
  ExpectNear(Read(*m_builder), inverse, 1e-6);
  ASSERT_GE(m_builder->Invert(), 0);
  ExpectNear(Read(*m_builder), forward, 1e-6);
}

TEST_F(MerrowinTest, ScaleMultiplyAndInvertOfAGeneralMatrix) {
  ASSERT_GE(m_builder->Scale(2, -3, 0.5f), 0);
  EXPECT_EQ(Read(*m_builder), (Mat{2, 0, 0, 0, 0, -3, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 1}));

  // Small integers keep every product exact, so the order shows to the bit.
  const Mat a = {1, 2, 0, 3, 0, 1, 4, 0, 5, 0, 1, 2, 1, 0, 0, 1};
  const Mat b = {2, 0, 1, 0, 1, 3, 0, 1, 0, 1, 2, 0, 0, 0, 1, 1};
  ASSERT_GE(m_builder->Identity(), 0);
  ASSERT_GE(m_builder->Multiply(a.data()), 0);
  EXPECT_EQ(Read(*m_builder), a);
  ASSERT_GE(m_builder->Multiply(b.data()), 0);
  const std::array<double, 16> ba = Product(b, a);
  const Mat got = Read(*m_builder);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(got[k], ba[k]) << k;
  EXPECT_LT(m_builder->Multiply(nullptr), 0);

  // A non-affine matrix inverts too.
  ASSERT_GE(m_builder->Invert(), 0);
  const Mat inv = Read(*m_builder);
  ExpectNear(Product(inv, got), kIdentity, 1e-5);

  // A singular one is refused and kept.
  ASSERT_GE(m_builder->Identity(), 0);
  ASSERT_GE(m_builder->Translate(1, 2, 3), 0);
  ASSERT_GE(m_builder->Scale(1, 0, 1), 0);
  const Mat singular = Read(*m_builder);
  EXPECT_LT(m_builder->Invert(), 0);
  EXPECT_GE(m_builder->GetMatrix(Mat{}.data()), 0);  // a refused Invert changes nothing
  EXPECT_EQ(Read(*m_builder), singular);
}

TEST_F(MerrowinTest, EqualSequencesGiveEqualBits) {
  IMatrixBuilder* second = Create();
  ASSERT_NE(second, nullptr);
  for (IMatrixBuilder* b : {m_builder, second}) {
    ASSERT_GE(b->RotateZ(3.3f), 0);
    ASSERT_GE(b->RotateY(-5.1f), 0);
    ASSERT_GE(b->RotateX(-8.7f), 0);
    ASSERT_GE(b->Translate(0, 0, -0.25f), 0);
  }
  const Mat one = Read(*m_builder);
  const Mat two = Read(*second);
  EXPECT_EQ(std::memcmp(one.data(), two.data(), sizeof(Mat)), 0);
  EXPECT_EQ(second->Release(), 0u);
}

TEST_F(MerrowinTest, NotANumberAngleIsCarriedWithoutFailing) {
  ASSERT_GE(m_builder->RotateZ(std::numeric_limits<float>::quiet_NaN()), 0);
  const Mat m = Read(*m_builder);
  EXPECT_TRUE(std::isnan(m[0]));
  EXPECT_EQ(m[10], 1.0f);  // the axis row stays
  EXPECT_LT(m_builder->Invert(), 0);
  ASSERT_GE(m_builder->RotateX(std::numeric_limits<float>::infinity()), 0);
  EXPECT_TRUE(std::isnan(Read(*m_builder)[5]));
}

}  // namespace
}  // namespace kvogc
