#include "correction/BlockTransfer.h"

#include <cmath>

#include <opencv2/calib3d.hpp>
#include <opencv2/core.hpp>

namespace kvogc {

namespace {

bool Finite(const std::vector<cv::Point2f>& pts) {
  for (const cv::Point2f& p : pts) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
  }
  return true;
}

}  // namespace

CBlockTransfer::CBlockTransfer() : m_srcCorners(4), m_dstCorners(4) {}
CBlockTransfer::~CBlockTransfer() = default;

bool CBlockTransfer::Estimate() {
  // The estimator has no use for infinities or NaN and must not see them.
  if (!Finite(m_srcCorners) || !Finite(m_dstCorners)) return false;
  try {
    const cv::Mat h =
        cv::findHomography(m_srcCorners, m_dstCorners, 0, 3.0, cv::noArray(), 2000, 0.995);
    if (h.rows != 3 || h.cols != 3 || h.type() != CV_64F) return false;
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c) m_homography[static_cast<size_t>(3 * r + c)] = h.at<double>(r, c);
    }
    m_has = true;
    return true;
  } catch (const cv::Exception&) {
    // An unsolvable cell is treated like an empty result.
    return false;
  }
}

void CBlockTransfer::Use(const Homography& h) {
  m_homography = h;
  m_has = true;
}

RealPoint CBlockTransfer::Apply(const RealPoint& p) const {
  if (!m_has) return p;
  const Homography& h = m_homography;
  const double r0 = h[0] * p.x + h[1] * p.y + h[2] * 1.0;
  const double r1 = h[3] * p.x + h[4] * p.y + h[5] * 1.0;
  const double r2 = h[6] * p.x + h[7] * p.y + h[8] * 1.0;
  return {r0 / r2, r1 / r2};
}

}  // namespace kvogc
