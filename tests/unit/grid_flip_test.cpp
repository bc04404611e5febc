// Left-right and top-bottom mirroring of an operation grid: where nodes, curve
// flags and handles end up for even and odd counts, and what stays in place.
#include <gtest/gtest.h>

#include <ostream>
#include <utility>
#include <vector>

#include "support/GridFixtures.h"

namespace kvogc::gridtest {
namespace {

// A line's curve flag and handles.
struct Shape {
  int32_t curve;
  double startX, startY, endX, endY;
  bool operator==(const Shape&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Shape& s) {
  return os << s.curve << " (" << s.startX << "," << s.startY << ") (" << s.endX << "," << s.endY
            << ")";
}

Shape ShapeOf(const CWarpOpeLine* line) {
  return {line->m_curve, line->m_handleStart.x, line->m_handleStart.y, line->m_handleEnd.x,
          line->m_handleEnd.y};
}

void SetShape(CWarpOpeLine* line, const Shape& s) {
  line->m_curve = s.curve;
  line->m_handleStart = {s.startX, s.startY};
  line->m_handleEnd = {s.endX, s.endY};
}

// Lays out a grid and gives every node an offset and every line its own curve
// flag and handles, all different, so that each can be followed through a flip.
void LayOutTagged(CWarpGridOpe& grid, GridSize real, GridSize ope) {
  LayOut(grid, kFullHd, real, ope);
  for (int32_t j = 0; j <= ope.cy; ++j) {
    for (int32_t i = 0; i <= ope.cx; ++i) {
      const double id = 10.0 * j + i;
      const int32_t n = static_cast<int32_t>(id);
      grid.GetPoint(j, i)->x += 1.25 * id;
      grid.GetPoint(j, i)->y -= 0.5 * id;
      if (i < ope.cx) {
        SetShape(grid.GetLineHor(j, i), {100 + n, id + 0.25, id + 100.5, -id - 200.75, id + 300.125});
      }
      if (j < ope.cy) {
        SetShape(grid.GetLineVer(j, i), {500 + n, id + 400.5, id + 500.25, id + 600.125, -id - 700.75});
      }
    }
  }
}

// Checks a flip against partner tables along the mirrored axis: node k of a
// row (FlipH) or column (FlipV) takes over node pointPartner[k], and a line
// crossing the axis at k takes over line linePartner[k]. Crossing lines run the
// other way once mirrored; lines parallel to the axis keep their direction.
void CheckFlip(bool vertical, int32_t n, const std::vector<int32_t>& pointPartner,
               const std::vector<int32_t>& linePartner) {
  SCOPED_TRACE(testing::Message() << (vertical ? "FlipV " : "FlipH ") << n);
  const GridSize ope = vertical ? GridSize{2, n} : GridSize{n, 2};
  const GridSize real{2 * ope.cx, 2 * ope.cy};
  CWarpGridOpe grid;
  CWarpGridOpe old;
  LayOutTagged(grid, real, ope);
  LayOutTagged(old, real, ope);
  ASSERT_EQ(vertical ? grid.FlipV() : grid.FlipH(), 0);
  const auto from = [&](int32_t j, int32_t i, const std::vector<int32_t>& partner) {
    return vertical ? std::pair{partner[j], i} : std::pair{j, partner[i]};
  };
  const auto mirrored = [&](const CWarpOpeLine* line, bool crossing) {
    Shape s = ShapeOf(line);
    double& a = vertical ? s.startY : s.startX;
    double& b = vertical ? s.endY : s.endX;
    a = -a;
    b = -b;
    if (crossing) s = {s.curve, s.endX, s.endY, s.startX, s.startY};
    return s;
  };
  for (int32_t j = 0; j <= ope.cy; ++j) {
    for (int32_t i = 0; i <= ope.cx; ++i) {
      SCOPED_TRACE(testing::Message() << "node " << j << "," << i);
      const auto [pj, pi] = from(j, i, pointPartner);
      const OpePoint& was = *old.GetPoint(pj, pi);
      const OpePoint& now = *grid.GetPoint(j, i);
      EXPECT_EQ(now.x, vertical ? was.x : 1920.0 - was.x);
      EXPECT_EQ(now.y, vertical ? 1080.0 - was.y : was.y);
      EXPECT_EQ(now.gx, vertical ? was.gx : real.cx - was.gx);
      EXPECT_EQ(now.gy, vertical ? real.cy - was.gy : was.gy);
      if (i < ope.cx) {
        const auto [hj, hi] = from(j, i, vertical ? pointPartner : linePartner);
        EXPECT_EQ(ShapeOf(grid.GetLineHor(j, i)), mirrored(old.GetLineHor(hj, hi), !vertical));
      }
      if (j < ope.cy) {
        const auto [vj, vi] = from(j, i, vertical ? linePartner : pointPartner);
        EXPECT_EQ(ShapeOf(grid.GetLineVer(j, i)), mirrored(old.GetLineVer(vj, vi), vertical));
      }
    }
  }
}

TEST(Flip, EvenCountsMirrorTheMiddleInPlaceOddCountsHaveAMiddleLine) {
  for (bool vertical : {false, true}) {
    CheckFlip(vertical, 4, {4, 3, 2, 1, 0}, {3, 2, 1, 0});
    CheckFlip(vertical, 3, {3, 2, 1, 0}, {2, 1, 0});
  }
}

}  // namespace
}  // namespace kvogc::gridtest
