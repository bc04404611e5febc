// Left-right and top-bottom mirroring of an operation grid: where nodes, curve
// flags and handles end up for even and odd counts, and what stays in place.
#include <gtest/gtest.h>

#include <ostream>
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

// Gives every node an offset and every line its own curve flag and handles, all
// different, so that each can be followed to where a flip puts it.
void Tag(CWarpGridOpe& grid) {
  const GridSize n = grid.m_opeGridNum;
  for (int32_t j = 0; j <= n.cy; ++j) {
    for (int32_t i = 0; i <= n.cx; ++i) {
      const double id = 10.0 * j + i;
      OpePoint& p = *grid.GetPoint(j, i);
      p.x += 1.25 * id;
      p.y -= 0.5 * id;
      if (i < n.cx) {
        CWarpOpeLine& h = *grid.GetLineHor(j, i);
        h.m_curve = 100 + static_cast<int32_t>(id);
        h.m_handleStart = {id + 0.25, id + 100.5};
        h.m_handleEnd = {-id - 200.75, id + 300.125};
      }
      if (j < n.cy) {
        CWarpOpeLine& v = *grid.GetLineVer(j, i);
        v.m_curve = 500 + static_cast<int32_t>(id);
        v.m_handleStart = {id + 400.5, id + 500.25};
        v.m_handleEnd = {id + 600.125, -id - 700.75};
      }
    }
  }
}

struct Snapshot {
  std::vector<OpePoint> points;
  std::vector<Shape> hor, ver;
  std::vector<double> samples;
};

Snapshot Take(const CWarpGridOpe& grid) {
  Snapshot s;
  const GridSize n = grid.m_opeGridNum;
  auto keep = [&s](const CWarpOpeLine* line, std::vector<Shape>& shapes) {
    shapes.push_back(ShapeOf(line));
    for (const RealPoint& p : line->m_samples) s.samples.insert(s.samples.end(), {p.x, p.y});
  };
  for (int32_t j = 0; j <= n.cy; ++j) {
    for (int32_t i = 0; i <= n.cx; ++i) {
      s.points.push_back(*grid.GetPoint(j, i));
      if (i < n.cx) keep(grid.GetLineHor(j, i), s.hor);
      if (j < n.cy) keep(grid.GetLineVer(j, i), s.ver);
    }
  }
  return s;
}

// Checks a left-right flip against explicit partner tables: node column i takes
// over column pointPartner[i], horizontal line column i takes over linePartner[i].
void CheckFlipH(int32_t ox, const std::vector<int32_t>& pointPartner,
                const std::vector<int32_t>& linePartner) {
  CWarpGridOpe grid;
  LayOut(grid, kFullHd, {2 * ox, 4}, {ox, 2});
  Tag(grid);
  const Snapshot old = Take(grid);
  ASSERT_EQ(grid.FlipH(), 0);
  for (int32_t j = 0; j <= 2; ++j) {
    for (int32_t i = 0; i <= ox; ++i) {
      SCOPED_TRACE(testing::Message() << "node " << j << "," << i);
      const OpePoint& was = old.points[j * (ox + 1) + pointPartner[i]];
      const OpePoint& now = *grid.GetPoint(j, i);
      EXPECT_EQ(now.x, 1920.0 - was.x);
      EXPECT_EQ(now.y, was.y);
      EXPECT_EQ(now.gx, 2.0 * ox - was.gx);
      EXPECT_EQ(now.gy, was.gy);
      if (j < 2) {
        const Shape& v = old.ver[j * (ox + 1) + pointPartner[i]];
        EXPECT_EQ(ShapeOf(grid.GetLineVer(j, i)), (Shape{v.curve, -v.startX, v.startY, -v.endX, v.endY}));
      }
    }
    for (int32_t i = 0; i < ox; ++i) {
      const Shape& h = old.hor[j * ox + linePartner[i]];
      EXPECT_EQ(ShapeOf(grid.GetLineHor(j, i)), (Shape{h.curve, -h.endX, h.endY, -h.startX, h.startY}))
          << "horizontal line " << j << "," << i;
    }
  }
}

// The top-bottom twin: node row j takes over row pointPartner[j], vertical line
// row j takes over row linePartner[j].
void CheckFlipV(int32_t oy, const std::vector<int32_t>& pointPartner,
                const std::vector<int32_t>& linePartner) {
  CWarpGridOpe grid;
  LayOut(grid, kFullHd, {4, 2 * oy}, {2, oy});
  Tag(grid);
  const Snapshot old = Take(grid);
  ASSERT_EQ(grid.FlipV(), 0);
  for (int32_t i = 0; i <= 2; ++i) {
    for (int32_t j = 0; j <= oy; ++j) {
      SCOPED_TRACE(testing::Message() << "node " << j << "," << i);
      const OpePoint& was = old.points[pointPartner[j] * 3 + i];
      const OpePoint& now = *grid.GetPoint(j, i);
      EXPECT_EQ(now.x, was.x);
      EXPECT_EQ(now.y, 1080.0 - was.y);
      EXPECT_EQ(now.gx, was.gx);
      EXPECT_EQ(now.gy, 2.0 * oy - was.gy);
      if (i < 2) {
        const Shape& h = old.hor[pointPartner[j] * 2 + i];
        EXPECT_EQ(ShapeOf(grid.GetLineHor(j, i)), (Shape{h.curve, h.startX, -h.startY, h.endX, -h.endY}));
      }
    }
    for (int32_t j = 0; j < oy; ++j) {
      const Shape& v = old.ver[linePartner[j] * 3 + i];
      EXPECT_EQ(ShapeOf(grid.GetLineVer(j, i)), (Shape{v.curve, v.endX, -v.endY, v.startX, -v.startY}))
          << "vertical line " << j << "," << i;
    }
  }
}

TEST(Flip, EvenCountsMirrorTheMiddleInPlaceOddCountsHaveAMiddleLine) {
  CheckFlipH(4, {4, 3, 2, 1, 0}, {3, 2, 1, 0});
  CheckFlipH(3, {3, 2, 1, 0}, {2, 1, 0});
  CheckFlipV(4, {4, 3, 2, 1, 0}, {3, 2, 1, 0});
  CheckFlipV(3, {3, 2, 1, 0}, {2, 1, 0});
}

TEST(Flip, WorkedHandleExamples) {
  CWarpGridOpe wide;
  LayOut(wide, kFullHd, {8, 8}, {2, 2});
  CWarpOpeLine& h = *wide.GetLineHor(1, 0);
  h.m_curve = 1;
  h.m_handleStart = {10.0, 5.0};
  h.m_handleEnd = {-20.0, 3.0};
  ASSERT_EQ(wide.FlipH(), 0);
  EXPECT_EQ(ShapeOf(wide.GetLineHor(1, 1)), (Shape{1, 20.0, 3.0, -10.0, 5.0}));
  EXPECT_EQ(wide.GetLineHor(1, 0)->m_curve, 0);

  CWarpGridOpe flat;
  LayOut(flat, kFullHd, {8, 8}, {4, 1});
  CWarpOpeLine& v = *flat.GetLineVer(0, 3);
  v.m_handleStart = {1.0, 4.0};
  v.m_handleEnd = {2.0, -6.0};
  const OpePoint top = *flat.GetPoint(0, 3);
  const OpePoint bottom = *flat.GetPoint(1, 3);
  ASSERT_EQ(flat.FlipV(), 0);
  EXPECT_EQ(ShapeOf(flat.GetLineVer(0, 3)), (Shape{0, 2.0, 6.0, 1.0, -4.0}));
  EXPECT_EQ(flat.GetPoint(0, 3)->y, 1080.0 - bottom.y);
  EXPECT_EQ(flat.GetPoint(1, 3)->y, 1080.0 - top.y);
}

TEST(Flip, DefaultHandlesKeepTheirValues) {
  for (const GridSize ope : {GridSize{4, 3}, GridSize{3, 4}}) {
    CWarpGridOpe grid;
    LayOut(grid, kFullHd, {12, 12}, ope);
    const Snapshot old = Take(grid);
    ASSERT_EQ(grid.FlipH(), 0);
    ASSERT_EQ(grid.FlipV(), 0);
    const Snapshot now = Take(grid);
    EXPECT_EQ(now.hor, old.hor);  // a zero component may change sign
    EXPECT_EQ(now.ver, old.ver);
  }
}

TEST(Flip, SamplesStayAndTwoFlipsRestoreTheShapes) {
  CWarpGridOpe grid;
  LayOut(grid, kFullHd, {10, 7}, {3, 2});
  Tag(grid);
  const Snapshot old = Take(grid);
  ASSERT_EQ(grid.FlipH(), 0);
  ASSERT_EQ(grid.FlipV(), 0);
  EXPECT_EQ(Take(grid).samples, old.samples);
  ASSERT_EQ(grid.FlipV(), 0);
  ASSERT_EQ(grid.FlipH(), 0);
  const Snapshot back = Take(grid);
  EXPECT_EQ(back.hor, old.hor);
  EXPECT_EQ(back.ver, old.ver);
  for (size_t n = 0; n < old.points.size(); ++n) {
    EXPECT_NEAR(back.points[n].x, old.points[n].x, 1e-9);
    EXPECT_NEAR(back.points[n].y, old.points[n].y, 1e-9);
    EXPECT_NEAR(back.points[n].gx, old.points[n].gx, 1e-12);
  }
}

TEST(Flip, RefreshAfterAFlipGivesTheMirroredRealGrid) {
  GridPair g(kFullHd, {8, 6}, {4, 3});
  CWarpConverter conv;
  conv.MovePoint(g.ope, g.real, 1, 1, 41.3, -17.9);
  g.ope.GetLineHor(2, 0)->m_curve = 1;
  g.ope.GetLineHor(2, 0)->m_handleStart = {70.0, 55.0};
  conv.RefreshAll(g.ope, g.real);
  const std::vector<RealPoint> before(g.real.Points().begin(), g.real.Points().end());

  ASSERT_EQ(g.ope.FlipH(), 0);
  conv.RefreshAll(g.ope, g.real);
  for (int32_t r = 0; r <= 6; ++r) {
    for (int32_t c = 0; c <= 8; ++c) {
      const RealPoint& was = before[r * 9 + (8 - c)];
      EXPECT_NEAR(g.real.At(r, c).x, 1920.0 - was.x, 1.0 / 64) << r << "," << c;
      EXPECT_NEAR(g.real.At(r, c).y, was.y, 1.0 / 64) << r << "," << c;
    }
  }
}

TEST(Flip, EmptyGridIsLeftAlone) {
  CWarpGridOpe grid;
  EXPECT_EQ(grid.FlipH(), 0);
  EXPECT_EQ(grid.FlipV(), 0);
  EXPECT_EQ(grid.GetPoint(0, 0), nullptr);
}

}  // namespace
}  // namespace kvogc::gridtest
