// The working data of one pincushion inversion: the corners of one table cell on
// the corrected and the uncorrected side, and the homography between them.
#pragma once

#include <array>
#include <vector>

#include <opencv2/core/types.hpp>

#include "grid/GridTypes.h"

namespace kvogc {

/// A 3 x 3 homography, row-major.
using Homography = std::array<double, 9>;

class CBlockTransfer {
 public:
  CBlockTransfer();
  virtual ~CBlockTransfer();

  /// Estimates the homography taking m_srcCorners onto m_dstCorners. A cell with
  /// a non-finite corner, or one the estimator cannot solve, keeps the previous
  /// homography. Returns whether this cell was solved.
  bool Estimate();
  /// Makes h, an earlier estimate, the current homography.
  void Use(const Homography& h);
  bool HasHomography() const { return m_has; }
  const Homography& Current() const { return m_homography; }
  /// Applies the current homography to p; p itself while there is none.
  RealPoint Apply(const RealPoint& p) const;

  std::vector<cv::Point2f> m_srcCorners;  // corrected side, always four
  std::vector<cv::Point2f> m_dstCorners;  // uncorrected side, always four

 private:
  Homography m_homography{};  // last homography found
  bool m_has = false;         // none found yet
};

}  // namespace kvogc
