// Objects of the stand-in sibling modules as the library creates them, and the
// setting stand-in's inspection entries.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

#include "kvogc/kvogc_modules.hpp"
#include "modules/SiblingModule.h"
#include "platform/Platform.h"

namespace kvogc::test {

/// A new object of a module's class; null, with a failed expectation, when refused.
template <typename T>
KvoRef<T> NewObject(const SiblingModule& module, const KvoGuid& classId,
                    const KvoGuid& interfaceId) {
  void* object = nullptr;
  EXPECT_EQ(module.CreateInstance(classId, interfaceId, &object), KVOGC_OK);
  return KvoRef<T>::Adopt(static_cast<T*>(object));
}

inline KvoRef<IWarpPlane> PlaneOf(IWarpData* data, int32_t index) {
  KvoRef<IWarpPlane> plane;
  EXPECT_EQ(data->GetPlane(index, plane.Out()), KVOGC_OK);
  return plane;
}

/// The simulated device's own view, from the setting module the library loads.
class DeviceInspector {
 public:
  DeviceInspector() {
    const auto dir = std::filesystem::path(platform::OwnModulePath()).parent_path().string();
    m_module = platform::LoadModule(ResolveModulePath(dir, "Brindmoor.dll"));
    if (m_module == nullptr) return;
    getBase = reinterpret_cast<decltype(getBase)>(
        platform::FindSymbol(m_module, "BrindmoorStandinGetBaseWarpData"));
    deliveries = reinterpret_cast<decltype(deliveries)>(
        platform::FindSymbol(m_module, "BrindmoorStandinDeliveryCount"));
    reset = reinterpret_cast<decltype(reset)>(
        platform::FindSymbol(m_module, "BrindmoorStandinReset"));
  }
  ~DeviceInspector() { platform::UnloadModule(m_module); }
  DeviceInspector(const DeviceInspector&) = delete;
  DeviceInspector& operator=(const DeviceInspector&) = delete;
  bool Ready() const { return getBase != nullptr && deliveries != nullptr && reset != nullptr; }

  /// Fills `data` with the base grid of save-in slot 1..3; KVOGC_E_FAIL when none was sent.
  int32_t (*getBase)(const void* target, int32_t slot, IWarpData* data) = nullptr;
  /// Successful setter calls for the target.
  int32_t (*deliveries)(const void* target) = nullptr;
  /// Forgets every device.
  int32_t (*reset)() = nullptr;

 private:
  platform::ModuleHandle m_module = nullptr;
};

}  // namespace kvogc::test
