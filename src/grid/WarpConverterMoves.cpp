// The relative edits of the operation grid: point, line and area moves.
//
// Every edit follows the same pattern: displace the moved nodes, shift the
// lines whose two ends both moved, re-evaluate the lines joining a moved node
// to a fixed one, then re-convert the cells touching a moved node. Nothing
// beyond that neighbourhood is read or written, so an edit costs only the
// cells it touches and allocates nothing.
#include <algorithm>

#include "grid/WarpConverter.h"

namespace kvogc {

namespace {

void Shift(OpePoint& p, double dx, double dy) {
  p.x += dx;
  p.y += dy;
}

// A line whose two ends moved together keeps its exact shape, even samples
// that were read back from the real grid rather than produced by its curve, so
// it is shifted without rounding instead of being evaluated.
void Translate(CWarpOpeLine* line, double dx, double dy) {
  if (line == nullptr) return;
  const size_t n = std::min<size_t>(line->m_count, line->m_samples.size());
  for (size_t k = 0; k < n; ++k) {
    line->m_samples[k].x += dx;
    line->m_samples[k].y += dy;
  }
}

// Lines that do not exist, or whose end node does not, are skipped: the edits
// walk fixed neighbourhoods that run over the grid's edges.
void EvaluateHor(CWarpGridOpe& ope, int32_t j, int32_t i) {
  CWarpOpeLine* line = ope.GetLineHor(j, i);
  if (line == nullptr) return;
  const OpePoint* start = ope.GetPoint(j, i);
  const OpePoint* end = ope.GetPoint(j, i + 1);
  if (start != nullptr && end != nullptr) CWarpGridOpe::Evaluate(*line, *start, *end);
}

void EvaluateVer(CWarpGridOpe& ope, int32_t j, int32_t i) {
  CWarpOpeLine* line = ope.GetLineVer(j, i);
  if (line == nullptr) return;
  const OpePoint* start = ope.GetPoint(j, i);
  const OpePoint* end = ope.GetPoint(j + 1, i);
  if (start != nullptr && end != nullptr) CWarpGridOpe::Evaluate(*line, *start, *end);
}

}  // namespace

int32_t CWarpConverter::MovePoint(CWarpGridOpe& ope, CWarpGridReal& real, int32_t j, int32_t i,
                                  double dx, double dy) const {
  OpePoint* p = ope.GetPoint(j, i);
  if (p == nullptr) return KVOGC_E_INVALIDARG;
  Shift(*p, dx, dy);

  EvaluateHor(ope, j, i - 1);
  EvaluateVer(ope, j - 1, i);
  EvaluateHor(ope, j, i);
  EvaluateVer(ope, j, i);

  // Cells beyond the grid's edge report a failure that is of no interest here.
  ConvertCell(ope, j - 1, i - 1, real);
  ConvertCell(ope, j - 1, i, real);
  ConvertCell(ope, j, i, real);
  ConvertCell(ope, j, i - 1, real);
  return 0;
}

int32_t CWarpConverter::MoveLineHor(CWarpGridOpe& ope, CWarpGridReal& real, int32_t j, int32_t i,
                                    double dx, double dy) const {
  CWarpOpeLine* line = ope.GetLineHor(j, i);
  OpePoint* a = ope.GetPoint(j, i);
  if (line == nullptr || a == nullptr) return KVOGC_E_INVALIDARG;
  OpePoint* b = ope.GetPoint(j, i + 1);
  if (b == nullptr) return KVOGC_E_INVALIDARG;
  Shift(*a, dx, dy);
  Shift(*b, dx, dy);
  Translate(line, dx, dy);

  EvaluateHor(ope, j, i - 1);
  EvaluateVer(ope, j - 1, i);
  EvaluateVer(ope, j - 1, i + 1);
  EvaluateHor(ope, j, i + 1);
  EvaluateVer(ope, j, i + 1);
  EvaluateVer(ope, j, i);

  ConvertCell(ope, j - 1, i - 1, real);
  ConvertCell(ope, j - 1, i, real);
  ConvertCell(ope, j - 1, i + 1, real);
  ConvertCell(ope, j, i + 1, real);
  ConvertCell(ope, j, i, real);
  ConvertCell(ope, j, i - 1, real);
  return 0;
}

int32_t CWarpConverter::MoveLineHorMulti(CWarpGridOpe& ope, CWarpGridReal& real, int32_t j,
                                         int32_t a, int32_t b, double dx, double dy) const {
  if (a > b || ope.GetPoint(j, a) == nullptr || ope.GetPoint(j, b) == nullptr) {
    return KVOGC_E_INVALIDARG;
  }
  for (int32_t i = a; i < b; ++i) {
    Translate(ope.GetLineHor(j, i), dx, dy);
    Shift(*ope.GetPoint(j, i), dx, dy);
  }
  Shift(*ope.GetPoint(j, b), dx, dy);

  for (int32_t i = a; i <= b; ++i) {
    EvaluateVer(ope, j - 1, i);
    EvaluateVer(ope, j, i);
  }
  EvaluateHor(ope, j, a - 1);
  EvaluateHor(ope, j, b);

  for (int32_t i = a; i < b; ++i) {
    ConvertCell(ope, j - 1, i, real);
    ConvertCell(ope, j, i, real);
  }
  ConvertCell(ope, j - 1, a - 1, real);
  ConvertCell(ope, j, a - 1, real);
  ConvertCell(ope, j - 1, b, real);
  ConvertCell(ope, j, b, real);
  return 0;
}

int32_t CWarpConverter::MoveLineVer(CWarpGridOpe& ope, CWarpGridReal& real, int32_t j, int32_t i,
                                    double dx, double dy) const {
  CWarpOpeLine* line = ope.GetLineVer(j, i);
  OpePoint* a = ope.GetPoint(j, i);
  if (line == nullptr || a == nullptr) return KVOGC_E_INVALIDARG;
  OpePoint* b = ope.GetPoint(j + 1, i);
  if (b == nullptr) return KVOGC_E_INVALIDARG;
  Shift(*a, dx, dy);
  Shift(*b, dx, dy);
  Translate(line, dx, dy);

  EvaluateHor(ope, j, i - 1);
  EvaluateVer(ope, j - 1, i);
  EvaluateHor(ope, j, i);
  EvaluateHor(ope, j + 1, i);
  EvaluateVer(ope, j + 1, i);
  EvaluateHor(ope, j + 1, i - 1);

  ConvertCell(ope, j - 1, i - 1, real);
  ConvertCell(ope, j - 1, i, real);
  ConvertCell(ope, j, i, real);
  ConvertCell(ope, j + 1, i, real);
  ConvertCell(ope, j + 1, i - 1, real);
  ConvertCell(ope, j, i - 1, real);
  return 0;
}

int32_t CWarpConverter::MoveLineVerMulti(CWarpGridOpe& ope, CWarpGridReal& real, int32_t a,
                                         int32_t b, int32_t i, double dx, double dy) const {
  if (a > b || ope.GetPoint(a, i) == nullptr || ope.GetPoint(b, i) == nullptr) {
    return KVOGC_E_INVALIDARG;
  }
  for (int32_t j = a; j < b; ++j) {
    Translate(ope.GetLineVer(j, i), dx, dy);
    Shift(*ope.GetPoint(j, i), dx, dy);
  }
  Shift(*ope.GetPoint(b, i), dx, dy);

  for (int32_t j = a; j <= b; ++j) {
    EvaluateHor(ope, j, i - 1);
    EvaluateHor(ope, j, i);
  }
  EvaluateVer(ope, a - 1, i);
  EvaluateVer(ope, b, i);

  for (int32_t j = a; j < b; ++j) {
    ConvertCell(ope, j, i - 1, real);
    ConvertCell(ope, j, i, real);
  }
  ConvertCell(ope, a - 1, i - 1, real);
  ConvertCell(ope, a - 1, i, real);
  ConvertCell(ope, b, i - 1, real);
  ConvertCell(ope, b, i, real);
  return 0;
}

int32_t CWarpConverter::MoveArea(CWarpGridOpe& ope, CWarpGridReal& real, int32_t j, int32_t i,
                                 double dx, double dy) const {
  // The cell exists exactly when its top and left lines do.
  if (ope.GetLineHor(j, i) == nullptr || ope.GetLineVer(j, i) == nullptr) {
    return KVOGC_E_INVALIDARG;
  }
  Shift(*ope.GetPoint(j, i), dx, dy);
  Shift(*ope.GetPoint(j, i + 1), dx, dy);
  Shift(*ope.GetPoint(j + 1, i + 1), dx, dy);
  Shift(*ope.GetPoint(j + 1, i), dx, dy);

  Translate(ope.GetLineHor(j, i), dx, dy);
  Translate(ope.GetLineVer(j, i + 1), dx, dy);
  Translate(ope.GetLineHor(j + 1, i), dx, dy);
  Translate(ope.GetLineVer(j, i), dx, dy);

  EvaluateHor(ope, j, i - 1);
  EvaluateVer(ope, j - 1, i);
  EvaluateVer(ope, j - 1, i + 1);
  EvaluateHor(ope, j, i + 1);
  EvaluateHor(ope, j + 1, i + 1);
  EvaluateVer(ope, j + 1, i + 1);
  EvaluateVer(ope, j + 1, i);
  EvaluateHor(ope, j + 1, i - 1);

  ConvertCell(ope, j - 1, i - 1, real);
  ConvertCell(ope, j - 1, i, real);
  ConvertCell(ope, j - 1, i + 1, real);
  ConvertCell(ope, j, i + 1, real);
  ConvertCell(ope, j + 1, i + 1, real);
  ConvertCell(ope, j + 1, i, real);
  ConvertCell(ope, j + 1, i - 1, real);
  ConvertCell(ope, j, i - 1, real);
  ConvertCell(ope, j, i, real);
  return 0;
}

int32_t CWarpConverter::MoveAreaMulti(CWarpGridOpe& ope, CWarpGridReal& real, int32_t a, int32_t b,
                                      int32_t c, int32_t d, double dx, double dy) const {
  if (a > b || c > d || ope.GetPoint(a, c) == nullptr || ope.GetPoint(b, d) == nullptr) {
    return KVOGC_E_INVALIDARG;
  }
  for (int32_t j = a; j <= b; ++j) {
    for (int32_t i = c; i <= d; ++i) {
      Shift(*ope.GetPoint(j, i), dx, dy);
      if (i < d) Translate(ope.GetLineHor(j, i), dx, dy);
      if (j < b) Translate(ope.GetLineVer(j, i), dx, dy);
    }
  }

  for (int32_t i = c; i <= d; ++i) {
    EvaluateVer(ope, a - 1, i);
    EvaluateVer(ope, b, i);
  }
  for (int32_t j = a; j <= b; ++j) {
    EvaluateHor(ope, j, c - 1);
    EvaluateHor(ope, j, d);
  }

  for (int32_t j = a - 1; j <= b; ++j) {
    for (int32_t i = c - 1; i <= d; ++i) ConvertCell(ope, j, i, real);
  }
  return 0;
}

}  // namespace kvogc
