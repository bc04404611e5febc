// The setting stand-in's simulated device, written by a sender's worker thread
// while the host's thread reads it back.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <thread>

#include "modules/SiblingModule.h"

namespace kvogc {
namespace {

struct Releaser {
  template <typename T>
  void operator()(T* object) const { object->Release(); }
};
template <typename T>
using Ref = std::unique_ptr<T, Releaser>;

template <typename T>
Ref<T> Create(const SiblingModule& module, const KvoGuid& classId, const KvoGuid& interfaceId) {
  void* object = nullptr;
  EXPECT_EQ(module.CreateInstance(classId, interfaceId, &object), KVOGC_OK);
  return Ref<T>(static_cast<T*>(object));
}

// Every point of every plane and every block byte carry the same tag, so a
// torn copy shows as a mix of tags.
void Fill(IWarpData* data, uint8_t tag) {
  for (int32_t p = 0; p < 3; ++p) {
    IWarpPlane* raw = nullptr;
    ASSERT_EQ(data->GetPlane(p, &raw), KVOGC_OK);
    Ref<IWarpPlane> plane(raw);
    for (int32_t k = 0; k < 9; ++k) {
      const double point[2] = {static_cast<double>(tag), -static_cast<double>(tag)};
      ASSERT_EQ(plane->SetPoint(k / 3, k % 3, point), KVOGC_OK);
    }
  }
  std::array<uint8_t, 124> block;
  block.fill(tag);
  ASSERT_EQ(data->SetParamBlock(block.data(), 0, 1), KVOGC_OK);
}

TEST(DeviceStandin, ReadsDuringWritesSeeWholeWarps) {
  SiblingModule calvoric("Calvoric.dll");
  SiblingModule brindmoor("Brindmoor.dll");
  ASSERT_TRUE(calvoric.HasFactory() && brindmoor.HasFactory());
  alignas(16) std::array<std::byte, 64> target{};  // a key only; never called
  auto* key = reinterpret_cast<IGeoObjTarget*>(target.data());

  std::thread writer([&] {
    auto setter = Create<IWarpDataSetter>(brindmoor, kClsidWarpDataSetter, kIidWarpDataSetter);
    for (int32_t i = 1; i <= 60; ++i) {
      auto data = Create<IWarpData>(calvoric, kClsidWarpData, kIidWarpData);
      Fill(data.get(), static_cast<uint8_t>(i));
      const int32_t mode = i % 2;  // the current warp, then save-in slot 1
      EXPECT_EQ(setter->SetWarpData(key, &mode, data.get()), KVOGC_OK);
    }
  });
  auto getter = Create<IWarpDataGetter>(brindmoor, kClsidWarpDataGetter, kIidWarpDataGetter);
  for (int32_t i = 0; i < 60; ++i) {
    auto data = Create<IWarpData>(calvoric, kClsidWarpData, kIidWarpData);
    const int32_t slot = 2 + i % 2;  // never written: the current warp
    ASSERT_EQ(getter->GetWarpData(key, &slot, data.get()), KVOGC_OK);
    std::array<uint8_t, 124> block{};
    ASSERT_EQ(data->GetParamBlock(block.data()), KVOGC_OK);
    for (int32_t p = 0; p < 3; ++p) {
      IWarpPlane* raw = nullptr;
      ASSERT_EQ(data->GetPlane(p, &raw), KVOGC_OK);
      Ref<IWarpPlane> plane(raw);
      int32_t columns = 0, rows = 0;
      ASSERT_EQ(plane->GetSize(&columns, &rows), KVOGC_OK);
      for (int32_t k = 0; k < columns * rows; ++k) {
        double point[2] = {};
        ASSERT_EQ(plane->GetPoint(k / columns, k % columns, point), KVOGC_OK);
        EXPECT_EQ(point[0], block[0]);
      }
    }
    for (uint8_t byte : block) EXPECT_EQ(byte, block[0]);
  }
  writer.join();
}

}  // namespace
}  // namespace kvogc
