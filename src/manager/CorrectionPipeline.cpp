// The correction chain from the base (or reference) pair to the final pair,
// its inverse for moves, and the operations that set the corrections.
#include <algorithm>
#include <cassert>
#include <cmath>

#include "manager/GridManagerCommon.h"
#include "support/Numeric.h"

namespace kvogc {

namespace {

// Host keystone shifts are scaled to the keystone's eye offsets.
constexpr double kShiftDivisorX = 15.0;
constexpr double kShiftDivisorY = 30.0;

RealPoint CornerOf(const double* corner) { return {corner[0], corner[1]}; }

}  // namespace

void CGridManagerCommon::CopyRealGrid(const CWarpGridReal& source,
                                      CWarpGridReal& destination) const {
  for (int32_t row = 0; row <= m_realGridNum.cy; ++row) {
    const RealPoint* from = source.GetPoint(row, 0);
    RealPoint* to = destination.GetPoint(row, 0);
    assert(from != nullptr && to != nullptr);  // both grids have the manager's size
    std::copy_n(from, static_cast<size_t>(m_realGridNum.cx) + 1, to);
  }
}

void CGridManagerCommon::RunFourCornerStages(const GridPair& input) {
  m_linearity.ConvertPoints(input.real, m_lin.real, m_panelSize, m_realGridNum);
  m_linearity.ConvertGrid(input.ope, m_lin.ope);
  m_pinCushion.ConvertPoints(m_lin.real, m_pin.real, m_panelSize, m_realGridNum);
  m_pinCushion.ConvertGrid(m_lin.ope, m_pin.ope);
}

void CGridManagerCommon::RunKeyStoneStage(const GridPair& input) {
  m_keyStone.ConvertPoints(input.real, m_final.real, m_panelSize, m_realGridNum);
  m_keyStone.ConvertGrid(input.ope, m_final.ope);
}

// Every point goes through the chain, also after a move that changed a few:
// each stage maps a point on its own, but the pairs written here are written
// elsewhere too (the rotation-only keystone stage, the fit to the panel, which
// moves every point by the grid's extent, GetBasicFinalPosition, edits that do
// not re-apply), so untouched points of the last outputs need not be what the
// chain gives for the current input.
int32_t CGridManagerCommon::ApplyCorrections() {
  if (m_geoAdjEnable == 0) {
    CopyRealGrid(m_ref.real, m_final.real);
    m_converter.ConvertRealToOpe(m_final.real, m_final.ope);
    m_converter.ConvertRealToOpe(m_final.real, m_opeDisp);
    return KVOGC_OK;
  }
  const GridPair& input = m_geoAdjMode != 0 ? m_ref : Base();
  if (m_keyStoneMode == 0) {
    RunFourCornerStages(input);
    RunKeyStoneStage(m_pin);
  } else {
    RunKeyStoneStage(input);
  }
  m_converter.ConvertRealToOpe(m_final.real, m_opeDisp);
  return KVOGC_OK;
}

RealPoint CGridManagerCommon::InvertCorrections(const RealPoint& corrected) {
  RealPoint p{};
  m_keyStone.InvertPoint(corrected, p, m_panelSize);
  if (m_keyStoneMode != 0) return p;
  RealPoint q{};
  m_pinCushion.InvertPoint(p, q);
  m_linearity.InvertPoint(q, p, m_panelSize);
  return p;
}

RealPoint CGridManagerCommon::ConvertMoveDelta(int32_t row, int32_t col, RealPoint move) {
  const OpePoint& base = *Base().ope.GetPoint(row, col);
  const double lowX = -m_marginX - base.x;
  const double highX = m_panelSize.cx + m_marginX - base.x;
  const double lowY = -m_marginY - base.y;
  const double highY = m_panelSize.cy + m_marginY - base.y;
  const OpePoint& node = *m_final.ope.GetPoint(row, col);
  const RealPoint f{node.x, node.y};
  const RealPoint g{f.x + move.x, f.y + move.y};
  const RealPoint fBase = InvertCorrections(f);
  const RealPoint gBase = InvertCorrections(g);
  const double dx = gBase.x - fBase.x;
  const double dy = gBase.y - fBase.y;
  // Argument order matters for NaN: a NaN difference passes the clamp as NaN.
  return {std::max(std::min(dx, highX), lowX), std::max(std::min(dy, highY), lowY)};
}

int32_t CGridManagerCommon::FitToPanel(CWarpGridReal& grid) {
  const int32_t rx = m_realGridNum.cx;
  const int32_t ry = m_realGridNum.cy;
  const RealPoint& a = grid.At(ry / 2, rx / 2);
  const RealPoint& b = grid.At((ry + 1) / 2, (rx + 1) / 2);
  const RealPoint centre{(a.x + b.x) / 2, (a.y + b.y) / 2};
  const double w = m_panelSize.cx;
  const double h = m_panelSize.cy;
  double ox = 0.0;
  double oy = 0.0;
  const auto measure = [&](const RealPoint& p) {
    if (p.x < 0) ox = std::max(ox, std::fabs(p.x));
    if (p.x > w) ox = std::max(ox, std::fabs(p.x - w));
    if (p.y < 0) oy = std::max(oy, std::fabs(p.y));
    if (p.y > h) oy = std::max(oy, std::fabs(p.y - h));
  };
  for (int32_t c = 0; c <= rx; ++c) {
    measure(grid.At(0, c));
    measure(grid.At(ry, c));
  }
  for (int32_t r = 1; r < ry; ++r) {
    measure(grid.At(r, 0));
    measure(grid.At(r, rx));
  }
  const double rX = ox / (centre.x + ox);
  const double rY = oy / (centre.y + oy);
  const double r = std::max(rY, rX);
  if (r > 0) {
    for (RealPoint& p : grid.Points()) {
      p.x += (centre.x - p.x) * r;
      p.y += (centre.y - p.y) * r;
    }
  }
  return KVOGC_OK;
}

int32_t CGridManagerCommon::SetKeyStoneMode(int32_t mode) {
  // These recompute from the active base pair.
  if (BaseMissing()) return KVOGC_E_INVALIDARG;
  m_keyStoneMode = mode;
  if (m_geoAdjMode != 0) {
    m_comment.ScreenType = mode != 0 ? 2 : 1;
    m_comment.IsKeyStone = mode != 0 ? 1 : 0;
  }
  if (!Initialized()) return KVOGC_E_FAIL;
  if (mode != 0) return KVOGC_OK;
  m_keyStone.SetRotationOnly(m_comment.CornerRolling / 100.0,
                             static_cast<uint32_t>(m_comment.CornerIsFitSize), m_panelSize);
  ApplyCorrections();
  ReportDispGrid();
  ReportOpeGrid();
  return KVOGC_OK;
}

int32_t CGridManagerCommon::SetKeyStone(double pitching, double angle, double rolling, double th,
                                        double hShift, double vShift, double zOffset,
                                        int32_t isFitSize) {
  // These recompute from the active base pair.
  if (BaseMissing()) return KVOGC_E_INVALIDARG;
  m_comment.Angle = TruncToInt32(angle * 10);
  m_comment.Pitching = TruncToInt32(pitching * 10);
  m_comment.H_shift = TruncToInt32(hShift);
  m_comment.V_shift = TruncToInt32(vShift);
  m_comment.Th = TruncToInt32(th * 10);
  m_comment.KeyStoneRolling = TruncToInt32(rolling * 100);
  m_comment.KeyStoneIsFitSize = isFitSize;
  if (!Initialized()) return KVOGC_E_FAIL;
  if (m_keyStoneMode == 0) return KVOGC_OK;
  m_keyStone.SetParam(pitching, angle, rolling, th, hShift / kShiftDivisorX,
                      vShift / kShiftDivisorY, zOffset, static_cast<uint32_t>(isFitSize),
                      m_panelSize);
  ApplyCorrections();
  ReportDispGrid();
  ReportOpeGrid();
  ReportRealGrid();
  return KVOGC_OK;
}

int32_t CGridManagerCommon::SetLinearity(double vertical, double horizontal) {
  // These recompute from the active base pair.
  if (BaseMissing()) return KVOGC_E_INVALIDARG;
  m_comment.LinearityY = RoundToInt32(vertical / 90 * 127);
  m_comment.LinearityX = RoundToInt32(horizontal / 90 * 127);
  if (!Initialized()) return KVOGC_E_FAIL;
  m_linearity.SetParam(vertical, horizontal);
  ApplyCorrections();
  ReportDispGrid();
  ReportOpeGrid();
  return KVOGC_OK;
}

int32_t CGridManagerCommon::SetPinCushion(const double* leftUp, const double* rightUp,
                                          const double* rightLow, const double* leftLow,
                                          double left, double upper, double right, double lower,
                                          int32_t isFitSize) {
  if (leftUp == nullptr || rightUp == nullptr || rightLow == nullptr || leftLow == nullptr) {
    return KVOGC_E_INVALIDARG;
  }
  if (BaseMissing()) return KVOGC_E_INVALIDARG;
  StorePinCushionComment(leftUp, rightUp, rightLow, leftLow, left, upper, right, lower, isFitSize);
  if (!Initialized()) return KVOGC_E_FAIL;
  m_pinCushion.SetParam(CornerOf(leftUp), CornerOf(rightUp), CornerOf(rightLow),
                        CornerOf(leftLow), left, upper, right, lower,
                        static_cast<uint32_t>(isFitSize));
  ApplyCorrections();
  ReportDispGrid();
  ReportOpeGrid();
  return KVOGC_OK;
}

void CGridManagerCommon::StorePinCushionComment(const double* leftUp, const double* rightUp,
                                                const double* rightLow, const double* leftLow,
                                                double left, double upper, double right,
                                                double lower, int32_t isFitSize) {
  const double w = m_panelSize.cx;
  const double h = m_panelSize.cy;
  // A device keeps its corners in whole pixels, the text managers in tenths.
  const auto corner = [this](double pixels) {
    return RoundToInt32(m_traits.device ? pixels : pixels * 10);
  };
  m_comment.LeftLowX = corner(w * leftLow[0]);
  m_comment.LeftLowY = corner((leftLow[1] - 1) * h);
  m_comment.LeftUpX = corner(w * leftUp[0]);
  m_comment.LeftUpY = corner(h * leftUp[1]);
  m_comment.RightLowX = corner((rightLow[0] - 1) * w);
  m_comment.RightLowY = corner((rightLow[1] - 1) * h);
  m_comment.RightUpX = corner((rightUp[0] - 1) * w);
  m_comment.RightUpY = corner(h * rightUp[1]);
  m_comment.PincushionUpper = TruncToInt32(upper * 100);
  m_comment.PincushionLower = TruncToInt32(lower * 100);
  m_comment.PincushionLeft = TruncToInt32(left * 100);
  m_comment.PincushionRight = TruncToInt32(right * 100);
  m_comment.CornerIsFitSize = isFitSize;
}

int32_t CGridManagerCommon::Set4CornerRotation(double rolling, int32_t isFitSize) {
  m_comment.CornerRolling = TruncToInt32(rolling * 100);
  m_comment.CornerIsFitSize = isFitSize;
  if (!Initialized()) return KVOGC_E_FAIL;
  if (m_geoAdjEnable != 0) {
    // The exact angle, not the two decimals the record keeps; linearity and
    // pincushion are not run again, their last outputs are reused.
    m_keyStone.SetRotationOnly(rolling, static_cast<uint32_t>(isFitSize), m_panelSize);
    RunKeyStoneStage(m_pin);
  } else {
    CopyRealGrid(m_ref.real, m_final.real);
    m_converter.ConvertRealToOpe(m_final.real, m_final.ope);
  }
  m_converter.ConvertRealToOpe(m_final.real, m_opeDisp);
  ReportDispGrid();
  ReportOpeGrid();
  ReportRealGrid();
  return KVOGC_OK;
}

int32_t CGridManagerCommon::GetBasicFinalPosition(int32_t xSel, int32_t ySel, double* out) {
  // Runs on whatever the grids hold; before set-up they hold nothing to pick.
  if (const int32_t ready = CheckReady(); ready != KVOGC_OK) return ready;
  RunFourCornerStages(Base());
  RunKeyStoneStage(m_pin);
  if ((xSel != 0 && xSel != 1) || (ySel != 0 && ySel != 1)) return KVOGC_OK;
  if (out == nullptr) return KVOGC_E_INVALIDARG;
  const RealPoint& corner =
      m_final.real.At(ySel == 0 ? 0 : m_realGridNum.cy, xSel == 0 ? 0 : m_realGridNum.cx);
  out[0] = corner.x;
  out[1] = corner.y;
  return KVOGC_OK;
}

int32_t CGridManagerCommon::AutoReduction(int32_t isFitSize) {
  if (m_keyStoneMode != 0) {
    m_comment.KeyStoneIsFitSize = isFitSize;
  } else {
    m_comment.CornerIsFitSize = isFitSize;
  }
  if (!Initialized()) return KVOGC_E_FAIL;
  int32_t result = KVOGC_OK;
  if (m_geoAdjEnable == 1) {
    if (isFitSize != 0) result = FitToPanel(m_final.real);
    m_converter.ConvertRealToOpe(m_final.real, m_opeDisp);
    m_converter.ConvertRealToOpe(m_final.real, m_final.ope);
  } else {
    m_converter.ConvertRealToOpe(m_ref.real, m_opeDisp);
    m_converter.ConvertRealToOpe(m_ref.real, m_final.ope);
  }
  ReportDispGrid();
  ReportOpeGrid();
  return result;
}

int32_t CGridManagerCommon::InitBasicCalcParam() {
  // The keystone is reset from the panel size, which only set-up provides.
  if (!Initialized()) return KVOGC_E_FAIL;
  m_linearity.SetParam(0.0, 0.0);
  m_pinCushion.Reset();
  m_keyStone.SetRotationOnly(0.0, 0, m_panelSize);
  return KVOGC_OK;
}

}  // namespace kvogc
