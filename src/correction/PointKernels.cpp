// The vector forms of the correctors' point maps, compiled once per SIMD
// target and chosen at run time. Each operation mirrors one step of the scalar
// map in PointMaps.h in the same order and precision: single-precision steps
// are demoted to float and promoted back, no step is reassociated. Where two
// steps are fused (a multiply-add whose product is exact) or a step takes
// another form (a quotient through the reciprocal where the float it rounds
// to is certain), the comment there says why the bits stay the same.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "correction/PointKernels.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "correction/PointMaps.h"
#include "grid/RoundingVectors-inl.h"

HWY_BEFORE_NAMESPACE();
namespace kvogc {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using D = hn::ScalableTag<double>;
using DF = hn::Rebind<float, D>;
using V = hn::Vec<D>;
using VF = hn::Vec<DF>;
using M = hn::Mask<D>;

HWY_INLINE V Single(D d, V v) { return hn::PromoteTo(d, hn::DemoteTo(DF(), v)); }

// std::max(a, b): b only when a < b, so that a NaN in a comes through.
HWY_INLINE V MaxAsStd(V a, V b) { return hn::IfThenElse(hn::Lt(a, b), b, a); }

HWY_INLINE V Bez(D d, V a, V c, V b, V t) {
  const V s = hn::Sub(hn::Set(d, 1.0), t);
  const V first = hn::Mul(hn::Mul(s, s), a);
  const V second = hn::Mul(hn::Mul(hn::Mul(hn::Set(d, 2.0), s), t), c);
  return hn::Add(hn::Add(first, second), hn::Mul(hn::Mul(t, t), b));
}

// The last count points of a walk, fewer than a step of `points` maps, through
// the same vector code: copied into a block padded with the last of them,
// mapped there in place, copied back.
template <typename Step>
HWY_INLINE void FinishPadded(const RealPoint* in, RealPoint* out, size_t count, size_t points,
                             const Step& step) {
  if (count == 0) return;
  RealPoint block[HWY_MAX_BYTES / sizeof(double)];  // a step maps at most one point per lane
  for (size_t j = 0; j < points; ++j) block[j] = in[std::min(j, count - 1)];
  step(block, block);
  std::copy_n(block, count, out);
}

#if HWY_TARGET != HWY_SCALAR && HWY_TARGET != HWY_EMU128  // see Walk
// Each 128-bit block of a and b holds one point; interleaving the blocks'
// lower and upper halves gathers the x and the y of the same points in the
// same lanes (in an order of their own), and the same step undoes it.
template <typename Kernel>
HWY_INLINE void WalkStep(D d, const Kernel& kernel, const RealPoint* from, RealPoint* to) {
  const size_t lanes = hn::Lanes(d);
  const double* values = reinterpret_cast<const double*>(from);
  const V a = hn::LoadU(d, values);
  const V b = hn::LoadU(d, values + lanes);
  V rx, ry;
  kernel(d, hn::InterleaveLower(d, a, b), hn::InterleaveUpper(d, a, b), rx, ry);
  double* results = reinterpret_cast<double*>(to);
  hn::StoreU(hn::InterleaveLower(d, rx, ry), d, results);
  hn::StoreU(hn::InterleaveUpper(d, rx, ry), d, results + lanes);
}
#endif

template <typename Kernel>
HWY_INLINE void Walk(const RealPoint* in, RealPoint* out, size_t n, const Kernel& kernel) {
#if HWY_TARGET == HWY_SCALAR || HWY_TARGET == HWY_EMU128
  // These targets' double-to-float conversion clamps to the largest float
  // instead of giving infinity; the scalar reference serves them.
  for (size_t k = 0; k < n; ++k) out[k] = kernel.scalar(in[k]);
#else
  const D d;
  const size_t lanes = hn::Lanes(d);
  size_t k = 0;
  for (; k + lanes <= n; k += lanes) WalkStep(d, kernel, in + k, out + k);
  FinishPadded(in + k, out + k, n - k, lanes, [d, &kernel](const RealPoint* from, RealPoint* to) {
    WalkStep(d, kernel, from, to);
  });
#endif
}

// a / b rounded to double, then to float, through r = 1/b rounded, for a b
// with a normal reciprocal: q = a r is within 2.5 ulps of the rounded quotient,
// and both round to the same float unless a rounding boundary of the floats
// (half way between two: the double's low 29 bits 1 and 28 zeros) lies within
// 3 ulps of q, or q is too small for that measure: a vector with a lane of
// 0 < |q| < 2^-125, where floats are subnormal, takes the division too. For
// an a known to be 0, not finite or at least 2^-53 in magnitude, and b from 1
// to 2^31 (kSmallQ false) the second test is not needed. Quotients beyond the
// floats' range give infinities both ways.
template <bool kSmallQ>
HWY_INLINE hn::Mask<hn::RebindToUnsigned<D>> Unsure(V q) {
  const hn::RebindToUnsigned<D> du;
  const auto bits = hn::BitCast(du, q);
  const auto offset = hn::Sub(bits, hn::Set(du, uint64_t{0x10000000 - 3}));
  auto unsure =
      hn::Lt(hn::And(offset, hn::Set(du, uint64_t{0x1FFFFFFF})), hn::Set(du, uint64_t{7}));
  if constexpr (kSmallQ) {
    // |q| as bits, doubled to drop the sign, less one: 0 wraps round to the largest.
    const auto below = hn::Sub(hn::ShiftLeft<1>(bits), hn::Set(du, uint64_t{1}));
    unsure = hn::Or(unsure, hn::Lt(below, hn::Set(du, (uint64_t{1023 - 125} << 53) - 1)));
  }
  return unsure;
}

template <bool kSmallQ>
HWY_INLINE VF SingleQuotient(D, V a, V b, V r) {
  const V q = hn::Mul(a, r);
  const bool sure = hn::AllFalse(hn::RebindToUnsigned<D>(), Unsure<kSmallQ>(q));
  return hn::DemoteTo(DF(), sure ? q : hn::Div(a, b));
}

// Whether s is positive with at most 29 significant bits, so that its
// product with any float is exact.
bool FewBits(double s) {
  if (!(s > 0 && s <= 0x1p600)) return false;
  int exponent = 0;
  const double fraction = std::frexp(s, &exponent);  // in [1/2, 1)
  return std::countr_zero(static_cast<uint64_t>(std::ldexp(fraction, 53))) >= 24;
}

// Whether 1/b is a normal double, as SingleQuotient needs.
bool NormalReciprocal(double b) { return std::fabs(b) >= 0x1p-1000 && std::fabs(b) <= 0x1p1000; }

struct KeystoneKernel {
  explicit KeystoneKernel(const KeystoneMap& map)
      : scalar(map), wholePanel(Whole(map.w) && Whole(map.h)), reciprocalH(1.0 / map.h) {}

  static bool Whole(double size) {
    return size >= 1 && size <= 0x1p31 && std::trunc(size) == size;
  }

  const KeystoneMap scalar;  // a copy: stores to the points cannot alias it
  // 2 x - w is 0 or at least 2^-53 in magnitude, as SingleQuotient needs.
  const bool wholePanel;
  const double reciprocalH;

  // Panel-sized constants (the maps of a panel always are) keep the products
  // before the rounding finite; others take the scalar path.
  bool Bounded() const {
    return std::fabs(scalar.wOverH) <= 0x1p200 && std::fabs(scalar.halfH) <= 0x1p600;
  }

  void operator()(D d, V px, V py, V& rx, V& ry) const {
    const DF df;
    const KeystoneMap& m = scalar;
    const V w = hn::Set(d, m.w);
    const V h = hn::Set(d, m.h);
    const V two = hn::Set(d, 2.0);
    // 2 p is exact, so the fused form rounds once, as the two steps do.
    const V du = hn::MulSub(two, px, w);
    const V dv = hn::MulSub(two, py, h);
    // SingleQuotient for both, with one test.
    const V qu = hn::Mul(du, hn::Set(d, reciprocalH));
    const V qv = hn::Mul(dv, hn::Set(d, reciprocalH));
    const bool sure = wholePanel && hn::AllFalse(hn::RebindToUnsigned<D>(),
                                                 hn::Or(Unsure<false>(qu), Unsure<false>(qv)));
    const VF u = hn::DemoteTo(df, sure ? qu : hn::Div(du, h));
    const VF v = hn::DemoteTo(df, sure ? qv : hn::Div(dv, h));
    const auto row = [&](float a, float b, float c) {
      return hn::Add(hn::Add(hn::Mul(hn::Set(df, a), u), hn::Mul(hn::Set(df, b), v)),
                     hn::Set(df, c));
    };
    const VF z = hn::Sub(hn::Add(row(m.m8, m.m9, m.m11), hn::Set(df, m.m14)), hn::Set(df, m.f));
    const VF x = hn::Sub(hn::Sub(row(m.m0, m.m1, m.m3), hn::Set(df, m.m12)), hn::Set(df, m.sx));
    const VF y = hn::Sub(hn::Sub(row(m.m4, m.m5, m.m7), hn::Set(df, m.m13)), hn::Set(df, m.sy));
    const V s = hn::PromoteTo(d, hn::Div(hn::Set(df, -m.f), z));
    // Products of two floats are exact in double: fused, the sum rounds once as before.
    const V xs = Single(d, hn::MulAdd(hn::PromoteTo(d, x), s, hn::Set(d, m.sx)));
    const V ys = Single(d, hn::MulAdd(hn::PromoteTo(d, y), s, hn::Set(d, m.sy)));
    // 256 times the scalar product, as rounding scales with the factor; xs and
    // ys are floats, so with Bounded() it stays far below 2^1016 times 256.
    const V halfH256 = hn::Set(d, m.halfH * 256.0);
    rx = RoundScaledV(d, hn::Mul(hn::Add(xs, hn::Set(d, m.wOverH)), halfH256));
    ry = RoundScaledV(d, hn::Mul(hn::Add(ys, hn::Set(d, 1.0)), halfH256));
  }
};

struct PinCushionKernel {
  explicit PinCushionKernel(const PinCushionMap& map)
      : scalar(map),
        tame(Tame(map)),
        // x + 0 is x for every x the lattice rounding gives, which is never -0.
        addX(map.fit ? map.offsetX + 0.0 : 0.0),
        addY(map.fit ? map.offsetY + 0.0 : 0.0) {}

  // Inside the unit square the model blends its points with weights of at most
  // 1 each: with these bounds 256 W and 256 H times it stay finite. No model
  // of a panel is beyond them; others take the scalar path.
  static bool Tame(const PinCushionMap& map) {
    const PinCushionModel& m = map.model;
    double largest = 0.0;
    for (const RealPoint& p : {m.tl, m.tr, m.br, m.bl, m.cl, m.ct, m.cr, m.cb}) {
      largest = std::max({largest, std::fabs(p.x), std::fabs(p.y)});
    }
    return largest <= 0x1p900 && std::fabs(map.w) <= 0x1p100 && std::fabs(map.h) <= 0x1p100;
  }

  const PinCushionMap scalar;  // a copy: stores to the points cannot alias it
  const bool tame;
  const double addX;  // what the fit adds before its division, 0 without it
  const double addY;

  void operator()(D d, V px, V py, V& rx, V& ry) const {
    const PinCushionModel& m = scalar.model;
    const V one = hn::Set(d, 1.0);
    const V w = hn::Set(d, scalar.w);
    const V h = hn::Set(d, scalar.h);
    const V u = hn::Div(px, w);
    const V v = hn::Div(py, h);
    const auto c = [d](double value) { return hn::Set(d, value); };

    const V lxIn = Bez(d, c(m.tl.x), c(m.cl.x), c(m.bl.x), v);
    const V rxIn = Bez(d, c(m.tr.x), c(m.cr.x), c(m.br.x), v);
    const V tyIn = Bez(d, c(m.tl.y), c(m.ct.y), c(m.tr.y), u);
    const V byIn = Bez(d, c(m.bl.y), c(m.cb.y), c(m.br.y), u);
    V ex = hn::Add(hn::Mul(hn::Sub(one, u), lxIn), hn::Mul(u, rxIn));
    V ey = hn::Add(hn::Mul(hn::Sub(one, v), tyIn), hn::Mul(v, byIn));
    // Bits of 0 <= u <= 1 as unsigned numbers: below those of 1 plus one
    // (NaN, any negative and -0 are above), a quick test that every point is inside.
    const hn::RebindToUnsigned<D> du;
    const auto aboveOne = hn::Set(du, uint64_t{0x3FF0000000000001});
    V x, y;
    if (hn::AllTrue(du, hn::And(hn::Lt(hn::BitCast(du, u), aboveOne),
                                hn::Lt(hn::BitCast(du, v), aboveOne)))) {
      // 256 times the scalar product (rounding scales with the factor); the
      // multiply-add of the rounding adds what the fit adds, exactly.
      x = RoundScaledV(d, hn::Mul(c(scalar.w * 256.0), ex), c(addX));
      y = RoundScaledV(d, hn::Mul(c(scalar.h * 256.0), ey), c(addY));
    } else {
      const M inside = hn::And(hn::And(hn::Ge(u, hn::Zero(d)), hn::Le(u, one)),
                               hn::And(hn::Ge(v, hn::Zero(d)), hn::Le(v, one)));
      if (!hn::AllTrue(d, inside)) Outside(d, u, v, hn::Not(inside), ex, ey);
      x = hn::Add(RoundPointV(d, hn::Mul(w, ex)), c(addX));
      y = hn::Add(RoundPointV(d, hn::Mul(h, ey)), c(addY));
    }
    if (scalar.fit) {
      const V scale = c(scalar.scale);
      x = Single(d, hn::Div(x, scale));
      y = Single(d, hn::Div(y, scale));
    }
    rx = x;
    ry = y;
  }

  // The model outside the unit square, for the lanes in `outside`.
  void Outside(D d, V u, V v, M outside, V& ex, V& ey) const {
    const PinCushionModel& m = scalar.model;
    const V one = hn::Set(d, 1.0);
    const auto c = [d](double value) { return hn::Set(d, value); };

    const V half = c(0.5);
    const V two = c(2.0);
    const V mv = hn::Mul(two, hn::Abs(hn::Sub(v, half)));
    const V mu = hn::Mul(two, hn::Abs(hn::Sub(u, half)));
    const V mm = MaxAsStd(mv, mu);
    const V hh = hn::Mul(hn::Sub(mm, one), half);  // halving by either is exact
    const V uu = hn::Div(hn::Add(u, hh), mm);
    const V vv = hn::Div(hn::Add(v, hh), mm);
    const V xc = hn::Add(c(m.center.x - m.aL), hn::Mul(c(m.aL + m.aR), uu));
    const V yc = hn::Add(c(m.center.y - m.aT), hn::Mul(c(m.aT + m.aB), vv));
    const V lx = Bez(d, c(m.tl.x), c(m.cl.x), c(m.bl.x), vv);
    const V rxo = Bez(d, c(m.tr.x), c(m.cr.x), c(m.br.x), vv);
    const V ty = Bez(d, c(m.tl.y), c(m.ct.y), c(m.tr.y), uu);
    const V by = Bez(d, c(m.bl.y), c(m.cb.y), c(m.br.y), uu);
    const auto push = [&](V edge, V centre) {
      return hn::Add(hn::Mul(hn::Sub(edge, centre), mm), centre);
    };
    const V exOut = hn::Add(hn::Mul(hn::Sub(one, uu), push(lx, xc)), hn::Mul(uu, push(rxo, xc)));
    const V eyOut = hn::Add(hn::Mul(hn::Sub(one, vv), push(ty, yc)), hn::Mul(vv, push(by, yc)));

    ex = hn::IfThenElse(outside, exOut, ex);
    ey = hn::IfThenElse(outside, eyOut, ey);
  }
};

void MapKeystone(const KeystoneMap& map, const RealPoint* in, RealPoint* out, size_t n) {
  const KeystoneKernel kernel(map);
  if (kernel.Bounded()) {
    Walk(in, out, n, kernel);
  } else {
    for (size_t k = 0; k < n; ++k) out[k] = map(in[k]);
  }
}
// Each axis of the linearity reads only its own coordinate, so the points are
// taken as they lie, x and y alternating, with the constants of both axes alternating too.
void MapLinearity(const LinearityMap& m, const RealPoint* in, RealPoint* out, size_t n) {
#if HWY_TARGET == HWY_SCALAR || HWY_TARGET == HWY_EMU128
  for (size_t k = 0; k < n; ++k) out[k] = m(in[k]);  // see Walk
#else
  if (!(std::fabs(m.w) <= 0x1p600 && std::fabs(m.h) <= 0x1p600)) {
    for (size_t k = 0; k < n; ++k) out[k] = m(in[k]);  // no panel this large
    return;
  }
  const D d;
  const auto pair = [d](double x, double y) {
    return hn::InterleaveLower(d, hn::Set(d, x), hn::Set(d, y));
  };
  const V size = pair(m.w, m.h);
  const V size256 = pair(m.w * 256.0, m.h * 256.0);
  const V sinA = pair(m.sinH, m.sinV);
  const V cosA = pair(m.cosH, m.cosV);
  const V scale = pair(m.scaleX, m.scaleY);
  const V negFocal = hn::Set(d, m.negFocal);
  const V focal = hn::Set(d, m.focal);
  const V reciprocal = pair(1.0 / m.w, 1.0 / m.h);
  const bool quotients = NormalReciprocal(m.w) && NormalReciprocal(m.h);
  const bool exactProducts = FewBits(m.w * 256.0) && FewBits(m.h * 256.0);  // any panel's
  // A step maps the points in one vector, half as many as it has lanes.
  const size_t points = hn::Lanes(d) / 2;
  const auto step = [&](const RealPoint* from, RealPoint* to) {
    const V p = hn::LoadU(d, reinterpret_cast<const double*>(from));
    const V t = hn::PromoteTo(d, quotients ? SingleQuotient<true>(d, p, size, reciprocal)
                                           : hn::DemoteTo(DF(), hn::Div(p, size)));
    const V lead = hn::Div(negFocal, hn::Sub(hn::Mul(sinA, t), focal));
    const V r = Single(d, hn::Mul(hn::Mul(lead, hn::Mul(cosA, t)), scale));
    // 256 times the scalar product (rounding scales with the factor); r is a
    // float, so for a panel-sized size it stays far below 2^1016 times 256.
    hn::StoreU(exactProducts ? RoundExactProductV(d, r, size256)
                             : RoundScaledV(d, hn::Mul(r, size256)),
               d, reinterpret_cast<double*>(to));
  };
  size_t k = 0;
  for (; k + points <= n; k += points) step(in + k, out + k);
  FinishPadded(in + k, out + k, n - k, points, step);
#endif
}
void MapPinCushion(const PinCushionMap& map, const RealPoint* in, RealPoint* out, size_t n) {
  const PinCushionKernel kernel(map);
  if (kernel.tame) {
    Walk(in, out, n, kernel);
  } else {
    for (size_t k = 0; k < n; ++k) out[k] = map(in[k]);
  }
}

}  // namespace HWY_NAMESPACE
}  // namespace kvogc
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace kvogc {

HWY_EXPORT(MapKeystone);
HWY_EXPORT(MapLinearity);
HWY_EXPORT(MapPinCushion);

void MapPoints(const KeystoneMap& map, const RealPoint* in, RealPoint* out, size_t n) {
  HWY_DYNAMIC_DISPATCH(MapKeystone)(map, in, out, n);
}
void MapPoints(const LinearityMap& map, const RealPoint* in, RealPoint* out, size_t n) {
  HWY_DYNAMIC_DISPATCH(MapLinearity)(map, in, out, n);
}
void MapPoints(const PinCushionMap& map, const RealPoint* in, RealPoint* out, size_t n) {
  HWY_DYNAMIC_DISPATCH(MapPinCushion)(map, in, out, n);
}

}  // namespace kvogc
#endif  // HWY_ONCE
