// Linearity and pincushion mapping of a 4K real grid, per real-grid point: in
// steady state (parameters unchanged since the last call) and on the first call
// after a change, which rebuilds the pincushion tables and fit.
#include <benchmark/benchmark.h>

#include "correction/Linearity.h"
#include "correction/PinCushion.h"

namespace kvogc {
namespace {

constexpr GridSize kPanel{3840, 2160};
constexpr GridSize kCounts{480, 270};
constexpr double kPoints = 481.0 * 271.0;

// An evenly spaced grid with a mild warp, so that no point is trivially even.
struct Grids {
  CWarpGridReal src;
  CWarpGridReal dst;
  Grids() {
    src.Create(kPanel, kCounts);
    dst.Create(kPanel, kCounts);
    for (int32_t r = 0; r <= kCounts.cy; ++r) {
      for (int32_t c = 0; c <= kCounts.cx; ++c) {
        src.At(r, c).x += 3.0 * ((r * 7 + c) % 5) - 6.0;
        src.At(r, c).y += 2.0 * ((c * 3 + r) % 7) - 6.0;
      }
    }
  }
};

void PerPoint(benchmark::State& state) {
  state.counters["ns_per_point"] =
      benchmark::Counter(kPoints * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void SetPinCushion(CPinCushion& pin) {
  pin.SetParam({0.03, 0.02}, {0.97, 0.04}, {0.98, 0.96}, {0.02, 0.97}, 0.5, -0.3, 0.4, 0.2, 1);
}

void BM_LinearityConvertPoints(benchmark::State& state) {
  Grids g;
  CLinearity lin;
  lin.SetParam(10.0, -8.0);
  for (auto _ : state) {
    lin.ConvertPoints(g.src, g.dst, kPanel, kCounts);
    benchmark::ClobberMemory();
  }
  PerPoint(state);
}
BENCHMARK(BM_LinearityConvertPoints)->Unit(benchmark::kMicrosecond);

void BM_PinCushionConvertPointsSteady(benchmark::State& state) {
  Grids g;
  CPinCushion pin;
  SetPinCushion(pin);
  pin.ConvertPoints(g.src, g.dst, kPanel, kCounts);
  for (auto _ : state) {
    pin.ConvertPoints(g.src, g.dst, kPanel, kCounts);
    benchmark::ClobberMemory();
  }
  PerPoint(state);
}
BENCHMARK(BM_PinCushionConvertPointsSteady)->Unit(benchmark::kMicrosecond);

void BM_PinCushionConvertPointsFirst(benchmark::State& state) {
  Grids g;
  CPinCushion pin;
  SetPinCushion(pin);
  pin.ConvertPoints(g.src, g.dst, kPanel, kCounts);
  for (auto _ : state) {
    // A parameter change marks the tables stale: this call rebuilds them and the fit.
    SetPinCushion(pin);
    pin.ConvertPoints(g.src, g.dst, kPanel, kCounts);
    benchmark::ClobberMemory();
  }
  PerPoint(state);
}
BENCHMARK(BM_PinCushionConvertPointsFirst)->Unit(benchmark::kMicrosecond);

void BM_PinCushionConvertPointsNewCounts(benchmark::State& state) {
  Grids g;
  for (auto _ : state) {
    // A fresh corrector: tables and reference grid are allocated as well.
    CPinCushion pin;
    SetPinCushion(pin);
    pin.ConvertPoints(g.src, g.dst, kPanel, kCounts);
    benchmark::ClobberMemory();
  }
  PerPoint(state);
}
BENCHMARK(BM_PinCushionConvertPointsNewCounts)->Unit(benchmark::kMicrosecond);

// The steps in their plain order: the fit's reference grid is mapped every call.
void BM_PinCushionConvertPointsPlain(benchmark::State& state) {
  Grids g;
  CPinCushion pin;
  SetPinCushion(pin);
  pin.ConvertPointsPlain(g.src, g.dst, kPanel, kCounts);
  for (auto _ : state) {
    pin.ConvertPointsPlain(g.src, g.dst, kPanel, kCounts);
    benchmark::ClobberMemory();
  }
  PerPoint(state);
}
BENCHMARK(BM_PinCushionConvertPointsPlain)->Unit(benchmark::kMicrosecond);

void BM_PinCushionInvertPoint(benchmark::State& state) {
  Grids g;
  CPinCushion pin;
  SetPinCushion(pin);
  pin.ConvertPoints(g.src, g.dst, kPanel, kCounts);
  RealPoint out{};
  for (auto _ : state) {
    pin.InvertPoint({1000.0, 700.0}, out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_PinCushionInvertPoint)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kvogc
