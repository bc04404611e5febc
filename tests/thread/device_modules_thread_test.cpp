// The setting stand-in's simulated device, written by a sender's worker thread
// while the host's thread reads it back.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <thread>

#include "support/StandinObjects.h"

namespace kvogc {
namespace {

using test::NewObject;
using test::PlaneOf;

TEST(DeviceStandin, ReadsDuringWritesSeeWholeWarps) {
  SiblingModule calvoric("Calvoric.dll");
  SiblingModule brindmoor("Brindmoor.dll");
  ASSERT_TRUE(calvoric.HasFactory() && brindmoor.HasFactory());
  alignas(16) std::array<std::byte, 64> target{};  // a key only; never called
  auto* key = reinterpret_cast<IGeoObjTarget*>(target.data());

  // Every point of every plane and every block byte carry the same tag, so a
  // torn copy shows as a mix of tags.
  std::thread writer([&] {
    auto setter = NewObject<IWarpDataSetter>(brindmoor, kClsidWarpDataSetter, kIidWarpDataSetter);
    for (int32_t i = 1; i <= 60; ++i) {
      auto data = NewObject<IWarpData>(calvoric, kClsidWarpData, kIidWarpData);
      const double point[2] = {static_cast<double>(i), -static_cast<double>(i)};
      for (int32_t k = 0; k < 27; ++k) {
        ASSERT_EQ(PlaneOf(data.Get(), k / 9)->SetPoint(k % 9 / 3, k % 3, point), KVOGC_OK);
      }
      std::array<uint8_t, 124> block;
      block.fill(static_cast<uint8_t>(i));
      ASSERT_EQ(data->SetParamBlock(block.data(), 0, 1), KVOGC_OK);
      const int32_t mode = i % 2;  // the current warp, then save-in slot 1
      EXPECT_EQ(setter->SetWarpData(key, &mode, data.Get()), KVOGC_OK);
    }
  });
  auto getter = NewObject<IWarpDataGetter>(brindmoor, kClsidWarpDataGetter, kIidWarpDataGetter);
  for (int32_t i = 0; i < 60; ++i) {
    auto data = NewObject<IWarpData>(calvoric, kClsidWarpData, kIidWarpData);
    const int32_t slot = 2 + i % 2;  // never written: the current warp
    ASSERT_EQ(getter->GetWarpData(key, &slot, data.Get()), KVOGC_OK);
    std::array<uint8_t, 124> block{};
    ASSERT_EQ(data->GetParamBlock(block.data()), KVOGC_OK);
    for (int32_t p = 0; p < 3; ++p) {
      KvoRef<IWarpPlane> plane = PlaneOf(data.Get(), p);
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
