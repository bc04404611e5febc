// Operation grid, real grid and boundary lines: sampling, rounding, layout.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/GridFixtures.h"

namespace kvogc::gridtest {
namespace {

TEST(Rounding, HalvesGoAwayFromZeroAndHugeValuesPassUnchanged) {
  const struct {
    double (*round)(double);
    double in;
    double want;
  } cases[] = {
      {RoundSample, 10.0078125, 10.015625},  // 10 + 1/128
      {RoundSample, -0.0078125, -0.015625},   {RoundSample, 1919.999, 1920.0},
      {RoundPoint, 0.5 / 256, 1.0 / 256},     {RoundPoint, -0.5 / 256, -1.0 / 256},
      {RoundPoint, 0.4 / 256, 0.0},           {RoundPoint, 1.49 / 256, 1.0 / 256},
      {RoundPoint, -1.51 / 256, -2.0 / 256},  {RoundPoint, INFINITY, INFINITY},
      {RoundPoint, -INFINITY, -INFINITY},     {RoundPoint, 1e300, 1e300},
      {RoundSample, -3e18, -3e18},
  };
  for (const auto& c : cases) EXPECT_EQ(c.round(c.in), c.want) << c.in;
  EXPECT_TRUE(std::isnan(RoundPoint(std::nan(""))));
}

TEST(OpeLine, SamplesTheEndsAndEveryWholeCoordinateBetween) {
  const struct {
    double a, b;
    std::vector<double> params;  // empty: only the count is checked
    uint32_t count;
  } cases[] = {
      {0.0, 10.0, {0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1}, 11},
      {0.0, 10.0 / 3.0, {0, 0.3, 0.6, 0.9, 1}, 5},
      {10.0 / 3.0, 20.0 / 3.0, {0, 0.2, 0.5, 0.8, 1}, 5},
      {4.0, 4.0, {0, 1}, 2},
      {0.5, 3.4, {}, 5},  // the bound trunc(b - a) + 3 is reached
  };
  CWarpOpeLine line;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a << ".." << c.b);
    line.SetRange(c.a, c.b);
    ASSERT_EQ(line.m_count, c.count);
    EXPECT_EQ(line.m_params[0], 0.0);
    EXPECT_EQ(line.m_params[c.count - 1], 1.0);
    for (size_t k = 0; k < c.params.size(); ++k) EXPECT_DOUBLE_EQ(line.m_params[k], c.params[k]);
  }
  // Straight samples lie on the 1/64 lattice: the midpoint falls exactly half a
  // step off it on both axes.
  line.SetRange(0.0, 2.0);
  line.CalcStraight({0.0, 0.0}, {20.015625, -0.015625});
  EXPECT_EQ(line.m_samples[1].x, 10.015625);
  EXPECT_EQ(line.m_samples[1].y, -0.015625);
  line.SetRange(0.0, 7.0);
  line.CalcStraight({0.3, 1.7}, {1000.1, -33.3});
  for (const RealPoint& s : line.m_samples) {
    EXPECT_EQ(std::fmod(s.x * 64, 1.0), 0.0);
    EXPECT_EQ(std::fmod(s.y * 64, 1.0), 0.0);
  }
}

TEST(OpeLine, CurveWithDefaultHandlesStaysOnTheSegmentButSpacesUnevenly) {
  CWarpGridOpe grid;
  LayOut(grid, kFullHd, {8, 8}, {4, 4});
  CWarpOpeLine& line = *grid.GetLineHor(0, 0);
  line.m_curve = 1;
  CWarpGridOpe::Evaluate(line, *grid.GetPoint(0, 0), *grid.GetPoint(0, 1));
  ASSERT_EQ(line.m_count, 3u);
  EXPECT_EQ(line.m_samples[0].x, 0.0);
  EXPECT_EQ(line.m_samples[1].x, 240.0);  // 0.375*81 + 0.125*480 + 0.375*(480-81)
  EXPECT_EQ(line.m_samples[2].x, 480.0);
  for (const RealPoint& s : line.m_samples) EXPECT_EQ(s.y, 0.0);
  CWarpOpeLine& longer = *grid.GetLineVer(0, 0);
  longer.m_curve = 1;
  longer.SetRange(0.0, 4.0);
  CWarpGridOpe::Evaluate(longer, *grid.GetPoint(0, 0), *grid.GetPoint(1, 0));
  // t = 0.25 on a 270 px line with handles of 81 px (weights 27/64, 27/64, 9/64,
  // 1/64): 64.96875, where even spacing would give 67.5.
  EXPECT_EQ(longer.m_samples[1].y, 64.96875);
}

TEST(OpeGrid, InitPointsLaysOutEvenlyAndStraightensWithDefaultHandles) {
  CWarpGridOpe grid;
  LayOut(grid, kFullHd, {10, 8}, {3, 4});
  const OpePoint& p = *grid.GetPoint(2, 1);
  EXPECT_EQ(p.x, 640.0);
  EXPECT_EQ(p.y, 540.0);
  EXPECT_EQ(p.gx, 10.0 / 3.0);
  EXPECT_EQ(p.gy, 4.0);
  EXPECT_EQ(grid.GetLineHor(0, 1)->m_count, 5u);
  EXPECT_EQ(grid.GetLineHor(0, 1)->m_samples[1].x, 768.0);  // t = 0.2 from 640 to 1280

  // Handle length on a full-HD panel with 4 x 4 cells: the smaller of 144 and 81.
  LayOut(grid, kFullHd, {64, 36}, {4, 4});
  grid.GetLineHor(1, 1)->m_curve = 1;
  grid.GetLineHor(1, 1)->m_handleStart = {5, 5};
  grid.InitPoints();
  EXPECT_EQ(grid.GetLineHor(1, 1)->m_curve, 0);
  for (const CWarpOpeLine* h : {grid.GetLineHor(1, 1), grid.GetLineHor(2, 1)}) {
    EXPECT_EQ(h->m_handleStart.x, 81.0);
    EXPECT_EQ(h->m_handleStart.y, 0.0);
    EXPECT_EQ(h->m_handleEnd.x, -81.0);
  }
  EXPECT_EQ(grid.GetLineVer(0, 0)->m_handleStart.y, 81.0);
  EXPECT_EQ(grid.GetLineVer(0, 0)->m_handleEnd.y, -81.0);
}

}  // namespace
}  // namespace kvogc::gridtest
