#include "grid/WarpOpeLine.h"

#include <cmath>

#include "grid/Rounding.h"

namespace kvogc {

int32_t CWarpOpeLine::SetRange(double a, double b) {
  // One sample per whole real-grid coordinate strictly inside (a, b), plus both
  // ends; trunc(b - a) + 3 always covers that, and the count shrinks to fit.
  // A reversed or non-finite range (never produced by the grids) keeps just the ends.
  const double span = b - a;
  const uint32_t capacity =
      span >= 0.0 && span < 1e9 ? static_cast<uint32_t>(std::trunc(span)) + 3u : 2u;
  m_samples.assign(capacity, RealPoint{0.0, 0.0});
  m_params.assign(capacity, 0.0);
  m_count = capacity;
  m_params[0] = 0.0;
  const double whole = std::trunc(a);
  for (uint32_t k = 1; k < m_count; ++k) {
    const double c = whole + static_cast<double>(k);
    if (b > c) {
      m_params[k] = (c - a) / (b - a);
      continue;
    }
    m_params[k] = 1.0;
    m_count = k + 1;
    break;
  }
  m_samples.resize(m_count);
  m_params.resize(m_count);
  return 0;
}

int32_t CWarpOpeLine::CalcStraight(RealPoint p0, RealPoint p1) {
  for (uint32_t k = 0; k < m_count; ++k) {
    const double t = m_params[k];
    const double x = t * p1.x + (1.0 - t) * p0.x;
    const double y = p0.y * (1.0 - t) + p1.y * t;
    m_samples[k] = {RoundSample(x), RoundSample(y)};
  }
  return 0;
}

int32_t CWarpOpeLine::CalcCurve(RealPoint p0, RealPoint h0, RealPoint p1, RealPoint h1) {
  const RealPoint c0{p0.x + h0.x, p0.y + h0.y};
  const RealPoint c1{p1.x + h1.x, p1.y + h1.y};
  for (uint32_t k = 0; k < m_count; ++k) {
    const double t = m_params[k];
    const double s = 1.0 - t;
    const double w0 = s * s * s;
    const double w1 = 3.0 * s * s * t;
    const double w2 = 3.0 * s * t * t;
    const double w3 = t * t * t;
    const double x = w0 * p0.x + w1 * c0.x + w2 * c1.x + w3 * p1.x;
    const double y = w0 * p0.y + w1 * c0.y + w2 * c1.y + w3 * p1.y;
    m_samples[k] = {RoundSample(x), RoundSample(y)};
  }
  return 0;
}

}  // namespace kvogc
