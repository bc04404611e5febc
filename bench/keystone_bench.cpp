// Keystone forward mapping of a 4K real grid, against OpenCV's perspective
// transform of the same points with the homography that best matches it.
// Both reported per real-grid point.
#include <benchmark/benchmark.h>

#include <opencv2/calib3d.hpp>
#include <opencv2/core.hpp>

#include <vector>

#include "correction/KeyStone.h"
#include "grid/WarpGridReal.h"

namespace kvogc {
namespace {

struct KeystoneScene {
  const GridSize panel{3840, 2160};
  const GridSize counts{480, 270};
  CWarpGridReal src;
  CWarpGridReal dst;
  CKeyStone keystone;

  KeystoneScene() {
    src.Create(panel, counts);
    dst.Create(panel, counts);
    // Off the even lattice, so that no point is special.
    for (RealPoint& p : src.Points()) {
      p.x += 0.37 * static_cast<double>(static_cast<int64_t>(p.y) % 7) - 1.1;
      p.y += 0.29 * static_cast<double>(static_cast<int64_t>(p.x) % 5) - 0.6;
    }
    keystone.SetParam(8.0, -5.0, 3.0, 1.5, 0.2, -0.1, 0.0, 1, panel);
  }
  double Points() const { return 481.0 * 271.0; }
  // The render module is found beside the program; without it the mapping is a constant.
  bool Meaningful() {
    keystone.ConvertPoints(src, dst, panel, counts);
    const RealPoint a = *dst.GetPoint(0, 0);
    const RealPoint b = *dst.GetPoint(counts.cy, counts.cx);
    return a.x != b.x && a.y != b.y;
  }
};

void SetPerPoint(benchmark::State& state, double points) {
  state.counters["ns_per_point"] =
      benchmark::Counter(points * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_KeystoneConvertPoints(benchmark::State& state) {
  KeystoneScene s;
  if (!s.Meaningful()) {
    state.SkipWithError("Merrowin module not found beside the benchmark");
    return;
  }
  for (auto _ : state) {
    s.keystone.ConvertPoints(s.src, s.dst, s.panel, s.counts);
    benchmark::ClobberMemory();
  }
  SetPerPoint(state, s.Points());
}
BENCHMARK(BM_KeystoneConvertPoints)->Unit(benchmark::kMillisecond);

void BM_OpenCvPerspectiveTransform(benchmark::State& state) {
  KeystoneScene s;
  if (!s.Meaningful()) {
    state.SkipWithError("Merrowin module not found beside the benchmark");
    return;
  }
  const int n = static_cast<int>(s.src.Points().size());
  // RealPoint is two doubles, laid out as a CV_64FC2 element.
  const cv::Mat from(1, n, CV_64FC2, s.src.Points().data());
  const cv::Mat keystoned(1, n, CV_64FC2, s.dst.Points().data());
  const cv::Mat h = cv::findHomography(from, keystoned);
  cv::Mat to(1, n, CV_64FC2);
  for (auto _ : state) {
    cv::perspectiveTransform(from, to, h);
    benchmark::ClobberMemory();
  }
  SetPerPoint(state, s.Points());
}
BENCHMARK(BM_OpenCvPerspectiveTransform)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kvogc
