// The core model and setting stand-ins, loaded as the library loads them:
// warp-data objects and their planes, the simulated device behind the setter
// and getter, and the references between them.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "support/FakeWarpData.h"
#include "support/StandinObjects.h"

namespace kvogc {
namespace {

using test::NewObject;
using test::PlaneOf;
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

Contents Read(IWarpData* data) {
  Contents c;
  for (int32_t p = 0; p < 3; ++p) {
    KvoRef<IWarpPlane> plane = PlaneOf(data, p);
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
    KvoRef<IWarpPlane> plane = PlaneOf(data, p);
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
  void SetUp() override {
    ASSERT_TRUE(m_calvoric.HasFactory() && m_brindmoor.HasFactory() && m_device.Ready());
    ASSERT_EQ(m_device.reset(), KVOGC_OK);
  }

  KvoRef<IWarpData> NewData() {
    return NewObject<IWarpData>(m_calvoric, kClsidWarpData, kIidWarpData);
  }
  KvoRef<IWarpData> NewData(double seed, int32_t columns, int32_t rows, uint8_t tag) {
    KvoRef<IWarpData> data = NewData();
    Fill(data.Get(), seed, columns, rows, tag);
    return data;
  }
  KvoRef<IWarpDataSetter> NewSetter() {
    return NewObject<IWarpDataSetter>(m_brindmoor, kClsidWarpDataSetter, kIidWarpDataSetter);
  }
  KvoRef<IWarpDataGetter> NewGetter() {
    return NewObject<IWarpDataGetter>(m_brindmoor, kClsidWarpDataGetter, kIidWarpDataGetter);
  }
  int32_t Set(IGeoObjTarget* target, int32_t mode, IWarpData* data) {
    return NewSetter()->SetWarpData(target, &mode, data);
  }
  int32_t SetBase(IGeoObjTarget* target, int32_t mode, IWarpData* data) {
    return NewSetter()->SetBaseWarpData(target, &mode, data);
  }
  int32_t Get(IGeoObjTarget* target, int32_t slot, IWarpData* data) {
    return NewGetter()->GetWarpData(target, &slot, data);
  }
  Contents ReadSlot(IGeoObjTarget* target, int32_t slot) {
    KvoRef<IWarpData> data = NewData();
    EXPECT_EQ(Get(target, slot, data.Get()), KVOGC_OK);
    return Read(data.Get());
  }
  int32_t ReadBase(IGeoObjTarget* target, int32_t slot, Contents& out) {
    KvoRef<IWarpData> data = NewData();
    const int32_t status = m_device.getBase(target, slot, data.Get());
    out = Read(data.Get());
    return status;
  }

  SiblingModule m_calvoric{"Calvoric.dll"};
  SiblingModule m_brindmoor{"Brindmoor.dll"};
  test::DeviceInspector m_device;
  // Targets are only keys: blank storage, so any call into one would crash the test.
  alignas(16) std::array<std::byte, 64> m_storageA{}, m_storageB{};
  IGeoObjTarget* m_targetA = reinterpret_cast<IGeoObjTarget*>(m_storageA.data());
  IGeoObjTarget* m_targetB = reinterpret_cast<IGeoObjTarget*>(m_storageB.data());
};

// ---- Core model: planes and parameter block -------------------------------------

TEST_F(DeviceModules, PlanesAreSizedOnFirstUseAndGrow) {
  KvoRef<IWarpData> data = NewData();
  KvoRef<IWarpPlane> plane = PlaneOf(data.Get(), 1);
  const auto size = [&] {
    std::pair<int32_t, int32_t> columnsRows{-1, -1};
    EXPECT_EQ(plane->GetSize(&columnsRows.first, &columnsRows.second), KVOGC_OK);
    return columnsRows;
  };
  EXPECT_EQ(size(), std::make_pair(0, 0));
  const double a[2] = {12.5, -3.25}, b[2] = {7.0, 8.0};
  ASSERT_EQ(plane->SetPoint(2, 4, a), KVOGC_OK);  // row 2, column 4
  EXPECT_EQ(size(), std::make_pair(5, 3));
  ASSERT_EQ(plane->SetPoint(1, 7, b), KVOGC_OK);  // wider, not taller
  EXPECT_EQ(size(), std::make_pair(8, 3));
  double got[2] = {-1, -1};
  ASSERT_EQ(plane->GetPoint(2, 4, got), KVOGC_OK);  // kept in place while growing
  EXPECT_EQ(std::make_pair(got[0], got[1]), std::make_pair(12.5, -3.25));
  ASSERT_EQ(plane->GetPoint(0, 0, got), KVOGC_OK);  // never stored: zero
  EXPECT_EQ(std::make_pair(got[0], got[1]), std::make_pair(0.0, 0.0));
  EXPECT_EQ(Read(data.Get()).columns, (std::array<int32_t, 3>{0, 8, 0}));  // planes are separate
}

TEST_F(DeviceModules, PlaneAccessOutsideIsRefusedAndChangesNothing) {
  KvoRef<IWarpData> data = NewData(1.0, 3, 2, 0);
  KvoRef<IWarpPlane> plane = PlaneOf(data.Get(), 2);
  double point[2] = {};
  for (const auto& [row, column] : {std::pair{2, 0}, {0, 3}, {-1, 0}}) {
    EXPECT_LT(plane->GetPoint(row, column, point), 0) << row << ' ' << column;
  }
  EXPECT_LT(plane->GetPoint(0, 0, nullptr), 0);
  EXPECT_LT(plane->SetPoint(0, -1, point), 0);
  EXPECT_LT(plane->SetPoint(0, 0, nullptr), 0);
  EXPECT_LT(plane->SetPoint(INT32_MAX, INT32_MAX, point), 0);  // no giant allocation
  EXPECT_LT(plane->SetPoint(60000, 60000, point), 0);
  EXPECT_LT(plane->GetSize(nullptr, nullptr), 0);
  EXPECT_EQ(Read(data.Get()), Expected(1.0, 3, 2, 0));
  for (int32_t index : {-1, 3}) {
    IWarpPlane* none = plane.Get();
    EXPECT_LT(data->GetPlane(index, &none), 0) << index;
    EXPECT_EQ(none, nullptr) << index;
  }
  EXPECT_LT(data->GetPlane(0, nullptr), 0);
}

TEST_F(DeviceModules, PrepareAndInitializeStartAfresh) {
  KvoRef<IWarpData> data = NewData(5.0, 4, 3, 9);
  const uint8_t zero8[8] = {}, notZero[8] = {0, 0, 0, 0, 0, 0, 0, 1};
  EXPECT_LT(data->Initialize(1, zero8), 0);  // anything but the library's arguments
  EXPECT_LT(data->Initialize(0, nullptr), 0);
  EXPECT_LT(data->Initialize(0, notZero), 0);
  EXPECT_EQ(Read(data.Get()), Expected(5.0, 4, 3, 9));
  ASSERT_EQ(PlaneOf(data.Get(), 0)->Prepare(), KVOGC_OK);
  EXPECT_EQ(Read(data.Get()).columns, (std::array<int32_t, 3>{0, 4, 4}));
  ASSERT_EQ(data->Initialize(0, zero8), KVOGC_OK);
  EXPECT_EQ(Read(data.Get()), Contents{});
}

TEST_F(DeviceModules, ParamBlockIsZeroUntilStoredAndStoredAsACopy) {
  KvoRef<IWarpData> data = NewData();
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

// ---- References ---------------------------------------------------------------------

TEST_F(DeviceModules, PlaneOutlivesItsDataObjectWhileHeld) {
  KvoRef<IWarpData> held = NewData(3.0, 2, 2, 1);
  IWarpData* data = held.Get();
  data->AddRef();
  held.Reset();  // the test's one reference, counted by hand from here
  IWarpPlane* plane = nullptr;
  IWarpPlane* same = nullptr;
  ASSERT_EQ(data->GetPlane(1, &plane), KVOGC_OK);
  ASSERT_EQ(data->GetPlane(1, &same), KVOGC_OK);
  EXPECT_EQ(plane, same);
  EXPECT_EQ(same->Release(), 2u);  // the data object's and ours
  EXPECT_EQ(data->Release(), 0u);
  double point[2] = {};
  ASSERT_EQ(plane->GetPoint(1, 1, point), KVOGC_OK);
  EXPECT_EQ(point[0], PointOf(3.0, 1, 1, 1)[0]);
  EXPECT_EQ(plane->Release(), 0u);
}

// ---- The simulated device -------------------------------------------------------------

TEST_F(DeviceModules, ModeZeroWritesTheCurrentWarpThatUnwrittenSlotsRead) {
  ASSERT_EQ(Set(m_targetA, 0, NewData(10.0, 4, 3, 7).Get()), KVOGC_OK);
  for (int32_t slot = 1; slot <= 3; ++slot) {
    EXPECT_EQ(ReadSlot(m_targetA, slot), Expected(10.0, 4, 3, 7)) << slot;
  }
  EXPECT_EQ(m_device.deliveries(m_targetA), 1);
  // Another target is another device.
  ASSERT_EQ(Set(m_targetB, 1, NewData(2.0, 3, 2, 2).Get()), KVOGC_OK);
  EXPECT_EQ(ReadSlot(m_targetB, 2), Expected(2.0, 3, 2, 2));
  EXPECT_EQ(ReadSlot(m_targetA, 1), Expected(10.0, 4, 3, 7));
  EXPECT_EQ(m_device.deliveries(m_targetA), 1);
  EXPECT_EQ(m_device.deliveries(m_targetB), 1);
}

TEST_F(DeviceModules, SlotWriteIsKeptAndBecomesCurrent) {
  ASSERT_EQ(Set(m_targetA, 2, NewData(20.0, 3, 3, 1).Get()), KVOGC_OK);
  EXPECT_EQ(ReadSlot(m_targetA, 2), Expected(20.0, 3, 3, 1));
  EXPECT_EQ(ReadSlot(m_targetA, 1), Expected(20.0, 3, 3, 1));  // unwritten: the current warp
  ASSERT_EQ(Set(m_targetA, 0, NewData(30.0, 2, 4, 2).Get()), KVOGC_OK);
  EXPECT_EQ(ReadSlot(m_targetA, 2), Expected(20.0, 3, 3, 1));  // the slot keeps its warp
  EXPECT_EQ(ReadSlot(m_targetA, 3), Expected(30.0, 2, 4, 2));
  ASSERT_EQ(Set(m_targetA, 2, NewData(40.0, 2, 2, 3).Get()), KVOGC_OK);
  EXPECT_EQ(ReadSlot(m_targetA, 2), Expected(40.0, 2, 2, 3));
  EXPECT_EQ(ReadSlot(m_targetA, 3), Expected(40.0, 2, 2, 3));
}

TEST_F(DeviceModules, BaseGridIsKeptApartFromTheWarp) {
  ASSERT_EQ(Set(m_targetA, 1, NewData(1.0, 3, 2, 4).Get()), KVOGC_OK);
  ASSERT_EQ(SetBase(m_targetA, 1, NewData(2.0, 3, 2, 5).Get()), KVOGC_OK);
  ASSERT_EQ(SetBase(m_targetA, 3, NewData(3.0, 2, 2, 6).Get()), KVOGC_OK);
  EXPECT_EQ(m_device.deliveries(m_targetA), 3);
  EXPECT_EQ(ReadSlot(m_targetA, 1), Expected(1.0, 3, 2, 4));
  EXPECT_EQ(ReadSlot(m_targetA, 3), Expected(1.0, 3, 2, 4));  // a base is not a slot's warp
  Contents base;
  EXPECT_EQ(ReadBase(m_targetA, 1, base), KVOGC_OK);
  EXPECT_EQ(base, Expected(2.0, 3, 2, 5));
  EXPECT_EQ(ReadBase(m_targetA, 3, base), KVOGC_OK);
  EXPECT_EQ(base, Expected(3.0, 2, 2, 6));
  EXPECT_LT(ReadBase(m_targetA, 2, base), 0);  // never delivered
}

TEST_F(DeviceModules, ReadReplacesWhatTheDataObjectHeld) {
  KvoRef<IWarpData> data = NewData(9.0, 5, 4, 9);
  ASSERT_EQ(Get(m_targetB, 1, data.Get()), KVOGC_OK);
  EXPECT_EQ(Read(data.Get()), Contents{});  // a device never written is empty
  ASSERT_EQ(Set(m_targetA, 0, NewData(6.0, 2, 2, 6).Get()), KVOGC_OK);
  Fill(data.Get(), 9.0, 5, 4, 9);
  ASSERT_EQ(Get(m_targetA, 1, data.Get()), KVOGC_OK);
  EXPECT_EQ(Read(data.Get()), Expected(6.0, 2, 2, 6));
}

TEST_F(DeviceModules, InvalidModesAndNullArgumentsChangeNothing) {
  ASSERT_EQ(Set(m_targetA, 0, NewData(1.0, 2, 2, 1).Get()), KVOGC_OK);
  KvoRef<IWarpData> other = NewData(2.0, 3, 3, 2);
  KvoRef<IWarpDataSetter> setter = NewSetter();
  KvoRef<IWarpDataGetter> getter = NewGetter();
  for (int32_t mode : {-1, 4, INT32_MIN}) EXPECT_LT(Set(m_targetA, mode, other.Get()), 0);
  for (int32_t mode : {0, -1, 4}) EXPECT_LT(SetBase(m_targetA, mode, other.Get()), 0);
  for (int32_t slot : {0, -1, 4}) EXPECT_LT(Get(m_targetA, slot, other.Get()), 0);
  const int32_t one = 1;
  for (int nulled = 0; nulled < 3; ++nulled) {  // the target, the mode, the data object
    IGeoObjTarget* target = nulled == 0 ? nullptr : m_targetA;
    const int32_t* mode = nulled == 1 ? nullptr : &one;
    IWarpData* data = nulled == 2 ? nullptr : other.Get();
    EXPECT_LT(setter->SetWarpData(target, mode, data), 0) << nulled;
    EXPECT_LT(setter->SetBaseWarpData(target, mode, data), 0) << nulled;
    EXPECT_LT(getter->GetWarpData(target, mode, data), 0) << nulled;
  }
  EXPECT_EQ(Read(other.Get()), Expected(2.0, 3, 3, 2));
  EXPECT_EQ(m_device.deliveries(m_targetA), 1);
  for (int32_t s = 1; s <= 3; ++s) EXPECT_EQ(ReadSlot(m_targetA, s), Expected(1.0, 2, 2, 1));
}

// ---- Any core model implementation --------------------------------------------------

// The modules keep no reference to a data object or its planes once a call returns.
TEST_F(DeviceModules, WorksWithAForeignWarpDataImplementation) {
  test::FakeWarpData foreign;
  Fill(&foreign, 11.0, 3, 2, 12);
  ASSERT_EQ(Set(m_targetA, 3, &foreign), KVOGC_OK);
  ASSERT_EQ(SetBase(m_targetA, 3, &foreign), KVOGC_OK);
  EXPECT_EQ(ReadSlot(m_targetA, 3), Expected(11.0, 3, 2, 12));
  test::FakeWarpData into;
  ASSERT_EQ(Get(m_targetA, 3, &into), KVOGC_OK);
  EXPECT_EQ(Read(&into), Expected(11.0, 3, 2, 12));
  for (const test::FakeWarpData* data : {&foreign, &into}) {
    EXPECT_EQ(data->refs, 1u);
    for (const auto& plane : data->planes) EXPECT_EQ(plane.refs, 1u);
  }
}

TEST_F(DeviceModules, AFailingDataObjectPassesItsStatusAndChangesNothing) {
  ASSERT_EQ(Set(m_targetA, 1, NewData(1.0, 2, 2, 1).Get()), KVOGC_OK);
  test::FakeWarpData failing;
  Fill(&failing, 5.0, 3, 3, 5);
  failing.planes[2].failAt = 4;
  EXPECT_EQ(Set(m_targetA, 1, &failing), static_cast<int32_t>(0x80AA0001));
  EXPECT_EQ(ReadSlot(m_targetA, 1), Expected(1.0, 2, 2, 1));
  for (const auto& plane : failing.planes) EXPECT_EQ(plane.refs, 1u);
}

}  // namespace
}  // namespace kvogc
