// Point, line and area moves of the operation grid: which lines are evaluated
// or translated, which cells are re-converted, and what the moves leave alone.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <utility>
#include <vector>

#include "support/GridFixtures.h"

namespace kvogc::gridtest {
namespace {

using Index = std::pair<int32_t, int32_t>;
using IndexSet = std::set<Index>;

// OX = 4 columns by OY = 3 rows of cells (not square, so that rows and columns
// cannot be confused), two real divisions per cell: cell (j, i) owns exactly
// one real point of its own, (2j+1, 2i+1).
constexpr GridSize kReal{8, 6};
constexpr GridSize kOpe{4, 3};
constexpr double kMarker = 5000.0;
constexpr double kDx = 3.3;
constexpr double kDy = -1.7;

struct Pair : GridPair {
  explicit Pair(GridSize realNum = kReal) : GridPair(kFullHd, realNum, kOpe) {}
};

// One edit with its indices in the converter's argument order.
enum class Op { kPoint, kHor, kHorMulti, kVer, kVerMulti, kArea, kAreaMulti };
struct Edit {
  Op op;
  int32_t a, b, c = 0, d = 0;
};

int32_t Apply(const Edit& e, CWarpGridOpe& o, CWarpGridReal& r, double dx, double dy) {
  const CWarpConverter conv;
  switch (e.op) {
    case Op::kPoint: return conv.MovePoint(o, r, e.a, e.b, dx, dy);
    case Op::kHor: return conv.MoveLineHor(o, r, e.a, e.b, dx, dy);
    case Op::kHorMulti: return conv.MoveLineHorMulti(o, r, e.a, e.b, e.c, dx, dy);
    case Op::kVer: return conv.MoveLineVer(o, r, e.a, e.b, dx, dy);
    case Op::kVerMulti: return conv.MoveLineVerMulti(o, r, e.a, e.b, e.c, dx, dy);
    case Op::kArea: return conv.MoveArea(o, r, e.a, e.b, dx, dy);
    case Op::kAreaMulti: return conv.MoveAreaMulti(o, r, e.a, e.b, e.c, e.d, dx, dy);
  }
  return -1;
}

int32_t Apply(const Edit& e, Pair& g, double dx, double dy) { return Apply(e, g.ope, g.real, dx, dy); }

// What an edit did to each line and cell of an even grid whose line samples
// were all set to a marker and whose real grid was poisoned beforehand.
struct Trace {
  IndexSet evaluatedHor, evaluatedVer, translatedHor, translatedVer, cells;
};

Trace TraceMove(const Edit& edit) {
  Pair g;
  ForEachLine(g.ope, [](CWarpOpeLine& line) {
    for (RealPoint& s : line.m_samples) s = {kMarker, kMarker};
  });
  Poison(g.real);
  EXPECT_EQ(Apply(edit, g, kDx, kDy), 0);

  Trace t;
  auto classify = [](const CWarpOpeLine& line, Index at, IndexSet& evaluated,
                     IndexSet& translated) {
    bool marked = true;
    bool shifted = true;
    for (const RealPoint& s : line.m_samples) {
      marked = marked && s.x == kMarker && s.y == kMarker;
      shifted = shifted && s.x == kMarker + kDx && s.y == kMarker + kDy;
    }
    if (shifted) translated.insert(at);
    if (!marked && !shifted) evaluated.insert(at);
  };
  for (int32_t j = 0; j <= kOpe.cy; ++j) {
    for (int32_t i = 0; i <= kOpe.cx; ++i) {
      if (i < kOpe.cx) classify(*g.ope.GetLineHor(j, i), {j, i}, t.evaluatedHor, t.translatedHor);
      if (j < kOpe.cy) classify(*g.ope.GetLineVer(j, i), {j, i}, t.evaluatedVer, t.translatedVer);
      if (i < kOpe.cx && j < kOpe.cy && g.real.At(2 * j + 1, 2 * i + 1).x != kPoison) {
        t.cells.insert({j, i});
      }
    }
  }
  return t;
}

IndexSet Block(int32_t j0, int32_t j1, int32_t i0, int32_t i1) {
  IndexSet s;
  for (int32_t j = j0; j <= j1; ++j) {
    for (int32_t i = i0; i <= i1; ++i) s.insert({j, i});
  }
  return s;
}

TEST(Moves, EvaluateTranslateAndConvertExactlyTheirNeighbourhood) {
  const struct {
    const char* name;
    Edit edit;
    IndexSet evaluatedHor, evaluatedVer, translatedHor, translatedVer, cells;
  } cases[] = {
      {"corner point", {Op::kPoint, 0, 0}, {{0, 0}}, {{0, 0}}, {}, {}, {{0, 0}}},
      {"top edge point", {Op::kPoint, 0, 2}, {{0, 1}, {0, 2}}, {{0, 2}}, {}, {}, {{0, 1}, {0, 2}}},
      {"inner point", {Op::kPoint, 2, 1}, {{2, 0}, {2, 1}}, {{1, 1}, {2, 1}}, {}, {},
       Block(1, 2, 0, 1)},
      {"last point", {Op::kPoint, 3, 4}, {{3, 3}}, {{2, 4}}, {}, {}, {{2, 3}}},
      {"horizontal line", {Op::kHor, 2, 1}, {{2, 0}, {2, 2}}, {{1, 1}, {1, 2}, {2, 1}, {2, 2}},
       {{2, 1}}, {}, Block(1, 2, 0, 2)},
      {"vertical line", {Op::kVer, 1, 3}, {{1, 2}, {1, 3}, {2, 2}, {2, 3}}, {{0, 3}, {2, 3}}, {},
       {{1, 3}}, Block(0, 2, 2, 3)},
      {"top edge line", {Op::kHor, 0, 0}, {{0, 1}}, {{0, 0}, {0, 1}}, {{0, 0}}, {},
       Block(0, 0, 0, 1)},
      {"whole row", {Op::kHorMulti, 2, 0, kOpe.cx}, {}, Block(1, 2, 0, 4), Block(2, 2, 0, 3), {},
       Block(1, 2, 0, 3)},
      {"whole column", {Op::kVerMulti, 0, kOpe.cy, 1}, Block(0, 3, 0, 1), {}, {},
       Block(0, 2, 1, 1), Block(0, 2, 0, 1)},
      {"cell", {Op::kArea, 1, 1}, {{1, 0}, {1, 2}, {2, 0}, {2, 2}},
       {{0, 1}, {0, 2}, {2, 1}, {2, 2}}, {{1, 1}, {2, 1}}, {{1, 1}, {1, 2}}, Block(0, 2, 0, 2)},
      {"top-left block", {Op::kAreaMulti, 0, 1, 0, 1}, {{0, 1}, {1, 1}}, {{1, 0}, {1, 1}},
       {{0, 0}, {1, 0}}, {{0, 0}, {0, 1}}, Block(0, 1, 0, 1)},
      {"bottom-right block", {Op::kAreaMulti, 2, 3, 3, 4}, {{2, 2}, {3, 2}}, {{1, 3}, {1, 4}},
       {{2, 3}, {3, 3}}, {{2, 3}, {2, 4}}, Block(1, 2, 2, 3)},
      {"whole grid", {Op::kAreaMulti, 0, kOpe.cy, 0, kOpe.cx}, {}, {}, Block(0, 3, 0, 3),
       Block(0, 2, 0, 4), Block(0, 2, 0, 3)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Trace t = TraceMove(c.edit);
    EXPECT_EQ(t.evaluatedHor, c.evaluatedHor);
    EXPECT_EQ(t.evaluatedVer, c.evaluatedVer);
    EXPECT_EQ(t.translatedHor, c.translatedHor);
    EXPECT_EQ(t.translatedVer, c.translatedVer);
    EXPECT_EQ(t.cells, c.cells);
  }
}

}  // namespace
}  // namespace kvogc::gridtest
