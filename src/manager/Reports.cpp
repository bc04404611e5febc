// Filling the report buffers and calling the host's callbacks.
#include "manager/GridManagerCommon.h"

#include <algorithm>

namespace kvogc {

namespace {

// Appends the line's samples at `index` (in points) while the buffer has room.
void AppendSamples(const CWarpOpeLine* line, std::span<double> buffer, size_t& index,
                   int32_t* count) {
  if (line == nullptr) return;
  const size_t room = buffer.size() / 2 - index;
  const size_t n = std::min<size_t>(line->m_count, room);
  for (size_t k = 0; k < n; ++k) {
    buffer[2 * (index + k)] = line->m_samples[k].x;
    buffer[2 * (index + k) + 1] = line->m_samples[k].y;
  }
  index += n;
  if (count != nullptr) *count += static_cast<int32_t>(line->m_count);
}

}  // namespace

void CGridManagerCommon::ExportRealGrid(const CWarpGridReal& grid) {
  std::span<const RealPoint> points = grid.Points();
  const size_t n = std::min(points.size(), m_realBuf.size() / 2);
  for (size_t k = 0; k < n; ++k) {
    m_realBuf[2 * k] = points[k].x;
    m_realBuf[2 * k + 1] = points[k].y;
  }
}

void CGridManagerCommon::ExportLines(const CWarpGridOpe& grid, const GridSize& divisions,
                                     std::span<double> hBuf, std::span<double> vBuf,
                                     int32_t& hCount, int32_t& vCount) const {
  size_t index = 0;
  for (int32_t row = 0; row <= divisions.cy; ++row) {
    for (int32_t col = 0; col < divisions.cx; ++col) {
      AppendSamples(grid.GetLineHor(row, col), hBuf, index, row == 0 ? &hCount : nullptr);
    }
  }
  index = 0;
  for (int32_t col = 0; col <= divisions.cx; ++col) {
    for (int32_t row = 0; row < divisions.cy; ++row) {
      AppendSamples(grid.GetLineVer(row, col), vBuf, index, col == 0 ? &vCount : nullptr);
    }
  }
}

void CGridManagerCommon::ExportOpeGrid(const CWarpGridOpe& grid, int32_t& hCount,
                                       int32_t& vCount) {
  const int32_t cols = m_opeGridNum.cx + 1;
  for (int32_t row = 0; row <= m_opeGridNum.cy; ++row) {
    for (int32_t col = 0; col < cols; ++col) {
      const OpePoint* p = grid.GetPoint(row, col);
      if (p == nullptr) continue;
      const size_t k = static_cast<size_t>(row) * static_cast<size_t>(cols) + static_cast<size_t>(col);
      m_opeBuf[2 * k] = p->x;
      m_opeBuf[2 * k + 1] = p->y;
    }
  }
  ExportLines(grid, m_opeGridNum, m_opeHLineBuf, m_opeVLineBuf, hCount, vCount);
}

void CGridManagerCommon::ExportDispLines(const CWarpGridOpe& grid, int32_t& hCount,
                                         int32_t& vCount) {
  ExportLines(grid, m_dispGridNum, m_dispHLineBuf, m_dispVLineBuf, hCount, vCount);
}

void CGridManagerCommon::ReportRealGrid() {
  ExportRealGrid(m_final.real);
  if (m_onRealGrid != nullptr) {
    m_onRealGrid(m_realBuf.data(), m_realGridNum.cx, m_realGridNum.cy);
  }
}

void CGridManagerCommon::ReportOpeGrid() {
  int32_t hCount = 0;
  int32_t vCount = 0;
  ExportOpeGrid(m_final.ope, hCount, vCount);
  if (m_onOpeGrid != nullptr) {
    m_onOpeGrid(m_opeBuf.data(), m_opeHLineBuf.data(), m_opeVLineBuf.data(), hCount, vCount);
  }
}

void CGridManagerCommon::ReportDispGrid() {
  int32_t hCount = 0;
  int32_t vCount = 0;
  ExportDispLines(m_opeDisp, hCount, vCount);
  if (m_onDispGrid != nullptr) {
    m_onDispGrid(m_dispHLineBuf.data(), m_dispVLineBuf.data(), hCount, vCount);
  }
}

}  // namespace kvogc
