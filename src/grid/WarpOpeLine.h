// One boundary line of an operation grid: a straight segment or a cubic Bezier
// curve between two nodes, sampled at every real-grid coordinate it crosses.
#pragma once

#include <cstdint>
#include <vector>

#include "grid/GridTypes.h"
#include "support/AlignedAllocator.h"

namespace kvogc {

class CWarpOpeLine {
 public:
  CWarpOpeLine() = default;
  virtual ~CWarpOpeLine() = default;

  /// Rebuilds the sampling parameters for a line running on the real grid from
  /// coordinate a to b: its ends and every whole coordinate strictly between.
  int32_t SetRange(double a, double b);
  /// Samples the straight segment p0..p1, rounding to 1/64.
  int32_t CalcStraight(RealPoint p0, RealPoint p1);
  /// Samples the Bezier curve from p0 (handle h0) to p1 (handle h1), rounding to 1/64.
  int32_t CalcCurve(RealPoint p0, RealPoint h0, RealPoint p1, RealPoint h1);

  // m_count entries, on cache-line boundaries as the real grid's points.
  std::vector<RealPoint, AlignedAllocator<RealPoint, 64>> m_samples;
  std::vector<double> m_params;      // curve parameter t of each sample, 0 .. 1
  uint32_t m_count = 0;
  int32_t m_curve = 0;               // 0 straight, otherwise Bezier
  RealPoint m_handleStart{0.0, 0.0};
  RealPoint m_handleEnd{0.0, 0.0};
};

/// The x, y fields of a node, as the start or end of a line.
inline RealPoint PositionOf(const OpePoint& p) { return {p.x, p.y}; }

}  // namespace kvogc
