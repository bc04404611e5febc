// Single-precision steps must survive the compiler pairing x and y of a point.
#include <gtest/gtest.h>

#include <vector>

#include "correction/SinglePrecision.h"
#include "grid/GridTypes.h"

namespace kvogc {
namespace {

// The shape that a vectorizer turns into one two-lane operation per point.
void HalveAll(std::vector<RealPoint>& pts, double ox, double oy, double scale) {
  for (RealPoint& p : pts) {
    p.x = ToSingle((p.x + ox) / scale);
    p.y = ToSingle((p.y + oy) / scale);
  }
}

TEST(SinglePrecision, PairedStepsStayOnFloatValues) {
  std::vector<RealPoint> pts;
  for (int k = 0; k < 64; ++k) pts.push_back({57.6015625 + k * 0.37, 1.0 + k * 1.91});
  HalveAll(pts, 10.199999809265137, 11.5, 1.0025);
  for (const RealPoint& p : pts) {
    volatile float fx = static_cast<float>(p.x);
    volatile float fy = static_cast<float>(p.y);
    EXPECT_EQ(p.x, static_cast<double>(fx));
    EXPECT_EQ(p.y, static_cast<double>(fy));
  }
  EXPECT_EQ(ToSingle(0.1), static_cast<double>(0.1f));  // the nearest float, not 0.1
}

}  // namespace
}  // namespace kvogc
