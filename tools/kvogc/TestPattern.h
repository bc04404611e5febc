// A picture to warp when there is none at hand: a checkerboard with a circle,
// a crosshair and labels, so that scale, straightness and orientation show.
#pragma once

#include <opencv2/core.hpp>

namespace kvogc::tool {

/// The pattern at `size` pixels, 8-bit BGR.
cv::Mat DrawTestPattern(cv::Size size);

}  // namespace kvogc::tool
