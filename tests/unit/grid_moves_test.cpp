// Point, line and area moves of the operation grid: which lines are evaluated
// or translated, which cells are re-converted, and what the moves leave alone.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <set>
#include <utility>
#include <vector>

#include "grid/Rounding.h"
#include "grid/WarpConverter.h"

namespace kvogc {
namespace {

using Index = std::pair<int32_t, int32_t>;
using IndexSet = std::set<Index>;

// OX = 4 columns by OY = 3 rows of cells (not square, so that rows and columns
// cannot be confused), two real divisions per cell: cell (j, i) owns exactly
// one real point of its own, (2j+1, 2i+1).
constexpr GridSize kPanel{1920, 1080};
constexpr GridSize kReal{8, 6};
constexpr GridSize kOpe{4, 3};
constexpr double kPoison = -1e6;
constexpr double kMarker = 5000.0;

struct Pair {
  CWarpGridReal real;
  CWarpGridOpe ope;

  explicit Pair(GridSize realNum = kReal, GridSize opeNum = kOpe) {
    real.Create(kPanel, realNum);
    ope.m_panelSize = kPanel;
    ope.m_realGridNum = realNum;
    ope.m_opeGridNum = opeNum;
    ope.Create();
    ope.InitPoints();
  }
};

void Poison(CWarpGridReal& real) {
  for (RealPoint& p : real.Points()) p = {kPoison, kPoison};
}

template <class Fn>
void ForEachLine(CWarpGridOpe& ope, Fn fn) {
  const GridSize n = ope.m_opeGridNum;
  for (int32_t j = 0; j <= n.cy; ++j) {
    for (int32_t i = 0; i < n.cx; ++i) fn(*ope.GetLineHor(j, i));
  }
  for (int32_t j = 0; j < n.cy; ++j) {
    for (int32_t i = 0; i <= n.cx; ++i) fn(*ope.GetLineVer(j, i));
  }
}

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

// Every value an operation grid holds, in a fixed order, for bit-for-bit comparison.
std::vector<uint64_t> FlattenOpe(CWarpGridOpe& ope) {
  std::vector<uint64_t> out;
  auto put = [&out](double v) { out.push_back(std::bit_cast<uint64_t>(v)); };
  for (int32_t j = 0; j <= ope.m_opeGridNum.cy; ++j) {
    for (int32_t i = 0; i <= ope.m_opeGridNum.cx; ++i) {
      const OpePoint& p = *ope.GetPoint(j, i);
      for (double v : {p.x, p.y, p.gx, p.gy}) put(v);
    }
  }
  ForEachLine(ope, [&](CWarpOpeLine& line) {
    out.push_back(line.m_count);
    out.push_back(static_cast<uint32_t>(line.m_curve));
    for (double v :
         {line.m_handleStart.x, line.m_handleStart.y, line.m_handleEnd.x, line.m_handleEnd.y}) {
      put(v);
    }
    for (uint32_t k = 0; k < line.m_count; ++k) {
      put(line.m_params[k]);
      put(line.m_samples[k].x);
      put(line.m_samples[k].y);
    }
  });
  return out;
}

std::vector<uint64_t> Flatten(Pair& g) {
  std::vector<uint64_t> out = FlattenOpe(g.ope);
  for (const RealPoint& p : g.real.Points()) {
    out.push_back(std::bit_cast<uint64_t>(p.x));
    out.push_back(std::bit_cast<uint64_t>(p.y));
  }
  return out;
}

using Move = std::function<int32_t(const CWarpConverter&, Pair&)>;
using MoveBy = std::function<int32_t(const CWarpConverter&, Pair&, double dx, double dy)>;

// Applies two edits to identically deformed grids and compares the outcomes.
//
// With a displacement on the 1/64 lattice a translated line still meets its
// evaluated neighbours exactly at the moved nodes, and the two edits must agree
// to the bit. Off the lattice the two differ there by up to 1/64, so a real
// point on a line between two converted cells keeps the value of whichever
// cell each edit converts last; the edits then agree on the operation grid to
// the bit and on the real grid everywhere but on such shared points.
void ExpectSameEffect(const char* what, const MoveBy& first, const MoveBy& second) {
  SCOPED_TRACE(what);
  CWarpConverter conv;
  for (const auto& [dx, dy] : {std::pair{7.25, -4.125}, {7.3, -4.1}}) {
    const bool onLattice = dx == 7.25;
    Pair a;
    Pair b;
    Deform(a);
    Deform(b);
    ASSERT_EQ(first(conv, a, dx, dy), 0);
    ASSERT_EQ(second(conv, b, dx, dy), 0);
    ASSERT_EQ(FlattenOpe(a.ope), FlattenOpe(b.ope)) << dx;
    for (int32_t r = 0; r <= kReal.cy; ++r) {
      for (int32_t c = 0; c <= kReal.cx; ++c) {
        const RealPoint pa = a.real.At(r, c);
        const RealPoint pb = b.real.At(r, c);
        if (onLattice || (r % 2 != 0 && c % 2 != 0)) {
          ASSERT_EQ(std::bit_cast<uint64_t>(pa.x), std::bit_cast<uint64_t>(pb.x))
              << dx << " at " << r << "," << c;
          ASSERT_EQ(std::bit_cast<uint64_t>(pa.y), std::bit_cast<uint64_t>(pb.y))
              << dx << " at " << r << "," << c;
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

constexpr double kDx = 3.3;
constexpr double kDy = -1.7;

Trace TraceMove(const Move& move) {
  Pair g;
  ForEachLine(g.ope, [](CWarpOpeLine& line) {
    for (RealPoint& s : line.m_samples) s = {kMarker, kMarker};
  });
  Poison(g.real);
  CWarpConverter conv;
  EXPECT_EQ(move(conv, g), 0);

  Trace t;
  auto classify = [](const CWarpOpeLine& line, Index at, IndexSet& evaluated,
                     IndexSet& translated) {
    bool marked = true;
    bool shifted = true;
    for (uint32_t k = 0; k < line.m_count; ++k) {
      const RealPoint s = line.m_samples[k];
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

TEST(MovePoint, WritesAndChangesOnlyTheFourCellsAroundTheNode) {
  const GridSize realNum{16, 12};
  Pair g(realNum, {4, 3});
  CWarpGridReal before;
  before.Create(kPanel, realNum);
  CWarpConverter conv;
  ASSERT_EQ(conv.MovePoint(g.ope, g.real, 2, 1, 50.3, -20.1), 0);
  // Node (2, 1) sits on real point (8, 4); its cells span rows 4..12, columns 0..8.
  for (int32_t r = 0; r <= 12; ++r) {
    for (int32_t c = 0; c <= 16; ++c) {
      const bool inside = r > 4 && r < 12 && c > 0 && c < 8;
      const RealPoint p = g.real.At(r, c);
      const bool changed = p.x != before.At(r, c).x || p.y != before.At(r, c).y;
      EXPECT_EQ(changed, inside) << r << "," << c;
    }
  }
  EXPECT_EQ(g.real.At(8, 4).x, RoundSample(480 + 50.3));
  EXPECT_EQ(g.real.At(8, 4).y, RoundSample(720 - 20.1));

  Poison(g.real);
  ASSERT_EQ(conv.MovePoint(g.ope, g.real, 2, 1, 0.0, 0.0), 0);
  for (int32_t r = 0; r <= 12; ++r) {
    for (int32_t c = 0; c <= 16; ++c) {
      const bool cells = r >= 4 && r <= 12 && c >= 0 && c <= 8;
      EXPECT_EQ(g.real.At(r, c).x != kPoison, cells) << r << "," << c;
    }
  }
}

TEST(MovePoint, LinesAtTheNodeStayStraight) {
  Pair g({16, 12}, {4, 3});
  CWarpConverter conv;
  ASSERT_EQ(conv.MovePoint(g.ope, g.real, 1, 2, 37.1, 12.9), 0);
  const OpePoint& p = *g.ope.GetPoint(1, 2);
  for (const auto& [line, q] : {std::pair{g.ope.GetLineHor(1, 1), g.ope.GetPoint(1, 1)},
                                {g.ope.GetLineHor(1, 2), g.ope.GetPoint(1, 3)},
                                {g.ope.GetLineVer(0, 2), g.ope.GetPoint(0, 2)},
                                {g.ope.GetLineVer(1, 2), g.ope.GetPoint(2, 2)}}) {
    ASSERT_EQ(line->m_count, 5u);
    EXPECT_EQ(line->m_curve, 0);
    EXPECT_EQ(line->m_samples[2].x, RoundSample((p.x + q->x) / 2));
    EXPECT_EQ(line->m_samples[2].y, RoundSample((p.y + q->y) / 2));
  }
}

TEST(MovePoint, NeighbourhoodShrinksAtCornersAndEdges) {
  auto point = [](int32_t j, int32_t i) {
    return TraceMove([=](const CWarpConverter& c, Pair& g) {
      return c.MovePoint(g.ope, g.real, j, i, kDx, kDy);
    });
  };
  const Trace corner = point(0, 0);
  EXPECT_EQ(corner.evaluatedHor, (IndexSet{{0, 0}}));
  EXPECT_EQ(corner.evaluatedVer, (IndexSet{{0, 0}}));
  EXPECT_EQ(corner.cells, (IndexSet{{0, 0}}));

  const Trace top = point(0, 2);
  EXPECT_EQ(top.evaluatedHor, (IndexSet{{0, 1}, {0, 2}}));
  EXPECT_EQ(top.evaluatedVer, (IndexSet{{0, 2}}));
  EXPECT_EQ(top.cells, (IndexSet{{0, 1}, {0, 2}}));

  const Trace inner = point(2, 1);
  EXPECT_EQ(inner.evaluatedHor, (IndexSet{{2, 0}, {2, 1}}));
  EXPECT_EQ(inner.evaluatedVer, (IndexSet{{1, 1}, {2, 1}}));
  EXPECT_EQ(inner.cells, Block(1, 2, 0, 1));
  EXPECT_TRUE(inner.translatedHor.empty() && inner.translatedVer.empty());

  const Trace last = point(3, 4);
  EXPECT_EQ(last.evaluatedHor, (IndexSet{{3, 3}}));
  EXPECT_EQ(last.evaluatedVer, (IndexSet{{2, 4}}));
  EXPECT_EQ(last.cells, (IndexSet{{2, 3}}));
}

TEST(MoveLine, SingleLinesTranslateThemselvesAndEvaluateTheirNeighbours) {
  const Trace hor = TraceMove([](const CWarpConverter& c, Pair& g) {
    return c.MoveLineHor(g.ope, g.real, 2, 1, kDx, kDy);
  });
  EXPECT_EQ(hor.translatedHor, (IndexSet{{2, 1}}));
  EXPECT_TRUE(hor.translatedVer.empty());
  EXPECT_EQ(hor.evaluatedHor, (IndexSet{{2, 0}, {2, 2}}));
  EXPECT_EQ(hor.evaluatedVer, (IndexSet{{1, 1}, {1, 2}, {2, 1}, {2, 2}}));
  EXPECT_EQ(hor.cells, Block(1, 2, 0, 2));

  const Trace ver = TraceMove([](const CWarpConverter& c, Pair& g) {
    return c.MoveLineVer(g.ope, g.real, 1, 3, kDx, kDy);
  });
  EXPECT_EQ(ver.translatedVer, (IndexSet{{1, 3}}));
  EXPECT_TRUE(ver.translatedHor.empty());
  EXPECT_EQ(ver.evaluatedVer, (IndexSet{{0, 3}, {2, 3}}));
  EXPECT_EQ(ver.evaluatedHor, (IndexSet{{1, 2}, {1, 3}, {2, 2}, {2, 3}}));
  EXPECT_EQ(ver.cells, Block(0, 2, 2, 3));

  const Trace edge = TraceMove([](const CWarpConverter& c, Pair& g) {
    return c.MoveLineHor(g.ope, g.real, 0, 0, kDx, kDy);
  });
  EXPECT_EQ(edge.evaluatedHor, (IndexSet{{0, 1}}));
  EXPECT_EQ(edge.evaluatedVer, (IndexSet{{0, 0}, {0, 1}}));
  EXPECT_EQ(edge.cells, Block(0, 0, 0, 1));
}

TEST(MoveLine, WholeRowAndColumnEvaluateNothingAlongThemselves) {
  const Trace row = TraceMove([](const CWarpConverter& c, Pair& g) {
    return c.MoveLineHorMulti(g.ope, g.real, 2, 0, kOpe.cx, kDx, kDy);
  });
  EXPECT_EQ(row.translatedHor, Block(2, 2, 0, 3));
  EXPECT_TRUE(row.evaluatedHor.empty());
  EXPECT_EQ(row.evaluatedVer, Block(1, 2, 0, 4));
  EXPECT_EQ(row.cells, Block(1, 2, 0, 3));

  const Trace column = TraceMove([](const CWarpConverter& c, Pair& g) {
    return c.MoveLineVerMulti(g.ope, g.real, 0, kOpe.cy, 1, kDx, kDy);
  });
  EXPECT_EQ(column.translatedVer, Block(0, 2, 1, 1));
  EXPECT_TRUE(column.evaluatedVer.empty());
  EXPECT_EQ(column.evaluatedHor, Block(0, 3, 0, 1));
  EXPECT_EQ(column.cells, Block(0, 2, 0, 1));
}

TEST(MoveLine, MultiFormsMatchPointAndSingleLineMoves) {
  for (int32_t j = 0; j <= kOpe.cy; ++j) {
    for (int32_t i = 0; i <= kOpe.cx; ++i) {
      SCOPED_TRACE(testing::Message() << "node " << j << "," << i);
      const MoveBy point = [=](const CWarpConverter& c, Pair& g, double dx, double dy) {
        return c.MovePoint(g.ope, g.real, j, i, dx, dy);
      };
      ExpectSameEffect("row run of one", point,
                       [=](const CWarpConverter& c, Pair& g, double dx, double dy) {
                         return c.MoveLineHorMulti(g.ope, g.real, j, i, i, dx, dy);
                       });
      ExpectSameEffect("column run of one", point,
                       [=](const CWarpConverter& c, Pair& g, double dx, double dy) {
                         return c.MoveLineVerMulti(g.ope, g.real, j, j, i, dx, dy);
                       });
      if (i < kOpe.cx) {
        ExpectSameEffect(
            "row run of two",
            [=](const CWarpConverter& c, Pair& g, double dx, double dy) {
              return c.MoveLineHor(g.ope, g.real, j, i, dx, dy);
            },
            [=](const CWarpConverter& c, Pair& g, double dx, double dy) {
              return c.MoveLineHorMulti(g.ope, g.real, j, i, i + 1, dx, dy);
            });
      }
      if (j < kOpe.cy) {
        ExpectSameEffect(
            "column run of two",
            [=](const CWarpConverter& c, Pair& g, double dx, double dy) {
              return c.MoveLineVer(g.ope, g.real, j, i, dx, dy);
            },
            [=](const CWarpConverter& c, Pair& g, double dx, double dy) {
              return c.MoveLineVerMulti(g.ope, g.real, j, j + 1, i, dx, dy);
            });
      }
    }
  }
}

TEST(MoveLine, TranslatedSamplesLeaveTheLatticeEvaluatedOnesDoNot) {
  Pair g;
  CWarpConverter conv;
  ASSERT_EQ(conv.MoveLineHor(g.ope, g.real, 1, 1, 0.3, 0.0), 0);
  for (const RealPoint& s : g.ope.GetLineHor(1, 1)->m_samples)
    EXPECT_FALSE(OnLattice(s.x, 64)) << s.x;
  for (const CWarpOpeLine* line : {g.ope.GetLineHor(1, 0), g.ope.GetLineHor(1, 2),
                                   g.ope.GetLineVer(0, 1), g.ope.GetLineVer(1, 2)}) {
    for (const RealPoint& s : line->m_samples) EXPECT_TRUE(OnLattice(s.x, 64)) << s.x;
  }
}

TEST(MoveLine, LineMoveKeepsTheBendPointMovesReEvaluateIt) {
  Pair byLine;
  Pair byPoints;
  CWarpConverter conv;
  for (Pair* g : {&byLine, &byPoints}) {
    CWarpOpeLine& line = *g->ope.GetLineHor(1, 1);
    line.m_curve = 1;
    line.m_handleStart = {60.0, -45.0};
    line.m_handleEnd = {-30.0, 70.0};
    conv.UpdatePoint(g->ope, g->real, 1, 1);
  }
  const std::vector<RealPoint> bent = byLine.ope.GetLineHor(1, 1)->m_samples;

  ASSERT_EQ(conv.MoveLineHor(byLine.ope, byLine.real, 1, 1, 0.3, -0.45), 0);
  const CWarpOpeLine& kept = *byLine.ope.GetLineHor(1, 1);
  ASSERT_EQ(kept.m_samples.size(), bent.size());
  for (size_t k = 0; k < bent.size(); ++k) {
    EXPECT_EQ(kept.m_samples[k].x, bent[k].x + 0.3) << k;
    EXPECT_EQ(kept.m_samples[k].y, bent[k].y + -0.45) << k;
  }

  ASSERT_EQ(conv.MovePoint(byPoints.ope, byPoints.real, 1, 1, 0.3, -0.45), 0);
  ASSERT_EQ(conv.MovePoint(byPoints.ope, byPoints.real, 1, 2, 0.3, -0.45), 0);
  const CWarpOpeLine& redone = *byPoints.ope.GetLineHor(1, 1);
  CWarpOpeLine fresh = redone;
  CWarpGridOpe::Evaluate(fresh, *byPoints.ope.GetPoint(1, 1), *byPoints.ope.GetPoint(1, 2));
  bool differs = false;
  for (size_t k = 0; k < bent.size(); ++k) {
    EXPECT_EQ(redone.m_samples[k].x, fresh.m_samples[k].x) << k;
    EXPECT_EQ(redone.m_samples[k].y, fresh.m_samples[k].y) << k;
    EXPECT_TRUE(OnLattice(redone.m_samples[k].x, 64) && OnLattice(redone.m_samples[k].y, 64)) << k;
    differs = differs || redone.m_samples[k].x != kept.m_samples[k].x;
  }
  EXPECT_TRUE(differs);
}

TEST(MoveLine, ZeroMoveBringsAStaleNeighbourhoodIntoStep) {
  // Node (1, 2) displaced behind the converter's back; the real grid is stale.
  Pair moved;
  Pair reference;
  CWarpConverter conv;
  for (Pair* g : {&moved, &reference}) {
    g->ope.GetPoint(1, 2)->x += 40.0;
    Poison(g->real);
  }
  ASSERT_EQ(conv.MovePoint(moved.ope, moved.real, 1, 2, 0.0, 0.0), 0);
  conv.UpdatePoint(reference.ope, reference.real, 1, 2);
  EXPECT_EQ(Flatten(moved), Flatten(reference));
  EXPECT_EQ(moved.ope.GetPoint(1, 2)->x, 960.0 + 40.0);

  // A zero line move leaves the moved line's stale samples as they are.
  Pair line;
  line.ope.GetPoint(1, 2)->x += 40.0;
  const std::vector<RealPoint> stale = line.ope.GetLineHor(1, 1)->m_samples;
  Poison(line.real);
  ASSERT_EQ(conv.MoveLineHor(line.ope, line.real, 1, 1, 0.0, 0.0), 0);
  const std::vector<RealPoint>& after = line.ope.GetLineHor(1, 1)->m_samples;
  for (size_t k = 0; k < stale.size(); ++k) EXPECT_EQ(after[k].x, stale[k].x) << k;
  EXPECT_EQ(line.ope.GetLineHor(1, 2)->m_samples.front().x, 1000.0);
  EXPECT_NE(line.real.At(3, 5).x, kPoison);
}

TEST(MoveArea, CellMoveIsTheTwoByTwoBlockMove) {
  for (int32_t j = 0; j < kOpe.cy; ++j) {
    for (int32_t i = 0; i < kOpe.cx; ++i) {
      SCOPED_TRACE(testing::Message() << "cell " << j << "," << i);
      ExpectSameEffect(
          "cell",
          [=](const CWarpConverter& c, Pair& g, double dx, double dy) {
            return c.MoveArea(g.ope, g.real, j, i, dx, dy);
          },
          [=](const CWarpConverter& c, Pair& g, double dx, double dy) {
            return c.MoveAreaMulti(g.ope, g.real, j, j + 1, i, i + 1, dx, dy);
          });
    }
  }
  const Trace cell = TraceMove(
      [](const CWarpConverter& c, Pair& g) { return c.MoveArea(g.ope, g.real, 1, 1, kDx, kDy); });
  EXPECT_EQ(cell.translatedHor, (IndexSet{{1, 1}, {2, 1}}));
  EXPECT_EQ(cell.translatedVer, (IndexSet{{1, 1}, {1, 2}}));
  EXPECT_EQ(cell.evaluatedHor, (IndexSet{{1, 0}, {1, 2}, {2, 0}, {2, 2}}));
  EXPECT_EQ(cell.evaluatedVer, (IndexSet{{0, 1}, {0, 2}, {2, 1}, {2, 2}}));
  EXPECT_EQ(cell.cells, Block(0, 2, 0, 2));
}

TEST(MoveArea, ThinBlocksMatchLineAndPointMoves) {
  ExpectSameEffect(
      "row block",
      [](const CWarpConverter& c, Pair& g, double dx, double dy) {
        return c.MoveAreaMulti(g.ope, g.real, 2, 2, 1, 3, dx, dy);
      },
      [](const CWarpConverter& c, Pair& g, double dx, double dy) {
        return c.MoveLineHorMulti(g.ope, g.real, 2, 1, 3, dx, dy);
      });
  ExpectSameEffect(
      "column block",
      [](const CWarpConverter& c, Pair& g, double dx, double dy) {
        return c.MoveAreaMulti(g.ope, g.real, 0, 2, 4, 4, dx, dy);
      },
      [](const CWarpConverter& c, Pair& g, double dx, double dy) {
        return c.MoveLineVerMulti(g.ope, g.real, 0, 2, 4, dx, dy);
      });
  ExpectSameEffect(
      "point block",
      [](const CWarpConverter& c, Pair& g, double dx, double dy) {
        return c.MoveAreaMulti(g.ope, g.real, 1, 1, 2, 2, dx, dy);
      },
      [](const CWarpConverter& c, Pair& g, double dx, double dy) {
        return c.MovePoint(g.ope, g.real, 1, 2, dx, dy);
      });
}

TEST(MoveArea, EdgeBlocksStopAtTheEdge) {
  const Trace topLeft = TraceMove([](const CWarpConverter& c, Pair& g) {
    return c.MoveAreaMulti(g.ope, g.real, 0, 1, 0, 1, kDx, kDy);
  });
  EXPECT_EQ(topLeft.translatedHor, (IndexSet{{0, 0}, {1, 0}}));
  EXPECT_EQ(topLeft.translatedVer, (IndexSet{{0, 0}, {0, 1}}));
  EXPECT_EQ(topLeft.evaluatedHor, (IndexSet{{0, 1}, {1, 1}}));
  EXPECT_EQ(topLeft.evaluatedVer, (IndexSet{{1, 0}, {1, 1}}));
  EXPECT_EQ(topLeft.cells, Block(0, 1, 0, 1));

  const Trace bottomRight = TraceMove([](const CWarpConverter& c, Pair& g) {
    return c.MoveAreaMulti(g.ope, g.real, 2, 3, 3, 4, kDx, kDy);
  });
  EXPECT_EQ(bottomRight.translatedHor, (IndexSet{{2, 3}, {3, 3}}));
  EXPECT_EQ(bottomRight.translatedVer, (IndexSet{{2, 3}, {2, 4}}));
  EXPECT_EQ(bottomRight.evaluatedHor, (IndexSet{{2, 2}, {3, 2}}));
  EXPECT_EQ(bottomRight.evaluatedVer, (IndexSet{{1, 3}, {1, 4}}));
  EXPECT_EQ(bottomRight.cells, Block(1, 2, 2, 3));
}

TEST(MoveArea, WholeGridTranslatesTheRealGrid) {
  const Trace all = TraceMove([](const CWarpConverter& c, Pair& g) {
    return c.MoveAreaMulti(g.ope, g.real, 0, kOpe.cy, 0, kOpe.cx, kDx, kDy);
  });
  EXPECT_EQ(all.translatedHor, Block(0, 3, 0, 3));
  EXPECT_EQ(all.translatedVer, Block(0, 2, 0, 4));
  EXPECT_TRUE(all.evaluatedHor.empty() && all.evaluatedVer.empty());
  EXPECT_EQ(all.cells, Block(0, 2, 0, 3));

  Pair g;
  CWarpGridReal even;
  even.Create(kPanel, kReal);
  CWarpConverter conv;
  ASSERT_EQ(conv.MoveAreaMulti(g.ope, g.real, 0, kOpe.cy, 0, kOpe.cx, 0.3, -0.7), 0);
  for (int32_t r = 0; r <= kReal.cy; ++r) {
    for (int32_t c = 0; c <= kReal.cx; ++c) {
      EXPECT_EQ(g.real.At(r, c).x, RoundPoint(even.At(r, c).x + 0.3)) << r << "," << c;
      EXPECT_EQ(g.real.At(r, c).y, RoundPoint(even.At(r, c).y - 0.7)) << r << "," << c;
    }
  }
}

TEST(MoveArea, CellBoundaryKeepsItsBendAndInteriorIsRecomputed) {
  Pair g({16, 12}, kOpe);
  CWarpConverter conv;
  CWarpOpeLine& top = *g.ope.GetLineHor(1, 1);
  top.m_curve = 1;
  top.m_handleStart = {50.0, 30.0};
  top.m_handleEnd = {-40.0, -20.0};
  CWarpOpeLine& leaving = *g.ope.GetLineHor(1, 0);
  leaving.m_curve = 1;
  leaving.m_handleStart = {20.0, -60.0};
  leaving.m_handleEnd = {-35.0, 45.0};
  conv.UpdatePoint(g.ope, g.real, 1, 1);
  const std::vector<RealPoint> bent = top.m_samples;

  ASSERT_EQ(conv.MoveArea(g.ope, g.real, 1, 1, 0.3, 0.2), 0);
  for (size_t k = 0; k < bent.size(); ++k) {
    EXPECT_EQ(top.m_samples[k].x, bent[k].x + 0.3) << k;
    EXPECT_EQ(top.m_samples[k].y, bent[k].y + 0.2) << k;
  }
  CWarpOpeLine fresh = leaving;
  CWarpGridOpe::Evaluate(fresh, *g.ope.GetPoint(1, 0), *g.ope.GetPoint(1, 1));
  for (size_t k = 0; k < fresh.m_samples.size(); ++k) {
    EXPECT_EQ(leaving.m_samples[k].x, fresh.m_samples[k].x) << k;
    EXPECT_EQ(leaving.m_samples[k].y, fresh.m_samples[k].y) << k;
  }
  // Cell (1, 1) covers real rows 4..8 and columns 4..8.
  for (int32_t r = 4; r <= 8; ++r) {
    for (int32_t c = 4; c <= 8; ++c) {
      EXPECT_TRUE(OnLattice(g.real.At(r, c).x, 256) && OnLattice(g.real.At(r, c).y, 256))
          << r << "," << c;
    }
  }
}

TEST(MoveRejects, IndicesOutsideTheGridLeaveBothGridsUntouched) {
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  Pair g;
  Deform(g);
  const std::vector<uint64_t> before = Flatten(g);
  auto rejected = [&](int32_t status) {
    EXPECT_EQ(status, KVOGC_E_INVALIDARG);
    EXPECT_EQ(Flatten(g), before);
  };
  CWarpConverter c;
  CWarpGridOpe& o = g.ope;
  CWarpGridReal& r = g.real;
  for (const auto& [j, i] : {Index{-1, 0}, {4, 0}, {0, 5}, {0, -1}, {kMax, kMin}}) {
    SCOPED_TRACE(testing::Message() << j << "," << i);
    rejected(c.MovePoint(o, r, j, i, 1, 1));
  }
  for (const auto& [j, i] : {Index{0, 4}, {4, 0}, {-1, 0}, {kMin, kMax}}) {
    SCOPED_TRACE(testing::Message() << j << "," << i);
    rejected(c.MoveLineHor(o, r, j, i, 1, 1));
  }
  for (const auto& [j, i] : {Index{3, 0}, {0, 5}, {0, -1}, {kMax, 0}}) {
    SCOPED_TRACE(testing::Message() << j << "," << i);
    rejected(c.MoveLineVer(o, r, j, i, 1, 1));
    rejected(c.MoveArea(o, r, j, i, 1, 1));
  }
  rejected(c.MoveArea(o, r, 0, 4, 1, 1));
  rejected(c.MoveLineHorMulti(o, r, 0, 2, 1, 1, 1));
  rejected(c.MoveLineHorMulti(o, r, 0, -1, 2, 1, 1));
  rejected(c.MoveLineHorMulti(o, r, 0, 0, 5, 1, 1));
  rejected(c.MoveLineHorMulti(o, r, 4, 0, 0, 1, 1));
  rejected(c.MoveLineVerMulti(o, r, 2, 1, 0, 1, 1));
  rejected(c.MoveLineVerMulti(o, r, 0, 4, 0, 1, 1));
  rejected(c.MoveLineVerMulti(o, r, -1, 1, 0, 1, 1));
  rejected(c.MoveLineVerMulti(o, r, 0, 1, 5, 1, 1));
  rejected(c.MoveAreaMulti(o, r, 1, 0, 0, 0, 1, 1));
  rejected(c.MoveAreaMulti(o, r, 0, 0, 1, 0, 1, 1));
  rejected(c.MoveAreaMulti(o, r, 0, 4, 0, 0, 1, 1));
  rejected(c.MoveAreaMulti(o, r, 0, 0, 0, 5, 1, 1));
  rejected(c.MoveAreaMulti(o, r, kMin, 0, 0, kMax, 1, 1));

  CWarpGridOpe empty;
  CWarpGridReal none;
  EXPECT_EQ(c.MovePoint(empty, none, 0, 0, 1, 1), KVOGC_E_INVALIDARG);
  EXPECT_EQ(c.MoveAreaMulti(empty, none, 0, 0, 0, 0, 1, 1), KVOGC_E_INVALIDARG);
}

TEST(MoveRejects, NonFiniteMovesDoNotCrash) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  CWarpConverter conv;
  for (const auto& [dx, dy] : {std::pair{nan, 0.0}, {inf, -inf}, {0.0, nan}}) {
    Pair g;
    EXPECT_EQ(conv.MovePoint(g.ope, g.real, 1, 1, dx, dy), 0);
    EXPECT_EQ(conv.MoveLineHor(g.ope, g.real, 2, 2, dx, dy), 0);
    EXPECT_EQ(conv.MoveLineHorMulti(g.ope, g.real, 3, 0, 4, dx, dy), 0);
    EXPECT_EQ(conv.MoveLineVer(g.ope, g.real, 0, 4, dx, dy), 0);
    EXPECT_EQ(conv.MoveLineVerMulti(g.ope, g.real, 0, 3, 0, dx, dy), 0);
    EXPECT_EQ(conv.MoveArea(g.ope, g.real, 1, 2, dx, dy), 0);
    EXPECT_EQ(conv.MoveAreaMulti(g.ope, g.real, 0, 3, 0, 4, dx, dy), 0);
    EXPECT_FALSE(std::isfinite(g.ope.GetPoint(0, 0)->x) && std::isfinite(g.ope.GetPoint(0, 0)->y));
  }
  // Outside the moved node's cells the real grid keeps its values.
  Pair g;
  ASSERT_EQ(conv.MovePoint(g.ope, g.real, 0, 0, nan, nan), 0);
  EXPECT_EQ(g.real.At(4, 4).x, 960.0);
}

}  // namespace
}  // namespace kvogc
