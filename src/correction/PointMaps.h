// The forward mapping of one point for each corrector, with every per-call
// constant worked out once. The operator() of each map is the reference: the
// vector kernels (MapPoints) must give the same bits for every input.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "correction/SinglePrecision.h"
#include "grid/GridTypes.h"
#include "grid/Rounding.h"

namespace kvogc {

/// Keystone: normalise, transform in single precision, project from the lens
/// onto z = 0 in double rounded to single, back to pixels on the 1/256 lattice.
struct KeystoneMap {
  double w;
  double h;
  double wOverH;
  double halfH;  // (a * H) / 2 == a * (H / 2) exactly: halving is exact
  float m0, m1, m3, m4, m5, m7, m8, m9, m11, m12, m13, m14;
  float f;
  float sx;
  float sy;

  RealPoint operator()(const RealPoint& p) const {
    const float u = AsSingle((2.0 * p.x - w) / h);
    const float v = AsSingle((2.0 * p.y - h) / h);
    const float z = m8 * u + m9 * v + m11 + m14 - f;
    const float x = m0 * u + m1 * v + m3 - m12 - sx;
    const float y = m4 * u + m5 * v + m7 - m13 - sy;
    const float s = -f / z;
    const float xs = AsSingle(static_cast<double>(x) * s + sx);
    const float ys = AsSingle(static_cast<double>(y) * s + sy);
    return {RoundPoint((xs + wOverH) * halfH), RoundPoint((ys + 1.0) * halfH)};
  }
};

/// Linearity: each axis through its tilted plane, in double rounded to single.
struct LinearityMap {
  double w;
  double h;
  double negFocal;  // -f
  double focal;
  double sinH, cosH, scaleX;
  double sinV, cosV, scaleY;

  RealPoint operator()(const RealPoint& p) const {
    const double u = ToSingle(p.x / w);
    const double v = ToSingle(p.y / h);
    const double yp = ToSingle((negFocal / (sinV * v - focal)) * (cosV * v) * scaleY);
    const double xp = ToSingle((negFocal / (sinH * u - focal)) * (cosH * u) * scaleX);
    return {RoundPoint(xp * w), RoundPoint(yp * h)};
  }
};

/// Quadratic Bezier of one coordinate: (1-t)^2 a + 2(1-t)t c + t^2 b.
inline double Bez(double a, double c, double b, double t) {
  const double s = 1 - t;
  return s * s * a + 2 * s * t * c + t * t * b;
}

/// The pincushion's point model in panel fractions: four quadratic edges
/// through the corners; points inside are blended between opposite edges,
/// points outside are extrapolated from the centre.
struct PinCushionModel {
  RealPoint tl, tr, br, bl;
  RealPoint cl, ct, cr, cb;  // edge control points: left, top, right, bottom
  RealPoint center;
  double aL, aT, aR, aB;

  RealPoint Eval(double u, double v) const {
    if (u >= 0 && u <= 1 && v >= 0 && v <= 1) {
      // Only the x of the side edges and the y of the top and bottom edges count.
      const double lx = Bez(tl.x, cl.x, bl.x, v);
      const double rx = Bez(tr.x, cr.x, br.x, v);
      const double ty = Bez(tl.y, ct.y, tr.y, u);
      const double by = Bez(bl.y, cb.y, br.y, u);
      return {(1 - u) * lx + u * rx, (1 - v) * ty + v * by};
    }
    // Outside: pull the point towards the centre onto the unit square's border,
    // evaluate there, and push the result back out by the same factor m.
    const double m = std::max(2 * std::fabs(v - 0.5), 2 * std::fabs(u - 0.5));
    const double h = (m - 1) / 2;
    const double uu = (u + h) / m;
    const double vv = (v + h) / m;
    const double xc = (center.x - aL) + (aL + aR) * uu;
    const double yc = (center.y - aT) + (aT + aB) * vv;
    const double lx = Bez(tl.x, cl.x, bl.x, vv);
    const double rx = Bez(tr.x, cr.x, br.x, vv);
    const double ty = Bez(tl.y, ct.y, tr.y, uu);
    const double by = Bez(bl.y, cb.y, br.y, uu);
    return {(1 - uu) * ((lx - xc) * m + xc) + uu * ((rx - xc) * m + xc),
            (1 - vv) * ((ty - yc) * m + yc) + vv * ((by - yc) * m + yc)};
  }
};

/// A pixel point through the pincushion model, (R(W X), R(H Y)) of the model
/// at (x/W, y/H), then, with a fit, scaled and shifted in single precision
/// (not on the 1/256 lattice).
struct PinCushionMap {
  PinCushionModel model;
  double w;
  double h;
  bool fit;
  double offsetX;  // already rounded to single precision
  double offsetY;
  double scale;

  RealPoint Pixel(const RealPoint& p) const {
    const RealPoint e = model.Eval(p.x / w, p.y / h);
    return {RoundPoint(w * e.x), RoundPoint(h * e.y)};
  }
  RealPoint Fit(const RealPoint& p) const {
    return {ToSingle((p.x + offsetX) / scale), ToSingle((p.y + offsetY) / scale)};
  }
  RealPoint operator()(const RealPoint& p) const { return fit ? Fit(Pixel(p)) : Pixel(p); }
};

/// out[k] = map(in[k]) for k < n with the widest vectors the processor has;
/// in and out may be the same array but must not overlap otherwise.
void MapPoints(const KeystoneMap& map, const RealPoint* in, RealPoint* out, size_t n);
void MapPoints(const LinearityMap& map, const RealPoint* in, RealPoint* out, size_t n);
void MapPoints(const PinCushionMap& map, const RealPoint* in, RealPoint* out, size_t n);

}  // namespace kvogc
