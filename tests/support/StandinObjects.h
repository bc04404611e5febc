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

/// The simulated device's own view, from the setting module the library loads.
class DeviceInspector {
 public:
  DeviceInspector() {
    const auto dir = std::filesystem::path(platform::OwnModulePath()).parent_path().string();
    m_module = platform::LoadModule(ResolveModulePath(dir, "Brindmoor.dll"));
    if (m_module == nullptr) return;
    deliveries = reinterpret_cast<decltype(deliveries)>(
        platform::FindSymbol(m_module, "BrindmoorStandinDeliveryCount"));
    reset = reinterpret_cast<decltype(reset)>(
        platform::FindSymbol(m_module, "BrindmoorStandinReset"));
  }
  ~DeviceInspector() { platform::UnloadModule(m_module); }
  DeviceInspector(const DeviceInspector&) = delete;
  DeviceInspector& operator=(const DeviceInspector&) = delete;
  bool Ready() const { return deliveries != nullptr && reset != nullptr; }

  /// Successful setter calls for the target.
  int32_t (*deliveries)(const void* target) = nullptr;
  /// Forgets every device.
  int32_t (*reset)() = nullptr;

 private:
  platform::ModuleHandle m_module = nullptr;
};

}  // namespace kvogc::test
