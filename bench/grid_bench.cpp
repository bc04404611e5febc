// Full refresh of a 4K real grid from an 8x8 operation grid, and reading the
// operation grid back from it. Reported per real-grid point.
#include <benchmark/benchmark.h>

#include "grid/WarpConverter.h"

namespace kvogc {
namespace {

struct Pair4K {
  CWarpGridReal real;
  CWarpGridOpe ope;
  Pair4K() {
    const GridSize panel{3840, 2160};
    const GridSize realNum{480, 270};
    real.Create(panel, realNum);
    ope.m_panelSize = panel;
    ope.m_realGridNum = realNum;
    ope.m_opeGridNum = {8, 8};
    ope.Create();
    ope.InitPoints();
    // A warp, so that no cell is trivially even.
    for (int32_t j = 0; j <= 8; ++j) {
      for (int32_t i = 0; i <= 8; ++i) {
        ope.GetPoint(j, i)->x += 7.0 * ((i * 3 + j) % 5) - 14.0;
        ope.GetPoint(j, i)->y += 5.0 * ((j * 7 + i) % 3) - 5.0;
      }
    }
  }
  double Points() const { return 481.0 * 271.0; }
};

void BM_FullRefresh(benchmark::State& state) {
  Pair4K g;
  CWarpConverter conv;
  for (auto _ : state) {
    conv.RefreshAll(g.ope, g.real);
    benchmark::ClobberMemory();
  }
  state.counters["ns_per_point"] = benchmark::Counter(
      g.Points() * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FullRefresh)->Unit(benchmark::kMillisecond);

void BM_ConvertRealToOpe(benchmark::State& state) {
  Pair4K g;
  CWarpConverter conv;
  conv.RefreshAll(g.ope, g.real);
  for (auto _ : state) {
    conv.ConvertRealToOpe(g.real, g.ope);
    benchmark::ClobberMemory();
  }
  state.counters["ns_per_point"] = benchmark::Counter(
      g.Points() * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ConvertRealToOpe)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kvogc
