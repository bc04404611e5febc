// Meshes with known inverses for the warp map tests.
#pragma once

#include <cmath>
#include <functional>

#include "WarpMesh.h"

namespace kvogc::warpmap::test {

/// A cols x rows mesh whose node at texture (u, v) sits at forward(u, v).
inline WarpMesh MeshOf(int32_t cols, int32_t rows, const std::function<PointXY(double, double)>& forward) {
  WarpMesh mesh{cols, rows, {}, {}};
  for (int32_t r = 0; r < rows; ++r) {
    for (int32_t c = 0; c < cols; ++c) mesh.panel.push_back(forward(double(c) / (cols - 1), double(r) / (rows - 1)));
  }
  return mesh;
}

/// A smooth bend of a 640 x 360 panel, nowhere folded.
inline PointXY Bend(double u, double v) {
  return {40.0 + 560.0 * u + 12.0 * std::sin(3.0 * v + 1.0) + 30.0 * u * v,
          40.0 + 300.0 * v + 9.0 * std::cos(4.0 * u) - 20.0 * u * u};
}

}  // namespace kvogc::warpmap::test
