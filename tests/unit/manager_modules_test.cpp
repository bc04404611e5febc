// How a manager uses its sibling modules and a host's target: a missing
// command module, the target's statuses, references, and a device's warp read back.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>

#include <array>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "manager/KvoGridCalcManager.h"
#include "manager/KvoProjectorDeviceGridCalcManager.h"
#include "manager/KvoProjectorGridCalcManager.h"
#include "support/FakeTarget.h"
#include "support/StandinObjects.h"

namespace {

// The modules unloaded while a test listens, by name, in order.
std::mutex g_unloadLock;
std::vector<std::string>* g_unloads = nullptr;

}  // namespace

// Stands in for the C library's dlclose in this program, noting each module's
// name before the real unload.
extern "C" int dlclose(void* handle) {
  {
    std::lock_guard<std::mutex> hold(g_unloadLock);
    link_map* map = nullptr;
    if (g_unloads != nullptr && dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr) {
      g_unloads->push_back(std::filesystem::path(map->l_name).stem().string());
    }
  }
  static const auto real = reinterpret_cast<int (*)(void*)>(dlsym(RTLD_NEXT, "dlclose"));
  return real(handle);
}

namespace kvogc {
namespace {

using test::FakeTarget;

template <class Manager>
std::unique_ptr<GridCalcManagerBase> Make() {
  return std::make_unique<Manager>();
}

// The corrector's module goes first, then the manager's own, last loaded first.
TEST(ManagerModules, UnloadInReverseOrderOfLoading) {
  const struct {
    std::unique_ptr<GridCalcManagerBase> (*make)();
    std::vector<std::string> order;
  } cases[] = {
      {Make<CKvoGridCalcManager>, {"Merrowin", "Dunsgate", "Quorvel"}},
      {Make<CKvoProjectorGridCalcManager>, {"Merrowin", "Tessaly", "Quorvel"}},
      {Make<CKvoProjectorDeviceGridCalcManager>,
       {"Merrowin", "Calvoric", "Brindmoor", "Tessaly", "Quorvel"}},
  };
  for (const auto& c : cases) {
    auto manager = c.make();
    std::vector<std::string> unloads;
    {
      std::lock_guard<std::mutex> hold(g_unloadLock);
      g_unloads = &unloads;
    }
    manager.reset();
    {
      std::lock_guard<std::mutex> hold(g_unloadLock);
      g_unloads = nullptr;
    }
    EXPECT_EQ(unloads, c.order);
  }
}

class PlainManager : public CGridManagerCommon {
 public:
  explicit PlainManager(std::string_view commandModule)
      : CGridManagerCommon({.modules = {"Quorvel.dll", commandModule}}) {}
};

void SetUpGrids(GridCalcManagerBase& m, GridSize device) {
  const GridSize panel{1920, 1080}, real{4, 4}, ope{2, 2};
  ASSERT_EQ(m.SetParam(&panel, &device, &real, &ope, &ope, 600, 600, 0), KVOGC_OK);
}

// Whether the command module is missing or the target refuses the read, the
// channel was taken and is given back.
TEST(ManagerModules, ReadingATargetPassesFailuresOnAndReleasesTheChannel) {
  const struct {
    std::string_view commandModule;
    int32_t status;
  } cases[] = {{"NoSuchCommands.dll", KVOGC_E_HANDLE},
               {"Dunsgate.dll", static_cast<int32_t>(0x80070015)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.commandModule);
    PlainManager m(c.commandModule);
    SetUpGrids(m, {1920, 1080});
    FakeTarget target;
    target.requestStatus = static_cast<int32_t>(0x80070015);
    EXPECT_EQ(m.GetGeoObjData(&target), c.status);
    EXPECT_EQ(target.channelsGiven, 1);
    EXPECT_EQ(target.channelRefs, 0);
    EXPECT_EQ(target.refs, 1);
  }
}

// Writes a warp into the simulated device the way another tool would.
void WriteDeviceSlot(IGeoObjTarget* target, int32_t slot, const std::array<double, 2>& corner) {
  SiblingModule model("Calvoric.dll");
  SiblingModule settings("Brindmoor.dll");
  auto data = test::NewObject<IWarpData>(model, kClsidWarpData, kIidWarpData);
  ASSERT_TRUE(data);
  KvoRef<IWarpPlane> plane;
  ASSERT_EQ(data->GetPlane(0, plane.Out()), KVOGC_OK);
  for (int32_t r = 0; r <= 4; ++r) {
    for (int32_t c = 0; c <= 4; ++c) {
      const double p[2] = {c * 960.0, r * 540.0};
      ASSERT_EQ(plane->SetPoint(r, c, p), 0);
    }
  }
  ASSERT_EQ(plane->SetPoint(4, 4, corner.data()), 0);
  unsigned char block[124] = {};
  block[0] = 25;      // throw ratio triple: Th
  block[12] = 7;      // angle triple
  block[120] = 0x12;  // keystone, fit
  ASSERT_EQ(data->SetParamBlock(block, 1, 2), 0);
  auto setter = test::NewObject<IWarpDataSetter>(settings, kClsidWarpDataSetter,
                                                 kIidWarpDataSetter);
  ASSERT_TRUE(setter);
  ASSERT_EQ(setter->SetWarpData(target, &slot, data.Get()), 0);
}

TEST(ManagerModules, DeviceWarpIsReadIntoTheActiveSlot) {
  CKvoProjectorDeviceGridCalcManager m;
  SetUpGrids(m, {3840, 2160});
  FakeTarget target;  // the device only keys its store by the target
  WriteDeviceSlot(&target, 2, {3840.0, 2160.0});
  ASSERT_EQ(m.SetGeoAdjProjectorSaveIn(1), KVOGC_OK);
  ASSERT_EQ(m.GetGeoObjData(&target), KVOGC_OK);
  std::array<double, 50> grid{};
  ASSERT_EQ(m.GetGeometryGridData(grid.data()), KVOGC_OK);
  EXPECT_EQ(grid[2 * 24], 1920.0);  // device (3840, 2160) on a panel half its size
  EXPECT_EQ(grid[2 * 24 + 1], 1080.0);
  EXPECT_EQ(grid[2 * 6], 480.0);
  std::array<int32_t, 28> comment{};
  m.GetGeoObjComment(comment.data());
  EXPECT_EQ(comment[24], 2);   // keystone screen
  EXPECT_EQ(comment[21], 25);  // Th
  EXPECT_EQ(comment[17], 7);   // Angle
  EXPECT_EQ(comment[23], 1);   // the keystone section's fit
  EXPECT_EQ(target.refs, 1);
  EXPECT_EQ(m.SetGeoAdjProjectorSaveIn(5), KVOGC_OK);
  EXPECT_EQ(m.GetGeoObjData(&target), KVOGC_E_INVALIDARG);
}

}  // namespace
}  // namespace kvogc
