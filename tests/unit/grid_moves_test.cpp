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

// An adjustment with bent lines and displaced nodes, so that the moves below
// work on something less regular than the even layout.
void Deform(Pair& g) {
  CWarpConverter conv;
  conv.MovePoint(g.ope, g.real, 1, 1, 31.7, -12.3);
  conv.MovePoint(g.ope, g.real, 2, 3, -18.9, 22.1);
  CWarpOpeLine& hor = *g.ope.GetLineHor(1, 2);
  hor.m_curve = 1;
  hor.m_handleStart = {90.0, 40.0};
  hor.m_handleEnd = {-70.0, -35.0};
  CWarpOpeLine& ver = *g.ope.GetLineVer(1, 2);
  ver.m_curve = 1;
  ver.m_handleStart = {-50.0, 60.0};
  ver.m_handleEnd = {25.0, -80.0};
  conv.RefreshAll(g.ope, g.real);
}

// Applies two edits to identically deformed grids and compares the outcomes.
//
// With a displacement on the 1/64 lattice a translated line still meets its
// evaluated neighbours exactly at the moved nodes, and the two edits must agree
// to the bit. Off the lattice the two differ there by up to 1/64, so a real
// point on a line between two converted cells keeps the value of whichever
// cell each edit converts last; the edits then agree on the operation grid to
// the bit and on the real grid everywhere but on such shared points.
void ExpectSameEffect(const Edit& first, const Edit& second) {
  SCOPED_TRACE(testing::Message() << "edit " << int(first.op) << " vs " << int(second.op));
  for (const auto& [dx, dy] : {std::pair{7.25, -4.125}, {7.3, -4.1}}) {
    const bool onLattice = dx == 7.25;
    Pair a;
    Pair b;
    Deform(a);
    Deform(b);
    ASSERT_EQ(Apply(first, a, dx, dy), 0);
    ASSERT_EQ(Apply(second, b, dx, dy), 0);
    ASSERT_EQ(Bits(a.ope), Bits(b.ope)) << dx;
    for (int32_t r = 0; r <= kReal.cy; ++r) {
      for (int32_t c = 0; c <= kReal.cx; ++c) {
        const RealPoint pa = a.real.At(r, c);
        const RealPoint pb = b.real.At(r, c);
        if (onLattice || (r % 2 != 0 && c % 2 != 0)) {
          ASSERT_TRUE(SameBits(pa.x, pb.x) && SameBits(pa.y, pb.y)) << dx << " at " << r << "," << c;
        } else {
          EXPECT_LE(std::fabs(pa.x - pb.x), 1.0 / 64) << r << "," << c;
          EXPECT_LE(std::fabs(pa.y - pb.y), 1.0 / 64) << r << "," << c;
        }
      }
    }
  }
}

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

bool OnLattice(double v, double r) { return std::trunc(v * r) == v * r; }

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

TEST(Moves, MultiAndAreaFormsMatchTheirSingleForms) {
  for (int32_t j = 0; j <= kOpe.cy; ++j) {
    for (int32_t i = 0; i <= kOpe.cx; ++i) {
      SCOPED_TRACE(testing::Message() << "node " << j << "," << i);
      const Edit point{Op::kPoint, j, i};
      ExpectSameEffect(point, {Op::kHorMulti, j, i, i});
      ExpectSameEffect(point, {Op::kVerMulti, j, j, i});
      ExpectSameEffect(point, {Op::kAreaMulti, j, j, i, i});
      if (i < kOpe.cx) ExpectSameEffect({Op::kHor, j, i}, {Op::kHorMulti, j, i, i + 1});
      if (j < kOpe.cy) ExpectSameEffect({Op::kVer, j, i}, {Op::kVerMulti, j, j + 1, i});
      if (i < kOpe.cx && j < kOpe.cy) {
        ExpectSameEffect({Op::kArea, j, i}, {Op::kAreaMulti, j, j + 1, i, i + 1});
      }
    }
  }
  ExpectSameEffect({Op::kAreaMulti, 2, 2, 1, 3}, {Op::kHorMulti, 2, 1, 3});
  ExpectSameEffect({Op::kAreaMulti, 0, 2, 4, 4}, {Op::kVerMulti, 0, 2, 4});
}

TEST(MovePoint, WritesOnlyTheFourCellsAroundTheNodeAndKeepsItsLinesStraight) {
  Pair g({16, 12});
  Poison(g.real);
  ASSERT_EQ(Apply({Op::kPoint, 2, 1}, g, 50.3, -20.1), 0);
  // Node (2, 1) sits on real point (8, 4); its cells span rows 4..12, columns 0..8,
  // edges included.
  for (int32_t r = 0; r <= 12; ++r) {
    for (int32_t c = 0; c <= 16; ++c) {
      EXPECT_EQ(g.real.At(r, c).x != kPoison, r >= 4 && c <= 8) << r << "," << c;
    }
  }
  EXPECT_EQ(g.real.At(8, 4).x, RoundSample(480 + 50.3));
  EXPECT_EQ(g.real.At(8, 4).y, RoundSample(720 - 20.1));
  // The middle sample of each line at the node halves the segment.
  const OpePoint& p = *g.ope.GetPoint(2, 1);
  for (const auto& [line, q] : {std::pair{g.ope.GetLineHor(2, 0), g.ope.GetPoint(2, 0)},
                                {g.ope.GetLineHor(2, 1), g.ope.GetPoint(2, 2)},
                                {g.ope.GetLineVer(1, 1), g.ope.GetPoint(1, 1)},
                                {g.ope.GetLineVer(2, 1), g.ope.GetPoint(3, 1)}}) {
    ASSERT_EQ(line->m_count, 5u);
    EXPECT_EQ(line->m_curve, 0);
    EXPECT_EQ(line->m_samples[2].x, RoundSample((p.x + q->x) / 2));
    EXPECT_EQ(line->m_samples[2].y, RoundSample((p.y + q->y) / 2));
  }
}

// Bends horizontal line (1, 1) with its own handles and a neighbour with others.
void Bend(Pair& g) {
  CWarpOpeLine& line = *g.ope.GetLineHor(1, 1);
  line.m_curve = 1;
  line.m_handleStart = {60.0, -45.0};
  line.m_handleEnd = {-30.0, 70.0};
  CWarpOpeLine& leaving = *g.ope.GetLineHor(1, 0);
  leaving.m_curve = 1;
  leaving.m_handleStart = {20.0, -60.0};
  leaving.m_handleEnd = {-35.0, 45.0};
  CWarpConverter().RefreshAll(g.ope, g.real);
}

void ExpectTranslated(const CWarpOpeLine& line, const std::vector<RealPoint>& was, double dx,
                      double dy) {
  ASSERT_EQ(line.m_samples.size(), was.size());
  for (size_t k = 0; k < was.size(); ++k) {
    EXPECT_EQ(line.m_samples[k].x, was[k].x + dx) << k;
    EXPECT_EQ(line.m_samples[k].y, was[k].y + dy) << k;
  }
}

// The line re-evaluated from its current end points and handles.
void ExpectEvaluated(CWarpGridOpe& ope, const CWarpOpeLine& line, Index from, Index to) {
  CWarpOpeLine fresh = line;
  CWarpGridOpe::Evaluate(fresh, *ope.GetPoint(from.first, from.second),
                         *ope.GetPoint(to.first, to.second));
  for (size_t k = 0; k < fresh.m_samples.size(); ++k) {
    ExpectSameBits(line.m_samples[k], fresh.m_samples[k]);
    EXPECT_TRUE(OnLattice(line.m_samples[k].x, 64) && OnLattice(line.m_samples[k].y, 64)) << k;
  }
}

TEST(MoveLine, LineAndCellMovesTranslateTheBendPointMovesReEvaluateIt) {
  Pair byLine({16, 12});
  Pair byCell({16, 12});
  Pair byPoints({16, 12});
  for (Pair* g : {&byLine, &byCell, &byPoints}) Bend(*g);
  const std::vector<RealPoint> bent = byLine.ope.GetLineHor(1, 1)->m_samples;

  // The moved line leaves the 1/64 lattice; its re-evaluated neighbours stay on it.
  ASSERT_EQ(Apply({Op::kHor, 1, 1}, byLine, 0.3, -0.45), 0);
  ExpectTranslated(*byLine.ope.GetLineHor(1, 1), bent, 0.3, -0.45);
  for (const RealPoint& s : byLine.ope.GetLineHor(1, 1)->m_samples) EXPECT_FALSE(OnLattice(s.x, 64));
  ExpectEvaluated(byLine.ope, *byLine.ope.GetLineHor(1, 0), {1, 0}, {1, 1});
  ExpectEvaluated(byLine.ope, *byLine.ope.GetLineHor(1, 2), {1, 2}, {1, 3});
  ExpectEvaluated(byLine.ope, *byLine.ope.GetLineVer(0, 1), {0, 1}, {1, 1});
  ExpectEvaluated(byLine.ope, *byLine.ope.GetLineVer(1, 2), {1, 2}, {2, 2});

  // A cell move keeps its boundary's bend and re-evaluates the curves leaving it;
  // the points inside are recomputed from the translated lines, onto 1/256.
  ASSERT_EQ(Apply({Op::kArea, 1, 1}, byCell, 0.3, 0.2), 0);
  ExpectTranslated(*byCell.ope.GetLineHor(1, 1), bent, 0.3, 0.2);
  ExpectEvaluated(byCell.ope, *byCell.ope.GetLineHor(1, 0), {1, 0}, {1, 1});
  for (int32_t r = 4; r <= 8; ++r) {  // cell (1, 1) covers rows and columns 4..8
    for (int32_t c = 4; c <= 8; ++c) {
      EXPECT_TRUE(OnLattice(byCell.real.At(r, c).x, 256) && OnLattice(byCell.real.At(r, c).y, 256))
          << r << "," << c;
    }
  }

  ASSERT_EQ(Apply({Op::kPoint, 1, 1}, byPoints, 0.3, -0.45), 0);
  ASSERT_EQ(Apply({Op::kPoint, 1, 2}, byPoints, 0.3, -0.45), 0);
  const CWarpOpeLine& redone = *byPoints.ope.GetLineHor(1, 1);
  ExpectEvaluated(byPoints.ope, redone, {1, 1}, {1, 2});
  bool differs = false;
  for (size_t k = 0; k < bent.size(); ++k) {
    differs = differs || redone.m_samples[k].x != byLine.ope.GetLineHor(1, 1)->m_samples[k].x;
  }
  EXPECT_TRUE(differs);
}

TEST(MoveLine, ZeroMoveBringsAStaleNeighbourhoodIntoStep) {
  // Node (1, 2) displaced behind the converter's back; the real grid is stale.
  Pair moved;
  Pair reference;
  for (Pair* g : {&moved, &reference}) {
    g->ope.GetPoint(1, 2)->x += 40.0;
    Poison(g->real);
  }
  ASSERT_EQ(Apply({Op::kPoint, 1, 2}, moved, 0.0, 0.0), 0);
  CWarpConverter().UpdatePoint(reference.ope, reference.real, 1, 2);
  EXPECT_EQ(Bits(moved), Bits(reference));
  EXPECT_EQ(moved.ope.GetPoint(1, 2)->x, 960.0 + 40.0);

  // A zero line move leaves the moved line's stale samples as they are.
  Pair line;
  line.ope.GetPoint(1, 2)->x += 40.0;
  const std::vector<RealPoint> stale = line.ope.GetLineHor(1, 1)->m_samples;
  Poison(line.real);
  ASSERT_EQ(Apply({Op::kHor, 1, 1}, line, 0.0, 0.0), 0);
  ExpectTranslated(*line.ope.GetLineHor(1, 1), stale, 0.0, 0.0);
  EXPECT_EQ(line.ope.GetLineHor(1, 2)->m_samples.front().x, 1000.0);
  EXPECT_NE(line.real.At(3, 5).x, kPoison);
}

TEST(MoveArea, WholeGridTranslatesTheRealGridOntoTheFineLattice) {
  Pair g;
  CWarpGridReal even;
  even.Create(kFullHd, kReal);
  ASSERT_EQ(Apply({Op::kAreaMulti, 0, kOpe.cy, 0, kOpe.cx}, g, 0.3, -0.7), 0);
  for (int32_t r = 0; r <= kReal.cy; ++r) {
    for (int32_t c = 0; c <= kReal.cx; ++c) {
      EXPECT_EQ(g.real.At(r, c).x, RoundPoint(even.At(r, c).x + 0.3)) << r << "," << c;
      EXPECT_EQ(g.real.At(r, c).y, RoundPoint(even.At(r, c).y - 0.7)) << r << "," << c;
    }
  }
}

TEST(MoveRejects, IndicesOutsideTheGridLeaveBothGridsUntouched) {
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  Pair g;
  Deform(g);
  const std::vector<uint64_t> before = Bits(g);
  const Edit rejected[] = {
      {Op::kPoint, -1, 0},  {Op::kPoint, 4, 0},   {Op::kPoint, 0, 5},
      {Op::kPoint, 0, -1},  {Op::kPoint, kMax, kMin},
      {Op::kHor, 0, 4},     {Op::kHor, 4, 0},     {Op::kHor, -1, 0},   {Op::kHor, kMin, kMax},
      {Op::kVer, 3, 0},     {Op::kVer, 0, 5},     {Op::kVer, 0, -1},   {Op::kVer, kMax, 0},
      {Op::kArea, 3, 0},    {Op::kArea, 0, 5},    {Op::kArea, 0, -1},  {Op::kArea, kMax, 0},
      {Op::kArea, 0, 4},
      {Op::kHorMulti, 0, 2, 1},  {Op::kHorMulti, 0, -1, 2}, {Op::kHorMulti, 0, 0, 5},
      {Op::kHorMulti, 4, 0, 0},
      {Op::kVerMulti, 2, 1, 0},  {Op::kVerMulti, 0, 4, 0},  {Op::kVerMulti, -1, 1, 0},
      {Op::kVerMulti, 0, 1, 5},
      {Op::kAreaMulti, 1, 0, 0, 0}, {Op::kAreaMulti, 0, 0, 1, 0}, {Op::kAreaMulti, 0, 4, 0, 0},
      {Op::kAreaMulti, 0, 0, 0, 5}, {Op::kAreaMulti, kMin, 0, 0, kMax},
  };
  for (const Edit& e : rejected) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(e.op) << ": " << e.a << "," << e.b << ","
                                    << e.c << "," << e.d);
    EXPECT_EQ(Apply(e, g, 1, 1), KVOGC_E_INVALIDARG);
    EXPECT_EQ(Bits(g), before);
  }
  CWarpGridOpe empty;
  CWarpGridReal none;
  EXPECT_EQ(Apply({Op::kPoint, 0, 0}, empty, none, 1, 1), KVOGC_E_INVALIDARG);
  EXPECT_EQ(Apply({Op::kAreaMulti, 0, 0, 0, 0}, empty, none, 1, 1), KVOGC_E_INVALIDARG);
}

TEST(MoveRejects, NonFiniteMovesDoNotCrash) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (const auto& [dx, dy] : {std::pair{nan, 0.0}, {inf, -inf}, {0.0, nan}}) {
    Pair g;
    for (const Edit& e : {Edit{Op::kPoint, 1, 1}, {Op::kHor, 2, 2}, {Op::kHorMulti, 3, 0, 4},
                          {Op::kVer, 0, 4}, {Op::kVerMulti, 0, 3, 0}, {Op::kArea, 1, 2},
                          {Op::kAreaMulti, 0, 3, 0, 4}}) {
      EXPECT_EQ(Apply(e, g, dx, dy), 0);
    }
    EXPECT_FALSE(std::isfinite(g.ope.GetPoint(0, 0)->x) && std::isfinite(g.ope.GetPoint(0, 0)->y));
  }
  // Outside the moved node's cells the real grid keeps its values.
  Pair g;
  ASSERT_EQ(Apply({Op::kPoint, 0, 0}, g, nan, nan), 0);
  EXPECT_EQ(g.real.At(4, 4).x, 960.0);
}

}  // namespace
}  // namespace kvogc::gridtest
