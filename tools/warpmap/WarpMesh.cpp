#include "WarpMesh.h"

#include <cmath>

namespace kvogc::warpmap {

PointXY WarpMesh::Uv(int32_t row, int32_t col) const {
  if (!uv.empty()) return uv[size_t(row) * size_t(cols) + size_t(col)];
  return {double(col) / double(cols - 1), double(row) / double(rows - 1)};
}

bool WarpMap::Inside(size_t pixel) const {
  return !std::isnan(xy[2 * pixel]) && !std::isnan(xy[2 * pixel + 1]);
}

void CheckMapSize(int64_t width, int64_t height) {
  if (width < 1 || height < 1 || width > kMaxMapSide || height > kMaxMapSide ||
      width * height > kMaxMapPixels) {
    throw CFormatError("map size " + std::to_string(width) + " x " + std::to_string(height) +
                       " is out of range (1 to " + std::to_string(kMaxMapSide) +
                       " a side, at most " + std::to_string(kMaxMapPixels) + " pixels)");
  }
}

}  // namespace kvogc::warpmap
