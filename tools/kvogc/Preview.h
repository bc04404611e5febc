// The preview picture of a warp: the panel, the uncorrected base grid faintly,
// the final real grid thin, and the final operation grid's boundary lines and
// nodes on top.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "kvogc/kvogc.h"

namespace kvogc::tool {

/// Grids in panel pixels, (x, y) pairs row by row, laid out as the callbacks report them.
struct PreviewGrids {
  GridSize panelSize{0, 0};
  GridSize realGridNum{0, 0};
  std::vector<double> base;  ///< uncorrected real grid; may be empty
  std::vector<double> real;  ///< final real grid
  GridSize opeGridNum{0, 0};
  std::vector<double> opeNodes;
  std::vector<double> opeHLines;  ///< opeHCount samples per row
  std::vector<double> opeVLines;  ///< opeVCount samples per column
  int32_t opeHCount = 0;
  int32_t opeVCount = 0;
};

/// The default and the allowed range of the picture's longer side, in pixels.
inline constexpr int kDefaultPreviewSize = 1280;
inline constexpr int kMinPreviewSize = 160;
inline constexpr int kMaxPreviewSize = 8192;

/// The picture's size for a panel: the panel plus a tenth of it on every side,
/// scaled so that the longer side is `size` pixels.
cv::Size PreviewSize(GridSize panelSize, int size);

/// Draws the grids; `caption` is written in the top margin. Points that are
/// not finite are left out; arrays shorter than their sizes say are not read.
cv::Mat DrawPreview(const PreviewGrids& grids, int size, const std::string& caption);

/// The picture as PNG bytes.
std::string EncodePng(const cv::Mat& picture);

}  // namespace kvogc::tool
