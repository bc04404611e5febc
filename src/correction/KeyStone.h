// The keystone corrector. The projected image is modelled as a flat rectangle
// rotated by pitch, yaw and roll, pushed back behind the screen plane until it
// fits the frame, and seen from the lens through a pinhole; grid points are
// carried forward through that model, single points back. The render module's
// matrix builder composes the 4x4 matrices; everything else is computed here.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "grid/GridTypes.h"
#include "grid/WarpGridOpe.h"
#include "grid/WarpGridReal.h"
#include "kvogc/kvogc_modules.hpp"
#include "modules/SiblingModule.h"

namespace kvogc {

/// The 16/9 image the push-back and the rotation fit assume, whatever the panel.
inline constexpr double kKeystoneAspect = 16.0 / 9.0;

/// Shrink factor k that makes an aspect x 1 rectangle rolled by rollDegrees fit
/// the unrolled frame again; empty when the fit does not apply (|roll| beyond
/// 180 degrees, or not a number).
std::optional<double> RollFitScale(double rollDegrees, double aspect);

/// Depth, in half panel heights, by which the image is pushed behind the
/// screen so that the tilted (and, with fitRotation, rolled) image stays in the frame.
double PushBackDepth(double pitch, double yaw, double roll, uint32_t fitRotation, double focal,
                     double aspect);

class CKeyStone {
 public:
  /// Loads the render module and creates its matrix builder; no matrix is
  /// computed yet (both stay zero, which maps every point to the panel centre).
  CKeyStone();
  /// Uses `builder` (may be null, as when the module is missing) instead of the
  /// render module's; takes its own reference.
  explicit CKeyStone(IMatrixBuilder* builder);
  virtual ~CKeyStone();
  CKeyStone(const CKeyStone&) = delete;
  CKeyStone& operator=(const CKeyStone&) = delete;

  /// Stores a full keystone setting and rebuilds the matrices and the image plane.
  /// KVOGC_E_INVALIDARG, with nothing changed, for a panel without area.
  int32_t SetParam(double vAngle, double hAngle, double roll, double throwRatio, double shiftX,
                   double shiftY, double zOffset, uint32_t fitRotation, const GridSize& panel);
  /// A pure roll seen with throw ratio 2 and no shift; rebuilds as SetParam does.
  int32_t SetRotationOnly(double roll, uint32_t fitRotation, const GridSize& panel);
  /// Rebuilds m_matrix and m_inverse through the matrix builder. Stops at the
  /// builder's first failure, keeping the matrix being built and the ones after it.
  void CalcMatrix();
  /// Derives the image plane from m_matrix.
  int32_t CalcScreenPlane();

  /// dst(r, c) = forward image of src(r, c) for r <= counts.cy, c <= counts.cx.
  /// Nothing is done for negative counts; KVOGC_E_INVALIDARG, with dst unchanged,
  /// for a panel without area or counts beyond either grid.
  int32_t ConvertPoints(const CWarpGridReal& src, CWarpGridReal& dst, const GridSize& panel,
                        const GridSize& counts);
  /// ConvertPoints one point at a time through the scalar reference map;
  /// ConvertPoints must agree with it to the bit.
  int32_t ConvertPointsPlain(const CWarpGridReal& src, CWarpGridReal& dst, const GridSize& panel,
                             const GridSize& counts) const;
  /// Maps the nodes and line samples of src into dst over src's panel.
  /// KVOGC_E_INVALIDARG, with dst unchanged, when the grids differ in size or
  /// the panel has no area.
  int32_t ConvertGrid(const CWarpGridOpe& src, CWarpGridOpe& dst);
  /// The uncorrected position of a corrected point.
  int32_t InvertPoint(const RealPoint& in, RealPoint& out, const GridSize& panel);

 private:

  SiblingModule m_module;
  KvoRef<IMatrixBuilder> m_transform;
  float m_shiftX = 0.0f;
  float m_shiftY = 0.0f;
  float m_focal = 2.0f;
  double m_pitch = 0.0;
  double m_yaw = 0.0;
  double m_roll = 0.0;
  uint32_t m_fitRotation = 0;
  double m_offsetZ = 0.0;
  std::array<float, 16> m_matrix{};
  std::array<float, 16> m_inverse{};
  std::array<double, 3> m_planeNormal{0.0, 0.0, 1.0};
  std::array<double, 3> m_planePoint{0.0, 0.0, 0.0};
  const double m_aspect = kKeystoneAspect;
};

}  // namespace kvogc
