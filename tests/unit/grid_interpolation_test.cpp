// Cell interpolation, bilinear resampling and refreshes between the grids.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

#include "support/GridFixtures.h"

namespace kvogc::gridtest {
namespace {

TEST(ConvertCell, CellsShareOnlyTheColumnsOnTheirCommonLine) {
  // Divisions that are not multiples: columns 3 and 4 belong to different cells.
  GridPair g(kFullHd, {10, 10}, {3, 3});
  const std::pair<int, int> expected[3] = {{0, 3}, {4, 6}, {7, 10}};
  for (int32_t i = 0; i < 3; ++i) {
    Poison(g.real);
    ASSERT_EQ(CWarpConverter().ConvertCell(g.ope, 0, i, g.real), 0);
    std::set<int> written;
    std::set<int> want;
    for (int32_t c = 0; c <= 10; ++c) {
      if (g.real.At(0, c).x != kPoison) written.insert(c);
      if (c >= expected[i].first && c <= expected[i].second) want.insert(c);
    }
    EXPECT_EQ(written, want) << "cell column " << i;
  }
  // Real column 2 lies on operation line column 1: both cells write it, alike,
  // also with that line bent so that the value is not trivially even.
  GridPair h(kFullHd, {8, 8}, {4, 4});
  CWarpConverter conv;
  h.ope.GetPoint(1, 1)->x += 37.3;
  conv.UpdatePoint(h.ope, h.real, 1, 1);
  Poison(h.real);
  conv.ConvertCell(h.ope, 0, 0, h.real);
  const RealPoint left = h.real.At(1, 2);
  Poison(h.real);
  conv.ConvertCell(h.ope, 0, 1, h.real);
  ExpectSameBits(h.real.At(1, 2), left);
  EXPECT_NE(left.x, 480.0);
}

TEST(ConvertCell, DegenerateCellUsesFractionOne) {
  GridPair g(kFullHd, {8, 8}, {4, 4});
  // Collapse cell (0, 0) onto one point: every fraction divides 0 by 0.
  for (auto [j, i] : {std::pair{0, 0}, {0, 1}, {1, 0}, {1, 1}}) {
    *g.ope.GetPoint(j, i) = {100, 100, 2.0 * i, 2.0 * j};
  }
  for (auto [j, i] : {std::pair{0, 0}, {0, 1}, {1, 0}, {1, 1}}) {
    CWarpConverter().UpdatePoint(g.ope, g.real, j, i);
  }
  EXPECT_EQ(g.real.At(1, 1).x, 100.0);
  EXPECT_EQ(g.real.At(1, 1).y, 100.0);
}

TEST(SampleReal, EdgesAndOutside) {
  CWarpGridReal real;
  real.Create({800, 600}, {4, 3});
  real.At(3, 4) = {800.001, 600.003};
  const struct {
    double fy, fx;
    RealPoint want;
  } inside[] = {
      {1.5, 2.25, {450.0, 300.0}},
      {3.0, 1.5, {300.0, 600.0}},  // last row: only its two points, fr ignored
      {0.5, 4.0, {800.0, 100.0}},  // last column: only its two points
      {3.0, 4.0, {RoundPoint(800.001), RoundPoint(600.003)}},  // the last point, rounded
  };
  CWarpConverter conv;
  for (const auto& c : inside) {
    RealPoint out{7, 7};
    ASSERT_EQ(conv.SampleReal(real, c.fy, c.fx, out), 0);
    ExpectSameBits(out, c.want);
  }
  for (const auto& [fy, fx] :
       {std::pair{4.0, 0.0}, {0.0, 5.5}, {-1.5, 0.0}, {std::nan(""), 0.0}, {0.0, 1e20}}) {
    RealPoint out{7, 7};
    EXPECT_EQ(conv.SampleReal(real, fy, fx, out), KVOGC_E_UNEXPECTED);
    EXPECT_EQ(out.x, 7.0);
    EXPECT_EQ(out.y, 7.0);
  }
}

TEST(ConvertRealToOpe, NodesAndSamplesFollowTheRealGrid) {
  GridPair g(kFullHd, {8, 8}, {4, 4});
  g.real.At(2, 2) = {480.001, 270.002};  // node (1, 1) sits on real point (2, 2)
  g.real.At(2, 3) = {730.0, 280.0};
  g.ope.GetLineHor(1, 1)->m_curve = 1;
  // Stale first samples: every sample is taken afresh.
  g.ope.GetLineHor(1, 1)->m_samples[0] = g.ope.GetLineVer(1, 1)->m_samples[0] = {-1.0, -1.0};
  CWarpConverter conv;
  ASSERT_EQ(conv.ConvertRealToOpe(g.real, g.ope), 0);
  EXPECT_EQ(g.ope.GetPoint(1, 1)->x, RoundPoint(480.001));
  EXPECT_EQ(g.ope.GetPoint(1, 1)->y, RoundPoint(270.002));
  const CWarpOpeLine& line = *g.ope.GetLineHor(1, 1);
  EXPECT_NEAR(line.m_samples[0].x, 480.001, 1.0 / 64);
  EXPECT_NEAR(g.ope.GetLineVer(1, 1)->m_samples[0].y, 270.002, 1.0 / 64);
  EXPECT_EQ(line.m_samples[1].x, 730.0);
  EXPECT_EQ(line.m_samples[1].y, 280.0);
  EXPECT_EQ(line.m_curve, 1);  // flags and handles are left alone
  EXPECT_EQ(line.m_handleStart.x, 81.0);

  // A display grid samples between real points.
  GridPair disp(kFullHd, {4, 4}, {3, 3});
  for (RealPoint& p : disp.real.Points()) p.x += 3.0;
  conv.ConvertRealToOpe(disp.real, disp.ope);
  EXPECT_EQ(disp.ope.GetPoint(1, 1)->x, 643.0);
  EXPECT_EQ(disp.ope.GetLineHor(0, 0)->m_samples[1].x, 483.0);
}

// The one-pass refresh must give the same bits as UpdatePoint on every node.
// Each of the four lines at a node is evaluated from its own far end.
TEST(UpdatePoint, EvaluatesTheLinesAtANodeToTheirFarEnds) {
  GridPair g(kFullHd, {8, 8}, {4, 4});
  g.ope.GetPoint(1, 1)->y += 40.0;
  CWarpConverter().UpdatePoint(g.ope, g.real, 1, 1);
  const auto ends = [&](const CWarpOpeLine* line, int32_t j0, int32_t i0, int32_t j1, int32_t i1) {
    ExpectSameBits(line->m_samples.front(), {g.ope.GetPoint(j0, i0)->x, g.ope.GetPoint(j0, i0)->y});
    ExpectSameBits(line->m_samples.back(), {g.ope.GetPoint(j1, i1)->x, g.ope.GetPoint(j1, i1)->y});
  };
  ends(g.ope.GetLineHor(1, 0), 1, 0, 1, 1);
  ends(g.ope.GetLineHor(1, 1), 1, 1, 1, 2);
  ends(g.ope.GetLineVer(0, 1), 0, 1, 1, 1);
  ends(g.ope.GetLineVer(1, 1), 1, 1, 2, 1);
}

TEST(RefreshAll, MatchesUpdatePointOnEveryNodeBitForBit) {
  GridPair fast(kFullHd, {37, 23}, {5, 4});
  GridPair plain(kFullHd, {37, 23}, {5, 4});
  for (GridPair* g : {&fast, &plain}) {
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
  EXPECT_EQ(Bits(fast), Bits(plain));
}

}  // namespace
}  // namespace kvogc::gridtest
