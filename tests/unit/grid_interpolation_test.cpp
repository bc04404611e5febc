// Cell interpolation, bilinear resampling and refreshes between the grids.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "grid/Rounding.h"
#include "grid/WarpConverter.h"

namespace kvogc {
namespace {

struct Pair {
  CWarpGridReal real;
  CWarpGridOpe ope;

  Pair(GridSize panel, GridSize realNum, GridSize opeNum) {
    real.Create(panel, realNum);
    ope.m_panelSize = panel;
    ope.m_realGridNum = realNum;
    ope.m_opeGridNum = opeNum;
    ope.Create();
    ope.InitPoints();
  }
};

// Fills the real grid with a marker so that written points can be told apart.
void Poison(CWarpGridReal& real) {
  for (RealPoint& p : real.Points()) p = {-1e6, -1e6};
}

TEST(ConvertCell, UntouchedGridGivesEvenPositions) {
  Pair g({1920, 1080}, {8, 8}, {4, 4});
  CWarpGridReal even;
  even.Create({1920, 1080}, {8, 8});
  Poison(g.real);
  CWarpConverter conv;
  conv.RefreshAll(g.ope, g.real);
  for (int32_t r = 0; r <= 8; ++r) {
    for (int32_t c = 0; c <= 8; ++c) {
      EXPECT_EQ(g.real.At(r, c).x, even.At(r, c).x) << r << "," << c;
      EXPECT_EQ(g.real.At(r, c).y, even.At(r, c).y) << r << "," << c;
    }
  }
  EXPECT_EQ(g.real.At(0, 1).x, 240.0);
}

TEST(ConvertCell, CellColumnsDoNotShareWhenDivisionsAreNotMultiples) {
  Pair g({1920, 1080}, {10, 10}, {3, 3});
  CWarpConverter conv;
  const std::pair<int, int> expected[3] = {{0, 3}, {4, 6}, {7, 10}};
  for (int32_t i = 0; i < 3; ++i) {
    Poison(g.real);
    ASSERT_EQ(conv.ConvertCell(g.ope, 0, i, g.real), 0);
    std::set<int> written;
    for (int32_t c = 0; c <= 10; ++c) {
      if (g.real.At(0, c).x != -1e6) written.insert(c);
    }
    std::set<int> want;
    for (int c = expected[i].first; c <= expected[i].second; ++c) want.insert(c);
    EXPECT_EQ(written, want) << "cell column " << i;
  }
}

TEST(ConvertCell, SharedColumnIsWrittenIdenticallyByBothCells) {
  Pair g({1920, 1080}, {8, 8}, {4, 4});
  CWarpConverter conv;
  // Bend the shared vertical line so that the value is not trivially even.
  g.ope.GetPoint(1, 1)->x += 37.3;
  conv.UpdatePoint(g.ope, g.real, 1, 1);
  Poison(g.real);
  conv.ConvertCell(g.ope, 0, 0, g.real);
  const RealPoint left = g.real.At(1, 2);
  Poison(g.real);
  conv.ConvertCell(g.ope, 0, 1, g.real);
  EXPECT_EQ(g.real.At(1, 2).x, left.x);
  EXPECT_EQ(g.real.At(1, 2).y, left.y);
  EXPECT_NE(left.x, 480.0);
}

TEST(ConvertCell, MissingCellsFailAndWriteNothing) {
  Pair g({1920, 1080}, {8, 8}, {4, 4});
  CWarpConverter conv;
  Poison(g.real);
  EXPECT_EQ(conv.ConvertCell(g.ope, -1, 0, g.real), KVOGC_E_FAIL);
  EXPECT_EQ(conv.ConvertCell(g.ope, 4, 0, g.real), KVOGC_E_FAIL);
  EXPECT_EQ(conv.ConvertCell(g.ope, 0, 4, g.real), KVOGC_E_FAIL);
  for (const RealPoint& p : g.real.Points()) EXPECT_EQ(p.x, -1e6);
  CWarpGridReal never;  // a real grid that was never created has nothing to write
  EXPECT_EQ(conv.ConvertCell(g.ope, 0, 0, never), KVOGC_E_FAIL);
  EXPECT_EQ(conv.UpdatePoint(g.ope, never, 1, 1), 0);
}

TEST(ConvertCell, MovedNodeChangesOnlyItsFourCells) {
  Pair g({1920, 1080}, {16, 16}, {4, 4});
  CWarpGridReal before;
  before.Create({1920, 1080}, {16, 16});
  CWarpConverter conv;
  g.ope.GetPoint(2, 2)->x += 50;
  g.ope.GetPoint(2, 2)->y -= 20;
  conv.UpdatePoint(g.ope, g.real, 2, 2);
  for (int32_t r = 0; r <= 16; ++r) {
    for (int32_t c = 0; c <= 16; ++c) {
      const bool inside = r > 4 && r < 12 && c > 4 && c < 12;
      const bool moved = g.real.At(r, c).x != before.At(r, c).x || g.real.At(r, c).y != before.At(r, c).y;
      EXPECT_EQ(moved, inside) << r << "," << c;
    }
  }
  EXPECT_EQ(g.real.At(8, 8).x, 1010.0);
  EXPECT_EQ(g.real.At(8, 8).y, 520.0);
}

TEST(ConvertCell, DegenerateCellUsesFractionOne) {
  Pair g({1920, 1080}, {8, 8}, {4, 4});
  CWarpConverter conv;
  // Collapse cell (0, 0) onto one point: every fraction divides 0 by 0.
  for (auto [j, i] : {std::pair{0, 0}, {0, 1}, {1, 0}, {1, 1}}) *g.ope.GetPoint(j, i) = {100, 100, 2.0 * i, 2.0 * j};
  for (auto [j, i] : {std::pair{0, 0}, {0, 1}, {1, 0}, {1, 1}}) conv.UpdatePoint(g.ope, g.real, j, i);
  EXPECT_EQ(g.real.At(1, 1).x, 100.0);
  EXPECT_EQ(g.real.At(1, 1).y, 100.0);
}

TEST(SampleReal, EdgesAndOutside) {
  CWarpGridReal real;
  real.Create({800, 600}, {4, 3});
  real.At(3, 4) = {800.001, 600.003};
  CWarpConverter conv;
  RealPoint out{7, 7};
  ASSERT_EQ(conv.SampleReal(real, 1.5, 2.25, out), 0);
  EXPECT_EQ(out.x, 450.0);
  EXPECT_EQ(out.y, 300.0);
  // Last row: only the two points of that row, fr is ignored.
  ASSERT_EQ(conv.SampleReal(real, 3.0, 1.5, out), 0);
  EXPECT_EQ(out.x, 300.0);
  EXPECT_EQ(out.y, 600.0);
  // Last column: only the two points of that column.
  ASSERT_EQ(conv.SampleReal(real, 0.5, 4.0, out), 0);
  EXPECT_EQ(out.x, 800.0);
  EXPECT_EQ(out.y, 100.0);
  // The last point comes back unchanged but rounded to 1/256.
  ASSERT_EQ(conv.SampleReal(real, 3.0, 4.0, out), 0);
  EXPECT_EQ(out.x, RoundPoint(800.001));
  EXPECT_EQ(out.y, RoundPoint(600.003));
  out = {7, 7};
  EXPECT_EQ(conv.SampleReal(real, 4.0, 0.0, out), KVOGC_E_UNEXPECTED);
  EXPECT_EQ(conv.SampleReal(real, 0.0, 5.5, out), KVOGC_E_UNEXPECTED);
  EXPECT_EQ(conv.SampleReal(real, -1.5, 0.0, out), KVOGC_E_UNEXPECTED);
  EXPECT_EQ(conv.SampleReal(real, std::nan(""), 0.0, out), KVOGC_E_UNEXPECTED);
  EXPECT_EQ(conv.SampleReal(real, 0.0, 1e20, out), KVOGC_E_UNEXPECTED);
  EXPECT_EQ(out.x, 7.0);
  EXPECT_EQ(out.y, 7.0);
}

TEST(ConvertRealToOpe, NodesAndSamplesFollowTheRealGrid) {
  Pair g({1920, 1080}, {8, 8}, {4, 4});
  g.real.At(2, 2) = {480.001, 270.002};  // node (1, 1) sits on real point (2, 2)
  g.real.At(2, 3) = {730.0, 280.0};
  g.ope.GetLineHor(1, 1)->m_curve = 1;
  CWarpConverter conv;
  ASSERT_EQ(conv.ConvertRealToOpe(g.real, g.ope), 0);
  EXPECT_EQ(g.ope.GetPoint(1, 1)->x, RoundPoint(480.001));
  EXPECT_EQ(g.ope.GetPoint(1, 1)->y, RoundPoint(270.002));
  const CWarpOpeLine& line = *g.ope.GetLineHor(1, 1);
  EXPECT_EQ(line.m_samples[1].x, 730.0);
  EXPECT_EQ(line.m_samples[1].y, 280.0);
  EXPECT_EQ(line.m_curve, 1);  // flags and handles are left alone
  EXPECT_EQ(line.m_handleStart.x, 81.0);
}

TEST(ConvertRealToOpe, DisplayGridSamplesBetweenRealPoints) {
  CWarpGridReal real;
  real.Create({1920, 1080}, {4, 4});
  CWarpGridOpe disp;
  disp.m_panelSize = {1920, 1080};
  disp.m_realGridNum = {4, 4};
  disp.m_opeGridNum = {3, 3};
  disp.Create();
  disp.InitPoints();
  for (RealPoint& p : real.Points()) p.x += 3.0;
  CWarpConverter().ConvertRealToOpe(real, disp);
  EXPECT_EQ(disp.GetPoint(1, 1)->x, 643.0);
  EXPECT_EQ(disp.GetLineHor(0, 0)->m_samples[1].x, 483.0);
}

}  // namespace
}  // namespace kvogc

namespace kvogc {
namespace {

// The one-pass refresh must give the same bits as UpdatePoint on every node.
TEST(RefreshAll, MatchesUpdatePointOnEveryNodeBitForBit) {
  Pair fast({1920, 1080}, {37, 23}, {5, 4});
  Pair plain({1920, 1080}, {37, 23}, {5, 4});
  for (Pair* g : {&fast, &plain}) {
    for (int32_t j = 0; j <= 4; ++j) {
      for (int32_t i = 0; i <= 5; ++i) {
        g->ope.GetPoint(j, i)->x += 13.37 * ((i * 7 + j * 3) % 5) - 20.1;
        g->ope.GetPoint(j, i)->y += 9.11 * ((i + j * 5) % 4) - 11.3;
      }
    }
    g->ope.GetLineHor(1, 2)->m_curve = 1;
    g->ope.GetLineVer(2, 3)->m_curve = 1;
    g->ope.GetLineVer(2, 3)->m_handleStart = {40.5, 10.25};
  }
  CWarpConverter conv;
  conv.RefreshAll(fast.ope, fast.real);
  for (int32_t j = 0; j <= 4; ++j) {
    for (int32_t i = 0; i <= 5; ++i) conv.UpdatePoint(plain.ope, plain.real, j, i);
  }
  const auto a = fast.real.Points();
  const auto b = plain.real.Points();
  ASSERT_EQ(a.size(), b.size());
  for (size_t k = 0; k < a.size(); ++k) {
    ASSERT_EQ(a[k].x, b[k].x) << k;
    ASSERT_EQ(a[k].y, b[k].y) << k;
  }
}

}  // namespace
}  // namespace kvogc
