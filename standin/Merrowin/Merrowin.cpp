// Stand-in for the product family's render module. Its one object is the
// transform service (IMatrixBuilder) that composes the keystone's 4x4 matrices.
//
// How this builder behaves, since the keystone depends on it:
// - Layout: row-major for column vectors; element k is row k/4, column k%4, so a
//   translation lands in elements 3, 7 and 11 and an affine transform keeps the
//   last row at exactly 0, 0, 0, 1.
// - Order: every appended operation acts on a point after the ones appended
//   before it, i.e. M becomes Op * M.
// - Rotation sense: right-handed. RotateX turns +y toward +z, RotateY turns +z
//   toward +x, RotateZ turns +x toward +y (in the panel's frame, where y points
//   down, a positive RotateZ turns the image clockwise). Angles are reduced to a
//   quarter turn before sin/cos, so quarter turns are exact and a negated angle
//   gives exactly the transposed rotation: the reversed sequence with negated
//   arguments is the inverse up to the final rounding to float.
// - Precision: the transform is accumulated in double from the float arguments
//   and rounded to float once, by Finish. Nothing depends on state outside the
//   object, so equal call sequences give equal bits.
// - A new object, like Identity, starts from the identity. GetMatrix fails with
//   KVOGC_E_UNEXPECTED unless Finish ran after the last change.
// - Invert fails with KVOGC_E_FAIL and keeps the transform when it is singular
//   or not finite.
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <numbers>
#include <utility>

#include "kvogc/kvogc_modules.hpp"
#include "standin/common/Factory.h"
#include "standin/common/StandinObject.h"

namespace kvogc::standin {
namespace {

using Matrix4 = std::array<double, 16>;

constexpr Matrix4 kIdentity = {1.0, 0.0, 0.0, 0.0,  //
                               0.0, 1.0, 0.0, 0.0,  //
                               0.0, 0.0, 1.0, 0.0,  //
                               0.0, 0.0, 0.0, 1.0};

/// a * b.
Matrix4 Product(const Matrix4& a, const Matrix4& b) {
  Matrix4 r{};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      double sum = 0.0;
      for (int k = 0; k < 4; ++k) sum += a[i * 4 + k] * b[k * 4 + j];
      r[i * 4 + j] = sum;
    }
  }
  return r;
}

/// Gauss-Jordan elimination with partial pivoting; false when singular or not finite.
bool Inverse(const Matrix4& m, Matrix4& out) {
  Matrix4 a = m;
  Matrix4 inv = kIdentity;
  for (int col = 0; col < 4; ++col) {
    int pivot = col;
    double best = std::fabs(a[col * 4 + col]);
    for (int row = col + 1; row < 4; ++row) {
      const double v = std::fabs(a[row * 4 + col]);
      if (v > best) {
        best = v;
        pivot = row;
      }
    }
    // Also rejects NaN: no comparison with it holds.
    if (!(best > 0.0) || !std::isfinite(best)) return false;
    if (pivot != col) {
      for (int k = 0; k < 4; ++k) {
        std::swap(a[col * 4 + k], a[pivot * 4 + k]);
        std::swap(inv[col * 4 + k], inv[pivot * 4 + k]);
      }
    }
    const double scale = a[col * 4 + col];
    for (int k = 0; k < 4; ++k) {
      a[col * 4 + k] /= scale;
      inv[col * 4 + k] /= scale;
    }
    for (int row = 0; row < 4; ++row) {
      if (row == col) continue;
      const double factor = a[row * 4 + col];
      if (factor == 0.0) continue;
      for (int k = 0; k < 4; ++k) {
        a[row * 4 + k] -= factor * a[col * 4 + k];
        inv[row * 4 + k] -= factor * inv[col * 4 + k];
      }
    }
  }
  for (double v : inv) {
    if (!std::isfinite(v)) return false;
  }
  out = inv;
  return true;
}

struct SinCos {
  double s;
  double c;
};

/// sin and cos of an angle in degrees, reduced to [-45, 45] first: exact at
/// quarter turns and odd/even in the angle to the bit.
SinCos SinCosDegrees(double degrees) {
  if (!std::isfinite(degrees)) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    return {nan, nan};
  }
  const double turn = std::fmod(degrees, 360.0);       // exact, |turn| < 360
  const double quarter = std::nearbyint(turn / 90.0);  // -4 .. 4
  const double rest = turn - quarter * 90.0;           // exact, |rest| <= 45
  const double rad = rest * (std::numbers::pi / 180.0);
  const double s = std::sin(rad);
  const double c = std::cos(rad);
  switch (static_cast<int>(quarter) & 3) {
    case 1:
      return {c, -s};
    case 2:
      return {-s, -c};
    case 3:
      return {-c, s};
    default:
      return {s, c};
  }
}

class MatrixBuilder final : public RefCounted<IMatrixBuilder> {
 public:
  int32_t QueryInterface(const KvoGuid* interfaceId, void** object) override {
    if (object == nullptr) return KVOGC_E_INVALIDARG;
    if (interfaceId != nullptr && *interfaceId == kIidMatrixBuilder) {
      AddRef();
      *object = static_cast<IMatrixBuilder*>(this);
      return KVOGC_OK;
    }
    return RefCounted<IMatrixBuilder>::QueryInterface(interfaceId, object);
  }

  int32_t Identity() override { return Replace(kIdentity); }

  int32_t Translate(float x, float y, float z) override {
    return Append({1.0, 0.0, 0.0, x,  //
                   0.0, 1.0, 0.0, y,  //
                   0.0, 0.0, 1.0, z,  //
                   0.0, 0.0, 0.0, 1.0});
  }

  int32_t Scale(float x, float y, float z) override {
    return Append({x, 0.0, 0.0, 0.0,  //
                   0.0, y, 0.0, 0.0,  //
                   0.0, 0.0, z, 0.0,  //
                   0.0, 0.0, 0.0, 1.0});
  }

  int32_t RotateX(float degrees) override {
    const SinCos r = SinCosDegrees(degrees);
    return Append({1.0, 0.0, 0.0, 0.0,   //
                   0.0, r.c, -r.s, 0.0,  //
                   0.0, r.s, r.c, 0.0,   //
                   0.0, 0.0, 0.0, 1.0});
  }

  int32_t RotateY(float degrees) override {
    const SinCos r = SinCosDegrees(degrees);
    return Append({r.c, 0.0, r.s, 0.0,   //
                   0.0, 1.0, 0.0, 0.0,   //
                   -r.s, 0.0, r.c, 0.0,  //
                   0.0, 0.0, 0.0, 1.0});
  }

  int32_t RotateZ(float degrees) override {
    const SinCos r = SinCosDegrees(degrees);
    return Append({r.c, -r.s, 0.0, 0.0,  //
                   r.s, r.c, 0.0, 0.0,   //
                   0.0, 0.0, 1.0, 0.0,   //
                   0.0, 0.0, 0.0, 1.0});
  }

  int32_t Multiply(const float* matrix) override {
    if (matrix == nullptr) return KVOGC_E_INVALIDARG;
    Matrix4 op{};
    for (size_t k = 0; k < op.size(); ++k) op[k] = matrix[k];
    return Append(op);
  }

  int32_t Invert() override {
    Matrix4 inverse{};
    if (!Inverse(m_transform, inverse)) return KVOGC_E_FAIL;
    return Replace(inverse);
  }

  int32_t Finish() override {
    for (size_t k = 0; k < m_result.size(); ++k) m_result[k] = static_cast<float>(m_transform[k]);
    m_finished = true;
    return KVOGC_OK;
  }

  int32_t GetMatrix(float* matrix) override {
    if (matrix == nullptr) return KVOGC_E_INVALIDARG;
    if (!m_finished) return KVOGC_E_UNEXPECTED;
    for (size_t k = 0; k < m_result.size(); ++k) matrix[k] = m_result[k];
    return KVOGC_OK;
  }

 private:
  int32_t Replace(const Matrix4& m) {
    m_transform = m;
    m_finished = false;
    return KVOGC_OK;
  }
  int32_t Append(const Matrix4& op) { return Replace(Product(op, m_transform)); }

  Matrix4 m_transform = kIdentity;
  std::array<float, 16> m_result{};
  bool m_finished = false;
};

}  // namespace
}  // namespace kvogc::standin

KVOGC_MODULE_EXPORT int32_t DllCreateInstance(const kvogc::KvoGuid* classId,
                                              const kvogc::KvoGuid* interfaceId, void** object) {
  using namespace kvogc;
  return standin::CreateInstance(
      classId, interfaceId, object,
      standin::ClassEntry<standin::MatrixBuilder, IMatrixBuilder>{kClsidMatrixBuilder,
                                                                  kIidMatrixBuilder});
}
