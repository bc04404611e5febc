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
  if (Finite(m_srcCorners) && Finite(m_dstCorners)) {
    try {
      cv::Mat h =
          cv::findHomography(m_srcCorners, m_dstCorners, 0, 3.0, cv::noArray(), 2000, 0.995);
      if (h.rows > 0 && h.cols > 0 && h.type() == CV_64F && h.rows == 3 && h.cols == 3) {
        m_homography = h;
      }
    } catch (const cv::Exception&) {
      // An unsolvable cell is treated like an empty result.
    }
  }
  return HasHomography();
}

bool CBlockTransfer::HasHomography() const {
  return m_homography.rows == 3 && m_homography.cols == 3 && m_homography.type() == CV_64F;
}

RealPoint CBlockTransfer::Apply(const RealPoint& p) const {
  if (!HasHomography()) return p;
  const double* h0 = m_homography.ptr<double>(0);
  const double* h1 = m_homography.ptr<double>(1);
  const double* h2 = m_homography.ptr<double>(2);
  const double r0 = h0[0] * p.x + h0[1] * p.y + h0[2] * 1.0;
  const double r1 = h1[0] * p.x + h1[1] * p.y + h1[2] * 1.0;
  const double r2 = h2[0] * p.x + h2[1] * p.y + h2[2] * 1.0;
  return {r0 / r2, r1 / r2};
}

}  // namespace kvogc
