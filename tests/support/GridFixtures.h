// Grids for the grid and correction tests: laid-out operation/real pairs,
// poisoned and jittered real grids, and bit-for-bit comparison of points and grids.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "grid/Rounding.h"
#include "grid/WarpConverter.h"

namespace kvogc::gridtest {

inline constexpr GridSize kFullHd{1920, 1080};
inline constexpr double kPoison = -1e6;

/// Sizes, creates and lays out an operation grid, as the manager does.
inline void LayOut(CWarpGridOpe& ope, GridSize panel, GridSize real, GridSize opeNum) {
  ope.Release();
  ope.m_panelSize = panel;
  ope.m_realGridNum = real;
  ope.m_opeGridNum = opeNum;
  ASSERT_EQ(ope.Create(), 0);
  ASSERT_EQ(ope.InitPoints(), 0);
}

/// An evenly laid out operation grid with the real grid it drives.
struct GridPair {
  GridPair(GridSize panel, GridSize realNum, GridSize opeNum) {
    real.Create(panel, realNum);
    LayOut(ope, panel, realNum, opeNum);
  }
  CWarpGridReal real;
  CWarpGridOpe ope;
};

/// Marks every point, so that the ones written afterwards can be told apart.
inline void Poison(CWarpGridReal& real) {
  for (RealPoint& p : real.Points()) p = {kPoison, kPoison};
}

/// The even grid with every point moved by up to `spread` 1/256 steps per axis.
inline void GridJittered(CWarpGridReal& g, GridSize panel, GridSize counts, unsigned seed,
                         int spread) {
  g.Create(panel, counts);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> jitter(-spread, spread);
  for (RealPoint& p : g.Points()) {
    p.x = RoundPoint(p.x) + jitter(rng) / 256.0;
    p.y = RoundPoint(p.y) + jitter(rng) / 256.0;
  }
}

/// The numbers of a file under tests/data, in order; "#" starts a note.
inline std::vector<double> TestNumbers(const std::string& name) {
  std::ifstream file(std::string(KVOGC_TEST_DATA_DIR) + "/" + name);
  EXPECT_TRUE(file.is_open()) << name;
  std::vector<double> numbers;
  for (std::string line; std::getline(file, line);) {
    std::istringstream fields(line.substr(0, line.find('#')));
    for (double v; fields >> v;) numbers.push_back(v);
  }
  return numbers;
}

inline void ExpectSameBits(RealPoint got, RealPoint want) {
  EXPECT_TRUE(std::bit_cast<uint64_t>(got.x) == std::bit_cast<uint64_t>(want.x) &&
              std::bit_cast<uint64_t>(got.y) == std::bit_cast<uint64_t>(want.y))
      << got.x << "," << got.y << " vs " << want.x << "," << want.y;
}

/// Every value the grids hold, in a fixed order, for bit-for-bit comparison.
inline std::vector<uint64_t> Bits(CWarpGridOpe& ope, const CWarpGridReal* real = nullptr) {
  std::vector<uint64_t> out;
  auto put = [&out](double v) { out.push_back(std::bit_cast<uint64_t>(v)); };
  for (int32_t j = 0; j <= ope.m_opeGridNum.cy; ++j) {
    for (int32_t i = 0; i <= ope.m_opeGridNum.cx; ++i) {
      const OpePoint& p = *ope.GetPoint(j, i);
      for (double v : {p.x, p.y, p.gx, p.gy}) put(v);
    }
  }
  const auto putLine = [&](const CWarpOpeLine& line) {
    out.push_back(line.m_count);
    out.push_back(static_cast<uint32_t>(line.m_curve));
    for (double v : {line.m_handleStart.x, line.m_handleStart.y, line.m_handleEnd.x,
                     line.m_handleEnd.y}) {
      put(v);
    }
    for (uint32_t k = 0; k < line.m_count; ++k) {
      for (double v : {line.m_params[k], line.m_samples[k].x, line.m_samples[k].y}) put(v);
    }
  };
  const GridSize n = ope.m_opeGridNum;
  for (int32_t j = 0; j <= n.cy; ++j) {
    for (int32_t i = 0; i < n.cx; ++i) putLine(*ope.GetLineHor(j, i));
  }
  for (int32_t j = 0; j < n.cy; ++j) {
    for (int32_t i = 0; i <= n.cx; ++i) putLine(*ope.GetLineVer(j, i));
  }
  if (real != nullptr) {
    for (const RealPoint& p : real->Points()) {
      put(p.x);
      put(p.y);
    }
  }
  return out;
}

inline std::vector<uint64_t> Bits(GridPair& g) { return Bits(g.ope, &g.real); }

}  // namespace kvogc::gridtest
