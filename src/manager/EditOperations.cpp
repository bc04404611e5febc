// The host's edits of the base pair: absolute points, smoothing, moves, flips.
#include "manager/GridManagerCommon.h"

namespace kvogc {

int32_t CGridManagerCommon::SetGridPointPosition(int32_t col, int32_t row, double x, double y) {
  if (!Initialized()) return KVOGC_E_FAIL;
  OpePoint* node = m_base.ope.GetPoint(row, col);
  if (node == nullptr) return KVOGC_E_INVALIDARG;
  node->x = x;
  node->y = y;
  return m_converter.UpdatePoint(m_base.ope, m_base.real, row, col);
}

int32_t CGridManagerCommon::MovePoint(int32_t, int32_t, double, double, int32_t*, int32_t*) {
  return Initialized() ? KVOGC_E_NOTIMPL : KVOGC_E_FAIL;
}

int32_t CGridManagerCommon::MoveLineHor(int32_t, int32_t, double, double) {
  return Initialized() ? KVOGC_E_NOTIMPL : KVOGC_E_FAIL;
}

int32_t CGridManagerCommon::MoveLineHorMulti(int32_t, int32_t, int32_t, double, double, int32_t*,
                                             int32_t*) {
  return Initialized() ? KVOGC_E_NOTIMPL : KVOGC_E_FAIL;
}

int32_t CGridManagerCommon::MoveLineVer(int32_t, int32_t, double, double) {
  return Initialized() ? KVOGC_E_NOTIMPL : KVOGC_E_FAIL;
}

int32_t CGridManagerCommon::MoveLineVerMulti(int32_t, int32_t, int32_t, double, double, int32_t*,
                                             int32_t*) {
  return Initialized() ? KVOGC_E_NOTIMPL : KVOGC_E_FAIL;
}

int32_t CGridManagerCommon::MoveArea(int32_t, int32_t, double, double) {
  return Initialized() ? KVOGC_E_NOTIMPL : KVOGC_E_FAIL;
}

int32_t CGridManagerCommon::MoveAreaMulti(int32_t, int32_t, int32_t, int32_t, double, double,
                                          int32_t*, int32_t*) {
  return Initialized() ? KVOGC_E_NOTIMPL : KVOGC_E_FAIL;
}

int32_t CGridManagerCommon::SetSmoothModeOnOff(int32_t on) {
  if (!Initialized()) return KVOGC_E_FAIL;
  for (int32_t row = 0; row <= m_opeGridNum.cy; ++row) {
    for (int32_t col = 0; col < m_opeGridNum.cx; ++col) m_base.ope.GetLineHor(row, col)->m_curve = on;
  }
  for (int32_t row = 0; row < m_opeGridNum.cy; ++row) {
    for (int32_t col = 0; col <= m_opeGridNum.cx; ++col) m_base.ope.GetLineVer(row, col)->m_curve = on;
  }
  m_converter.RefreshAll(m_base.ope, m_base.real);
  return KVOGC_OK;
}

int32_t CGridManagerCommon::SetSmoothLine(int32_t col, int32_t row, int32_t vertical,
                                          double startHandleX, double startHandleY,
                                          double endHandleX, double endHandleY) {
  if (!Initialized()) return KVOGC_E_FAIL;
  CWarpOpeLine* line =
      vertical != 0 ? m_base.ope.GetLineVer(row, col) : m_base.ope.GetLineHor(row, col);
  if (line != nullptr) {
    line->m_curve = 1;
    line->m_handleStart = {startHandleX, startHandleY};
    line->m_handleEnd = {endHandleX, endHandleY};
  }
  m_converter.UpdatePoint(m_base.ope, m_base.real, row, col);
  return KVOGC_OK;
}

int32_t CGridManagerCommon::SetLineSmoothOnOff(int32_t col, int32_t row, int32_t vertical,
                                               int32_t on) {
  if (!Initialized()) return KVOGC_E_FAIL;
  CWarpOpeLine* line =
      vertical != 0 ? m_base.ope.GetLineVer(row, col) : m_base.ope.GetLineHor(row, col);
  if (line == nullptr) return KVOGC_E_INVALIDARG;
  line->m_curve = on;
  m_converter.UpdatePoint(m_base.ope, m_base.real, row, col);
  return KVOGC_OK;
}

int32_t CGridManagerCommon::RefreshAllPoint() {
  if (!Initialized()) return KVOGC_E_FAIL;
  ApplyCorrections();
  ReportRealGrid();
  ReportOpeGrid();
  ReportDispGrid();
  return KVOGC_OK;
}

int32_t CGridManagerCommon::FlipV(int32_t) { return Initialized() ? KVOGC_E_NOTIMPL : KVOGC_E_FAIL; }

int32_t CGridManagerCommon::FlipH(int32_t) { return Initialized() ? KVOGC_E_NOTIMPL : KVOGC_E_FAIL; }

}  // namespace kvogc
