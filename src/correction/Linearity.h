// Linearity correction: uneven spacing along each axis, modelled per axis as the
// image painted on a plane hinged at the panel's left (x) or top (y) edge, tilted
// by the linearity angle and seen from an eye in front of the hinge.
#pragma once

#include <array>
#include <cstdint>

#include "grid/WarpGridOpe.h"
#include "grid/WarpGridReal.h"

namespace kvogc {

class CLinearity {
 public:
  CLinearity();
  virtual ~CLinearity();

  /// Host angles in degrees, vertical first. Angles of 90 degrees or more either
  /// way, and non-finite ones, give KVOGC_E_INVALIDARG and keep the previous state.
  int32_t SetParam(double vAngle, double hAngle);

  /// dst(r, c) = forward image of src(r, c) for r <= counts.cy, c <= counts.cx.
  /// Nothing is done for negative counts. KVOGC_E_INVALIDARG (nothing written) for
  /// a non-positive panel or counts beyond either grid.
  int32_t ConvertPoints(const CWarpGridReal& src, CWarpGridReal& dst, const GridSize& panel,
                        const GridSize& counts) const;
  /// ConvertPoints one point at a time through the scalar reference map;
  /// ConvertPoints must agree with it to the bit.
  int32_t ConvertPointsPlain(const CWarpGridReal& src, CWarpGridReal& dst, const GridSize& panel,
                             const GridSize& counts) const;
  /// Maps every node and line sample of src into dst, with the panel of src.
  /// KVOGC_E_INVALIDARG (nothing written) when that panel is not positive.
  int32_t ConvertGrid(const CWarpGridOpe& src, CWarpGridOpe& dst) const;
  /// Uncorrected position of a corrected point. KVOGC_E_INVALIDARG (out untouched)
  /// for a non-positive panel.
  int32_t InvertPoint(const RealPoint& in, RealPoint& out, const GridSize& panel) const;
  /// Takes the panel fractions (u, v, 0) of a corrected point back along both
  /// tilted planes; out is the uncorrected (u, v, 0).
  void IntersectPlanes(const std::array<float, 3>& in, std::array<float, 3>& out) const;

  /// One point through the forward mapping; the grid walks use the same code.
  RealPoint ForwardPoint(const RealPoint& p, const GridSize& panel) const;

  double AngleV() const { return m_angleV; }
  double AngleH() const { return m_angleH; }
  double ScaleX() const { return m_scaleX; }
  double ScaleY() const { return m_scaleY; }

 private:
  float m_eyeX = 0.0f;
  float m_eyeY = 0.0f;
  float m_focal = 2.0f;
  double m_angleV = 0.0;  // degrees, host value negated
  double m_angleH = 0.0;
  double m_scaleX = 1.0;  // brings the far end of each axis back onto 1
  double m_scaleY = 1.0;
  std::array<double, 3> m_planeNormalH{0.0, 0.0, 1.0};  // components on float steps
  std::array<double, 3> m_planePointH{0.0, 0.0, 0.0};
  std::array<double, 3> m_planeNormalV{0.0, 0.0, 1.0};
  std::array<double, 3> m_planePointV{0.0, 0.0, 0.0};
};

}  // namespace kvogc
