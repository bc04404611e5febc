#include "grid/WarpConverter.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "grid/Rounding.h"

namespace kvogc {

namespace {

// Truncates toward zero into an int32, or reports that the value is out of range.
bool TruncToInt(double v, int32_t& out) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return false;
  out = static_cast<int32_t>(v);
  return true;
}

}  // namespace

int32_t CWarpConverter::ConvertCell(const CWarpGridOpe& ope, int32_t j, int32_t i,
                                    CWarpGridReal& real) const {
  const CWarpOpeLine* top = ope.GetLineHor(j, i);
  const CWarpOpeLine* bottom = ope.GetLineHor(j + 1, i);
  const CWarpOpeLine* left = ope.GetLineVer(j, i);
  const CWarpOpeLine* right = ope.GetLineVer(j, i + 1);
  if (top == nullptr || bottom == nullptr || left == nullptr || right == nullptr) {
    return KVOGC_E_FAIL;
  }
  // Opposite lines of a cell span the same range and so share their sampling;
  // a grid whose lines disagree is not one this library built.
  if (bottom->m_count < top->m_count || right->m_count < left->m_count) return KVOGC_E_FAIL;
  if (real.Points().empty()) return KVOGC_E_FAIL;

  const OpePoint& tl = *ope.GetPoint(j, i);
  const OpePoint& tr = *ope.GetPoint(j, i + 1);
  const OpePoint& bl = *ope.GetPoint(j + 1, i);
  const RealPoint* T = top->m_samples.data();
  const RealPoint* B = bottom->m_samples.data();
  const RealPoint* L = left->m_samples.data();
  const RealPoint* Rt = right->m_samples.data();
  const double* tParamsH = top->m_params.data();
  const double* tParamsV = left->m_params.data();
  const int32_t nh = static_cast<int32_t>(top->m_count);
  const int32_t nv = static_cast<int32_t>(left->m_count);
  if (nh <= 0) return 0;
  const int32_t lastRow = real.m_realGridNum.cy;
  const int32_t lastCol = real.m_realGridNum.cx;

  for (int32_t k = 0; k < nv; ++k) {
    int32_t r = 0;
    if (!TruncToInt(k + tl.gy, r)) continue;
    if (!(tl.gy <= r && r <= bl.gy)) continue;
    if (r < 0 || r > lastRow) continue;
    const double tv = tParamsV[k];
    const double x0 = T[0].x + tv * (B[0].x - T[0].x);
    const double x1 = T[nh - 1].x + tv * (B[nh - 1].x - T[nh - 1].x);
    const RealPoint lk = L[k];
    const RealPoint rk = Rt[k];
    for (int32_t m = 0; m < nh; ++m) {
      int32_t c = 0;
      if (!TruncToInt(m + tl.gx, c)) continue;
      if (!(tl.gx <= c && c <= tr.gx)) continue;
      if (c < 0 || c > lastCol) continue;
      const double th = tParamsH[m];
      const double xv = T[m].x + tv * (B[m].x - T[m].x);
      const double u = x1 == x0 ? 1.0 : (xv - x0) / (x1 - x0);
      const double yh = lk.y + th * (rk.y - lk.y);
      const double y0 = L[0].y + th * (Rt[0].y - L[0].y);
      const double y1 = L[nv - 1].y + th * (Rt[nv - 1].y - L[nv - 1].y);
      const double s = y1 == y0 ? 1.0 : (yh - y0) / (y1 - y0);
      real.At(r, c) = {RoundPoint(lk.x + u * (rk.x - lk.x)), RoundPoint(T[m].y + s * (B[m].y - T[m].y))};
    }
  }
  return 0;
}

int32_t CWarpConverter::UpdatePoint(CWarpGridOpe& ope, CWarpGridReal& real, int32_t j,
                                    int32_t i) const {
  const OpePoint* p = ope.GetPoint(j, i);
  if (p == nullptr) return 0;
  if (CWarpOpeLine* line = ope.GetLineHor(j, i - 1); line != nullptr) {
    if (const OpePoint* q = ope.GetPoint(j, i - 1)) CWarpGridOpe::Evaluate(*line, *q, *p);
  }
  if (CWarpOpeLine* line = ope.GetLineHor(j, i); line != nullptr) {
    if (const OpePoint* q = ope.GetPoint(j, i + 1)) CWarpGridOpe::Evaluate(*line, *p, *q);
  }
  if (CWarpOpeLine* line = ope.GetLineVer(j - 1, i); line != nullptr) {
    if (const OpePoint* q = ope.GetPoint(j - 1, i)) CWarpGridOpe::Evaluate(*line, *q, *p);
  }
  if (CWarpOpeLine* line = ope.GetLineVer(j, i); line != nullptr) {
    if (const OpePoint* q = ope.GetPoint(j + 1, i)) CWarpGridOpe::Evaluate(*line, *p, *q);
  }
  // Cells outside the grid report a failure that a neighbourhood walk ignores.
  ConvertCell(ope, j - 1, i - 1, real);
  ConvertCell(ope, j - 1, i, real);
  ConvertCell(ope, j, i - 1, real);
  ConvertCell(ope, j, i, real);
  return 0;
}

void CWarpConverter::RefreshAll(CWarpGridOpe& ope, CWarpGridReal& real) const {
  // Same result as UpdatePoint on every node (a line depends only on its ends
  // and handles, a cell only on its lines), but each line is evaluated and each
  // cell converted once instead of two and four times.
  const int32_t ox = ope.m_opeGridNum.cx;
  const int32_t oy = ope.m_opeGridNum.cy;
  for (int32_t j = 0; j <= oy; ++j) {
    for (int32_t i = 0; i <= ox; ++i) {
      const OpePoint* p = ope.GetPoint(j, i);
      if (p == nullptr) continue;
      if (CWarpOpeLine* line = ope.GetLineHor(j, i); line != nullptr) {
        if (const OpePoint* q = ope.GetPoint(j, i + 1)) CWarpGridOpe::Evaluate(*line, *p, *q);
      }
      if (CWarpOpeLine* line = ope.GetLineVer(j, i); line != nullptr) {
        if (const OpePoint* q = ope.GetPoint(j + 1, i)) CWarpGridOpe::Evaluate(*line, *p, *q);
      }
    }
  }
  for (int32_t j = 0; j < oy; ++j) {
    for (int32_t i = 0; i < ox; ++i) ConvertCell(ope, j, i, real);
  }
}

namespace {

// The bilinear sample of SampleReal before its rounding; false outside the grid.
bool Interpolate(const CWarpGridReal& real, double fy, double fx, RealPoint& out) {
  int32_t r = 0;
  int32_t c = 0;
  if (!TruncToInt(fy, r) || !TruncToInt(fx, c)) return false;
  const double fr = fy - r;
  const double fc = fx - c;
  const RealPoint* p00 = real.GetPoint(r, c);
  if (p00 == nullptr) return false;
  const RealPoint* p01 = c < INT32_MAX ? real.GetPoint(r, c + 1) : nullptr;
  const RealPoint* p10 = r < INT32_MAX ? real.GetPoint(r + 1, c) : nullptr;
  if (p01 != nullptr && p10 != nullptr) {
    const RealPoint& p11 = *real.GetPoint(r + 1, c + 1);
    out.x = ((1 - fc) * p00->x + fc * p01->x) * (1 - fr) + ((1 - fc) * p10->x + fc * p11.x) * fr;
    out.y = ((1 - fc) * p00->y + fc * p01->y) * (1 - fr) + ((1 - fc) * p10->y + fc * p11.y) * fr;
  } else if (p01 != nullptr) {
    out.x = (1 - fc) * p00->x + fc * p01->x;
    out.y = (1 - fc) * p00->y + fc * p01->y;
  } else if (p10 != nullptr) {
    out.x = (1 - fr) * p00->x + fr * p10->x;
    out.y = (1 - fr) * p00->y + fr * p10->y;
  } else {
    out = *p00;
  }
  return true;
}

// SampleReal into each sample k of a line that lies in the grid (the others
// keep their values), at the fixed row coordinate and a column coordinate of
// from + span * params[k] for a row line (kRow), the other way round for a
// column line. Samples with neighbours after them both ways, the usual case,
// take the first branch of Interpolate without its tests; all are rounded a
// block at a time in vectors rather than one coordinate at a time.
template <bool kRow>
void SampleLine(const CWarpGridReal& real, CWarpOpeLine& line, double fixed, double from,
                double span) {
  const GridSize n = real.m_realGridNum;
  int32_t f = 0;
  const bool fixedInside = n.cx >= 1 && n.cy >= 1 && TruncToInt(fixed, f) && f >= 0 &&
                           f < (kRow ? n.cy : n.cx);
  const double fixedFraction = fixed - f;
  const int32_t movingEnd = kRow ? n.cx : n.cy;
  constexpr uint32_t kBlock = 64;
  std::array<RealPoint, kBlock> sampled;
  std::array<uint32_t, kBlock> index;
  for (uint32_t start = 0; start < line.m_count; start += kBlock) {
    const uint32_t end = std::min(line.m_count, start + kBlock);
    size_t count = 0;
    for (uint32_t k = start; k < end; ++k) {
      const double moving = from + span * line.m_params[k];
      RealPoint& out = sampled[count];
      int32_t m = 0;
      if (fixedInside && TruncToInt(moving, m) && m >= 0 && m < movingEnd) {
        const int32_t r = kRow ? f : m;
        const int32_t c = kRow ? m : f;
        const double fr = kRow ? fixedFraction : moving - m;
        const double fc = kRow ? moving - m : fixedFraction;
        const RealPoint& p00 = real.At(r, c);
        const RealPoint& p01 = real.At(r, c + 1);
        const RealPoint& p10 = real.At(r + 1, c);
        const RealPoint& p11 = real.At(r + 1, c + 1);
        out.x = ((1 - fc) * p00.x + fc * p01.x) * (1 - fr) + ((1 - fc) * p10.x + fc * p11.x) * fr;
        out.y = ((1 - fc) * p00.y + fc * p01.y) * (1 - fr) + ((1 - fc) * p10.y + fc * p11.y) * fr;
      } else if (!(kRow ? Interpolate(real, fixed, moving, out)
                        : Interpolate(real, moving, fixed, out))) {
        continue;
      }
      index[count++] = k;
    }
    RoundPoints(sampled.data(), count);
    for (size_t j = 0; j < count; ++j) line.m_samples[index[j]] = sampled[j];
  }
}

}  // namespace

int32_t CWarpConverter::SampleReal(const CWarpGridReal& real, double fy, double fx,
                                   RealPoint& out) const {
  RealPoint sampled{};
  if (!Interpolate(real, fy, fx, sampled)) return KVOGC_E_UNEXPECTED;
  out = {RoundPoint(sampled.x), RoundPoint(sampled.y)};
  return 0;
}

int32_t CWarpConverter::ConvertRealToOpe(const CWarpGridReal& real, CWarpGridOpe& ope) const {
  for (int32_t j = 0; j <= ope.m_opeGridNum.cy; ++j) {
    for (int32_t i = 0; i <= ope.m_opeGridNum.cx; ++i) {
      OpePoint* p = ope.GetPoint(j, i);
      if (p == nullptr) continue;
      RealPoint sampled{p->x, p->y};
      if (SampleReal(real, p->gy, p->gx, sampled) == 0) {
        p->x = sampled.x;
        p->y = sampled.y;
      }
      if (CWarpOpeLine* line = ope.GetLineHor(j, i); line != nullptr && line->m_count > 0) {
        const OpePoint& q = *ope.GetPoint(j, i + 1);
        SampleLine<true>(real, *line, p->gy, p->gx, q.gx - p->gx);
      }
      if (CWarpOpeLine* line = ope.GetLineVer(j, i); line != nullptr && line->m_count > 0) {
        const OpePoint& q = *ope.GetPoint(j + 1, i);
        SampleLine<false>(real, *line, p->gx, p->gy, q.gy - p->gy);
      }
    }
  }
  return 0;
}

}  // namespace kvogc
