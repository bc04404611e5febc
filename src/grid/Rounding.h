// Rounding of coordinates to the 1/R pixel lattice, halves away from zero.
// Every stage that writes coordinates uses this one procedure, so that results
// agree to the bit whichever path produced them.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "grid/GridTypes.h"

namespace kvogc {

/// Rounds v to the nearest multiple of 1/R, halves away from zero.
/// The value is doubled and truncated so that a half step is detected exactly.
/// Values that do not fit an int64 once scaled (NaN, infinities, huge numbers)
/// come back unchanged: the finite ones already lie on the lattice.
template <int R>
inline double RoundTo(double v) {
  static_assert(R > 0 && (R & (R - 1)) == 0, "R must be a power of two");
  const double twice = v * R * 2.0;
  if (!(std::fabs(twice) < 0x1p63)) return v;
  int64_t n = static_cast<int64_t>(twice);
  n = n >= 0 ? n + 1 : n - 1;
  n /= 2;
  return static_cast<double>(n) * (1.0 / R);
}

/// Boundary-line samples lie on 1/64 pixel.
inline double RoundSample(double v) { return RoundTo<64>(v); }
/// Real-grid points written by interpolation or a corrector lie on 1/256 pixel.
inline double RoundPoint(double v) { return RoundTo<256>(v); }

/// RoundPoint on both coordinates of each of the n points, with the widest
/// vectors the processor has.
void RoundPoints(RealPoint* points, size_t n);

}  // namespace kvogc
