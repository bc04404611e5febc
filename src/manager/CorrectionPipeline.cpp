// The correction chain from the base (or reference) pair to the final pair,
// and the operations that set the corrections.
#include "manager/GridManagerCommon.h"

#include <algorithm>

#include "support/Numeric.h"

namespace kvogc {

namespace {

// Copies node positions and line samples between grids of the same layout.
void CopyOpeGrid(const CWarpGridOpe& source, CWarpGridOpe& destination) {
  for (int32_t row = 0; row <= source.m_opeGridNum.cy; ++row) {
    for (int32_t col = 0; col <= source.m_opeGridNum.cx; ++col) {
      const OpePoint* from = source.GetPoint(row, col);
      OpePoint* to = destination.GetPoint(row, col);
      if (from == nullptr || to == nullptr) continue;
      to->x = from->x;
      to->y = from->y;
      for (const bool vertical : {false, true}) {
        const CWarpOpeLine* a = vertical ? source.GetLineVer(row, col) : source.GetLineHor(row, col);
        CWarpOpeLine* b =
            vertical ? destination.GetLineVer(row, col) : destination.GetLineHor(row, col);
        if (a == nullptr || b == nullptr) continue;
        const uint32_t n = std::min(a->m_count, b->m_count);
        std::copy_n(a->m_samples.begin(), n, b->m_samples.begin());
      }
    }
  }
}

}  // namespace

void CGridManagerCommon::CopyRealGrid(const CWarpGridReal& source,
                                      CWarpGridReal& destination) const {
  for (int32_t row = 0; row <= m_realGridNum.cy; ++row) {
    for (int32_t col = 0; col <= m_realGridNum.cx; ++col) {
      const RealPoint* from = source.GetPoint(row, col);
      RealPoint* to = destination.GetPoint(row, col);
      if (from != nullptr && to != nullptr) *to = *from;
    }
  }
}

int32_t CGridManagerCommon::ApplyCorrections() {
  if (m_geoAdjEnable == 0) {
    CopyRealGrid(m_ref.real, m_final.real);
    m_converter.ConvertRealToOpe(m_final.real, m_final.ope);
    m_converter.ConvertRealToOpe(m_final.real, m_opeDisp);
    return KVOGC_OK;
  }
  const GridPair& input = m_geoAdjMode != 0 ? m_ref : m_base;
  // No corrector is in place yet: the final pair is the input pair.
  CopyRealGrid(input.real, m_final.real);
  CopyOpeGrid(input.ope, m_final.ope);
  m_converter.ConvertRealToOpe(m_final.real, m_opeDisp);
  return KVOGC_OK;
}

int32_t CGridManagerCommon::SetKeyStoneMode(int32_t mode) {
  m_keyStoneMode = mode;
  if (m_geoAdjMode != 0) {
    m_comment.ScreenType = mode != 0 ? 2 : 1;
    m_comment.IsKeyStone = mode != 0 ? 1 : 0;
  }
  return Initialized() ? KVOGC_E_NOTIMPL : KVOGC_E_FAIL;
}

int32_t CGridManagerCommon::SetKeyStone(double pitching, double angle, double rolling, double th,
                                        double hShift, double vShift, double /*zOffset*/,
                                        int32_t isFitSize) {
  m_comment.Angle = TruncToInt32(angle * 10);
  m_comment.Pitching = TruncToInt32(pitching * 10);
  m_comment.H_shift = TruncToInt32(hShift);
  m_comment.V_shift = TruncToInt32(vShift);
  m_comment.Th = TruncToInt32(th * 10);
  m_comment.KeyStoneRolling = TruncToInt32(rolling * 100);
  m_comment.KeyStoneIsFitSize = isFitSize;
  return Initialized() ? KVOGC_E_NOTIMPL : KVOGC_E_FAIL;
}

int32_t CGridManagerCommon::SetLinearity(double vertical, double horizontal) {
  m_comment.LinearityY = RoundToInt32(vertical / 90 * 127);
  m_comment.LinearityX = RoundToInt32(horizontal / 90 * 127);
  return Initialized() ? KVOGC_E_NOTIMPL : KVOGC_E_FAIL;
}

int32_t CGridManagerCommon::SetPinCushion(const double* leftUp, const double* rightUp,
                                          const double* rightLow, const double* leftLow,
                                          double left, double upper, double right, double lower,
                                          int32_t isFitSize) {
  if (leftUp == nullptr || rightUp == nullptr || rightLow == nullptr || leftLow == nullptr) {
    return KVOGC_E_INVALIDARG;
  }
  const double w = m_panelSize.cx;
  const double h = m_panelSize.cy;
  m_comment.LeftLowX = RoundToInt32(w * leftLow[0] * 10);
  m_comment.LeftLowY = RoundToInt32((leftLow[1] - 1) * h * 10);
  m_comment.LeftUpX = RoundToInt32(w * leftUp[0] * 10);
  m_comment.LeftUpY = RoundToInt32(h * leftUp[1] * 10);
  m_comment.RightLowX = RoundToInt32((rightLow[0] - 1) * w * 10);
  m_comment.RightLowY = RoundToInt32((rightLow[1] - 1) * h * 10);
  m_comment.RightUpX = RoundToInt32((rightUp[0] - 1) * w * 10);
  m_comment.RightUpY = RoundToInt32(h * rightUp[1] * 10);
  m_comment.PincushionUpper = TruncToInt32(upper * 100);
  m_comment.PincushionLower = TruncToInt32(lower * 100);
  m_comment.PincushionLeft = TruncToInt32(left * 100);
  m_comment.PincushionRight = TruncToInt32(right * 100);
  m_comment.CornerIsFitSize = isFitSize;
  return Initialized() ? KVOGC_E_NOTIMPL : KVOGC_E_FAIL;
}

int32_t CGridManagerCommon::Set4CornerRotation(double rolling, int32_t isFitSize) {
  m_comment.CornerRolling = TruncToInt32(rolling * 100);
  m_comment.CornerIsFitSize = isFitSize;
  return Initialized() ? KVOGC_E_NOTIMPL : KVOGC_E_FAIL;
}

int32_t CGridManagerCommon::GetBasicFinalPosition(int32_t /*xSel*/, int32_t /*ySel*/,
                                                  double* /*out*/) {
  return Initialized() ? KVOGC_E_NOTIMPL : KVOGC_E_FAIL;
}

int32_t CGridManagerCommon::AutoReduction(int32_t isFitSize) {
  if (m_keyStoneMode != 0) {
    m_comment.KeyStoneIsFitSize = isFitSize;
  } else {
    m_comment.CornerIsFitSize = isFitSize;
  }
  return Initialized() ? KVOGC_E_NOTIMPL : KVOGC_E_FAIL;
}

int32_t CGridManagerCommon::InitBasicCalcParam() {
  // The correctors arrive with the correction chain; until then there is nothing to reset.
  return KVOGC_OK;
}

}  // namespace kvogc
