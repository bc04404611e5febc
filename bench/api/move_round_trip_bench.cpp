// A host's drag through the exported interface: MovePoint with the inverse
// corrections, the converter move, the whole correction chain and the three
// reports. Also counts heap allocations per call (the goal is none).
#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <new>

#include <opencv2/core.hpp>

#include "kvogc/kvogc.h"

namespace {

std::atomic<long> g_allocations{0};

void OnReal(double*, int32_t, int32_t) {}
void OnOpe(double*, double*, double*, int32_t, int32_t) {}
void OnDisp(double*, double*, int32_t, int32_t) {}

struct Scenario {
  GridSize panel;
  GridSize real;
  bool keyStoneScreen;
};

kvogcManager* MakeManager(const Scenario& s) {
  kvogcManager* m = kvogcInitLibrary();
  const GridSize ope{8, 8};
  const GridSize disp{8, 8};
  kvogcGridManager_RegistCallback(m, OnReal, OnOpe, OnDisp);
  kvogcGridManager_SetParam(m, &s.panel, &s.panel, &s.real, &disp, &ope, 600.0, 600.0, 0);
  kvogcGridManager_SetGeoAdjEnable(m, 1);
  kvogcGridManager_SetLinearity(m, 10.0, -8.0);
  const std::array<double, 2> lu{0.02, 0.01}, ru{0.97, 0.03}, rl{0.99, 0.98}, ll{0.01, 0.96};
  kvogcGridManager_SetPinCushion(m, lu.data(), ru.data(), rl.data(), ll.data(), 0.5, -0.4, 0.3,
                                 -0.2, 1);
  kvogcGridManager_Set4CornerRotation(m, 3.0, 1);
  if (s.keyStoneScreen) {
    kvogcGridManager_SetKeyStoneMode(m, 1);
    kvogcGridManager_SetKeyStone(m, 8.0, -5.0, 3.0, 1.5, 20.0, -15.0, 0.0, 1);
  }
  return m;
}

void BM_MovePoint(benchmark::State& state, Scenario s) {
  kvogcManager* m = MakeManager(s);
  int32_t limitX = 0;
  int32_t limitY = 0;
  double step = 0.5;
  // One move there and back first: the first inversion in a table cell
  // estimates its homography (allocating inside OpenCV), a drag reuses it.
  for (int k = 0; k < 2; ++k) {
    kvogcGridManager_MovePoint(m, 4, 4, step, -step, &limitX, &limitY);
    step = -step;
  }
  const long before = g_allocations.load();
  for (auto _ : state) {
    kvogcGridManager_MovePoint(m, 4, 4, step, -step, &limitX, &limitY);
    step = -step;
  }
  const long allocations = g_allocations.load() - before;
  kvogcFinishLibrary(m);
  const double points = (s.real.cx + 1.0) * (s.real.cy + 1.0);
  state.counters["ns_per_point"] =
      benchmark::Counter(points * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["allocs_per_call"] =
      static_cast<double>(allocations) / static_cast<double>(state.iterations());
}
BENCHMARK_CAPTURE(BM_MovePoint, fhd_64x36_four_corner, Scenario{{1920, 1080}, {64, 36}, false})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_MovePoint, fhd_64x36_keystone, Scenario{{1920, 1080}, {64, 36}, true})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_MovePoint, uhd_480x270_four_corner, Scenario{{3840, 2160}, {480, 270}, false})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_MovePoint, uhd_480x270_keystone, Scenario{{3840, 2160}, {480, 270}, true})
    ->Unit(benchmark::kMicrosecond);

// The yardstick of the figures above: OpenCV pushing as many points through
// one perspective transform, in the same run.
void BM_OpenCvPerspectiveTransform(benchmark::State& state, Scenario s) {
  const int cols = s.real.cx + 1;
  const int rows = s.real.cy + 1;
  cv::Mat from(1, cols * rows, CV_64FC2);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      from.at<cv::Vec2d>(0, r * cols + c) = {c * 8.0 + 0.37, r * 8.0 - 0.29};
    }
  }
  const cv::Matx33d h(1.02, 0.03, -12.0, -0.01, 0.98, 7.5, 2e-6, -1e-6, 1.0);
  cv::Mat to(1, cols * rows, CV_64FC2);
  for (auto _ : state) {
    cv::perspectiveTransform(from, to, h);
    benchmark::ClobberMemory();
  }
  state.counters["ns_per_point"] =
      benchmark::Counter(static_cast<double>(cols) * rows * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK_CAPTURE(BM_OpenCvPerspectiveTransform, uhd_480x270, Scenario{{3840, 2160}, {480, 270}, false})
    ->Unit(benchmark::kMicrosecond);

// The correction chain and the three reports alone: the report path must not allocate.
void BM_RefreshAllPoint(benchmark::State& state, Scenario s) {
  kvogcManager* m = MakeManager(s);
  const long before = g_allocations.load();
  for (auto _ : state) kvogcGridManager_RefreshAllPoint(m);
  const long allocations = g_allocations.load() - before;
  kvogcFinishLibrary(m);
  state.counters["allocs_per_call"] =
      static_cast<double>(allocations) / static_cast<double>(state.iterations());
}
BENCHMARK_CAPTURE(BM_RefreshAllPoint, uhd_480x270_four_corner,
                  Scenario{{3840, 2160}, {480, 270}, false})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

// Counting every allocation of the process, the library's included. The pair
// malloc/free stands behind new/delete here, which GCC cannot see across the calls.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
