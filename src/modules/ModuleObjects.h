// Taking over the reference-counted objects that sibling modules and targets
// hand out, and where a sender finds its modules.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "kvogc/kvogc_modules.hpp"
#include "modules/SiblingModule.h"

namespace kvogc {

/// Calls `call` with an out slot and takes the object over only when the call
/// succeeded: a failed call hands out nothing to release. A success without an
/// object is a failure too, so that nothing ever calls through null.
template <typename T, typename Call>
int32_t TakeObject(KvoRef<T>& ref, Call&& call) {
  T* raw = nullptr;
  const int32_t status = call(&raw);
  if (status < 0) return status;
  if (raw == nullptr) return KVOGC_E_FAIL;
  *ref.Out() = raw;
  return status;
}

/// Creates an object through a module's factory; KVOGC_E_HANDLE without one.
template <typename T>
int32_t CreateObject(const SiblingModule& module, const KvoGuid& classId,
                     const KvoGuid& interfaceId, KvoRef<T>& ref) {
  return TakeObject(ref, [&](T** out) {
    void* object = nullptr;
    const int32_t status = module.CreateInstance(classId, interfaceId, &object);
    *out = static_cast<T*>(object);
    return status;
  });
}

/// Where a sender loads its modules: beside this library, as a host has them,
/// or from a given folder (tests and tools that assemble their own set).
class ModuleFolder {
 public:
  static ModuleFolder BesideLibrary() { return ModuleFolder(); }
  static ModuleFolder At(std::string_view directory) {
    ModuleFolder folder;
    folder.m_directory.emplace(directory);
    return folder;
  }

  /// The module `fileName` from this folder; an empty record when it cannot be loaded.
  SiblingModule Open(std::string_view fileName) const {
    SiblingModule module;
    if (m_directory) {
      module.LoadFrom(*m_directory, fileName);
    } else {
      module.Load(fileName);
    }
    return module;
  }

 private:
  std::optional<std::string> m_directory;
};

}  // namespace kvogc
