// Operation grid, real grid and boundary lines: sampling, rounding, layout.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "grid/Rounding.h"
#include "grid/WarpGridOpe.h"
#include "grid/WarpGridReal.h"
#include "grid/WarpOpeLine.h"

namespace kvogc {
namespace {

std::vector<double> Params(const CWarpOpeLine& line) {
  return {line.m_params.begin(), line.m_params.begin() + line.m_count};
}

void LayOut(CWarpGridOpe& grid, GridSize panel, GridSize real, GridSize ope) {
  grid.Release();
  grid.m_panelSize = panel;
  grid.m_realGridNum = real;
  grid.m_opeGridNum = ope;
  ASSERT_EQ(grid.Create(), 0);
  ASSERT_EQ(grid.InitPoints(), 0);
}

TEST(Rounding, HalvesGoAwayFromZero) {
  EXPECT_EQ(RoundSample(10.0078125), 10.015625);   // 10 + 1/128
  EXPECT_EQ(RoundSample(-0.0078125), -0.015625);
  EXPECT_EQ(RoundPoint(0.5 / 256), 1.0 / 256);
  EXPECT_EQ(RoundPoint(-0.5 / 256), -1.0 / 256);
  EXPECT_EQ(RoundPoint(0.4 / 256), 0.0);
  EXPECT_EQ(RoundPoint(1.49 / 256), 1.0 / 256);
  EXPECT_EQ(RoundPoint(-1.51 / 256), -2.0 / 256);
  EXPECT_EQ(RoundSample(1919.999), 1920.0);
}

TEST(Rounding, NonFiniteAndHugeValuesPassUnchanged) {
  EXPECT_TRUE(std::isnan(RoundPoint(std::nan(""))));
  EXPECT_EQ(RoundPoint(INFINITY), INFINITY);
  EXPECT_EQ(RoundPoint(-INFINITY), -INFINITY);
  EXPECT_EQ(RoundPoint(1e300), 1e300);
  EXPECT_EQ(RoundSample(-3e18), -3e18);
}

TEST(OpeLine, SampleCountsAndParameters) {
  CWarpOpeLine line;
  line.SetRange(0.0, 10.0);
  ASSERT_EQ(line.m_count, 11u);
  for (uint32_t k = 0; k < 11; ++k) EXPECT_DOUBLE_EQ(line.m_params[k], k / 10.0) << k;
  EXPECT_EQ(line.m_params[10], 1.0);

  line.SetRange(0.0, 10.0 / 3.0);
  ASSERT_EQ(line.m_count, 5u);
  const std::vector<double> firstThird{0.0, 0.3, 0.6, 0.9, 1.0};
  for (uint32_t k = 0; k < 5; ++k) EXPECT_NEAR(Params(line)[k], firstThird[k], 1e-15) << k;

  line.SetRange(10.0 / 3.0, 20.0 / 3.0);
  ASSERT_EQ(line.m_count, 5u);
  const std::vector<double> secondThird{0.0, 0.2, 0.5, 0.8, 1.0};
  for (uint32_t k = 0; k < 5; ++k) EXPECT_NEAR(Params(line)[k], secondThird[k], 1e-15) << k;

  line.SetRange(4.0, 4.0);
  EXPECT_EQ(Params(line), (std::vector<double>{0.0, 1.0}));

  line.SetRange(0.5, 3.4);  // the bound trunc(b - a) + 3 is reached
  EXPECT_EQ(line.m_count, 5u);
}

TEST(OpeLine, StraightSamplesLieOnTheSixtyFourthLattice) {
  CWarpOpeLine line;
  line.SetRange(0.0, 2.0);
  // The midpoint falls exactly half a step off the lattice on both axes.
  line.CalcStraight({0.0, 0.0}, {20.015625, -0.015625});
  EXPECT_EQ(line.m_samples[1].x, 10.015625);
  EXPECT_EQ(line.m_samples[1].y, -0.015625);
  line.SetRange(0.0, 7.0);
  line.CalcStraight({0.3, 1.7}, {1000.1, -33.3});
  for (uint32_t k = 0; k < line.m_count; ++k) {
    EXPECT_EQ(std::fmod(line.m_samples[k].x * 64, 1.0), 0.0);
    EXPECT_EQ(std::fmod(line.m_samples[k].y * 64, 1.0), 0.0);
  }
}

TEST(OpeLine, CurveWithDefaultHandlesStaysOnTheSegmentButSpacesUnevenly) {
  CWarpGridOpe grid;
  LayOut(grid, {1920, 1080}, {8, 8}, {4, 4});
  CWarpOpeLine& line = *grid.GetLineHor(0, 0);
  line.m_curve = 1;
  CWarpGridOpe::Evaluate(line, *grid.GetPoint(0, 0), *grid.GetPoint(0, 1));
  ASSERT_EQ(line.m_count, 3u);
  EXPECT_EQ(line.m_samples[0].x, 0.0);
  EXPECT_EQ(line.m_samples[2].x, 480.0);
  for (uint32_t k = 0; k < 3; ++k) EXPECT_EQ(line.m_samples[k].y, 0.0);
  // Handles of 81 px (not a third of 480) pull the midpoint: 0.375*81 + 0.125*480 + 0.375*(480-81)
  EXPECT_EQ(line.m_samples[1].x, 240.0);
  CWarpOpeLine& longer = *grid.GetLineVer(0, 0);
  longer.m_curve = 1;
  longer.SetRange(0.0, 4.0);
  CWarpGridOpe::Evaluate(longer, *grid.GetPoint(0, 0), *grid.GetPoint(1, 0));
  // t = 0.25 on a 270 px line with handles of 81 px: weights 27/64, 27/64, 9/64, 1/64.
  EXPECT_EQ(longer.m_samples[1].y, RoundSample(0.421875 * 81 + 0.140625 * 189 + 0.015625 * 270));
  EXPECT_NE(longer.m_samples[1].y, 67.5);
}

TEST(OpeGrid, InitPointsLaysOutEvenlyWithDefaultHandles) {
  CWarpGridOpe grid;
  LayOut(grid, {1920, 1080}, {10, 8}, {3, 4});
  const OpePoint& p = *grid.GetPoint(2, 1);
  EXPECT_EQ(p.x, 640.0);
  EXPECT_EQ(p.y, 540.0);
  EXPECT_EQ(p.gx, 10.0 / 3.0);
  EXPECT_EQ(p.gy, 4.0);
  // Handle length: the smaller of (1920/3)·0.3 and (1080/4)·0.3.
  EXPECT_EQ(grid.GetLineHor(0, 0)->m_handleStart.x, 81.0);
  EXPECT_EQ(grid.GetLineHor(0, 0)->m_handleEnd.x, -81.0);
  EXPECT_EQ(grid.GetLineVer(0, 0)->m_handleStart.y, 81.0);
  EXPECT_EQ(grid.GetLineVer(0, 0)->m_handleEnd.y, -81.0);
  EXPECT_EQ(grid.GetLineHor(0, 1)->m_count, 5u);
  EXPECT_EQ(grid.GetLineHor(0, 1)->m_samples[1].x, RoundSample(1280.0 * 0.2 + 640.0 * 0.8));
}

TEST(OpeGrid, DefaultHandleLengthOnAFullHdPanel) {
  CWarpGridOpe grid;
  LayOut(grid, {1920, 1080}, {64, 36}, {4, 4});
  EXPECT_EQ(grid.GetLineHor(2, 1)->m_handleStart.x, 81.0);
}

TEST(OpeGrid, InitPointsMakesCurvedLinesStraightAgain) {
  CWarpGridOpe grid;
  LayOut(grid, {1920, 1080}, {8, 8}, {4, 4});
  grid.GetLineHor(1, 1)->m_curve = 1;
  grid.GetLineHor(1, 1)->m_handleStart = {5, 5};
  grid.InitPoints();
  EXPECT_EQ(grid.GetLineHor(1, 1)->m_curve, 0);
  EXPECT_EQ(grid.GetLineHor(1, 1)->m_handleStart.x, 81.0);
}

TEST(OpeGrid, AccessorsRejectPositionsOutsideTheGrid) {
  CWarpGridOpe grid;
  LayOut(grid, {1920, 1080}, {8, 8}, {4, 2});
  EXPECT_NE(grid.GetPoint(2, 4), nullptr);
  EXPECT_EQ(grid.GetPoint(3, 0), nullptr);
  EXPECT_EQ(grid.GetPoint(0, 5), nullptr);
  EXPECT_EQ(grid.GetPoint(-1, 0), nullptr);
  EXPECT_NE(grid.GetLineHor(2, 3), nullptr);
  EXPECT_EQ(grid.GetLineHor(2, 4), nullptr);
  EXPECT_NE(grid.GetLineVer(1, 4), nullptr);
  EXPECT_EQ(grid.GetLineVer(2, 0), nullptr);
}

TEST(OpeGrid, ReleaseIsSafeOnEmptyAndRepeated) {
  CWarpGridOpe grid;
  EXPECT_EQ(grid.Release(), 0);
  EXPECT_EQ(grid.InitPoints(), 0);
  LayOut(grid, {100, 100}, {4, 4}, {2, 2});
  EXPECT_EQ(grid.Release(), 0);
  EXPECT_EQ(grid.Release(), 0);
  EXPECT_EQ(grid.m_opeGridNum.cx, 0);
  EXPECT_EQ(grid.m_realGridNum.cy, 0);
  EXPECT_EQ(grid.m_panelSize.cx, 0);
  EXPECT_EQ(grid.GetPoint(0, 0), nullptr);
}

TEST(RealGrid, CreatePlacesEvenPointsAndBoundsAccess) {
  CWarpGridReal grid;
  EXPECT_EQ(grid.GetPoint(0, 0), nullptr);
  grid.Create({1920, 1080}, {7, 3});
  EXPECT_EQ(grid.GetPoint(1, 3)->x, 1920.0 * 3 / 7);
  EXPECT_EQ(grid.GetPoint(1, 3)->y, 360.0);
  EXPECT_EQ(grid.GetPoint(3, 7)->x, 1920.0);
  EXPECT_EQ(grid.GetPoint(4, 0), nullptr);
  EXPECT_EQ(grid.GetPoint(0, 8), nullptr);
  grid.Create({100, 100}, {2, 2});  // re-sizing replaces the points
  EXPECT_EQ(grid.Points().size(), 9u);
  EXPECT_EQ(grid.GetPoint(2, 2)->x, 100.0);
}

}  // namespace
}  // namespace kvogc
