// The core model and setting stand-ins, loaded as the library loads them:
// warp-data objects and their planes, the simulated device behind the setter
// and getter, and the reference-counting rules between them.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "modules/SiblingModule.h"
#include "platform/Platform.h"

namespace kvogc {
namespace {

struct Releaser {
  template <typename T>
  void operator()(T* object) const { object->Release(); }
};
template <typename T>
using Ref = std::unique_ptr<T, Releaser>;
using Block = std::array<uint8_t, 124>;

// A distinct, recognisable point for every plane, row and column of a warp.
std::array<double, 2> PointOf(double seed, int32_t plane, int32_t row, int32_t col) {
  return {seed + row * 100.0 + col + plane * 0.25, -seed - row - col * 0.5 - plane};
}

Block BlockOf(uint8_t tag) {
  Block block{};
  for (size_t k = 0; k < block.size(); ++k) block[k] = static_cast<uint8_t>(tag + k);
  return block;
}

// What a data object holds, read through its interface.
struct Contents {
  std::array<int32_t, 3> columns{}, rows{};
  std::array<std::vector<double>, 3> points;
  Block block{};
  friend bool operator==(const Contents&, const Contents&) = default;
};

Contents Expected(double seed, int32_t columns, int32_t rows, uint8_t tag) {
  Contents c;
  for (int32_t p = 0; p < 3; ++p) {
    c.columns[p] = columns, c.rows[p] = rows;
    for (int32_t r = 0; r < rows; ++r) {
      for (int32_t col = 0; col < columns; ++col) {
        const auto point = PointOf(seed, p, r, col);
        c.points[p].insert(c.points[p].end(), point.begin(), point.end());
      }
    }
  }
  c.block = BlockOf(tag);
  return c;
}

Ref<IWarpPlane> PlaneOf(IWarpData* data, int32_t index) {
  IWarpPlane* plane = nullptr;
  EXPECT_EQ(data->GetPlane(index, &plane), KVOGC_OK);
  return Ref<IWarpPlane>(plane);
}

Contents Read(IWarpData* data) {
  Contents c;
  for (int32_t p = 0; p < 3; ++p) {
    Ref<IWarpPlane> plane = PlaneOf(data, p);
    EXPECT_EQ(plane->GetSize(&c.columns[p], &c.rows[p]), KVOGC_OK);
    for (int32_t r = 0; r < c.rows[p]; ++r) {
      for (int32_t col = 0; col < c.columns[p]; ++col) {
        double point[2] = {};
        EXPECT_EQ(plane->GetPoint(r, col, point), KVOGC_OK);
        c.points[p].insert(c.points[p].end(), {point[0], point[1]});
      }
    }
  }
  EXPECT_EQ(data->GetParamBlock(c.block.data()), KVOGC_OK);
  return c;
}

void Fill(IWarpData* data, double seed, int32_t columns, int32_t rows, uint8_t tag) {
  for (int32_t p = 0; p < 3; ++p) {
    Ref<IWarpPlane> plane = PlaneOf(data, p);
    ASSERT_EQ(plane->Prepare(), KVOGC_OK);
    for (int32_t r = 0; r < rows; ++r) {
      for (int32_t c = 0; c < columns; ++c) {
        ASSERT_EQ(plane->SetPoint(r, c, PointOf(seed, p, r, c).data()), KVOGC_OK);
      }
    }
  }
  ASSERT_EQ(data->SetParamBlock(BlockOf(tag).data(), 0, 1), KVOGC_OK);
}

class DeviceModules : public ::testing::Test {
 protected:
  using GetBaseFn = int32_t (*)(const void*, int32_t, IWarpData*);
  using CountFn = int32_t (*)(const void*);
  using ResetFn = int32_t (*)();

  void SetUp() override {
    ASSERT_TRUE(m_calvoric.HasFactory());
    ASSERT_TRUE(m_brindmoor.HasFactory());
    // The stand-in's inspection entries, from the same loaded module.
    const auto dir = std::filesystem::path(platform::OwnModulePath()).parent_path().string();
    m_inspect = platform::LoadModule(ResolveModulePath(dir, "Brindmoor.dll"));
    ASSERT_NE(m_inspect, nullptr);
    m_getBase = reinterpret_cast<GetBaseFn>(
        platform::FindSymbol(m_inspect, "BrindmoorStandinGetBaseWarpData"));
    m_deliveries = reinterpret_cast<CountFn>(
        platform::FindSymbol(m_inspect, "BrindmoorStandinDeliveryCount"));
    const auto reset =
        reinterpret_cast<ResetFn>(platform::FindSymbol(m_inspect, "BrindmoorStandinReset"));
    ASSERT_TRUE(m_getBase && m_deliveries && reset);
    ASSERT_EQ(reset(), KVOGC_OK);
  }
  void TearDown() override { platform::UnloadModule(m_inspect); }

  Ref<IWarpData> NewData() {
    void* object = nullptr;
    EXPECT_EQ(m_calvoric.CreateInstance(kClsidWarpData, kIidWarpData, &object), KVOGC_OK);
    return Ref<IWarpData>(static_cast<IWarpData*>(object));
  }
  Ref<IWarpData> NewData(double seed, int32_t columns, int32_t rows, uint8_t tag) {
    Ref<IWarpData> data = NewData();
    Fill(data.get(), seed, columns, rows, tag);
    return data;
  }
  Ref<IWarpDataSetter> NewSetter() {
    void* object = nullptr;
    EXPECT_EQ(m_brindmoor.CreateInstance(kClsidWarpDataSetter, kIidWarpDataSetter, &object), 0);
    return Ref<IWarpDataSetter>(static_cast<IWarpDataSetter*>(object));
  }
  Ref<IWarpDataGetter> NewGetter() {
    void* object = nullptr;
    EXPECT_EQ(m_brindmoor.CreateInstance(kClsidWarpDataGetter, kIidWarpDataGetter, &object), 0);
    return Ref<IWarpDataGetter>(static_cast<IWarpDataGetter*>(object));
  }
  int32_t Set(IGeoObjTarget* target, int32_t mode, IWarpData* data) {
    return NewSetter()->SetWarpData(target, &mode, data);
  }
  int32_t SetBase(IGeoObjTarget* target, int32_t mode, IWarpData* data) {
    return NewSetter()->SetBaseWarpData(target, &mode, data);
  }
  Contents ReadSlot(IGeoObjTarget* target, int32_t slot) {
    Ref<IWarpData> data = NewData();
    EXPECT_EQ(NewGetter()->GetWarpData(target, &slot, data.get()), KVOGC_OK);
    return Read(data.get());
  }
  int32_t ReadBase(IGeoObjTarget* target, int32_t slot, Contents& out) {
    Ref<IWarpData> data = NewData();
    const int32_t status = m_getBase(target, slot, data.get());
    out = Read(data.get());
    return status;
  }

  SiblingModule m_calvoric{"Calvoric.dll"};
  SiblingModule m_brindmoor{"Brindmoor.dll"};
  platform::ModuleHandle m_inspect = nullptr;
  GetBaseFn m_getBase = nullptr;
  CountFn m_deliveries = nullptr;
  // Targets are only keys: blank storage, so any call into one would crash the test.
  alignas(16) std::array<std::byte, 64> m_storageA{}, m_storageB{};
  IGeoObjTarget* m_targetA = reinterpret_cast<IGeoObjTarget*>(m_storageA.data());
  IGeoObjTarget* m_targetB = reinterpret_cast<IGeoObjTarget*>(m_storageB.data());
};

// ---- Core model: planes and parameter block -------------------------------------

TEST_F(DeviceModules, PlanesAreSizedOnFirstUseAndGrow) {
  Ref<IWarpData> data = NewData();
  Ref<IWarpPlane> plane = PlaneOf(data.get(), 1);
  int32_t columns = -1, rows = -1;
  ASSERT_EQ(plane->GetSize(&columns, &rows), KVOGC_OK);
  EXPECT_EQ(columns, 0);
  EXPECT_EQ(rows, 0);

  const double a[2] = {12.5, -3.25}, b[2] = {7.0, 8.0};
  ASSERT_EQ(plane->SetPoint(2, 4, a), KVOGC_OK);  // row 2, column 4
  ASSERT_EQ(plane->GetSize(&columns, &rows), KVOGC_OK);
  EXPECT_EQ(columns, 5);
  EXPECT_EQ(rows, 3);
  ASSERT_EQ(plane->SetPoint(1, 7, b), KVOGC_OK);  // wider, not taller
  ASSERT_EQ(plane->GetSize(&columns, &rows), KVOGC_OK);
  EXPECT_EQ(columns, 8);
  EXPECT_EQ(rows, 3);
  double got[2] = {-1, -1};
  ASSERT_EQ(plane->GetPoint(2, 4, got), KVOGC_OK);  // kept in place while growing
  EXPECT_EQ(got[0], 12.5);
  EXPECT_EQ(got[1], -3.25);
  ASSERT_EQ(plane->GetPoint(0, 0, got), KVOGC_OK);  // never stored: zero
  EXPECT_EQ(got[0], 0.0);
  EXPECT_EQ(got[1], 0.0);
  EXPECT_EQ(Read(data.get()).columns, (std::array<int32_t, 3>{0, 8, 0}));  // planes are separate
}

TEST_F(DeviceModules, PlaneAccessOutsideIsRefusedAndChangesNothing) {
  Ref<IWarpData> data = NewData(1.0, 3, 2, 0);
  Ref<IWarpPlane> plane = PlaneOf(data.get(), 2);
  double point[2] = {};
  EXPECT_LT(plane->GetPoint(2, 0, point), 0);
  EXPECT_LT(plane->GetPoint(0, 3, point), 0);
  EXPECT_LT(plane->GetPoint(-1, 0, point), 0);
  EXPECT_LT(plane->GetPoint(0, 0, nullptr), 0);
  EXPECT_LT(plane->SetPoint(0, -1, point), 0);
  EXPECT_LT(plane->SetPoint(0, 0, nullptr), 0);
  EXPECT_LT(plane->SetPoint(INT32_MAX, INT32_MAX, point), 0);  // no giant allocation
  EXPECT_LT(plane->SetPoint(60000, 60000, point), 0);
  EXPECT_LT(plane->GetSize(nullptr, nullptr), 0);
  EXPECT_EQ(Read(data.get()), Expected(1.0, 3, 2, 0));
  for (int32_t index : {-1, 3}) {
    IWarpPlane* none = plane.get();
    EXPECT_LT(data->GetPlane(index, &none), 0) << index;
    EXPECT_EQ(none, nullptr) << index;
  }
  EXPECT_LT(data->GetPlane(0, nullptr), 0);
}

TEST_F(DeviceModules, PrepareAndInitializeStartAfresh) {
  Ref<IWarpData> data = NewData(5.0, 4, 3, 9);
  const uint8_t zero8[8] = {}, notZero[8] = {0, 0, 0, 0, 0, 0, 0, 1};
  EXPECT_LT(data->Initialize(1, zero8), 0);  // anything but the library's arguments
  EXPECT_LT(data->Initialize(0, nullptr), 0);
  EXPECT_LT(data->Initialize(0, notZero), 0);
  EXPECT_EQ(Read(data.get()), Expected(5.0, 4, 3, 9));

  ASSERT_EQ(PlaneOf(data.get(), 0)->Prepare(), KVOGC_OK);
  const Contents prepared = Read(data.get());
  EXPECT_EQ(prepared.columns, (std::array<int32_t, 3>{0, 4, 4}));
  ASSERT_EQ(data->Initialize(0, zero8), KVOGC_OK);
  EXPECT_EQ(Read(data.get()), Contents{});
}

TEST_F(DeviceModules, ParamBlockIsZeroUntilStoredAndStoredAsACopy) {
  Ref<IWarpData> data = NewData();
  Block got;
  got.fill(0xAB);
  ASSERT_EQ(data->GetParamBlock(got.data()), KVOGC_OK);
  EXPECT_EQ(got, Block{});
  Block source = BlockOf(40);
  ASSERT_EQ(data->SetParamBlock(source.data(), 1, 2), KVOGC_OK);
  source.fill(0);
  ASSERT_EQ(data->GetParamBlock(got.data()), KVOGC_OK);
  EXPECT_EQ(got, BlockOf(40));
  EXPECT_LT(data->SetParamBlock(nullptr, 0, 0), 0);
  EXPECT_LT(data->GetParamBlock(nullptr), 0);
}

// ---- Reference counting and factories --------------------------------------------

TEST_F(DeviceModules, NewObjectsHoldOneReferenceAndGoAtZero) {
  Ref<IWarpData> data = NewData();
  Ref<IWarpDataSetter> setter = NewSetter();
  Ref<IWarpDataGetter> getter = NewGetter();
  EXPECT_EQ(data->AddRef(), 2u);
  EXPECT_EQ(setter->AddRef(), 2u);
  EXPECT_EQ(getter->AddRef(), 2u);
  EXPECT_EQ(data->Release(), 1u);
  EXPECT_EQ(setter->Release(), 1u);
  EXPECT_EQ(getter->Release(), 1u);
  // The last release frees each object; a leak fails under AddressSanitizer.
  EXPECT_EQ(data.release()->Release(), 0u);
  EXPECT_EQ(setter.release()->Release(), 0u);
  EXPECT_EQ(getter.release()->Release(), 0u);
}

TEST_F(DeviceModules, PlaneOutlivesItsDataObjectWhileHeld) {
  Ref<IWarpData> data = NewData(3.0, 2, 2, 1);
  IWarpPlane* plane = PlaneOf(data.get(), 1).release();
  IWarpPlane* same = PlaneOf(data.get(), 1).release();
  EXPECT_EQ(plane, same);
  EXPECT_EQ(same->Release(), 2u);  // the data object's and ours
  EXPECT_EQ(data.release()->Release(), 0u);
  double point[2] = {};
  ASSERT_EQ(plane->GetPoint(1, 1, point), KVOGC_OK);
  EXPECT_EQ(point[0], PointOf(3.0, 1, 1, 1)[0]);
  EXPECT_EQ(plane->Release(), 0u);
}

TEST_F(DeviceModules, ModulesKeepNoReferenceToWhatTheyAreGiven) {
  Ref<IWarpData> data = NewData(1.0, 2, 2, 3);
  ASSERT_EQ(Set(m_targetA, 1, data.get()), KVOGC_OK);
  ASSERT_EQ(SetBase(m_targetA, 1, data.get()), KVOGC_OK);
  const int32_t slot = 1;
  ASSERT_EQ(NewGetter()->GetWarpData(m_targetA, &slot, data.get()), KVOGC_OK);
  EXPECT_EQ(data->AddRef(), 2u);
  EXPECT_EQ(data->Release(), 1u);
  EXPECT_EQ(PlaneOf(data.get(), 0).release()->Release(), 1u);  // planes were all given back
}

TEST_F(DeviceModules, UnknownClassOrInterfaceIdsAreRejected) {
  struct Case {
    const SiblingModule* module;
    KvoGuid classId, interfaceId;
  };
  const Case cases[] = {
      {&m_calvoric, kClsidWarpData, kIidWarpDataSetter},
      {&m_calvoric, kClsidWarpDataSetter, kIidWarpDataSetter},
      {&m_brindmoor, kClsidWarpDataSetter, kIidWarpDataGetter},
      {&m_brindmoor, kClsidWarpDataGetter, kIidWarpDataSetter},
      {&m_brindmoor, kClsidWarpData, kIidWarpData},
      {&m_brindmoor, kClsidGeoObjBuffer, kIidGeoObjBuffer},
  };
  for (const Case& c : cases) {
    void* object = &m_storageA;
    EXPECT_LT(c.module->CreateInstance(c.classId, c.interfaceId, &object), 0);
    EXPECT_EQ(object, nullptr);
  }
  EXPECT_LT(m_calvoric.CreateInstance(kClsidWarpData, kIidWarpData, nullptr), 0);
  EXPECT_LT(m_brindmoor.CreateInstance(kClsidWarpDataGetter, kIidWarpDataGetter, nullptr), 0);
}

// ---- The simulated device -------------------------------------------------------------

TEST_F(DeviceModules, ModeZeroWritesTheCurrentWarpThatUnwrittenSlotsRead) {
  ASSERT_EQ(Set(m_targetA, 0, NewData(10.0, 4, 3, 7).get()), KVOGC_OK);
  for (int32_t slot = 1; slot <= 3; ++slot) {
    EXPECT_EQ(ReadSlot(m_targetA, slot), Expected(10.0, 4, 3, 7)) << slot;
  }
  EXPECT_EQ(m_deliveries(m_targetA), 1);
}

TEST_F(DeviceModules, SlotWriteIsKeptAndBecomesCurrent) {
  ASSERT_EQ(Set(m_targetA, 2, NewData(20.0, 3, 3, 1).get()), KVOGC_OK);
  EXPECT_EQ(ReadSlot(m_targetA, 2), Expected(20.0, 3, 3, 1));
  EXPECT_EQ(ReadSlot(m_targetA, 1), Expected(20.0, 3, 3, 1));  // unwritten: the current warp
  ASSERT_EQ(Set(m_targetA, 0, NewData(30.0, 2, 4, 2).get()), KVOGC_OK);
  EXPECT_EQ(ReadSlot(m_targetA, 2), Expected(20.0, 3, 3, 1));  // the slot keeps its warp
  EXPECT_EQ(ReadSlot(m_targetA, 3), Expected(30.0, 2, 4, 2));
  ASSERT_EQ(Set(m_targetA, 2, NewData(40.0, 2, 2, 3).get()), KVOGC_OK);
  EXPECT_EQ(ReadSlot(m_targetA, 2), Expected(40.0, 2, 2, 3));
  EXPECT_EQ(ReadSlot(m_targetA, 3), Expected(40.0, 2, 2, 3));
}

TEST_F(DeviceModules, BaseGridIsKeptApartFromTheWarp) {
  ASSERT_EQ(Set(m_targetA, 1, NewData(1.0, 3, 2, 4).get()), KVOGC_OK);
  ASSERT_EQ(SetBase(m_targetA, 1, NewData(2.0, 3, 2, 5).get()), KVOGC_OK);
  ASSERT_EQ(SetBase(m_targetA, 3, NewData(3.0, 2, 2, 6).get()), KVOGC_OK);
  EXPECT_EQ(m_deliveries(m_targetA), 3);
  EXPECT_EQ(ReadSlot(m_targetA, 1), Expected(1.0, 3, 2, 4));
  EXPECT_EQ(ReadSlot(m_targetA, 3), Expected(1.0, 3, 2, 4));  // a base is not a slot's warp
  Contents base;
  EXPECT_EQ(ReadBase(m_targetA, 1, base), KVOGC_OK);
  EXPECT_EQ(base, Expected(2.0, 3, 2, 5));
  EXPECT_EQ(ReadBase(m_targetA, 3, base), KVOGC_OK);
  EXPECT_EQ(base, Expected(3.0, 2, 2, 6));
  EXPECT_LT(ReadBase(m_targetA, 2, base), 0);  // never delivered
}

TEST_F(DeviceModules, TargetsAreKeptApart) {
  ASSERT_EQ(Set(m_targetA, 1, NewData(1.0, 2, 2, 1).get()), KVOGC_OK);
  ASSERT_EQ(Set(m_targetB, 0, NewData(2.0, 3, 2, 2).get()), KVOGC_OK);
  EXPECT_EQ(ReadSlot(m_targetA, 2), Expected(1.0, 2, 2, 1));
  EXPECT_EQ(ReadSlot(m_targetB, 1), Expected(2.0, 3, 2, 2));
  EXPECT_EQ(m_deliveries(m_targetA), 1);
  EXPECT_EQ(m_deliveries(m_targetB), 1);
}

TEST_F(DeviceModules, OneDevicePerTargetForEveryLoadOfTheModule) {
  ASSERT_EQ(Set(m_targetA, 3, NewData(8.0, 2, 3, 8).get()), KVOGC_OK);
  SiblingModule again("Brindmoor.dll");
  void* object = nullptr;
  ASSERT_EQ(again.CreateInstance(kClsidWarpDataGetter, kIidWarpDataGetter, &object), KVOGC_OK);
  Ref<IWarpDataGetter> getter(static_cast<IWarpDataGetter*>(object));
  Ref<IWarpData> data = NewData();
  const int32_t slot = 3;
  ASSERT_EQ(getter->GetWarpData(m_targetA, &slot, data.get()), KVOGC_OK);
  EXPECT_EQ(Read(data.get()), Expected(8.0, 2, 3, 8));
}

TEST_F(DeviceModules, ReadReplacesWhatTheDataObjectHeld) {
  Ref<IWarpData> data = NewData(9.0, 5, 4, 9);
  const int32_t slot = 1;
  ASSERT_EQ(NewGetter()->GetWarpData(m_targetB, &slot, data.get()), KVOGC_OK);
  EXPECT_EQ(Read(data.get()), Contents{});  // a device never written is empty
  ASSERT_EQ(Set(m_targetA, 0, NewData(6.0, 2, 2, 6).get()), KVOGC_OK);
  Fill(data.get(), 9.0, 5, 4, 9);
  ASSERT_EQ(NewGetter()->GetWarpData(m_targetA, &slot, data.get()), KVOGC_OK);
  EXPECT_EQ(Read(data.get()), Expected(6.0, 2, 2, 6));
}

TEST_F(DeviceModules, InvalidModesAndNullArgumentsChangeNothing) {
  ASSERT_EQ(Set(m_targetA, 0, NewData(1.0, 2, 2, 1).get()), KVOGC_OK);
  Ref<IWarpData> other = NewData(2.0, 3, 3, 2);
  Ref<IWarpDataSetter> setter = NewSetter();
  Ref<IWarpDataGetter> getter = NewGetter();
  for (int32_t mode : {-1, 4, INT32_MIN}) EXPECT_LT(Set(m_targetA, mode, other.get()), 0);
  for (int32_t mode : {0, -1, 4}) EXPECT_LT(SetBase(m_targetA, mode, other.get()), 0);
  for (int32_t slot : {0, -1, 4}) EXPECT_LT(getter->GetWarpData(m_targetA, &slot, other.get()), 0);
  const int32_t one = 1;
  EXPECT_LT(setter->SetWarpData(nullptr, &one, other.get()), 0);
  EXPECT_LT(setter->SetWarpData(m_targetA, nullptr, other.get()), 0);
  EXPECT_LT(setter->SetWarpData(m_targetA, &one, nullptr), 0);
  EXPECT_LT(setter->SetBaseWarpData(nullptr, &one, other.get()), 0);
  EXPECT_LT(setter->SetBaseWarpData(m_targetA, nullptr, other.get()), 0);
  EXPECT_LT(setter->SetBaseWarpData(m_targetA, &one, nullptr), 0);
  EXPECT_LT(getter->GetWarpData(nullptr, &one, other.get()), 0);
  EXPECT_LT(getter->GetWarpData(m_targetA, nullptr, other.get()), 0);
  EXPECT_LT(getter->GetWarpData(m_targetA, &one, nullptr), 0);

  EXPECT_EQ(Read(other.get()), Expected(2.0, 3, 3, 2));
  EXPECT_EQ(m_deliveries(m_targetA), 1);
  for (int32_t s = 1; s <= 3; ++s) EXPECT_EQ(ReadSlot(m_targetA, s), Expected(1.0, 2, 2, 1));
}

// ---- Any core model implementation --------------------------------------------------

// A foreign plane storing points in the order given; GetPoint fails at `failAt`.
class ForeignPlane final : public IWarpPlane {
 public:
  int32_t QueryInterface(const KvoGuid*, void**) override { return KVOGC_E_NOTIMPL; }
  uint32_t AddRef() override { return ++refs; }
  uint32_t Release() override { return --refs; }  // owned by ForeignData
  int32_t Prepare() override {
    points.clear();
    columns = rows = 0;
    return KVOGC_OK;
  }
  int32_t GetSize(int32_t* c, int32_t* r) override {
    *c = columns, *r = rows;
    return KVOGC_OK;
  }
  int32_t SetPoint(int32_t r, int32_t c, const double* p) override {
    if (r == 0 && c >= columns) columns = c + 1;  // the first row sets the width
    if (r * columns + c != static_cast<int32_t>(points.size())) return KVOGC_E_INVALIDARG;
    rows = r + 1;
    points.push_back({p[0], p[1]});
    return KVOGC_OK;
  }
  int32_t GetPoint(int32_t r, int32_t c, double* p) override {
    const int32_t k = r * columns + c;
    if (k == failAt) return static_cast<int32_t>(0x80AA0001);
    if (r < 0 || c < 0 || r >= rows || c >= columns) return KVOGC_E_INVALIDARG;
    p[0] = points[static_cast<size_t>(k)][0], p[1] = points[static_cast<size_t>(k)][1];
    return KVOGC_OK;
  }
  uint32_t refs = 1;
  int32_t columns = 0, rows = 0, failAt = -1;
  std::vector<std::array<double, 2>> points;
};

class ForeignData final : public IWarpData {
 public:
  int32_t QueryInterface(const KvoGuid*, void**) override { return KVOGC_E_NOTIMPL; }
  uint32_t AddRef() override { return ++refs; }
  uint32_t Release() override { return --refs; }  // lives on the test's stack
  int32_t Initialize(int32_t, const void*) override { return KVOGC_OK; }
  int32_t Reserved4() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved5() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved6() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved7() override { return KVOGC_E_NOTIMPL; }
  int32_t GetPlane(int32_t index, IWarpPlane** plane) override {
    if (index < 0 || index > 2) return KVOGC_E_INVALIDARG;
    planes[static_cast<size_t>(index)].AddRef();
    *plane = &planes[static_cast<size_t>(index)];
    return KVOGC_OK;
  }
  int32_t Reserved9() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved10() override { return KVOGC_E_NOTIMPL; }
  int32_t SetParamBlock(const void* b, int32_t, int32_t) override {
    if (b != nullptr) std::memcpy(block.data(), b, block.size());
    return b != nullptr ? KVOGC_OK : KVOGC_E_INVALIDARG;
  }
  int32_t GetParamBlock(void* b) override {
    if (b != nullptr) std::memcpy(b, block.data(), block.size());
    return b != nullptr ? KVOGC_OK : KVOGC_E_INVALIDARG;
  }
  uint32_t refs = 1;
  std::array<ForeignPlane, 3> planes;
  Block block{};
};

TEST_F(DeviceModules, WorksWithAForeignWarpDataImplementation) {
  ForeignData foreign;
  Fill(&foreign, 11.0, 3, 2, 12);
  ASSERT_EQ(Set(m_targetA, 3, &foreign), KVOGC_OK);
  EXPECT_EQ(ReadSlot(m_targetA, 3), Expected(11.0, 3, 2, 12));
  ForeignData into;
  const int32_t slot = 3;
  ASSERT_EQ(NewGetter()->GetWarpData(m_targetA, &slot, &into), KVOGC_OK);
  EXPECT_EQ(Read(&into), Expected(11.0, 3, 2, 12));
  EXPECT_EQ(into.refs, 1u);
  for (const ForeignPlane& plane : into.planes) EXPECT_EQ(plane.refs, 1u);
}

TEST_F(DeviceModules, AFailingDataObjectPassesItsStatusAndChangesNothing) {
  ASSERT_EQ(Set(m_targetA, 1, NewData(1.0, 2, 2, 1).get()), KVOGC_OK);
  ForeignData failing;
  Fill(&failing, 5.0, 3, 3, 5);
  failing.planes[2].failAt = 4;
  EXPECT_EQ(Set(m_targetA, 1, &failing), static_cast<int32_t>(0x80AA0001));
  EXPECT_EQ(ReadSlot(m_targetA, 1), Expected(1.0, 2, 2, 1));
  for (const ForeignPlane& plane : failing.planes) EXPECT_EQ(plane.refs, 1u);
}

}  // namespace
}  // namespace kvogc
