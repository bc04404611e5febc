// The whole correction chain and the inverse chain of a move, on a 4K panel
// with all three corrections non-neutral.
#include <benchmark/benchmark.h>

#include <array>

#include "manager/GridManagerCommon.h"

namespace kvogc {
namespace {

// Exposes the chain of a manager without modules of its own.
class ChainManager : public CGridManagerCommon {
 public:
  ChainManager() : CGridManagerCommon({}) {
    const GridSize panel{3840, 2160};
    const GridSize real{480, 270};
    const GridSize ope{8, 8};
    SetParam(&panel, &panel, &real, &ope, &ope, 600.0, 600.0, 0);
    SetGeoAdjEnable(1);
    SetLinearity(10.0, -8.0);
    const std::array<double, 2> lu{0.02, 0.01}, ru{0.97, 0.03}, rl{0.99, 0.98}, ll{0.01, 0.96};
    SetPinCushion(lu.data(), ru.data(), rl.data(), ll.data(), 0.5, -0.4, 0.3, -0.2, 1);
    Set4CornerRotation(3.0, 1);
  }
  using CGridManagerCommon::ApplyCorrections;
  using CGridManagerCommon::ConvertMoveDelta;
};

void BM_ApplyCorrections(benchmark::State& state) {
  ChainManager manager;
  for (auto _ : state) {
    manager.ApplyCorrections();
    benchmark::ClobberMemory();
  }
  state.counters["ns_per_point"] = benchmark::Counter(
      481.0 * 271.0 * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ApplyCorrections)->Unit(benchmark::kMillisecond);

void BM_ConvertMoveDelta(benchmark::State& state) {
  ChainManager manager;
  manager.ApplyCorrections();
  for (auto _ : state) {
    benchmark::DoNotOptimize(manager.ConvertMoveDelta(4, 4, {3.5, -2.25}));
  }
}
BENCHMARK(BM_ConvertMoveDelta)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kvogc
