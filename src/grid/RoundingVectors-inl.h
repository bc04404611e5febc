// RoundPoint on vectors, for the kernels compiled once per SIMD target: the
// same bits as the scalar form in Rounding.h. Included once per target, so
// the guard toggles with HWY_TARGET_TOGGLE.
#if defined(KVOGC_GRID_ROUNDING_VECTORS_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef KVOGC_GRID_ROUNDING_VECTORS_INL_H_
#undef KVOGC_GRID_ROUNDING_VECTORS_INL_H_
#else
#define KVOGC_GRID_ROUNDING_VECTORS_INL_H_
#endif

#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace kvogc {
namespace HWY_NAMESPACE {

// RoundPoint of v on every lane, given y = 256 v (exact) for a v that is not
// finite or below 2^1016 in magnitude, so that y is too. With c the double just
// below 1/2, y + copysign(c, y) reaches the next integer away from zero (by
// rounding, for an exact half) exactly when y is at least half way there, so
// its truncation is y rounded; from 2^52 on y is an integer and comes back
// unchanged, as the scalar form gives v back there (and for NaN and
// infinities). The multiply-add with +0 is exact and turns the -0 of small
// negatives into the +0 the scalar form gives.
// With an addend that is not -0, the multiply-add gives the rounded value
// plus the addend, rounded once, as adding it to RoundPoint(v) would.
template <class D, class V = hwy::HWY_NAMESPACE::Vec<D>>
HWY_INLINE V RoundScaledV(D d, V y, V addend) {
  namespace hn = hwy::HWY_NAMESPACE;
  const V n = hn::Trunc(hn::Add(y, hn::CopySign(hn::Set(d, 0.5 - 0x1p-54), y)));
  return hn::MulAdd(n, hn::Set(d, 1.0 / 256.0), addend);
}
template <class D, class V = hwy::HWY_NAMESPACE::Vec<D>>
HWY_INLINE V RoundScaledV(D d, V y) {
  return RoundScaledV(d, y, hwy::HWY_NAMESPACE::Zero(d));
}

// RoundScaledV(a b) for a positive b and an a b that is exact: the first
// addition, which then rounds the same, fuses with the product.
template <class D, class V = hwy::HWY_NAMESPACE::Vec<D>>
HWY_INLINE V RoundExactProductV(D d, V a, V b) {
  namespace hn = hwy::HWY_NAMESPACE;
  const V n = hn::Trunc(hn::MulAdd(a, b, hn::CopySign(hn::Set(d, 0.5 - 0x1p-54), a)));
  return hn::MulAdd(n, hn::Set(d, 1.0 / 256.0), hn::Zero(d));
}

// RoundPoint on every lane, for any v.
template <class D, class V = hwy::HWY_NAMESPACE::Vec<D>>
HWY_INLINE V RoundPointV(D d, V v) {
  namespace hn = hwy::HWY_NAMESPACE;
  const V rounded = RoundScaledV(d, hn::Mul(v, hn::Set(d, 256.0)));
  return hn::IfThenElse(hn::Lt(hn::Abs(v), hn::Set(d, 0x1p1016)), rounded, v);
}

}  // namespace HWY_NAMESPACE
}  // namespace kvogc
HWY_AFTER_NAMESPACE();

#endif  // KVOGC_GRID_ROUNDING_VECTORS_INL_H_
