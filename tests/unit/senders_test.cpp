// The three senders: what reaches a target, a file and a device, the
// references they hold, and how they fail when a module or the target does.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "geometry/GeoObjTextWriter.h"
#include "host/GeoObjHostTarget.h"
#include "host/KvoRef.h"
#include "platform/Platform.h"
#include "sender/ProjectorDeviceWarpDataSender.h"
#include "sender/ProjectorWarpDataSender.h"
#include "sender/WarpDataSender.h"
#include "sender/WarpParamBlock.h"

namespace kvogc {
namespace {

namespace fs = std::filesystem;
using host::CGeoObjHostTarget;
using host::CKvoRef;

// A grid whose points are all distinct and off the even layout.
std::unique_ptr<CWarpGridReal> MakeGrid(GridSize panel, GridSize num, double shift) {
  auto grid = std::make_unique<CWarpGridReal>();
  grid->Create(panel, num);
  for (int32_t r = 0; r <= num.cy; ++r) {
    for (int32_t c = 0; c <= num.cx; ++c) {
      grid->At(r, c).x += shift + r * 0.25 + 0.1;
      grid->At(r, c).y -= shift * 0.5 + c * 0.125;
    }
  }
  return grid;
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A target that counts its references and the channels it handed out; lives on
// the stack, so its last Release frees nothing. channelStatus 1 and 2 make
// position 11 throw, as a broken host might.
class CountingTarget final : public IGeoObjTarget {
 public:
  int32_t channelStatus = KVOGC_OK;
  int refs = 1, channelRefs = 0, channelsGiven = 0, commands = 0, loads = 0;

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
    if (channelStatus == 1) throw std::bad_alloc();
    if (channelStatus == 2) throw std::runtime_error("target broke");
    if (channelStatus < 0) return channelStatus;
    ++channelsGiven, ++channelRefs;
    *channel = &m_channel;
    return KVOGC_OK;
  }
  int32_t Reserved12() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved13() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved14() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved15() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved16() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved17() override { return KVOGC_E_NOTIMPL; }
  int32_t LoadGeoObjFile(const char*) override { return ++loads, KVOGC_OK; }

 private:
  struct Channel final : IGeoObjChannel {
    explicit Channel(CountingTarget* owner) : owner(owner) {}
    CountingTarget* owner;
    int32_t QueryInterface(const KvoGuid*, void**) override { return KVOGC_E_NOTIMPL; }
    uint32_t AddRef() override { return static_cast<uint32_t>(++owner->channelRefs); }
    uint32_t Release() override { return static_cast<uint32_t>(--owner->channelRefs); }
    int32_t Reserved3() override { return KVOGC_E_NOTIMPL; }
    int32_t Reserved4() override { return KVOGC_E_NOTIMPL; }
    int32_t Reserved5() override { return KVOGC_E_NOTIMPL; }
    int32_t ExecuteCommand(IGeoObjCommand*) override { return ++owner->commands, KVOGC_OK; }
    int32_t ExecuteRequest(int32_t, IGeoObjCommand*) override { return KVOGC_E_NOTIMPL; }
  };
  Channel m_channel{this};
};

class Senders : public ::testing::Test {
 protected:
  void SetUp() override {
    m_moduleDir = fs::path(platform::OwnModulePath()).parent_path();
    m_dir = fs::temp_directory_path() /
            ("kvogc_senders_" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
    m_path = (m_dir / "warp.obj").string();
    m_target = CKvoRef<CGeoObjHostTarget>::Adopt(CGeoObjHostTarget::Create());
    m_comment.LeftLowY = -25;
    m_comment.LinearityX = 7;
    m_comment.Th = 31;
    m_comment.IsKeyStone = 1;
    m_comment.ScreenType = 2;
  }
  void TearDown() override { fs::remove_all(m_dir); }

  SenderSnapshot Snapshot(IGeoObjTarget* target, GridSize num = {2, 3}) {
    m_current = MakeGrid(m_panel, num, 3.0);
    m_previous = MakeGrid(m_panel, num, -1.0);
    SenderSnapshot s;
    s.target = target;
    s.panelSize = m_panel;
    s.deviceSize = {100, 300};
    s.realGridNum = num;
    s.current = m_current.get();
    s.previous = m_previous.get();
    s.comment = m_comment;
    s.filePath = m_path;
    return s;
  }
  // The text the writer makes of a snapshot, independently of any sender.
  static std::string Expected(const SenderSnapshot& s, GeoObjTextVariant variant, int32_t flag = 0,
                              GeoTextureRect texture = {}) {
    GeoObjTextInput in;
    in.panelSize = s.panelSize;
    in.realGridNum = s.realGridNum;
    in.current = s.current;
    in.previous = s.previous;
    in.comment = s.comment;
    in.header = s.headerText;
    in.tail = s.tailText;
    in.texture = texture;
    in.variant = variant;
    in.projectorFlag = flag;
    std::string text;
    EXPECT_EQ(WriteGeoObjText(in, text), KVOGC_OK);
    return text;
  }
  // A new module folder holding copies of the named modules only.
  ModuleFolder Only(std::initializer_list<const char*> names) {
    const fs::path folder = m_dir / ("modules" + std::to_string(++m_folders));
    fs::create_directories(folder);
    for (const char* name : names) {
      const fs::path from = ResolveModulePath(m_moduleDir.string(), name);
      fs::copy_file(from, folder / from.filename());
    }
    return ModuleFolder::At(folder.string());
  }

  GridSize m_panel{300, 200};
  GeoCommentRecord m_comment;
  std::unique_ptr<CWarpGridReal> m_current, m_previous;
  fs::path m_moduleDir, m_dir;
  std::string m_path;
  int m_folders = 0;
  CKvoRef<CGeoObjHostTarget> m_target;
};

// ---- Plain sender --------------------------------------------------------------

TEST_F(Senders, PlainDeliversTheTextToTheTargetAndTheFileWithItsNul) {
  const SenderSnapshot s = Snapshot(m_target.Get(), {1, 1});
  const std::string text = Expected(s, GeoObjTextVariant::kPlain);
  EXPECT_NE(text.find("\nf 3/3 4/4 2/2 1/1\n"), std::string::npos);
  ASSERT_EQ(CWarpDataSender(s).Deliver(), KVOGC_OK);
  EXPECT_EQ(m_target->CurrentGeometry(), text);
  EXPECT_EQ(m_target->CommandCount(), 1);
  EXPECT_EQ(ReadBytes(m_path), text + '\0');
}

TEST_F(Senders, KeptHeaderAndTailReplaceTheGeneratedOnes) {
  SenderSnapshot s = Snapshot(m_target.Get());
  s.headerText = "# WARP\n#auto 0\n#owner lab\n";
  s.tailText = "vt 0.5 0.5\nf 1/1 2/2 5/5 4/4\n";
  const std::string text = Expected(s, GeoObjTextVariant::kPlain);
  ASSERT_EQ(CWarpDataSender(s).Deliver(), KVOGC_OK);
  const std::string got = m_target->CurrentGeometry();
  EXPECT_EQ(got, text);
  EXPECT_EQ(got.rfind("# WARP\n#auto 0\n#owner lab\n#ScreenType 2\n", 0), 0u);
  EXPECT_EQ(got.find("g warp_white"), std::string::npos);
  EXPECT_EQ(got.substr(got.size() - s.tailText.size()), s.tailText);
  EXPECT_EQ(got.find("vt "), got.size() - s.tailText.size());
}

TEST_F(Senders, SnapshotIsCopiedAtConstruction) {
  std::string path = m_path;
  SenderSnapshot s = Snapshot(m_target.Get());
  s.filePath = path;
  const std::string text = Expected(s, GeoObjTextVariant::kPlain);
  CWarpDataSender sender(s);
  m_current->At(1, 1).x = 9999.0;
  m_current.reset();
  path.assign(path.size(), 'x');
  ASSERT_EQ(sender.Deliver(), KVOGC_OK);
  EXPECT_EQ(m_target->CurrentGeometry(), text);
  EXPECT_EQ(ReadBytes(m_path), text + '\0');
}

TEST_F(Senders, EmptyFilePathDeliversToTheTargetAndWritesNoFile) {
  SenderSnapshot s = Snapshot(m_target.Get());
  s.filePath = {};
  ASSERT_EQ(CWarpDataSender(s).Deliver(), KVOGC_OK);
  EXPECT_EQ(m_target->CurrentGeometry(), Expected(s, GeoObjTextVariant::kPlain));
  ASSERT_EQ(CProjectorWarpDataSender(s).Deliver(), KVOGC_OK);
  EXPECT_EQ(m_target->LastLoadedPath(), "");  // no file to load: the target is not asked
  EXPECT_FALSE(fs::exists(m_path));
}

TEST_F(Senders, CreateGeoObjDataHandsOutTheBufferForTheGivenTexture) {
  const SenderSnapshot s = Snapshot(m_target.Get());
  CWarpDataSender sender(s);
  const GeoTextureRect texture{0.25, 0.5, 0.5, 0.25};
  const std::string text = Expected(s, GeoObjTextVariant::kPlain, 0, texture);
  IGeoObjBuffer* raw = nullptr;
  ASSERT_EQ(sender.CreateGeoObjData(texture, &raw), KVOGC_OK);
  auto buffer = CKvoRef<IGeoObjBuffer>::Adopt(raw);
  const void* data = nullptr;
  uint32_t size = 0;
  ASSERT_EQ(buffer->GetData(&data, &size), KVOGC_OK);
  EXPECT_EQ(std::string(static_cast<const char*>(data), size), text + '\0');
  EXPECT_EQ(ReadBytes(m_path), text + '\0');
  EXPECT_EQ(sender.CreateGeoObjData(texture, nullptr), KVOGC_E_INVALIDARG);
}

// ---- Projector sender ----------------------------------------------------------

TEST_F(Senders, ProjectorWritesTheFileAndTheTargetLoadsIt) {
  for (int32_t flag : {0, 1, 2}) {
    SCOPED_TRACE(flag);
    SenderSnapshot s = Snapshot(m_target.Get(), {1, 1});
    s.projectorFlag = flag;
    const std::string text = Expected(s, GeoObjTextVariant::kProjector, flag);
    EXPECT_EQ(text.find("#gridsize 2 2\n") != std::string::npos, flag == 1);
    EXPECT_EQ(text.find("f 1/1// 3/3// 2/2//\nf 3/3// 2/2// 4/4//\n") != std::string::npos,
              flag != 0);
    ASSERT_EQ(CProjectorWarpDataSender(s).Deliver(), KVOGC_OK);
    EXPECT_EQ(ReadBytes(m_path), text + '\0');
    EXPECT_EQ(m_target->LastLoadedPath(), m_path);
    EXPECT_EQ(m_target->CurrentGeometry(), text);
    EXPECT_EQ(m_target->CommandCount(), 0);
  }
}

// ---- Device sender -------------------------------------------------------------

class DeviceSender : public Senders {
 protected:
  using GetBaseFn = int32_t (*)(const void*, int32_t, IWarpData*);
  using CountFn = int32_t (*)(const void*);
  using ResetFn = int32_t (*)();

  void SetUp() override {
    Senders::SetUp();
    m_inspect = platform::LoadModule(ResolveModulePath(m_moduleDir.string(), "Brindmoor.dll"));
    ASSERT_NE(m_inspect, nullptr);
    m_getBase = reinterpret_cast<GetBaseFn>(
        platform::FindSymbol(m_inspect, "BrindmoorStandinGetBaseWarpData"));
    m_deliveries =
        reinterpret_cast<CountFn>(platform::FindSymbol(m_inspect, "BrindmoorStandinDeliveryCount"));
    const auto reset =
        reinterpret_cast<ResetFn>(platform::FindSymbol(m_inspect, "BrindmoorStandinReset"));
    ASSERT_TRUE(m_getBase && m_deliveries && reset);
    ASSERT_EQ(reset(), KVOGC_OK);
  }
  void TearDown() override {
    platform::UnloadModule(m_inspect);
    Senders::TearDown();
  }

  CKvoRef<IWarpData> NewData() {
    CKvoRef<IWarpData> data;
    EXPECT_EQ(m_calvoric.CreateInstance(kClsidWarpData, kIidWarpData,
                                        reinterpret_cast<void**>(data.Out())),
              KVOGC_OK);
    return data;
  }
  CKvoRef<IWarpData> ReadSlot(int32_t slot) {
    CKvoRef<IWarpDataGetter> getter;
    EXPECT_EQ(m_brindmoor.CreateInstance(kClsidWarpDataGetter, kIidWarpDataGetter,
                                         reinterpret_cast<void**>(getter.Out())),
              KVOGC_OK);
    CKvoRef<IWarpData> data = NewData();
    EXPECT_EQ(getter->GetWarpData(&m_device, &slot, data.Get()), KVOGC_OK);
    return data;
  }
  // Every plane holds the grid scaled by device/panel, factors taken first.
  void ExpectScaled(IWarpData* data, const CWarpGridReal& grid, const GridSize& num) {
    const double sx = 100.0 / 300.0, sy = 300.0 / 200.0;
    for (int32_t p = 0; p < 3; ++p) {
      CKvoRef<IWarpPlane> plane;
      ASSERT_EQ(data->GetPlane(p, plane.Out()), KVOGC_OK);
      int32_t columns = 0, rows = 0;
      ASSERT_EQ(plane->GetSize(&columns, &rows), KVOGC_OK);
      EXPECT_EQ(columns, num.cx + 1);
      EXPECT_EQ(rows, num.cy + 1);
      for (int32_t r = 0; r <= num.cy; ++r) {
        for (int32_t c = 0; c <= num.cx; ++c) {
          double got[2] = {};
          ASSERT_EQ(plane->GetPoint(r, c, got), KVOGC_OK);
          EXPECT_EQ(got[0], grid.At(r, c).x * sx) << p << ' ' << r << ' ' << c;
          EXPECT_EQ(got[1], grid.At(r, c).y * sy) << p << ' ' << r << ' ' << c;
        }
      }
    }
    std::array<uint8_t, kWarpParamBlockSize> block{};
    ASSERT_EQ(data->GetParamBlock(block.data()), KVOGC_OK);
    const WarpParamBlock expected = BuildWarpParamBlock(m_comment);
    EXPECT_EQ(std::memcmp(block.data(), &expected, kWarpParamBlockSize), 0);
  }

  CountingTarget m_device;
  SiblingModule m_calvoric{"Calvoric.dll"};
  SiblingModule m_brindmoor{"Brindmoor.dll"};
  platform::ModuleHandle m_inspect = nullptr;
  GetBaseFn m_getBase = nullptr;
  CountFn m_deliveries = nullptr;
};

TEST_F(DeviceSender, CurrentGridOnlyIsOneSetterCall) {
  const SenderSnapshot s = Snapshot(&m_device);
  // The grid tells the order of the scaling apart: x * (d / p) is not x * d / p here.
  EXPECT_NE(m_current->At(0, 0).x * (100.0 / 300.0), m_current->At(0, 0).x * 100.0 / 300.0);
  ASSERT_EQ(CProjectorDeviceWarpDataSender(s).Deliver(), KVOGC_OK);
  EXPECT_EQ(m_deliveries(&m_device), 1);
  ExpectScaled(ReadSlot(1).Get(), *m_current, s.realGridNum);
  EXPECT_EQ(m_getBase(&m_device, 1, NewData().Get()), KVOGC_E_FAIL);  // no base grid sent
  EXPECT_EQ(m_device.refs, 1);
}

TEST_F(DeviceSender, SendBaseGridDeliversTheSlotAndItsBase) {
  SenderSnapshot s = Snapshot(&m_device);
  s.sendBaseGrid = 2;
  ASSERT_EQ(CProjectorDeviceWarpDataSender(s).Send(), KVOGC_OK);
  EXPECT_EQ(m_deliveries(&m_device), 2);
  ExpectScaled(ReadSlot(2).Get(), *m_current, s.realGridNum);
  CKvoRef<IWarpData> base = NewData();
  ASSERT_EQ(m_getBase(&m_device, 2, base.Get()), KVOGC_OK);
  ExpectScaled(base.Get(), *m_previous, s.realGridNum);
}

TEST_F(DeviceSender, FailedFirstSetterCallIsReturnedAndEndsTheSend) {
  SenderSnapshot s = Snapshot(&m_device);
  s.sendBaseGrid = 4;  // no such slot on the device
  EXPECT_EQ(CProjectorDeviceWarpDataSender(s).Send(), KVOGC_E_INVALIDARG);
  EXPECT_EQ(m_deliveries(&m_device), 0);
}

// Records what FillWarpData does to a data object and its planes.
struct RecordingData final : IWarpData {
  struct Plane final : IWarpPlane {
    RecordingData* owner = nullptr;
    int index = 0;
    int32_t QueryInterface(const KvoGuid*, void**) override { return KVOGC_E_NOTIMPL; }
    uint32_t AddRef() override { return static_cast<uint32_t>(++owner->planeRefs); }
    uint32_t Release() override { return static_cast<uint32_t>(--owner->planeRefs); }
    int32_t Prepare() override {
      EXPECT_TRUE(owner->calls.empty());  // every plane is prepared before any point
      return ++owner->prepared, KVOGC_OK;
    }
    int32_t GetSize(int32_t*, int32_t*) override { return KVOGC_E_NOTIMPL; }
    int32_t SetPoint(int32_t row, int32_t col, const double* p) override {
      owner->calls.push_back({double(index), double(row), double(col), p[0]});
      return KVOGC_OK;
    }
    int32_t GetPoint(int32_t, int32_t, double*) override { return KVOGC_E_NOTIMPL; }
  };

  RecordingData() {
    for (size_t p = 0; p < planes.size(); ++p) {
      planes[p].owner = this;
      planes[p].index = static_cast<int>(p);
    }
  }
  int32_t QueryInterface(const KvoGuid*, void**) override { return KVOGC_E_NOTIMPL; }
  uint32_t AddRef() override { return static_cast<uint32_t>(++refs); }
  uint32_t Release() override { return static_cast<uint32_t>(--refs); }
  int32_t Initialize(int32_t, const void*) override { return KVOGC_OK; }
  int32_t Reserved4() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved5() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved6() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved7() override { return KVOGC_E_NOTIMPL; }
  int32_t GetPlane(int32_t index, IWarpPlane** plane) override {
    if (index == failPlane) return KVOGC_E_FAIL;
    ++planeRefs;
    *plane = &planes.at(static_cast<size_t>(index));
    return KVOGC_OK;
  }
  int32_t Reserved9() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved10() override { return KVOGC_E_NOTIMPL; }
  int32_t SetParamBlock(const void* b, int32_t k, int32_t t) override {
    std::memcpy(block.data(), b, block.size());
    isKeyStone = k, screenType = t;
    return KVOGC_OK;
  }
  int32_t GetParamBlock(void*) override { return KVOGC_E_NOTIMPL; }

  int refs = 1, planeRefs = 0, failPlane = -1, prepared = 0, isKeyStone = -1, screenType = -1;
  std::vector<std::array<double, 4>> calls;  // plane, row, column, x
  std::array<uint8_t, kWarpParamBlockSize> block{};
  std::array<Plane, 3> planes;
};

TEST_F(DeviceSender, FillWarpDataStoresEachPointInPlanesZeroOneTwoThenTheBlock) {
  const SenderSnapshot s = Snapshot(&m_device, {2, 1});
  CProjectorDeviceWarpDataSender sender(s);
  RecordingData data;
  ASSERT_EQ(sender.FillWarpData(&data, *m_current), KVOGC_OK);
  EXPECT_EQ(data.prepared, 3);
  ASSERT_EQ(data.calls.size(), 18u);
  for (size_t k = 0; k < data.calls.size(); ++k) {
    const int32_t point = static_cast<int32_t>(k / 3), r = point / 3, c = point % 3;
    EXPECT_EQ(data.calls[k], (std::array<double, 4>{double(k % 3), double(r), double(c),
                                                    m_current->At(r, c).x * (100.0 / 300.0)}));
  }
  const WarpParamBlock expected = BuildWarpParamBlock(m_comment);
  EXPECT_EQ(std::memcmp(data.block.data(), &expected, kWarpParamBlockSize), 0);
  EXPECT_EQ(data.isKeyStone, 1);
  EXPECT_EQ(data.screenType, 2);
  EXPECT_EQ(data.planeRefs, 0);
  EXPECT_EQ(data.refs, 1);

  RecordingData missingPlane;  // a plane not given is never used
  missingPlane.failPlane = 1;
  EXPECT_EQ(sender.FillWarpData(&missingPlane, *m_current), KVOGC_OK);
  EXPECT_EQ(missingPlane.prepared, 2);
  EXPECT_EQ(missingPlane.calls.size(), 12u);
  const CWarpGridReal empty;
  EXPECT_EQ(sender.FillWarpData(&data, empty), KVOGC_E_INVALIDARG);
  EXPECT_EQ(sender.FillWarpData(nullptr, *m_current), KVOGC_E_INVALIDARG);
}

// ---- References and failures ---------------------------------------------------

TEST_F(Senders, EverySenderReleasesTheReferenceItAdded) {
  CountingTarget target;
  const SenderSnapshot s = Snapshot(&target);
  std::vector<std::unique_ptr<CQueuedSender>> senders;
  senders.push_back(std::make_unique<CWarpDataSender>(s));
  senders.push_back(std::make_unique<CProjectorWarpDataSender>(s));
  senders.push_back(std::make_unique<CProjectorDeviceWarpDataSender>(s));
  EXPECT_EQ(target.refs, 4);
  for (auto& sender : senders) sender->Deliver();
  EXPECT_EQ(target.channelsGiven, 1);
  EXPECT_EQ(target.channelRefs, 0);
  EXPECT_EQ(target.commands, 1);
  EXPECT_EQ(target.loads, 1);
  senders.clear();
  EXPECT_EQ(target.refs, 1);
}

TEST_F(Senders, TargetFailuresArePassedThroughAndNothingLeaks) {
  CountingTarget target;
  const SenderSnapshot s = Snapshot(&target);
  target.channelStatus = static_cast<int32_t>(0x80041234);
  EXPECT_EQ(CWarpDataSender(s).Deliver(), static_cast<int32_t>(0x80041234));
  EXPECT_TRUE(fs::exists(m_path));  // the buffer was made, so the file was written
  target.channelStatus = 1;
  EXPECT_EQ(CWarpDataSender(s).Deliver(), KVOGC_E_OUTOFMEMORY);
  target.channelStatus = 2;
  EXPECT_EQ(CWarpDataSender(s).Deliver(), KVOGC_E_FAIL);
  EXPECT_EQ(target.refs, 1);
}

TEST_F(Senders, MissingModulesAreReportedAsMissingFactories) {
  CountingTarget target;
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

TEST_F(Senders, UnusableSnapshotsAreRefusedBeforeAnythingIsWritten) {
  CountingTarget target;
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
