// Left-right and top-bottom mirroring of an operation grid: where nodes, curve
// flags and handles end up for even and odd counts, and what stays in place.
#include <gtest/gtest.h>

#include <vector>

#include "grid/WarpConverter.h"

namespace kvogc {
namespace {

constexpr GridSize kPanel{1920, 1080};

void LayOut(CWarpGridOpe& grid, GridSize real, GridSize ope) {
  grid.Release();
  grid.m_panelSize = kPanel;
  grid.m_realGridNum = real;
  grid.m_opeGridNum = ope;
  ASSERT_EQ(grid.Create(), 0);
  ASSERT_EQ(grid.InitPoints(), 0);
}

struct Shape {
  int32_t curve;
  RealPoint start;
  RealPoint end;
};

Shape ShapeOf(const CWarpOpeLine* line) {
  return {line->m_curve, line->m_handleStart, line->m_handleEnd};
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

void ExpectShape(const CWarpOpeLine* line, const Shape& want) {
  EXPECT_EQ(line->m_curve, want.curve);
  EXPECT_EQ(line->m_handleStart.x, want.start.x);
  EXPECT_EQ(line->m_handleStart.y, want.start.y);
  EXPECT_EQ(line->m_handleEnd.x, want.end.x);
  EXPECT_EQ(line->m_handleEnd.y, want.end.y);
}

struct Snapshot {
  std::vector<OpePoint> points;
  std::vector<Shape> hor, ver;
  std::vector<RealPoint> samples;
};

Snapshot Take(const CWarpGridOpe& grid) {
  Snapshot s;
  const GridSize n = grid.m_opeGridNum;
  for (int32_t j = 0; j <= n.cy; ++j) {
    for (int32_t i = 0; i <= n.cx; ++i) {
      s.points.push_back(*grid.GetPoint(j, i));
      if (i < n.cx) {
        s.hor.push_back(ShapeOf(grid.GetLineHor(j, i)));
        for (const RealPoint& p : grid.GetLineHor(j, i)->m_samples) s.samples.push_back(p);
      }
      if (j < n.cy) {
        s.ver.push_back(ShapeOf(grid.GetLineVer(j, i)));
        for (const RealPoint& p : grid.GetLineVer(j, i)->m_samples) s.samples.push_back(p);
      }
    }
  }
  return s;
}

// Checks a left-right flip against explicit partner tables: node column i takes
// over column pointPartner[i], horizontal line column i takes over horPartner[i].
void CheckFlipH(int32_t ox, const std::vector<int32_t>& pointPartner,
                const std::vector<int32_t>& horPartner) {
  CWarpGridOpe grid;
  LayOut(grid, {2 * ox, 4}, {ox, 2});
  Tag(grid);
  const Snapshot old = Take(grid);
  const int32_t stride = ox + 1;
  ASSERT_EQ(grid.FlipH(), 0);
  for (int32_t j = 0; j <= 2; ++j) {
    for (int32_t i = 0; i <= ox; ++i) {
      SCOPED_TRACE(testing::Message() << "node " << j << "," << i);
      const OpePoint& was = old.points[j * stride + pointPartner[i]];
      const OpePoint& now = *grid.GetPoint(j, i);
      EXPECT_EQ(now.x, 1920.0 - was.x);
      EXPECT_EQ(now.y, was.y);
      EXPECT_EQ(now.gx, 2.0 * ox - was.gx);
      EXPECT_EQ(now.gy, was.gy);
      if (j < 2) {
        const Shape& v = old.ver[j * stride + pointPartner[i]];
        ExpectShape(grid.GetLineVer(j, i), {v.curve, {-v.start.x, v.start.y}, {-v.end.x, v.end.y}});
      }
    }
    for (int32_t i = 0; i < ox; ++i) {
      SCOPED_TRACE(testing::Message() << "horizontal line " << j << "," << i);
      const Shape& h = old.hor[j * ox + horPartner[i]];
      ExpectShape(grid.GetLineHor(j, i), {h.curve, {-h.end.x, h.end.y}, {-h.start.x, h.start.y}});
    }
  }
  EXPECT_EQ(Take(grid).samples.size(), old.samples.size());
}

// The top-bottom twin: node row j takes over row pointPartner[j], vertical line
// row j takes over row verPartner[j].
void CheckFlipV(int32_t oy, const std::vector<int32_t>& pointPartner,
                const std::vector<int32_t>& verPartner) {
  CWarpGridOpe grid;
  LayOut(grid, {4, 2 * oy}, {2, oy});
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
        ExpectShape(grid.GetLineHor(j, i), {h.curve, {h.start.x, -h.start.y}, {h.end.x, -h.end.y}});
      }
    }
    for (int32_t j = 0; j < oy; ++j) {
      SCOPED_TRACE(testing::Message() << "vertical line " << j << "," << i);
      const Shape& v = old.ver[verPartner[j] * 3 + i];
      ExpectShape(grid.GetLineVer(j, i), {v.curve, {v.end.x, -v.end.y}, {v.start.x, -v.start.y}});
    }
  }
}

TEST(FlipH, EvenCountMirrorsTheMiddleColumnInPlace) {
  CheckFlipH(4, {4, 3, 2, 1, 0}, {3, 2, 1, 0});
}

TEST(FlipH, OddCountHasAMiddleHorizontalLine) { CheckFlipH(3, {3, 2, 1, 0}, {2, 1, 0}); }

TEST(FlipV, EvenCountMirrorsTheMiddleRowInPlace) { CheckFlipV(4, {4, 3, 2, 1, 0}, {3, 2, 1, 0}); }

TEST(FlipV, OddCountHasAMiddleVerticalLine) { CheckFlipV(3, {3, 2, 1, 0}, {2, 1, 0}); }

TEST(Flip, WorkedHandleExamples) {
  CWarpGridOpe wide;
  LayOut(wide, {8, 8}, {2, 2});
  CWarpOpeLine& h = *wide.GetLineHor(1, 0);
  h.m_curve = 1;
  h.m_handleStart = {10.0, 5.0};
  h.m_handleEnd = {-20.0, 3.0};
  ASSERT_EQ(wide.FlipH(), 0);
  ExpectShape(wide.GetLineHor(1, 1), {1, {20.0, 3.0}, {-10.0, 5.0}});
  EXPECT_EQ(wide.GetLineHor(1, 0)->m_curve, 0);

  CWarpGridOpe flat;
  LayOut(flat, {8, 8}, {4, 1});
  CWarpOpeLine& v = *flat.GetLineVer(0, 3);
  v.m_handleStart = {1.0, 4.0};
  v.m_handleEnd = {2.0, -6.0};
  const OpePoint top = *flat.GetPoint(0, 3);
  const OpePoint bottom = *flat.GetPoint(1, 3);
  ASSERT_EQ(flat.FlipV(), 0);
  ExpectShape(flat.GetLineVer(0, 3), {0, {2.0, 6.0}, {1.0, -4.0}});
  EXPECT_EQ(flat.GetPoint(0, 3)->y, 1080.0 - bottom.y);
  EXPECT_EQ(flat.GetPoint(1, 3)->y, 1080.0 - top.y);
}

TEST(Flip, DefaultHandlesKeepTheirValues) {
  for (const GridSize ope : {GridSize{4, 3}, GridSize{3, 4}}) {
    CWarpGridOpe grid;
    LayOut(grid, {12, 12}, ope);
    const Snapshot old = Take(grid);
    ASSERT_EQ(grid.FlipH(), 0);
    ASSERT_EQ(grid.FlipV(), 0);
    const Snapshot now = Take(grid);
    for (size_t n = 0; n < old.hor.size(); ++n) {
      EXPECT_EQ(now.hor[n].start.x, old.hor[n].start.x);
      EXPECT_EQ(now.hor[n].start.y, old.hor[n].start.y);
      EXPECT_EQ(now.hor[n].end.x, old.hor[n].end.x);
      EXPECT_EQ(now.hor[n].end.y, old.hor[n].end.y);
    }
    for (size_t n = 0; n < old.ver.size(); ++n) {
      EXPECT_EQ(now.ver[n].start.x, old.ver[n].start.x);
      EXPECT_EQ(now.ver[n].start.y, old.ver[n].start.y);
      EXPECT_EQ(now.ver[n].end.x, old.ver[n].end.x);
      EXPECT_EQ(now.ver[n].end.y, old.ver[n].end.y);
    }
  }
}

TEST(Flip, SamplesStayAndTwoFlipsRestoreTheShapes) {
  CWarpGridOpe grid;
  LayOut(grid, {10, 7}, {3, 2});
  Tag(grid);
  const Snapshot old = Take(grid);
  ASSERT_EQ(grid.FlipH(), 0);
  ASSERT_EQ(grid.FlipV(), 0);
  const Snapshot mid = Take(grid);
  ASSERT_EQ(mid.samples.size(), old.samples.size());
  for (size_t n = 0; n < old.samples.size(); ++n) {
    EXPECT_EQ(mid.samples[n].x, old.samples[n].x);
    EXPECT_EQ(mid.samples[n].y, old.samples[n].y);
  }
  ASSERT_EQ(grid.FlipV(), 0);
  ASSERT_EQ(grid.FlipH(), 0);
  const Snapshot back = Take(grid);
  for (size_t n = 0; n < old.hor.size(); ++n) {
    ExpectShape(grid.GetLineHor(static_cast<int32_t>(n) / 3, static_cast<int32_t>(n) % 3),
                old.hor[n]);
  }
  for (size_t n = 0; n < old.ver.size(); ++n) {
    ExpectShape(grid.GetLineVer(static_cast<int32_t>(n) / 4, static_cast<int32_t>(n) % 4),
                old.ver[n]);
  }
  for (size_t n = 0; n < old.points.size(); ++n) {
    EXPECT_NEAR(back.points[n].x, old.points[n].x, 1e-9);
    EXPECT_NEAR(back.points[n].y, old.points[n].y, 1e-9);
    EXPECT_NEAR(back.points[n].gx, old.points[n].gx, 1e-12);
  }
}

TEST(Flip, RefreshAfterAFlipGivesTheMirroredRealGrid) {
  CWarpGridOpe grid;
  CWarpGridReal real;
  real.Create(kPanel, {8, 6});
  LayOut(grid, {8, 6}, {4, 3});
  CWarpConverter conv;
  conv.MovePoint(grid, real, 1, 1, 41.3, -17.9);
  grid.GetLineHor(2, 0)->m_curve = 1;
  grid.GetLineHor(2, 0)->m_handleStart = {70.0, 55.0};
  conv.RefreshAll(grid, real);
  std::vector<RealPoint> before(real.Points().begin(), real.Points().end());

  ASSERT_EQ(grid.FlipH(), 0);
  conv.RefreshAll(grid, real);
  for (int32_t r = 0; r <= 6; ++r) {
    for (int32_t c = 0; c <= 8; ++c) {
      const RealPoint& was = before[r * 9 + (8 - c)];
      EXPECT_NEAR(real.At(r, c).x, 1920.0 - was.x, 1.0 / 64) << r << "," << c;
      EXPECT_NEAR(real.At(r, c).y, was.y, 1.0 / 64) << r << "," << c;
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
}  // namespace kvogc
