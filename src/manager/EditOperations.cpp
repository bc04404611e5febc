// The host's edits of the base pair: absolute points, smoothing, moves, flips.
#include <utility>

#include "manager/GridManagerCommon.h"

namespace kvogc {

namespace {

// A flag tells the host that the clamp reduced a requested move to nothing.
// NaN requests count as non-zero, NaN results not as zero.
int32_t LimitFlag(double requested, double applied) {
  return requested != 0.0 && applied == 0.0 ? 1 : 0;
}

void WriteFlag(int32_t* flag, int32_t value) {
  if (flag != nullptr) *flag = value;
}

}  // namespace

template <typename Edit>
int32_t CGridManagerCommon::RunMove(int32_t refRow, int32_t refCol, RealPoint move,
                                    int32_t* limitX, int32_t* limitY, Edit&& edit) {
  if (const int32_t ready = CheckReady(); ready != KVOGC_OK) return ready;
  if (Base().ope.GetPoint(refRow, refCol) == nullptr) return KVOGC_E_INVALIDARG;
  const RealPoint applied = ConvertMoveDelta(refRow, refCol, move);
  // The converter checks the rest of the indices and touches nothing when it rejects them.
  const int32_t status = edit(applied.x, applied.y);
  if (status < 0) return status;
  WriteFlag(limitX, LimitFlag(move.x, applied.x));
  WriteFlag(limitY, LimitFlag(move.y, applied.y));
  ApplyCorrections();
  ReportRealGrid();
  ReportOpeGrid();
  ReportDispGrid();
  return status;
}

int32_t CGridManagerCommon::SetGridPointPosition(int32_t col, int32_t row, double x, double y) {
  if (const int32_t ready = CheckReady(); ready != KVOGC_OK) return ready;
  OpePoint* node = Base().ope.GetPoint(row, col);
  if (node == nullptr) return KVOGC_E_INVALIDARG;
  node->x = x;
  node->y = y;
  return m_converter.UpdatePoint(Base().ope, Base().real, row, col);
}

int32_t CGridManagerCommon::MovePoint(int32_t row, int32_t col, double dx, double dy,
                                      int32_t* limitX, int32_t* limitY) {
  return RunMove(row, col, {dx, dy}, limitX, limitY, [&](double mx, double my) {
    return m_converter.MovePoint(Base().ope, Base().real, row, col, mx, my);
  });
}

int32_t CGridManagerCommon::MoveLineHor(int32_t row, int32_t col, double dx, double dy) {
  return RunMove(row, col, {dx, dy}, nullptr, nullptr, [&](double mx, double my) {
    return m_converter.MoveLineHor(Base().ope, Base().real, row, col, mx, my);
  });
}

int32_t CGridManagerCommon::MoveLineHorMulti(int32_t row, int32_t colFirst, int32_t colLast,
                                             double dx, double dy, int32_t* limitX,
                                             int32_t* limitY) {
  return RunMove(row, colFirst, {dx, dy}, limitX, limitY, [&](double mx, double my) {
    return m_converter.MoveLineHorMulti(Base().ope, Base().real, row, colFirst, colLast, mx, my);
  });
}

int32_t CGridManagerCommon::MoveLineVer(int32_t row, int32_t col, double dx, double dy) {
  return RunMove(row, col, {dx, dy}, nullptr, nullptr, [&](double mx, double my) {
    return m_converter.MoveLineVer(Base().ope, Base().real, row, col, mx, my);
  });
}

int32_t CGridManagerCommon::MoveLineVerMulti(int32_t rowFirst, int32_t rowLast, int32_t col,
                                             double dx, double dy, int32_t* limitX,
                                             int32_t* limitY) {
  return RunMove(rowFirst, col, {dx, dy}, limitX, limitY, [&](double mx, double my) {
    return m_converter.MoveLineVerMulti(Base().ope, Base().real, rowFirst, rowLast, col, mx, my);
  });
}

int32_t CGridManagerCommon::MoveArea(int32_t row, int32_t col, double dx, double dy) {
  return RunMove(row, col, {dx, dy}, nullptr, nullptr, [&](double mx, double my) {
    return m_converter.MoveArea(Base().ope, Base().real, row, col, mx, my);
  });
}

int32_t CGridManagerCommon::MoveAreaMulti(int32_t rowFirst, int32_t rowLast, int32_t colFirst,
                                          int32_t colLast, double dx, double dy, int32_t* limitX,
                                          int32_t* limitY) {
  return RunMove(rowFirst, colFirst, {dx, dy}, limitX, limitY, [&](double mx, double my) {
    return m_converter.MoveAreaMulti(Base().ope, Base().real, rowFirst, rowLast, colFirst,
                                     colLast, mx, my);
  });
}

int32_t CGridManagerCommon::SetSmoothModeOnOff(int32_t on) {
  if (const int32_t ready = CheckReady(); ready != KVOGC_OK) return ready;
  for (int32_t row = 0; row <= m_opeGridNum.cy; ++row) {
    for (int32_t col = 0; col < m_opeGridNum.cx; ++col) Base().ope.GetLineHor(row, col)->m_curve = on;
  }
  for (int32_t row = 0; row < m_opeGridNum.cy; ++row) {
    for (int32_t col = 0; col <= m_opeGridNum.cx; ++col) Base().ope.GetLineVer(row, col)->m_curve = on;
  }
  m_converter.RefreshAll(Base().ope, Base().real);
  return KVOGC_OK;
}

int32_t CGridManagerCommon::SetSmoothLine(int32_t col, int32_t row, int32_t vertical,
                                          double startHandleX, double startHandleY,
                                          double endHandleX, double endHandleY) {
  if (const int32_t ready = CheckReady(); ready != KVOGC_OK) return ready;
  CWarpOpeLine* line =
      vertical != 0 ? Base().ope.GetLineVer(row, col) : Base().ope.GetLineHor(row, col);
  if (line != nullptr) {
    line->m_curve = 1;
    line->m_handleStart = {startHandleX, startHandleY};
    line->m_handleEnd = {endHandleX, endHandleY};
  }
  m_converter.UpdatePoint(Base().ope, Base().real, row, col);
  return KVOGC_OK;
}

int32_t CGridManagerCommon::SetLineSmoothOnOff(int32_t col, int32_t row, int32_t vertical,
                                               int32_t on) {
  if (const int32_t ready = CheckReady(); ready != KVOGC_OK) return ready;
  CWarpOpeLine* line =
      vertical != 0 ? Base().ope.GetLineVer(row, col) : Base().ope.GetLineHor(row, col);
  if (line == nullptr) return KVOGC_E_INVALIDARG;
  line->m_curve = on;
  m_converter.UpdatePoint(Base().ope, Base().real, row, col);
  return KVOGC_OK;
}

int32_t CGridManagerCommon::RefreshAllPoint() {
  if (const int32_t ready = CheckReady(); ready != KVOGC_OK) return ready;
  ApplyCorrections();
  ReportRealGrid();
  ReportOpeGrid();
  ReportDispGrid();
  return KVOGC_OK;
}

int32_t CGridManagerCommon::FlipV(int32_t withOpeGrid) {
  if (const int32_t ready = CheckReady(); ready != KVOGC_OK) return ready;
  const double h = m_panelSize.cy;
  const int32_t ry = m_realGridNum.cy;
  const int32_t half = (ry + 1) / 2;
  for (int32_t c = 0; c <= m_realGridNum.cx; ++c) {
    for (int32_t j = 0; j < half; ++j) {
      RealPoint& a = Base().real.At(j, c);
      RealPoint& b = Base().real.At(ry - j, c);
      std::swap(a, b);
      a.y = h - a.y;
      b.y = h - b.y;
    }
    if ((ry + 1) % 2 == 1) Base().real.At(half, c).y = h - Base().real.At(half, c).y;
  }
  return FinishFlip(withOpeGrid == 1 ? &CWarpGridOpe::FlipV : nullptr);
}

int32_t CGridManagerCommon::FlipH(int32_t withOpeGrid) {
  if (const int32_t ready = CheckReady(); ready != KVOGC_OK) return ready;
  const double w = m_panelSize.cx;
  const int32_t rx = m_realGridNum.cx;
  const int32_t half = (rx + 1) / 2;
  for (int32_t r = 0; r <= m_realGridNum.cy; ++r) {
    for (int32_t i = 0; i < half; ++i) {
      RealPoint& a = Base().real.At(r, i);
      RealPoint& b = Base().real.At(r, rx - i);
      std::swap(a, b);
      a.x = w - a.x;
      b.x = w - b.x;
    }
    if ((rx + 1) % 2 == 1) Base().real.At(r, half).x = w - Base().real.At(r, half).x;
  }
  return FinishFlip(withOpeGrid == 1 ? &CWarpGridOpe::FlipH : nullptr);
}

int32_t CGridManagerCommon::FinishFlip(int32_t (CWarpGridOpe::*flipOpe)()) {
  if (flipOpe != nullptr) {
    (Base().ope.*flipOpe)();
    // Same result as UpdatePoint on every node, column by column.
    m_converter.RefreshAll(Base().ope, Base().real);
  }
  ApplyCorrections();
  ReportRealGrid();
  ReportDispGrid();
  ReportOpeGrid();
  return KVOGC_OK;
}

}  // namespace kvogc
