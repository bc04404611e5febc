// Writing, reading and splitting the warp geometry text of a 4K real grid
// (481 x 271 points), and the snprintf formatting the writer replaces.
// Reported per grid point.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "geometry/GeoObjTextReader.h"
#include "geometry/GeoObjTextSplitter.h"
#include "geometry/GeoObjTextWriter.h"

namespace kvogc {
namespace {

constexpr GridSize kPanel{3840, 2160};
constexpr GridSize kReal{480, 270};

struct Grids4K {
  CWarpGridReal current;
  CWarpGridReal previous;
  Grids4K() {
    current.Create(kPanel, kReal);
    previous.Create(kPanel, kReal);
    // Off the even lattice, so that every number has six significant decimals.
    int k = 0;
    for (RealPoint& p : current.Points()) {
      p.x += (k % 17) / 256.0 + 0.37;
      p.y -= (k % 13) / 256.0 + 0.51;
      ++k;
    }
  }
  GeoObjTextInput Input() const {
    GeoObjTextInput in;
    in.panelSize = kPanel;
    in.realGridNum = kReal;
    in.current = &current;
    in.previous = &previous;
    return in;
  }
  static double Points() { return 481.0 * 271.0; }
};

void PerPoint(benchmark::State& state) {
  state.counters["ns_per_point"] = benchmark::Counter(
      Grids4K::Points() * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_WriteGeoObjText(benchmark::State& state) {
  Grids4K g;
  const GeoObjTextInput in = g.Input();
  std::string text;
  for (auto _ : state) {
    WriteGeoObjText(in, text);
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["bytes"] = static_cast<double>(text.size());
  PerPoint(state);
}
BENCHMARK(BM_WriteGeoObjText)->Unit(benchmark::kMillisecond);

// The "#prev", "v" and "vt" lines of every point printed with snprintf, for comparison.
void BM_SnprintfNumbers(benchmark::State& state) {
  Grids4K g;
  char line[128];
  for (auto _ : state) {
    size_t total = 0;
    for (const RealPoint& p : g.current.Points()) {
      const double x = static_cast<float>(p.x / kPanel.cx);
      const double y = static_cast<float>(1.0 - p.y / kPanel.cy);
      total += std::snprintf(line, sizeof line, "#prev %.6f %.6f %.6f\n", x, y, 0.0);
      total += std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\n", x, y, 0.0);
      total += std::snprintf(line, sizeof line, "vt %.6f %.6f\n", x, y);
    }
    benchmark::DoNotOptimize(total);
  }
  PerPoint(state);
}
BENCHMARK(BM_SnprintfNumbers)->Unit(benchmark::kMillisecond);

void BM_ParseGeoObjText(benchmark::State& state) {
  Grids4K g;
  std::string text;
  WriteGeoObjText(g.Input(), text);
  GeoCommentRecord comment;
  CWarpGridReal base;
  base.Create(kPanel, kReal);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ParseGeoObjText(text, {kPanel, false}, comment, base));
  }
  PerPoint(state);
}
BENCHMARK(BM_ParseGeoObjText)->Unit(benchmark::kMillisecond);

void BM_SplitGeoObjText(benchmark::State& state) {
  Grids4K g;
  std::string text;
  WriteGeoObjText(g.Input(), text);
  std::string header;
  std::string tail;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        SplitGeoObjText(text, kGeoHeaderCapacity, GeoTailCapacity(kReal), header, tail));
  }
  PerPoint(state);
}
BENCHMARK(BM_SplitGeoObjText)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kvogc
