// Random sequences of calls with arguments in and out of range, NaN and
// infinities included, on every variant: no crash, no hang, no leak (the
// sanitizer build runs this too), and only the statuses the interface names.
#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <random>

#include "api/HostRecorder.h"  // Manager, SetUpManager

namespace kvogc::test {
namespace {

bool KnownStatus(int32_t s) {
  return s == KVOGC_OK || s == KVOGC_FALSE || s == KVOGC_E_FAIL || s == KVOGC_E_INVALIDARG ||
         s == KVOGC_E_UNEXPECTED || s == KVOGC_E_HANDLE;
}

class RandomCalls {
 public:
  explicit RandomCalls(unsigned seed) : m_random(seed) {}

  int32_t Index() {
    static constexpr std::array<int32_t, 8> kIndices = {0, 1, 2, 3, 4, -1, 5, 1 << 30};
    return kIndices[m_random() % kIndices.size()];
  }
  double Value() {
    static constexpr std::array<double, 9> kValues = {
        0.0, 3.5, -12.25, 250.0, 1e9, -1e300,
        std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 0.1};
    return kValues[m_random() % kValues.size()];
  }
  GridSize Size() {
    static constexpr std::array<GridSize, 8> kSizes = {
        GridSize{4, 4}, GridSize{2, 3}, GridSize{16, 9}, GridSize{8, 1},
        GridSize{0, 4}, GridSize{-3, 2}, GridSize{100000, 100000}, GridSize{5, 7}};
    return kSizes[m_random() % kSizes.size()];
  }

  int32_t Call(kvogcManager* m) {
    int32_t lx = 0;
    int32_t ly = 0;
    const std::array<double, 2> corner = {Value() / 1000, Value() / 1000};
    const std::array<double, 2> fixed = {1.0, 1.0};
    std::array<double, 2> out{};
    std::array<int32_t, 28> comment{};
    const GridSize panel{1920, 1080};
    const GridSize a = Size();
    const GridSize b = Size();
    switch (m_random() % 20) {
      case 0: {
        const GridSize real = m_random() % 2 == 0 ? GridSize{16, 9} : a;
        return kvogcGridManager_SetParam(m, &panel, &panel, &real, &b, &b, Value(), 600, Index());
      }
      case 1: return kvogcGridManager_SetOpeGridNum(m, &a);
      case 2: return kvogcGridManager_SetDispGridNum(m, &a);
      case 3: return kvogcGridManager_MovePoint(m, Index(), Index(), Value(), Value(), &lx, &ly);
      case 4: return kvogcGridManager_MoveLineHorMulti(m, Index(), Index(), Index(), Value(), Value(), &lx, &ly);
      case 5: return kvogcGridManager_MoveAreaMulti(m, Index(), Index(), Index(), Index(), Value(), Value(), &lx, &ly);
      case 6: return kvogcGridManager_MoveLineVer(m, Index(), Index(), Value(), Value());
      case 7: return kvogcGridManager_SetSmoothLine(m, Index(), Index(), Index(), Value(), Value(), Value(), Value());
      case 8: return kvogcGridManager_SetKeyStone(m, Value(), Value(), Value(), Value(), Value(), Value(), Value(), Index());
      case 9: return kvogcGridManager_SetKeyStoneMode(m, Index());
      case 10: return kvogcGridManager_SetLinearity(m, Value(), Value());
      case 11: return kvogcGridManager_SetPinCushion(m, corner.data(), fixed.data(), fixed.data(), corner.data(), Value(), Value(), Value(), Value(), Index());
      case 12: return kvogcGridManager_Set4CornerRotation(m, Value(), Index());
      case 13: return kvogcGridManager_FlipH(m, Index());
      case 14: return kvogcGridManager_AutoReduction(m, Index());
      case 15: return kvogcGridManager_GetBasicFinalPosition(m, Index(), Index(), out.data());
      case 16: return kvogcGridManager_SetGeoAdjProjectorSaveIn(m, Index());
      case 17: return kvogcGridManager_SetGeoAdjEnable(m, Index());
      case 18: return kvogcGridManager_SetGeoAdjMode(m, Index());
      default: return kvogcGridManager_GetGeoObjComment(m, comment.data());
    }
  }

 private:
  std::mt19937 m_random;
};

TEST(RandomCalls, AnySequenceReturnsKnownStatusesOnEveryVariant) {
  unsigned seed = 1;
  int succeeded = 0;
  int calls = 0;
  for (kvogcManager* (*init)() :
       {kvogcInitLibrary, kvogcInitProjectorLibrary, kvogcInitProjectorDeviceLibrary}) {
    for (int run = 0; run < 10; ++run) {
      Manager m(init());
      // Reports still fill the manager's buffers without callbacks to read them.
      ASSERT_EQ(kvogcGridManager_RegistCallback(m, nullptr, nullptr, nullptr), KVOGC_OK);
      ASSERT_EQ(SetUpManager(m, {1920, 1080}, {16, 9}, {4, 3}, {4, 3}), KVOGC_OK);
      RandomCalls random(seed++);
      for (int step = 0; step < 300; ++step) {
        const int32_t status = random.Call(m);
        ASSERT_TRUE(KnownStatus(status)) << std::hex << status << " at step " << std::dec << step;
        succeeded += status == KVOGC_OK ? 1 : 0;
        ++calls;
      }
    }
  }
  // Most calls must reach the grids, not stop at a check.
  EXPECT_GT(succeeded, calls / 3) << succeeded << " of " << calls;
}

}  // namespace
}  // namespace kvogc::test
