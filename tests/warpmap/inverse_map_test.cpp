// The inverse map taken forward through its own triangles, at uncovered and
// folded places, and back to a mesh.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

#include "InverseMap.h"

namespace kvogc::warpmap::test {
namespace {

constexpr double kPanelW = 640.0, kPanelH = 360.0;

/// A cols x rows mesh whose node at texture (u, v) sits at forward(u, v).
WarpMesh MeshOf(int32_t cols, int32_t rows, const std::function<PointXY(double, double)>& forward) {
  WarpMesh mesh{cols, rows, {}, {}};
  for (int32_t r = 0; r < rows; ++r) {
    for (int32_t c = 0; c < cols; ++c) mesh.panel.push_back(forward(double(c) / (cols - 1), double(r) / (rows - 1)));
  }
  return mesh;
}

/// A smooth bend of a 640 x 360 panel, nowhere folded.
PointXY Bend(double u, double v) {
  return {40.0 + 560.0 * u + 12.0 * std::sin(3.0 * v + 1.0) + 30.0 * u * v,
          40.0 + 300.0 * v + 9.0 * std::cos(4.0 * u) - 20.0 * u * u};
}

// A general warp: each map entry, taken forward through the triangle its
// texture coordinate lies in, lands on its pixel centre within 1e-3 px.
TEST(InverseMap, MapsBackToThePixelCentreThroughItsTriangle) {
  const WarpMesh mesh = MeshOf(13, 8, Bend);
  const WarpMap map = InverseMap(mesh, kPanelW, kPanelH, 640, 360);
  const auto node = [&](int32_t r, int32_t c) { return mesh.panel[size_t(r) * 13 + size_t(c)]; };
  double worst = 0.0;
  size_t inside = 0;
  for (size_t p = 0; p < size_t(map.width) * size_t(map.height); ++p) {
    if (!map.Inside(p)) continue;
    ++inside;
    const double gu = map.xy[2 * p] * 12.0, gv = map.xy[2 * p + 1] * 7.0;
    const int32_t c = std::min(int32_t(gu), 11), r = std::min(int32_t(gv), 6);
    const double fu = gu - c, fv = gv - r;
    const PointXY a = node(r, c), b = node(r, c + 1), d = node(r + 1, c + 1), e = node(r + 1, c);
    // (a, b, d) above the diagonal, (a, d, e) below it.
    const PointXY q = fu >= fv ? PointXY{a.x + fu * (b.x - a.x) + fv * (d.x - b.x), a.y + fu * (b.y - a.y) + fv * (d.y - b.y)}
                               : PointXY{a.x + fu * (d.x - e.x) + fv * (e.x - a.x), a.y + fu * (d.y - e.y) + fv * (e.y - a.y)};
    worst = std::max({worst, std::abs(q.x - (double(p % 640) + 0.5)), std::abs(q.y - (double(p / 640) + 0.5))});
  }
  EXPECT_LT(worst, 1e-3);
  EXPECT_GT(inside, 150000u);
  EXPECT_FALSE(map.Inside(0));  // the bend leaves the panel's top-left corner dark
}

// A fold: the second column of cells is drawn over the first. The overlap
// shows the cell later in row-major order.
TEST(InverseMap, WhereCellsOverlapTheLaterCellWins) {
  WarpMesh mesh{3, 2, {{100, 100}, {300, 100}, {200, 100}, {100, 200}, {300, 200}, {200, 200}}, {}};
  const WarpMap map = InverseMap(mesh, kPanelW, kPanelH, 640, 360);
  // Pixel (250, 150) lies in both cells; the second cell (u 0.5..1, drawn
  // from x 300 back to 200) puts it at u = 0.75.
  const size_t p = 150 * 640 + 250;
  ASSERT_TRUE(map.Inside(p));
  EXPECT_NEAR(map.xy[2 * p], 0.5 + 0.5 * (300.0 - 250.5) / 100.0, 1e-6);
  // Pixel (150, 150) only the first cell covers.
  EXPECT_NEAR(map.xy[2 * (150 * 640 + 150)], 0.5 * 50.5 / 200.0, 1e-6);
}

// Remap units put pixel centres at integers and -1 outside.
TEST(InverseMap, RemapUnitsAddressSourcePixels) {
  const WarpMesh mesh = MeshOf(2, 2, [](double u, double v) { return PointXY{u * kPanelW, v * kPanelH}; });
  std::vector<float> map(2 * 64 * 36);
  RasteriseInverse(mesh, kPanelW, kPanelH, 64, 36, RemapUnits(64, 36), map);
  EXPECT_NEAR(map[2 * (5 * 64 + 7)], 7.0, 1e-5);
  EXPECT_NEAR(map[2 * (5 * 64 + 7) + 1], 5.0, 1e-5);
  const WarpMesh half = MeshOf(2, 2, [](double u, double v) { return PointXY{u * 320.0, v * kPanelH}; });
  RasteriseInverse(half, kPanelW, kPanelH, 64, 36, RemapUnits(64, 36), map);
  EXPECT_EQ(map[2 * 50], -1.0f);
}

// Back from a map to the mesh: the nodes come back within 1/64 px at the
// map's own resolution and at a coarser one; a map that misses part of the
// source names the node it cannot reach.
TEST(MeshFromMap, RecoversTheMeshNodes) {
  const WarpMesh mesh = MeshOf(13, 8, Bend);
  for (const auto& [w, h] : {std::pair{640, 360}, std::pair{320, 180}}) {
    const WarpMesh back = MeshFromMap(InverseMap(mesh, kPanelW, kPanelH, w, h), kPanelW, kPanelH, 13, 8);
    double worst = 0.0;
    for (size_t k = 0; k < mesh.panel.size(); ++k) {
      worst = std::max({worst, std::abs(back.panel[k].x - mesh.panel[k].x), std::abs(back.panel[k].y - mesh.panel[k].y)});
    }
    EXPECT_LT(worst, 1.0 / 64) << w << "x" << h;
  }
  const WarpMesh wide = MeshOf(3, 3, [](double u, double v) { return PointXY{-200.0 + 900.0 * u, 20.0 + 300.0 * v}; });
  try {
    MeshFromMap(InverseMap(wide, kPanelW, kPanelH, 640, 360), kPanelW, kPanelH, 3, 3);
    FAIL() << "a map cut off at the panel's edge reached every node";
  } catch (const CFormatError& error) {
    EXPECT_NE(std::string(error.what()).find("row 0, column 0"), std::string::npos) << error.what();
  }
}

// Bands of rows on several threads give the same bits as one thread, folds
// and all. (Also run under ThreadSanitizer.)
TEST(InverseMapThreads, GiveTheSameBitsAsOneThread) {
  WarpMesh mesh = MeshOf(13, 8, Bend);
  mesh.panel[40].x += 70.0;  // a fold, so that the overlap order matters
  std::vector<float> one(2 * 640 * 360), several(2 * 640 * 360);
  RasteriseInverse(mesh, 640.0, 360.0, 640, 360, MapUnits{}, one, 1);
  RasteriseInverse(mesh, 640.0, 360.0, 640, 360, MapUnits{}, several, 5);
  EXPECT_EQ(std::memcmp(one.data(), several.data(), one.size() * sizeof(float)), 0);
}

}  // namespace
}  // namespace kvogc::warpmap::test
