// The shapes a warp takes on its way in and out of the tool: a mesh of panel
// positions over the source's texture coordinates (what the real grid is),
// and a per-pixel map from panel pixels back to texture coordinates.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace kvogc::warpmap {

struct PointXY {
  double x = 0.0;
  double y = 0.0;
};

/// Panel positions of a grid of texture coordinates, row by row from the top.
/// Without `uv`, node (row, col) carries (col / (cols - 1), row / (rows - 1)).
struct WarpMesh {
  int32_t cols = 0;  ///< points per row
  int32_t rows = 0;  ///< points per column
  std::vector<PointXY> panel;
  std::vector<PointXY> uv;  ///< empty: the regular texture grid above

  PointXY Uv(int32_t row, int32_t col) const;
};

/// For each map pixel, row by row from the top, the source texture
/// coordinate shown there, normalised to [0, 1]; NaN where nothing is shown.
struct WarpMap {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<float> xy;  ///< (x, y) pairs

  bool Inside(size_t pixel) const;
};

/// Malformed input to a reader or an impossible request to a writer; the
/// message says what is wrong, the caller names the file.
class CFormatError : public std::runtime_error {
 public:
  explicit CFormatError(const std::string& message) : std::runtime_error(message) {}
};

/// The largest map the readers and the rasteriser accept, per side and in all.
inline constexpr int32_t kMaxMapSide = 16384;
inline constexpr int64_t kMaxMapPixels = int64_t{64} << 20;

/// Throws a CFormatError unless width x height is a map size the tool handles.
void CheckMapSize(int64_t width, int64_t height);

}  // namespace kvogc::warpmap
