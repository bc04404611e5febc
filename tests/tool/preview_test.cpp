// The preview picture: its size, where the grids land, and odd input.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <opencv2/imgcodecs.hpp>

#include "Preview.h"

namespace kvogc::tool {
namespace {

// An evenly spaced grid over a panel, (x, y) pairs row by row.
std::vector<double> EvenGrid(GridSize panel, GridSize div) {
  std::vector<double> points;
  for (int r = 0; r <= div.cy; ++r) {
    for (int c = 0; c <= div.cx; ++c) {
      points.push_back(static_cast<double>(panel.cx) * c / div.cx);
      points.push_back(static_cast<double>(panel.cy) * r / div.cy);
    }
  }
  return points;
}

PreviewGrids OneCell(GridSize panel) {
  PreviewGrids grids;
  grids.panelSize = panel;
  grids.realGridNum = {2, 2};
  grids.real = EvenGrid(panel, {2, 2});
  grids.base = grids.real;
  grids.opeGridNum = {1, 1};
  grids.opeNodes = EvenGrid(panel, {1, 1});
  // One sample list per row and column: both ends of each line.
  grids.opeHLines = {0, 0, double(panel.cx), 0, 0, double(panel.cy), double(panel.cx), double(panel.cy)};
  grids.opeVLines = {0, 0, 0, double(panel.cy), double(panel.cx), 0, double(panel.cx), double(panel.cy)};
  grids.opeHCount = 2;
  grids.opeVCount = 2;
  return grids;
}

TEST(PreviewSize, LongerSideIsTheRequestedSize) {
  EXPECT_EQ(PreviewSize({1920, 1080}, 1280), cv::Size(1280, 720));
  EXPECT_EQ(PreviewSize({1080, 1920}, 1280), cv::Size(720, 1280));
  EXPECT_EQ(PreviewSize({1280, 800}, 640), cv::Size(640, 400));
  EXPECT_EQ(PreviewSize({1920, 1080}, 10), cv::Size(160, 90)) << "clamped to the smallest";
  EXPECT_EQ(PreviewSize({16384, 1}, 8192), cv::Size(8192, 1));
}

TEST(Preview, NodesAndPanelLandWhereTheMappingPutsThem) {
  const GridSize panel{1000, 500};
  const cv::Mat picture = DrawPreview(OneCell(panel), 1200, "");
  ASSERT_EQ(picture.size(), cv::Size(1200, 600));
  // A tenth of the panel on each side: panel x runs over 1200/1.2 = 1000 picture pixels.
  const double scale = 1200.0 / 1200.0;
  const auto at = [&](double x, double y) {
    return picture.at<cv::Vec3b>(static_cast<int>(std::lround((y + 50) * scale)),
                                 static_cast<int>(std::lround((x + 100) * scale)));
  };
  const cv::Vec3b node = at(0, 0);
  EXPECT_LT(node[0], 100) << "a node is dark red";
  EXPECT_GT(node[2], 120);
  const cv::Vec3b inside = at(250, 125);
  EXPECT_EQ(inside, cv::Vec3b(255, 255, 255)) << "panel interior away from lines is white";
  const cv::Vec3b outside = picture.at<cv::Vec3b>(20, 1190);
  EXPECT_EQ(outside, cv::Vec3b(236, 236, 236)) << "outside the panel";
}

TEST(Preview, OddPointsAreLeftOutWithoutHarm) {
  PreviewGrids grids = OneCell({800, 600});
  const double nan = std::numeric_limits<double>::quiet_NaN();
  grids.real[0] = nan;
  grids.real[3] = std::numeric_limits<double>::infinity();
  grids.base[4] = 1e300;
  grids.opeNodes[1] = -1e300;
  grids.opeHLines.resize(3);  // shorter than its counts say
  grids.opeVCount = 1000;
  const cv::Mat picture = DrawPreview(grids, 400, "odd");
  EXPECT_EQ(picture.size(), cv::Size(400, 300));
}

}  // namespace
}  // namespace kvogc::tool
