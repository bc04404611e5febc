// Fills the samples of a raster that lie inside a triangle with two
// attributes interpolated barycentrically. Samples sit at (i + offset,
// j + offset); a later triangle overwrites an earlier one.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kvogc::warpmap {

struct RasterVertex {
  double x = 0.0;  ///< position in raster units
  double y = 0.0;
  double a = 0.0;  ///< the two attributes
  double b = 0.0;
};

template <typename T>
class CTriangleRaster {
 public:
  /// `out` holds width * height (a, b) pairs; only rows [rowBegin, rowEnd) are written.
  CTriangleRaster(int32_t width, int32_t height, double sampleOffset, T* out, int32_t rowBegin,
                  int32_t rowEnd)
      : m_width(width), m_offset(sampleOffset), m_out(out), m_rowBegin(std::max(rowBegin, 0)),
        m_rowEnd(std::min(rowEnd, height)) {}

  void Draw(const RasterVertex& p0, const RasterVertex& p1, const RasterVertex& p2) const {
    const double ex1 = p1.x - p0.x, ey1 = p1.y - p0.y;
    const double ex2 = p2.x - p0.x, ey2 = p2.y - p0.y;
    const double det = ex1 * ey2 - ex2 * ey1;
    // NaN positions fail here as well as flat triangles.
    if (!(std::abs(det) > 0.0) || !std::isfinite(det)) return;
    const double minY = std::min({p0.y, p1.y, p2.y});
    const double maxY = std::max({p0.y, p1.y, p2.y});
    const double firstRow = std::max(std::ceil(minY - m_offset - kSlack), double(m_rowBegin));
    const double lastRow = std::min(std::floor(maxY - m_offset + kSlack), double(m_rowEnd - 1));
    if (!(firstRow <= lastRow)) return;

    // Barycentric weights of p1 and p2 as affine functions of the sample position.
    const double l1x = ey2 / det, l1y = -ex2 / det;
    const double l2x = -ey1 / det, l2y = ex1 / det;
    const double l1c = -(l1x * p0.x + l1y * p0.y);
    const double l2c = -(l2x * p0.x + l2y * p0.y);
    const double da1 = p1.a - p0.a, da2 = p2.a - p0.a;
    const double db1 = p1.b - p0.b, db2 = p2.b - p0.b;
    const double ax = da1 * l1x + da2 * l2x, ay = da1 * l1y + da2 * l2y;
    const double ac = p0.a + da1 * l1c + da2 * l2c;
    const double bx = db1 * l1x + db2 * l2x, by = db1 * l1y + db2 * l2y;
    const double bc = p0.b + db1 * l1c + db2 * l2c;

    // Each weight bounds the span of a row from one side, at a position
    // linear in the row: the divisions happen once per triangle.
    const Edge edges[3] = {MakeEdge(l1x, l1y, l1c), MakeEdge(l2x, l2y, l2c),
                           MakeEdge(-l1x - l2x, -l1y - l2y, 1.0 - l1c - l2c)};
    for (int32_t j = int32_t(firstRow); j <= int32_t(lastRow); ++j) {
      const double sy = j + m_offset;
      double lo = -kHuge, hi = kHuge;
      for (const Edge& e : edges) e.Clip(sy, lo, hi);
      const double first = std::max(std::ceil(lo - m_offset), 0.0);
      const double last = std::min(std::floor(hi - m_offset), double(m_width - 1));
      if (!(first <= last)) continue;
      const double rowA = ay * sy + ac;
      const double rowB = by * sy + bc;
      T* out = m_out + 2 * (size_t(j) * size_t(m_width) + size_t(first));
      for (int32_t i = int32_t(first); i <= int32_t(last); ++i, out += 2) {
        const double sx = i + m_offset;
        out[0] = T(ax * sx + rowA);
        out[1] = T(bx * sx + rowB);
      }
    }
  }

 private:
  // A sample on a shared edge belongs to both triangles; rounding must not
  // drop it from both, so the weights may dip this far below zero.
  static constexpr double kSlack = 1e-6;
  static constexpr double kHuge = 1e300;

  // Where weight = gx * sx + gy * sy + gc >= -kSlack along a row: right of
  // (or left of, for gx < 0) at + per * sy; for gx = 0 the whole row or none.
  struct Edge {
    int side = 0;  ///< 1: a lower bound, -1: an upper bound, 0: the row test
    double at = 0.0, per = 0.0;  ///< the bound, or gc and gy for the row test

    void Clip(double sy, double& lo, double& hi) const {
      const double bound = at + per * sy;
      if (side > 0) {
        lo = std::max(lo, bound);
      } else if (side < 0) {
        hi = std::min(hi, bound);
      } else if (bound < -kSlack) {
        hi = -kHuge;
      }
    }
  };

  static Edge MakeEdge(double gx, double gy, double gc) {
    if (gx == 0.0) return Edge{0, gc, gy};
    return Edge{gx > 0.0 ? 1 : -1, (-kSlack - gc) / gx, -gy / gx};
  }

  int32_t m_width;
  double m_offset;
  T* m_out;
  int32_t m_rowBegin;
  int32_t m_rowEnd;
};

}  // namespace kvogc::warpmap
