// The inverse map of a 480x270 real grid on a 3840x2160 panel against the
// baseline it feeds: cv::remap of a 3840x2160 RGB picture through that map.
// BM_MapOverRemap times both in each iteration and reports their ratio.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "InverseMap.h"

namespace kvogc::warpmap {
namespace {

constexpr int32_t kWidth = 3840, kHeight = 2160;

WarpMesh Mesh4K() {
  WarpMesh mesh{481, 271, {}, {}};
  for (int32_t r = 0; r < mesh.rows; ++r) {
    for (int32_t c = 0; c < mesh.cols; ++c) {
      const double u = c / 480.0, v = r / 270.0;
      mesh.panel.push_back({60.0 + 3700.0 * u + 40.0 * std::sin(5.0 * v) + 30.0 * u * v,
                            50.0 + 2050.0 * v + 25.0 * std::cos(4.0 * u) - 20.0 * u * u});
    }
  }
  return mesh;
}

struct Fixture {
  WarpMesh mesh = Mesh4K();
  cv::Mat map = cv::Mat(kHeight, kWidth, CV_32FC2);
  cv::Mat picture = cv::Mat(kHeight, kWidth, CV_8UC3);
  cv::Mat shown;
  Fixture() {
    cv::randu(picture, cv::Scalar::all(0), cv::Scalar::all(255));
    Rasterise();
  }
  void Rasterise(int threads = 0) {
    RasteriseInverse(mesh, kWidth, kHeight, kWidth, kHeight, RemapUnits(kWidth, kHeight),
                     std::span<float>(map.ptr<float>(), map.total() * 2), threads);
  }
  void Remap() {
    cv::remap(picture, shown, map, cv::noArray(), cv::INTER_LINEAR, cv::BORDER_CONSTANT,
              cv::Scalar::all(0));
  }
};

// The argument is the thread count: 0 one per core, 1 the plain loop.
void BM_InverseMap4K(benchmark::State& state) {
  Fixture f;
  for (auto _ : state) {
    f.Rasterise(int(state.range(0)));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_InverseMap4K)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Remap4K(benchmark::State& state) {
  Fixture f;
  for (auto _ : state) {
    f.Remap();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Remap4K)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MapOverRemap(benchmark::State& state) {
  Fixture f;
  using Clock = std::chrono::steady_clock;
  Clock::duration mapTime{}, remapTime{};
  for (auto _ : state) {
    const auto t0 = Clock::now();
    f.Rasterise();
    benchmark::ClobberMemory();
    const auto t1 = Clock::now();
    f.Remap();
    benchmark::ClobberMemory();
    mapTime += t1 - t0;
    remapTime += Clock::now() - t1;
  }
  state.counters["map_over_remap"] = double(mapTime.count()) / double(std::max<Clock::rep>(remapTime.count(), 1));
}
BENCHMARK(BM_MapOverRemap)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kvogc::warpmap
