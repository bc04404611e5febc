// Deliveries on the worker thread and on the host's: what reaches a target,
// which request wins, in which order, and what a manager's destruction leaves.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "host/GeoObjHostTarget.h"
#include "manager/KvoGridCalcManager.h"
#include "manager/KvoProjectorDeviceGridCalcManager.h"
#include "manager/KvoProjectorGridCalcManager.h"
#include "support/FakeTarget.h"
#include "support/StandinObjects.h"

namespace kvogc {
namespace {

using host::CGeoObjHostTarget;
using test::WaitFor;

constexpr GridSize kPanel{1920, 1080};

void SetUpGrids(GridCalcManagerBase& m, GridSize device = kPanel, int32_t projectorFlag = 0) {
  const GridSize real{4, 4}, ope{2, 2};
  ASSERT_EQ(m.SetParam(&kPanel, &device, &real, &ope, &ope, 600, 600, projectorFlag), KVOGC_OK);
}

KvoRef<CGeoObjHostTarget> NewTarget() {
  return KvoRef<CGeoObjHostTarget>::Adopt(CGeoObjHostTarget::Create());
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string TempPath(const char* name) { return ::testing::TempDir() + "kvogc_delivery_" + name; }

TEST(PlainDelivery, ABurstForOneTargetCostsOneDeliveryOfTheNewestGrid) {
  CKvoGridCalcManager m;
  SetUpGrids(m);
  auto target = NewTarget();
  int32_t lx = 0, ly = 0;
  // Queued before the worker runs, so that it cannot wake in between.
  ASSERT_EQ(m.SendGeoObjData(target.Get(), 0), KVOGC_OK);
  ASSERT_EQ(m.MovePoint(1, 1, 96, 0, &lx, &ly), KVOGC_OK);
  ASSERT_EQ(m.SendGeoObjData(target.Get(), 0), KVOGC_OK);
  ASSERT_EQ(m.RegistCallback(nullptr, nullptr, nullptr), KVOGC_OK);
  ASSERT_TRUE(WaitFor([&] { return target->CommandCount() >= 1; }));
  // A later send elsewhere is served after anything still queued for the first target.
  auto later = NewTarget();
  ASSERT_EQ(m.SendGeoObjData(later.Get(), 0), KVOGC_OK);
  ASSERT_TRUE(WaitFor([&] { return later->CommandCount() == 1; }));
  EXPECT_EQ(target->CommandCount(), 1);
  EXPECT_NE(target->CurrentGeometry().find("\n#prev 0.550000 0.500000 0.000000\n"),
            std::string::npos);
}

TEST(PlainDelivery, ThePreferredTargetGoesFirstThenTheOthersByKey) {
  std::vector<char> log;
  std::mutex lock;
  // A has the largest key, so only its preference sends it before B and C,
  // which follow by ascending key. Nothing to read back: the manager keeps no
  // texts of them.
  test::FakeTarget targets[3];
  test::FakeTarget& a = targets[2];
  test::FakeTarget& b = targets[0];
  test::FakeTarget& c = targets[1];
  a.requestStatus = b.requestStatus = c.requestStatus = KVOGC_E_FAIL;
  const auto logAs = [&](char name) {
    return [&log, &lock, name] {
      std::lock_guard<std::mutex> hold(lock);
      log.push_back(name);
    };
  };
  a.onCommand = logAs('A');
  b.onCommand = logAs('B');
  c.onCommand = logAs('C');
  {
    CKvoGridCalcManager m;
    SetUpGrids(m);
    for (test::FakeTarget* t : {&a, &c, &b, &a}) ASSERT_EQ(m.SendGeoObjData(t, 0), KVOGC_OK);
    ASSERT_EQ(m.RegistCallback(nullptr, nullptr, nullptr), KVOGC_OK);
    ASSERT_TRUE(WaitFor([&] {
      std::lock_guard<std::mutex> hold(lock);
      return log.size() == 3;
    }));
  }
  EXPECT_EQ(log, (std::vector<char>{'A', 'B', 'C'}));
  for (const test::FakeTarget& t : targets) EXPECT_EQ(t.refs, 1);  // every sender released its target
}

TEST(PlainDelivery, TheTargetsOwnMappingAndFacesAreKept) {
  CKvoGridCalcManager m;
  SetUpGrids(m);
  auto target = NewTarget();
  target->SetCurrentGeometry(
      "# WARP\n#my header\n#[GEOMETRY_4CORNER_SCREEN_10]\nvt 0.1 0.2\nf 1/1 2/2 3/3\n");
  ASSERT_EQ(m.SendGeoObjData(target.Get(), 0), KVOGC_OK);
  ASSERT_EQ(m.RegistCallback(nullptr, nullptr, nullptr), KVOGC_OK);
  ASSERT_TRUE(WaitFor([&] { return target->CommandCount() == 1; }));
  const std::string text = target->CurrentGeometry();
  EXPECT_EQ(text.rfind("# WARP\n#my header\n#ScreenType 0\n", 0), 0u);
  const std::string tail = "vt 0.1 0.2\nf 1/1 2/2 3/3\n";
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  EXPECT_EQ(text.find("vt 0.000000"), std::string::npos);
}

// Reads `contents` from a file into the projector manager, then sends to
// `target` through the file `path`: the text written there.
std::string ReadThenSend(CKvoProjectorGridCalcManager& m, CGeoObjHostTarget& target,
                         const std::string& contents, const std::string& path) {
  const std::string source = TempPath("source.obj");
  std::ofstream(source, std::ios::binary) << contents;
  EXPECT_EQ(m.GetGeoObjDataFromFile(nullptr, source.c_str()), KVOGC_OK);
  std::remove(source.c_str());
  EXPECT_EQ(m.SetGeoFilePath(path.c_str()), KVOGC_OK);
  EXPECT_EQ(m.RegistCallback(nullptr, nullptr, nullptr), KVOGC_OK);
  EXPECT_EQ(m.SendGeoObjData(&target, 0), KVOGC_OK);
  EXPECT_TRUE(WaitFor([&] { return target.LastLoadedPath() == path; }));
  return ReadFile(path);
}

TEST(ProjectorDelivery, ReadingATargetClearsTheKeptTexts) {
  CKvoProjectorGridCalcManager m;
  SetUpGrids(m);
  const std::string path = TempPath("kept_out.obj");
  auto target = NewTarget();
  const std::string kept = "# WARP\n#custom header\n#prev 0.5 0.5 0\nvt 0.5 0.5\n";
  EXPECT_NE(ReadThenSend(m, *target, kept, path).find("#custom header\n"), std::string::npos);
  ASSERT_EQ(m.GetGeoObjData(target.Get()), KVOGC_OK);
  std::remove(path.c_str());
  ASSERT_EQ(m.SendGeoObjData(target.Get(), 0), KVOGC_OK);
  ASSERT_TRUE(WaitFor([&] { return ReadFile(path).size() > 1; }));
  EXPECT_EQ(ReadFile(path).find("#custom header"), std::string::npos);
  EXPECT_NE(ReadFile(path).find("#projectorsize 1920 1080\n"), std::string::npos);
  std::remove(path.c_str());
}

// A kept header stands in for the generated one only together with a kept tail.
TEST(ProjectorDelivery, AHeaderReadWithoutFacesGivesWayToTheGeneratedOne) {
  CKvoProjectorGridCalcManager m;
  SetUpGrids(m, kPanel, 1);
  const std::string path = TempPath("header_only_out.obj");
  const std::string text =
      ReadThenSend(m, *NewTarget(), "# WARP\n#custom header\n#prev 0.5 0.5 0\n", path);
  EXPECT_EQ(text.find("#custom header"), std::string::npos);
  for (const char* line : {"g warp_white\n", "#gridsize 5 5\n", "#projectorsize 1920 1080\n",
                           "#verticalflip "}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
  std::remove(path.c_str());
}

TEST(DeviceDelivery, SyncSendWritesTheDeviceAndTheBaseGridOnRequest) {
  test::DeviceInspector device;
  ASSERT_TRUE(device.Ready());
  CKvoProjectorDeviceGridCalcManager m;
  SetUpGrids(m, {3840, 2160});
  ASSERT_EQ(m.RegistCallback(nullptr, nullptr, nullptr), KVOGC_OK);
  auto target = NewTarget();
  ASSERT_EQ(m.SendGeoObjDataSync(target.Get(), 0), KVOGC_OK);
  EXPECT_EQ(device.deliveries(target.Get()), 1);
  ASSERT_EQ(m.SendGeoObjDataSync(target.Get(), 1), KVOGC_OK);
  EXPECT_EQ(device.deliveries(target.Get()), 3);  // the grid and its base grid
  // Read back what the device holds in slot 1: the points come back at panel scale.
  int32_t lx = 0, ly = 0;
  ASSERT_EQ(m.MovePoint(1, 1, 50, 0, &lx, &ly), KVOGC_OK);
  ASSERT_EQ(m.GetGeoObjData(target.Get()), KVOGC_OK);
  double grid[50];
  ASSERT_EQ(m.GetGeometryGridData(grid), KVOGC_OK);
  EXPECT_EQ(grid[2 * 12], 960.0);  // the device's warp, not the move made since
  // The worker still serves asynchronous sends after a synchronous one.
  ASSERT_EQ(m.SendGeoObjData(target.Get(), 0), KVOGC_OK);
  ASSERT_TRUE(WaitFor([&] { return device.deliveries(target.Get()) == 4; }));
}

}  // namespace
}  // namespace kvogc
