// RoundPoint over arrays of points, compiled once per SIMD target and chosen
// at run time.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "grid/RoundingKernels.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <algorithm>

#include "grid/Rounding.h"
#include "grid/RoundingVectors-inl.h"

HWY_BEFORE_NAMESPACE();
namespace kvogc {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

void RoundCoordinates(RealPoint* points, size_t n) {
  double* values = reinterpret_cast<double*>(points);
  const size_t count = 2 * n;
  const hn::ScalableTag<double> d;
  const size_t lanes = hn::Lanes(d);
  size_t k = 0;
  for (; k + lanes <= count; k += lanes) {
    hn::StoreU(RoundPointV(d, hn::LoadU(d, values + k)), d, values + k);
  }
  if (k < count) {
    // The last few values through the same code, in a block padded with zeros.
    double block[HWY_MAX_BYTES / sizeof(double)] = {};
    std::copy(values + k, values + count, block);
    hn::StoreU(RoundPointV(d, hn::LoadU(d, block)), d, block);
    std::copy_n(block, count - k, values + k);
  }
}

}  // namespace HWY_NAMESPACE
}  // namespace kvogc
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace kvogc {

HWY_EXPORT(RoundCoordinates);

void RoundPoints(RealPoint* points, size_t n) {
  HWY_DYNAMIC_DISPATCH(RoundCoordinates)(points, n);
}

}  // namespace kvogc
#endif  // HWY_ONCE
