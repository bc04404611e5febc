// The three senders where the deliveries cannot reach: a buffer for a given
// texture, no file path, the references they hold, and how they fail when a
// module or the target does or the snapshot is unusable.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <stdexcept>
#include <string>

#include "geometry/GeoObjTextWriter.h"
#include "host/GeoObjHostTarget.h"
#include "sender/ProjectorDeviceWarpDataSender.h"
#include "sender/ProjectorWarpDataSender.h"
#include "sender/WarpDataSender.h"
#include "support/FakeTarget.h"
#include "support/GridFixtures.h"
#include "support/StandinObjects.h"

namespace kvogc {
namespace {

namespace fs = std::filesystem;
using host::CGeoObjHostTarget;
using test::FakeTarget;

class Senders : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() /
            ("kvogc_senders_" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
    m_path = (m_dir / "warp.obj").string();
  }
  void TearDown() override { fs::remove_all(m_dir); }

  // Grids whose points are off the even layout, each its own way.
  SenderSnapshot Snapshot(IGeoObjTarget* target) {
    const GridSize num{2, 3};
    gridtest::GridJittered(m_current, m_panel, num, 1, 2000);
    gridtest::GridJittered(m_previous, m_panel, num, 2, 2000);
    return {.target = target, .panelSize = m_panel, .deviceSize = {100, 300}, .realGridNum = num,
            .current = &m_current, .previous = &m_previous, .comment = m_comment,
            .filePath = m_path, .headerText = {}, .tailText = {}};
  }
  // The text the writer makes of a snapshot, independently of any sender.
  static std::string Expected(const SenderSnapshot& s, GeoObjTextVariant variant,
                              GeoTextureRect texture = {}) {
    const GeoObjTextInput in{.panelSize = s.panelSize, .realGridNum = s.realGridNum,
                             .current = s.current, .previous = s.previous, .comment = s.comment,
                             .header = s.headerText, .tail = s.tailText, .texture = texture,
                             .variant = variant, .projectorFlag = s.projectorFlag};
    std::string text;
    EXPECT_EQ(WriteGeoObjText(in, text), KVOGC_OK);
    return text;
  }
  // A new module folder holding copies of the named modules only.
  ModuleFolder Only(std::initializer_list<const char*> names) {
    const fs::path folder = m_dir / ("modules" + std::to_string(++m_folders));
    fs::create_directories(folder);
    for (const char* name : names) {
      const fs::path from =
          ResolveModulePath(fs::path(platform::OwnModulePath()).parent_path().string(), name);
      fs::copy_file(from, folder / from.filename());
    }
    return ModuleFolder::At(folder.string());
  }

  GridSize m_panel{300, 200};
  GeoCommentRecord m_comment{.LeftLowY = -25, .LinearityX = 7, .Th = 31, .ScreenType = 2,
                             .IsKeyStone = 1};
  CWarpGridReal m_current;
  CWarpGridReal m_previous;
  fs::path m_dir;
  std::string m_path;
  int m_folders = 0;
  KvoRef<CGeoObjHostTarget> m_target =
      KvoRef<CGeoObjHostTarget>::Adopt(CGeoObjHostTarget::Create());
};

TEST_F(Senders, EmptyFilePathDeliversToTheTargetAndWritesNoFile) {
  SenderSnapshot s = Snapshot(m_target.Get());
  s.filePath = {};
  ASSERT_EQ(CWarpDataSender(s).Deliver(), KVOGC_OK);
  EXPECT_EQ(m_target->CurrentGeometry(), Expected(s, GeoObjTextVariant::kPlain));
  FakeTarget projector;
  s.target = &projector;
  ASSERT_EQ(CProjectorWarpDataSender(s).Deliver(), KVOGC_OK);
  EXPECT_EQ(projector.loads, 1);  // told to load all the same, as a text was made
  EXPECT_FALSE(fs::exists(m_path));
}

TEST_F(Senders, CreateGeoObjDataHandsOutTheBufferForTheGivenTexture) {
  const SenderSnapshot s = Snapshot(m_target.Get());
  CWarpDataSender sender(s);
  const GeoTextureRect texture{0.25, 0.5, 0.5, 0.25};
  const std::string text = Expected(s, GeoObjTextVariant::kPlain, texture);
  KvoRef<IGeoObjBuffer> buffer;
  ASSERT_EQ(sender.CreateGeoObjData(texture, buffer.Out()), KVOGC_OK);
  const void* data = nullptr;
  uint32_t size = 0;
  ASSERT_EQ(buffer->GetData(&data, &size), KVOGC_OK);
  EXPECT_EQ(std::string(static_cast<const char*>(data), size), text + '\0');
  std::ifstream file(m_path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), text + '\0');
  EXPECT_EQ(sender.CreateGeoObjData(texture, nullptr), KVOGC_E_INVALIDARG);
}

// ---- References and failures ---------------------------------------------------

TEST_F(Senders, TargetFailuresArePassedThroughAndNothingLeaks) {
  FakeTarget target;
  const SenderSnapshot s = Snapshot(&target);
  target.channelStatus = static_cast<int32_t>(0x80041234);
  EXPECT_EQ(CWarpDataSender(s).Deliver(), static_cast<int32_t>(0x80041234));
  EXPECT_TRUE(fs::exists(m_path));  // the buffer was made, so the file was written
  // A throwing target reaches the worker's guard with every reference released.
  target.channelThrows = FakeTarget::Throw::kBadAlloc;
  EXPECT_THROW(CWarpDataSender(s).Deliver(), std::bad_alloc);
  target.channelThrows = FakeTarget::Throw::kOther;
  EXPECT_THROW(CWarpDataSender(s).Deliver(), std::runtime_error);
  EXPECT_EQ(target.refs, 1);
}

TEST_F(Senders, MissingModulesAreReportedAsMissingFactories) {
  FakeTarget target;
  const SenderSnapshot s = Snapshot(&target);
  const ModuleFolder none = Only({});
  IGeoObjBuffer* buffer = reinterpret_cast<IGeoObjBuffer*>(&target);  // never called
  EXPECT_EQ(CWarpDataSender(s, none).CreateGeoObjData({}, &buffer), KVOGC_E_HANDLE);
  EXPECT_EQ(buffer, nullptr);
  EXPECT_EQ(CWarpDataSender(s, none).Deliver(), KVOGC_E_HANDLE);
  EXPECT_EQ(CProjectorWarpDataSender(s, none).Deliver(), KVOGC_E_HANDLE);
  EXPECT_EQ(CProjectorDeviceWarpDataSender(s, none).Deliver(), KVOGC_E_HANDLE);
  EXPECT_FALSE(fs::exists(m_path));
  EXPECT_EQ(target.loads, 0);
  EXPECT_EQ(target.channelsGiven, 0);
  // The setter alone: no data object to fill. The core model alone: no setter.
  EXPECT_EQ(CProjectorDeviceWarpDataSender(s, Only({"Brindmoor.dll"})).Send(), KVOGC_E_HANDLE);
  EXPECT_EQ(CProjectorDeviceWarpDataSender(s, Only({"Calvoric.dll"})).Send(), KVOGC_E_HANDLE);
  // Frame module without the command module: the channel was taken, then given back.
  EXPECT_EQ(CWarpDataSender(s, Only({"Quorvel.dll"})).Deliver(), KVOGC_E_HANDLE);
  EXPECT_EQ(target.channelsGiven, 1);
  EXPECT_EQ(target.channelRefs, 0);
  EXPECT_TRUE(fs::exists(m_path));
  EXPECT_EQ(target.refs, 1);
}

// The device gets the grid alone, or with a slot number the grid and its base grid.
TEST_F(Senders, DeviceSenderDeliversTheGridAndOnRequestItsBase) {
  test::DeviceInspector device;
  ASSERT_TRUE(device.Ready());
  ASSERT_EQ(device.reset(), KVOGC_OK);
  FakeTarget target;
  SenderSnapshot s = Snapshot(&target);
  EXPECT_EQ(CProjectorDeviceWarpDataSender(s).Deliver(), KVOGC_OK);
  EXPECT_EQ(device.deliveries(&target), 1);
  s.sendBaseGrid = 2;
  EXPECT_EQ(CProjectorDeviceWarpDataSender(s).Deliver(), KVOGC_OK);
  EXPECT_EQ(device.deliveries(&target), 3);
}

TEST_F(Senders, UnusableSnapshotsAreRefusedBeforeAnythingIsWritten) {
  FakeTarget target;
  SenderSnapshot s = Snapshot(nullptr);
  EXPECT_EQ(CWarpDataSender(s).Deliver(), KVOGC_E_INVALIDARG);
  EXPECT_EQ(CProjectorWarpDataSender(s).Deliver(), KVOGC_E_INVALIDARG);
  EXPECT_EQ(CProjectorDeviceWarpDataSender(s).Deliver(), KVOGC_E_INVALIDARG);
  s.target = &target;
  s.realGridNum = {3, 3};  // not the grids' shape
  EXPECT_EQ(CWarpDataSender(s).Deliver(), KVOGC_E_INVALIDARG);
  EXPECT_EQ(CProjectorDeviceWarpDataSender(s).Deliver(), KVOGC_E_INVALIDARG);
  s = Snapshot(&target);
  s.panelSize = {0, 200};
  EXPECT_EQ(CProjectorDeviceWarpDataSender(s).Deliver(), KVOGC_E_INVALIDARG);
  s = Snapshot(&target);
  s.previous = nullptr;
  s.sendBaseGrid = 1;
  EXPECT_EQ(CProjectorDeviceWarpDataSender(s).Deliver(), KVOGC_E_INVALIDARG);
  EXPECT_FALSE(fs::exists(m_path));
  EXPECT_EQ(target.channelsGiven, 0);
  EXPECT_EQ(target.refs, 1);
}

}  // namespace
}  // namespace kvogc
