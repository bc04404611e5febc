#include "grid/WarpGridOpe.h"

#include <algorithm>
#include <utility>

namespace kvogc {

namespace {

size_t Count(int32_t n) { return static_cast<size_t>(n); }

}  // namespace

int32_t CWarpGridOpe::Create() {
  m_created = m_opeGridNum;
  const size_t cols = Count(m_opeGridNum.cx);
  const size_t rows = Count(m_opeGridNum.cy);
  m_points.assign((rows + 1) * (cols + 1), OpePoint{0.0, 0.0, 0.0, 0.0});
  m_hLines.clear();
  m_vLines.clear();
  m_hLines.resize((rows + 1) * cols);
  m_vLines.resize(rows * (cols + 1));
  return 0;
}

int32_t CWarpGridOpe::Release() {
  m_points.clear();
  m_points.shrink_to_fit();
  m_hLines.clear();
  m_hLines.shrink_to_fit();
  m_vLines.clear();
  m_vLines.shrink_to_fit();
  m_created = {0, 0};
  m_panelSize = {0, 0};
  m_realGridNum = {0, 0};
  m_opeGridNum = {0, 0};
  return 0;
}

void CWarpGridOpe::Evaluate(CWarpOpeLine& line, const OpePoint& start, const OpePoint& end) {
  if (line.m_curve != 0) {
    line.CalcCurve(PositionOf(start), line.m_handleStart, PositionOf(end), line.m_handleEnd);
  } else {
    line.CalcStraight(PositionOf(start), PositionOf(end));
  }
}

int32_t CWarpGridOpe::InitPoints() {
  if (m_points.empty()) return 0;
  const int32_t ox = m_created.cx;
  const int32_t oy = m_created.cy;
  const double w = m_panelSize.cx;
  const double h = m_panelSize.cy;
  const double rx = m_realGridNum.cx;
  const double ry = m_realGridNum.cy;
  for (int32_t j = 0; j <= oy; ++j) {
    for (int32_t i = 0; i <= ox; ++i) {
      OpePoint& p = *GetPoint(j, i);
      p.x = (w * i) / ox;
      p.y = (h * j) / oy;
      p.gx = (rx * i) / ox;
      p.gy = (ry * j) / oy;
    }
  }
  const double handle = std::min((w / ox) * 0.3, (h / oy) * 0.3);
  for (int32_t j = 0; j <= oy; ++j) {
    for (int32_t i = 0; i < ox; ++i) {
      CWarpOpeLine& line = *GetLineHor(j, i);
      const OpePoint& start = *GetPoint(j, i);
      const OpePoint& end = *GetPoint(j, i + 1);
      line.SetRange(start.gx, end.gx);
      line.m_handleStart = {handle, 0.0};
      line.m_handleEnd = {-handle, 0.0};
      line.m_curve = 0;
      Evaluate(line, start, end);
    }
  }
  for (int32_t j = 0; j < oy; ++j) {
    for (int32_t i = 0; i <= ox; ++i) {
      CWarpOpeLine& line = *GetLineVer(j, i);
      const OpePoint& start = *GetPoint(j, i);
      const OpePoint& end = *GetPoint(j + 1, i);
      line.SetRange(start.gy, end.gy);
      line.m_handleStart = {0.0, handle};
      line.m_handleEnd = {0.0, -handle};
      line.m_curve = 0;
      Evaluate(line, start, end);
    }
  }
  return 0;
}

OpePoint* CWarpGridOpe::GetPoint(int32_t row, int32_t col) {
  return const_cast<OpePoint*>(std::as_const(*this).GetPoint(row, col));
}

const OpePoint* CWarpGridOpe::GetPoint(int32_t row, int32_t col) const {
  if (row < 0 || row > m_created.cy || col < 0 || col > m_created.cx || m_points.empty()) {
    return nullptr;
  }
  return &m_points[Count(row) * (Count(m_created.cx) + 1) + Count(col)];
}

CWarpOpeLine* CWarpGridOpe::GetLineHor(int32_t row, int32_t col) {
  return const_cast<CWarpOpeLine*>(std::as_const(*this).GetLineHor(row, col));
}

const CWarpOpeLine* CWarpGridOpe::GetLineHor(int32_t row, int32_t col) const {
  if (row < 0 || row > m_created.cy || col < 0 || col >= m_created.cx || m_hLines.empty()) {
    return nullptr;
  }
  return &m_hLines[Count(row) * Count(m_created.cx) + Count(col)];
}

CWarpOpeLine* CWarpGridOpe::GetLineVer(int32_t row, int32_t col) {
  return const_cast<CWarpOpeLine*>(std::as_const(*this).GetLineVer(row, col));
}

const CWarpOpeLine* CWarpGridOpe::GetLineVer(int32_t row, int32_t col) const {
  if (row < 0 || row >= m_created.cy || col < 0 || col > m_created.cx || m_vLines.empty()) {
    return nullptr;
  }
  return &m_vLines[Count(row) * (Count(m_created.cx) + 1) + Count(col)];
}

}  // namespace kvogc
