// How a manager uses its sibling modules and a host's target: a missing
// command module, reference counts, and reading a device's warp back.
#include <gtest/gtest.h>

#include <array>

#include "kvogc/kvogc_modules.hpp"
#include "manager/KvoProjectorDeviceGridCalcManager.h"
#include "modules/SiblingModule.h"

namespace kvogc {
namespace {

// A target whose channel answers nothing; it counts the references it gives out.
class CountingTarget final : public IGeoObjTarget, public IGeoObjChannel {
 public:
  int32_t refs = 1;
  int channelsGiven = 0;

  int32_t QueryInterface(const KvoGuid*, void**) override { return KVOGC_E_NOTIMPL; }
  uint32_t AddRef() override { return static_cast<uint32_t>(++refs); }
  uint32_t Release() override { return static_cast<uint32_t>(--refs); }
  int32_t Reserved3() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved4() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved5() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved6() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved7() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved8() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved9() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved10() override { return KVOGC_E_NOTIMPL; }
  int32_t GetChannel(IGeoObjChannel** channel) override {
    ++channelsGiven;
    AddRef();
    *channel = this;
    return KVOGC_OK;
  }
  int32_t Reserved12() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved13() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved14() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved15() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved16() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved17() override { return KVOGC_E_NOTIMPL; }
  int32_t LoadGeoObjFile(const char*) override { return KVOGC_OK; }
  int32_t ExecuteCommand(IGeoObjCommand*) override { return KVOGC_OK; }
  int32_t ExecuteRequest(int32_t, IGeoObjCommand*) override { return static_cast<int32_t>(0x80070015); }
};

// A plain manager whose command module is missing.
class NoCommandManager : public CGridManagerCommon {
 public:
  NoCommandManager() : CGridManagerCommon({.modules = {"Quorvel.dll", "NoSuchCommands.dll"}}) {}
};

class PlainManager : public CGridManagerCommon {
 public:
  PlainManager() : CGridManagerCommon({.modules = {"Quorvel.dll", "Dunsgate.dll"}}) {}
};

void SetUpGrids(GridCalcManagerBase& m, GridSize panel, GridSize device, GridSize real) {
  const GridSize ope{2, 2};
  ASSERT_EQ(m.SetParam(&panel, &device, &real, &ope, &ope, 600, 600, 0), KVOGC_OK);
}

TEST(ManagerModules, MissingCommandModuleFailsAfterReleasingTheChannel) {
  NoCommandManager m;
  SetUpGrids(m, {1920, 1080}, {1920, 1080}, {4, 4});
  CountingTarget target;
  EXPECT_EQ(m.GetGeoObjData(&target), KVOGC_E_HANDLE);
  EXPECT_EQ(target.channelsGiven, 1);
  EXPECT_EQ(target.refs, 1);  // the channel's reference came back
}

TEST(ManagerModules, TargetStatusesArePassedOnAndReferencesBalanced) {
  PlainManager m;
  SetUpGrids(m, {1920, 1080}, {1920, 1080}, {4, 4});
  CountingTarget target;
  EXPECT_EQ(m.GetGeoObjData(&target), static_cast<int32_t>(0x80070015));
  EXPECT_EQ(target.refs, 1);
}

// Writes a warp into the simulated device the way another tool would.
void WriteDeviceSlot(IGeoObjTarget* target, int32_t slot, const std::array<double, 2>& corner) {
  SiblingModule model("Calvoric.dll");
  SiblingModule settings("Brindmoor.dll");
  KvoRef<IWarpData> data;
  ASSERT_EQ(model.CreateInstance(kClsidWarpData, kIidWarpData, reinterpret_cast<void**>(data.Out())), 0);
  KvoRef<IWarpPlane> plane;
  ASSERT_EQ(data->GetPlane(0, plane.Out()), 0);
  for (int32_t r = 0; r <= 4; ++r) {
    for (int32_t c = 0; c <= 4; ++c) {
      const double p[2] = {c * 960.0, r * 540.0};
      ASSERT_EQ(plane->SetPoint(r, c, p), 0);
    }
  }
  ASSERT_EQ(plane->SetPoint(4, 4, corner.data()), 0);
  unsigned char block[124] = {};
  block[0] = 25;                              // throw ratio triple: Th
  block[12] = 7;                              // angle triple
  block[120] = 0x12;                          // keystone, fit
  ASSERT_EQ(data->SetParamBlock(block, 1, 2), 0);
  KvoRef<IWarpDataSetter> setter;
  ASSERT_EQ(settings.CreateInstance(kClsidWarpDataSetter, kIidWarpDataSetter,
                                    reinterpret_cast<void**>(setter.Out())),
            0);
  ASSERT_EQ(setter->SetWarpData(target, &slot, data.Get()), 0);
}

TEST(ManagerModules, DeviceWarpIsReadIntoTheActiveSlot) {
  CKvoProjectorDeviceGridCalcManager m;
  SetUpGrids(m, {1920, 1080}, {3840, 2160}, {4, 4});
  CountingTarget target;  // the device only keys its store by the target
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

namespace kvogc {
namespace {

// Exposes the shrink-to-fit of a manager's final grid.
class FitManager : public CGridManagerCommon {
 public:
  FitManager() : CGridManagerCommon({}) {}
  using CGridManagerCommon::FitToPanel;
};

TEST(FitToPanel, ShrinksTowardTheCentreSoThatTheBorderLandsOnThePanel) {
  FitManager m;
  const GridSize panel{1800, 1000};
  const GridSize real{2, 2};
  ASSERT_EQ(m.SetParam(&panel, &panel, &real, &real, &real, 600, 600, 0), KVOGC_OK);
  CWarpGridReal grid;
  grid.Create(panel, real);
  for (int32_t r = 0; r <= 2; ++r) grid.At(r, 0).x = -100.0;  // centre stays at x = 900
  ASSERT_EQ(m.FitToPanel(grid), KVOGC_OK);
  EXPECT_EQ(grid.At(1, 0).x, 0.0);      // r = 100 / (900 + 100) = 0.1
  EXPECT_EQ(grid.At(0, 2).x, 1710.0);   // 1800 + (900 - 1800) * 0.1
  EXPECT_EQ(grid.At(0, 2).y, 50.0);     // 0 + (500 - 0) * 0.1
  CWarpGridReal inside;
  inside.Create(panel, real);
  ASSERT_EQ(m.FitToPanel(inside), KVOGC_OK);  // a grid inside the panel is left alone
  EXPECT_EQ(inside.At(2, 2).x, 1800.0);
  EXPECT_EQ(inside.At(0, 0).y, 0.0);
}

}  // namespace
}  // namespace kvogc
