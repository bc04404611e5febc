// The working data of one pincushion inversion: the corners of one table cell on
// the corrected and the uncorrected side, and the homography between them.
#pragma once

#include <vector>

#include <opencv2/core/mat.hpp>
#include <opencv2/core/types.hpp>

#include "grid/GridTypes.h"

namespace kvogc {

class CBlockTransfer {
 public:
  CBlockTransfer();
  virtual ~CBlockTransfer();

  /// Estimates the homography taking m_srcCorners onto m_dstCorners. A cell with
  /// a non-finite corner, or one the estimator cannot solve, keeps the previous
  /// homography. Returns false when no homography is available at all.
  bool Estimate();
  bool HasHomography() const;
  /// Applies the current homography to p; p itself while there is none.
  RealPoint Apply(const RealPoint& p) const;

  std::vector<cv::Point2f> m_srcCorners;  // corrected side, always four
  std::vector<cv::Point2f> m_dstCorners;  // uncorrected side, always four
  cv::Mat m_homography;                   // last homography found; empty at first
};

}  // namespace kvogc
