// Conversions of host-supplied doubles to the int32 fields of the comment record.
#pragma once

#include <cmath>
#include <cstdint>

namespace kvogc {

/// Truncates toward zero. NaN and values outside int32 give INT32_MIN, the
/// "integer indefinite" value an x86 conversion produces, instead of undefined behaviour.
inline int32_t TruncToInt32(double v) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(v);
}

/// Rounds half away from zero, with the out-of-range rule of TruncToInt32.
inline int32_t RoundToInt32(double v) { return TruncToInt32(std::round(v)); }

}  // namespace kvogc
