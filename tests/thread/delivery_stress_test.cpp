// Bursts of send requests to several targets while the worker delivers, then
// destruction with requests still queued. Bounded to a few seconds.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>

#include "host/GeoObjHostTarget.h"
#include "manager/KvoGridCalcManager.h"

namespace kvogc {
namespace {

using namespace std::chrono_literals;
using host::CGeoObjHostTarget;

// The "#prev" line of real point (1, 1) once the node there sits at x pixels.
std::string PrevLine(double x) {
  char line[64];
  std::snprintf(line, sizeof line, "\n#prev %.6f 0.750000 0.000000\n", static_cast<float>(x / 1920.0));
  return line;
}

TEST(DeliveryStress, BurstsDeliverEachTargetsLastRequestAndReleaseEveryReference) {
  constexpr int kTargets = 4;
  std::array<KvoRef<CGeoObjHostTarget>, kTargets> targets;
  for (auto& t : targets) t = KvoRef<CGeoObjHostTarget>::Adopt(CGeoObjHostTarget::Create());
  std::mt19937 random(12345);
  {
    CKvoGridCalcManager m;
    const GridSize panel{1920, 1080};
    const GridSize real{4, 4};
    const GridSize ope{4, 4};
    ASSERT_EQ(m.SetParam(&panel, &panel, &real, &ope, &ope, 600, 600, 0), KVOGC_OK);
    ASSERT_EQ(m.RegistCallback(nullptr, nullptr, nullptr), KVOGC_OK);
    int32_t lx = 0;
    int32_t ly = 0;
    double x = 480.0;
    std::array<double, kTargets> lastX{};
    for (int round = 0; round < 40; ++round) {
      for (int k = 0; k < kTargets; ++k) {
        ASSERT_EQ(m.MovePoint(1, 1, 1.0, 0.0, &lx, &ly), KVOGC_OK);
        x += 1.0;
        ASSERT_EQ(m.SendGeoObjData(targets[k].Get(), 0), KVOGC_OK);
        lastX[k] = x;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(random() % 20));
    }
    // Every target ends up with the geometry of its own last request.
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    for (int k = 0; k < kTargets; ++k) {
      const std::string last = PrevLine(lastX[k]);
      while (targets[k]->CurrentGeometry().find(last) == std::string::npos &&
             std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
      }
      EXPECT_NE(targets[k]->CurrentGeometry().find(last), std::string::npos) << k;
    }
    // Requests still queued when the manager goes are dropped, not leaked.
    for (auto& t : targets) ASSERT_EQ(m.SendGeoObjData(t.Get(), 0), KVOGC_OK);
  }
  for (auto& t : targets) {
    EXPECT_EQ(t->AddRef(), 2u);  // only our own reference is left
    EXPECT_EQ(t->Release(), 1u);
  }
}

}  // namespace
}  // namespace kvogc
