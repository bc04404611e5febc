// A sibling module of the product family, loaded from this library's folder
// (or one above it) for the lifetime of its owner.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kvogc/kvogc_modules.hpp"
#include "platform/Platform.h"

namespace kvogc {

class SiblingModule {
 public:
  SiblingModule() = default;
  explicit SiblingModule(std::string_view fileName) { Load(fileName); }
  ~SiblingModule() { Unload(); }
  SiblingModule(const SiblingModule&) = delete;
  SiblingModule& operator=(const SiblingModule&) = delete;
  SiblingModule(SiblingModule&& other) noexcept
      : m_module(std::exchange(other.m_module, nullptr)),
        m_createInstance(std::exchange(other.m_createInstance, nullptr)) {}
  SiblingModule& operator=(SiblingModule&& other) noexcept {
    if (this != &other) {
      Unload();
      m_module = std::exchange(other.m_module, nullptr);
      m_createInstance = std::exchange(other.m_createInstance, nullptr);
    }
    return *this;
  }

  /// Loads fileName (a logical "X.dll" name, optionally behind ".\" or "..\"
  /// prefixes; '/' works as well as '\') from the folder of this library.
  /// Leaves the record empty when anything fails.
  void Load(std::string_view fileName);
  /// As Load, relative to the given folder instead of this library's.
  void LoadFrom(std::string_view directory, std::string_view fileName);
  /// Unloads the module; owners release their objects first.
  void Unload();

  /// Creates an object through the module's factory; KVOGC_E_HANDLE without one.
  int32_t CreateInstance(const KvoGuid& classId, const KvoGuid& interfaceId, void** object) const;

  bool IsLoaded() const { return m_module != nullptr; }
  bool HasFactory() const { return m_createInstance != nullptr; }

 private:
  platform::ModuleHandle m_module = nullptr;
  DllCreateInstanceFn m_createInstance = nullptr;
};

/// An owner's modules, loaded in the given order for its lifetime and
/// unloaded last loaded first, as a later module may rely on an earlier one.
class SiblingModules {
 public:
  explicit SiblingModules(std::span<const std::string_view> fileNames) {
    m_modules.reserve(fileNames.size());
    for (std::string_view name : fileNames) m_modules.emplace_back(name);
  }
  ~SiblingModules() {
    while (!m_modules.empty()) m_modules.pop_back();
  }
  SiblingModules(const SiblingModules&) = delete;
  SiblingModules& operator=(const SiblingModules&) = delete;

  const SiblingModule& operator[](size_t k) const { return m_modules[k]; }

 private:
  std::vector<SiblingModule> m_modules;
};

/// The full path a module name resolves to beside a library in `directory`,
/// or empty when the prefixes climb above the root or nothing is left to load.
std::string ResolveModulePath(std::string_view directory, std::string_view fileName);

}  // namespace kvogc
