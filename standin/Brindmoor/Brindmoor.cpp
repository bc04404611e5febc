// Stand-in for the setting module: a simulated device per target. Each device
// keeps a current warp and three save-in slots, each slot with the base grid
// it was adjusted from. Warps are copied in and out through the warp-data
// interfaces alone, so any core model implementation works with it. The
// target is only a key: the module never calls it.
#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <vector>

#include "kvogc/kvogc_modules.hpp"
#include "standin/common/Factory.h"
#include "standin/common/StandinObject.h"

namespace kvogc::standin {
namespace {

constexpr size_t kParamBlockBytes = 124;
constexpr int32_t kPlaneCount = 3;
constexpr int32_t kSlotCount = 3;
// A plane reporting more points than this is refused rather than copied.
constexpr int64_t kMaxPoints = int64_t{1} << 24;

struct PlaneCopy {
  int32_t columns = 0;
  int32_t rows = 0;
  std::vector<std::array<double, 2>> points;  // row by row
};

struct WarpCopy {
  std::array<PlaneCopy, kPlaneCount> planes;
  std::array<uint8_t, kParamBlockBytes> block{};
};

struct Device {
  WarpCopy current;  // empty until the first write
  std::array<std::optional<WarpCopy>, kSlotCount> slots;
  std::array<std::optional<WarpCopy>, kSlotCount> bases;
  int32_t deliveries = 0;
};

// Shared by every setter and getter of the loaded module; senders write from
// their worker thread while a manager may read on the host's.
struct DeviceStore {
  std::mutex lock;
  std::map<uintptr_t, Device> devices;
};

DeviceStore& Store() {
  static DeviceStore store;
  return store;
}

uintptr_t KeyOf(const void* target) { return reinterpret_cast<uintptr_t>(target); }

bool IsSlot(int32_t value) { return value >= 1 && value <= kSlotCount; }

// Calls `body` and turns an escaping exception into a status: nothing may
// unwind across the module boundary.
template <typename Body>
int32_t Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return KVOGC_E_OUTOFMEMORY;
  } catch (...) {
    return KVOGC_E_FAIL;
  }
}

int32_t TakePlane(IWarpData& data, int32_t index, KvoRef<IWarpPlane>& plane) {
  IWarpPlane* raw = nullptr;
  const int32_t status = data.GetPlane(index, &raw);
  if (status < 0) return status;  // a failed call hands out nothing to release
  *plane.Out() = raw;
  return raw == nullptr ? KVOGC_E_FAIL : KVOGC_OK;
}

int32_t ReadPlane(IWarpData& data, int32_t index, PlaneCopy& out) {
  KvoRef<IWarpPlane> plane;
  int32_t status = TakePlane(data, index, plane);
  if (status < 0) return status;
  int32_t columns = 0;
  int32_t rows = 0;
  status = plane->GetSize(&columns, &rows);
  if (status < 0) return status;
  if (columns < 0 || rows < 0 || int64_t{columns} * rows > kMaxPoints) return KVOGC_E_FAIL;
  out.columns = columns;
  out.rows = rows;
  out.points.assign(static_cast<size_t>(columns) * static_cast<size_t>(rows), {0.0, 0.0});
  size_t k = 0;
  for (int32_t r = 0; r < rows; ++r) {
    for (int32_t c = 0; c < columns; ++c) {
      status = plane->GetPoint(r, c, out.points[k++].data());
      if (status < 0) return status;
    }
  }
  return KVOGC_OK;
}

int32_t ReadWarp(IWarpData& data, WarpCopy& out) {
  for (int32_t p = 0; p < kPlaneCount; ++p) {
    const int32_t status = ReadPlane(data, p, out.planes[static_cast<size_t>(p)]);
    if (status < 0) return status;
  }
  const int32_t status = data.GetParamBlock(out.block.data());
  return status < 0 ? status : KVOGC_OK;
}

int32_t WritePlane(IWarpData& data, int32_t index, const PlaneCopy& in) {
  KvoRef<IWarpPlane> plane;
  int32_t status = TakePlane(data, index, plane);
  if (status < 0) return status;
  status = plane->Prepare();
  if (status < 0) return status;
  size_t k = 0;
  for (int32_t r = 0; r < in.rows; ++r) {
    for (int32_t c = 0; c < in.columns; ++c) {
      status = plane->SetPoint(r, c, in.points[k++].data());
      if (status < 0) return status;
    }
  }
  return KVOGC_OK;
}

// A device tells the screen from the kind in the mode bits (offset 120).
void ScreenOf(const WarpCopy& warp, int32_t& isKeyStone, int32_t& screenType) {
  const uint32_t kind = warp.block[120] & 0xFu;
  isKeyStone = kind == 2 ? 1 : 0;
  screenType = kind == 2 ? 2 : (kind == 1 || kind == 8 ? 1 : 0);
}

int32_t WriteWarp(IWarpData& data, const WarpCopy& in) {
  for (int32_t p = 0; p < kPlaneCount; ++p) {
    const int32_t status = WritePlane(data, p, in.planes[static_cast<size_t>(p)]);
    if (status < 0) return status;
  }
  int32_t isKeyStone = 0;
  int32_t screenType = 0;
  ScreenOf(in, isKeyStone, screenType);
  return data.SetParamBlock(in.block.data(), isKeyStone, screenType);
}

/// Reads the data object first, then stores it under the lock, so a failed
/// read leaves the device as it was.
template <typename Keep>
int32_t Deliver(IGeoObjTarget* target, IWarpData* data, Keep&& keep) {
  return Guarded([&]() -> int32_t {
    WarpCopy copy;
    const int32_t status = ReadWarp(*data, copy);
    if (status < 0) return status;
    DeviceStore& s = Store();
    const std::lock_guard<std::mutex> guard(s.lock);
    Device& device = s.devices[KeyOf(target)];
    keep(device, std::move(copy));
    ++device.deliveries;
    return KVOGC_OK;
  });
}

class WarpDataSetter final : public RefCounted<IWarpDataSetter> {
 public:
  int32_t Reserved3() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved4() override { return KVOGC_E_NOTIMPL; }

  // Mode 0 replaces the current warp; a save-in slot keeps the warp and it
  // becomes the current one as well.
  int32_t SetWarpData(IGeoObjTarget* target, const int32_t* mode, IWarpData* data) override {
    if (target == nullptr || mode == nullptr || data == nullptr) return KVOGC_E_INVALIDARG;
    const int32_t slot = *mode;
    if (slot != 0 && !IsSlot(slot)) return KVOGC_E_INVALIDARG;
    return Deliver(target, data, [slot](Device& device, WarpCopy&& copy) {
      if (slot != 0) device.slots[static_cast<size_t>(slot - 1)] = copy;
      device.current = std::move(copy);
    });
  }

  // The base grid of a slot is kept beside it and never becomes current.
  int32_t SetBaseWarpData(IGeoObjTarget* target, const int32_t* mode, IWarpData* data) override {
    if (target == nullptr || mode == nullptr || data == nullptr) return KVOGC_E_INVALIDARG;
    const int32_t slot = *mode;
    if (!IsSlot(slot)) return KVOGC_E_INVALIDARG;
    return Deliver(target, data, [slot](Device& device, WarpCopy&& copy) {
      device.bases[static_cast<size_t>(slot - 1)] = std::move(copy);
    });
  }
};

/// The warp a read of `slot` finds: the slot's own, else the current one
/// (empty planes and a zero block on a device never written).
WarpCopy WarpFor(const void* target, int32_t slot) {
  DeviceStore& s = Store();
  const std::lock_guard<std::mutex> guard(s.lock);
  const auto it = s.devices.find(KeyOf(target));
  if (it == s.devices.end()) return WarpCopy{};
  const std::optional<WarpCopy>& kept = it->second.slots[static_cast<size_t>(slot - 1)];
  return kept ? *kept : it->second.current;
}

std::optional<WarpCopy> BaseFor(const void* target, int32_t slot) {
  DeviceStore& s = Store();
  const std::lock_guard<std::mutex> guard(s.lock);
  const auto it = s.devices.find(KeyOf(target));
  if (it == s.devices.end()) return std::nullopt;
  return it->second.bases[static_cast<size_t>(slot - 1)];
}

class WarpDataGetter final : public RefCounted<IWarpDataGetter> {
 public:
  int32_t Reserved3() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved4() override { return KVOGC_E_NOTIMPL; }

  int32_t GetWarpData(IGeoObjTarget* target, const int32_t* slot, IWarpData* data) override {
    if (target == nullptr || slot == nullptr || data == nullptr) return KVOGC_E_INVALIDARG;
    const int32_t index = *slot;
    if (!IsSlot(index)) return KVOGC_E_INVALIDARG;
    // Copied out under the lock, written to the caller's object outside it.
    return Guarded([&]() -> int32_t { return WriteWarp(*data, WarpFor(target, index)); });
  }
};

}  // namespace
}  // namespace kvogc::standin

KVOGC_MODULE_EXPORT int32_t DllCreateInstance(const kvogc::KvoGuid* classId,
                                              const kvogc::KvoGuid* interfaceId,
                                              void** object) {
  using namespace kvogc;
  using Setter = standin::ClassEntry<standin::WarpDataSetter, IWarpDataSetter>;
  using Getter = standin::ClassEntry<standin::WarpDataGetter, IWarpDataGetter>;
  return standin::CreateInstance(classId, interfaceId, object,
                                 Setter{kClsidWarpDataSetter, kIidWarpDataSetter},
                                 Getter{kClsidWarpDataGetter, kIidWarpDataGetter});
}

// ---- Inspection for tests: not part of the module's interface ------------

/// Fills `data` with the base grid kept for save-in slot `slot` (1..3) of
/// `target`; KVOGC_E_FAIL when none was delivered.
KVOGC_MODULE_EXPORT int32_t BrindmoorStandinGetBaseWarpData(const void* target, int32_t slot,
                                                            kvogc::IWarpData* data) {
  using namespace kvogc;
  if (target == nullptr || data == nullptr || !standin::IsSlot(slot)) return KVOGC_E_INVALIDARG;
  return standin::Guarded([&]() -> int32_t {
    const std::optional<standin::WarpCopy> base = standin::BaseFor(target, slot);
    return base ? standin::WriteWarp(*data, *base) : KVOGC_E_FAIL;
  });
}

/// The number of successful setter calls (current warp, slot or base) for `target`.
KVOGC_MODULE_EXPORT int32_t BrindmoorStandinDeliveryCount(const void* target) {
  return kvogc::standin::Guarded([&]() -> int32_t {
    auto& s = kvogc::standin::Store();
    const std::lock_guard<std::mutex> guard(s.lock);
    const auto it = s.devices.find(kvogc::standin::KeyOf(target));
    return it == s.devices.end() ? 0 : it->second.deliveries;
  });
}

/// Forgets every simulated device.
KVOGC_MODULE_EXPORT int32_t BrindmoorStandinReset() {
  return kvogc::standin::Guarded([]() -> int32_t {
    auto& s = kvogc::standin::Store();
    const std::lock_guard<std::mutex> guard(s.lock);
    s.devices.clear();
    return KVOGC_OK;
  });
}
