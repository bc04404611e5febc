// Left-right and top-bottom mirroring of an operation grid in place.
//
// Each node trades places with its mirror partner, and each line slot takes
// over the curve flag and handles of its partner, mirrored. A node or line on
// the mirror axis is its own partner, so one pairwise walk covers even and odd
// counts alike. Samples and sampling stay in their slots: an evenly laid out
// grid spans the same real-grid ranges after the mirror, and the caller
// re-evaluates every line afterwards.
#include "grid/WarpGridOpe.h"

namespace kvogc {

namespace {

struct LineShape {
  int32_t curve;
  RealPoint start;
  RealPoint end;
};

LineShape ShapeOf(const CWarpOpeLine& line) {
  return {line.m_curve, line.m_handleStart, line.m_handleEnd};
}

void Assign(CWarpOpeLine& line, const LineShape& shape) {
  line.m_curve = shape.curve;
  line.m_handleStart = shape.start;
  line.m_handleEnd = shape.end;
}

RealPoint NegateX(RealPoint h) { return {-h.x, h.y}; }
RealPoint NegateY(RealPoint h) { return {h.x, -h.y}; }

// A line across the mirror axis runs the other way once mirrored, so its start
// handle is the mirror of its old end handle and vice versa.
template <RealPoint (*Mirror)(RealPoint)>
LineShape Reversed(const LineShape& s) {
  return {s.curve, Mirror(s.end), Mirror(s.start)};
}

// A line parallel to the mirror axis keeps its direction.
template <RealPoint (*Mirror)(RealPoint)>
LineShape Parallel(const LineShape& s) {
  return {s.curve, Mirror(s.start), Mirror(s.end)};
}

// Gives each of the two lines the mirrored shape of the other; with one line
// given twice, mirrors it in place.
template <LineShape (*Transform)(const LineShape&)>
void ExchangeMirrored(CWarpOpeLine& first, CWarpOpeLine& second) {
  const LineShape a = ShapeOf(first);
  const LineShape b = ShapeOf(second);
  Assign(first, Transform(b));
  Assign(second, Transform(a));
}

}  // namespace

int32_t CWarpGridOpe::FlipH() {
  if (m_points.empty()) return 0;
  const int32_t ox = m_created.cx;
  const int32_t oy = m_created.cy;
  const double w = m_panelSize.cx;
  const double rx = m_realGridNum.cx;

  for (int32_t j = 0; j <= oy; ++j) {
    for (int32_t i = 0; i <= ox - i; ++i) {
      OpePoint& p = *GetPoint(j, i);
      OpePoint& q = *GetPoint(j, ox - i);
      const OpePoint oldP = p;
      const OpePoint oldQ = q;
      p = {w - oldQ.x, oldQ.y, rx - oldQ.gx, oldQ.gy};
      q = {w - oldP.x, oldP.y, rx - oldP.gx, oldP.gy};
    }
  }
  for (int32_t i = 0; i <= ox - 1 - i; ++i) {
    for (int32_t j = 0; j <= oy; ++j) {
      ExchangeMirrored<Reversed<NegateX>>(*GetLineHor(j, i), *GetLineHor(j, ox - 1 - i));
    }
  }
  for (int32_t i = 0; i <= ox - i; ++i) {
    for (int32_t j = 0; j < oy; ++j) {
      ExchangeMirrored<Parallel<NegateX>>(*GetLineVer(j, i), *GetLineVer(j, ox - i));
    }
  }
  return 0;
}

int32_t CWarpGridOpe::FlipV() {
  if (m_points.empty()) return 0;
  const int32_t ox = m_created.cx;
  const int32_t oy = m_created.cy;
  const double h = m_panelSize.cy;
  const double ry = m_realGridNum.cy;

  for (int32_t i = 0; i <= ox; ++i) {
    for (int32_t j = 0; j <= oy - j; ++j) {
      OpePoint& p = *GetPoint(j, i);
      OpePoint& q = *GetPoint(oy - j, i);
      const OpePoint oldP = p;
      const OpePoint oldQ = q;
      p = {oldQ.x, h - oldQ.y, oldQ.gx, ry - oldQ.gy};
      q = {oldP.x, h - oldP.y, oldP.gx, ry - oldP.gy};
    }
  }
  for (int32_t j = 0; j <= oy - j; ++j) {
    for (int32_t i = 0; i < ox; ++i) {
      ExchangeMirrored<Parallel<NegateY>>(*GetLineHor(j, i), *GetLineHor(oy - j, i));
    }
  }
  for (int32_t j = 0; j <= oy - 1 - j; ++j) {
    for (int32_t i = 0; i <= ox; ++i) {
      ExchangeMirrored<Reversed<NegateY>>(*GetLineVer(j, i), *GetLineVer(oy - 1 - j, i));
    }
  }
  return 0;
}

}  // namespace kvogc
