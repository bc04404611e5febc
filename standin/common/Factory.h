// The body of every stand-in module's DllCreateInstance: the id checks and
// the creation of the object, with the statuses a COM factory gives.
#pragma once

#include <cstdint>
#include <new>

#include "kvogc/kvogc_modules.hpp"
#include "standin/common/StandinObject.h"

namespace kvogc::standin {

/// A class a module offers: `Object` is created for `classId` and handed out
/// as `Interface`, the only interface it answers to.
template <typename Object, typename Interface>
struct ClassEntry {
  const KvoGuid& classId;
  const KvoGuid& interfaceId;
};

template <typename Object, typename Interface>
int32_t CreateObject(void** object) {
  try {
    Object* created = new (std::nothrow) Object();
    if (created == nullptr) return KVOGC_E_OUTOFMEMORY;
    *object = static_cast<Interface*>(created);
    return KVOGC_OK;
  } catch (const std::bad_alloc&) {  // an object whose constructor allocates
    return KVOGC_E_OUTOFMEMORY;
  }
}

/// Creates the object of the first entry whose class is `classId`. Null
/// arguments give KVOGC_E_INVALIDARG, a known class asked for another interface
/// kNoInterface, any other class kClassNotAvailable; *object is null on failure.
template <typename... Entries>
int32_t CreateInstance(const KvoGuid* classId, const KvoGuid* interfaceId, void** object,
                       const Entries&... entries) {
  if (object == nullptr) return KVOGC_E_INVALIDARG;
  *object = nullptr;
  if (classId == nullptr || interfaceId == nullptr) return KVOGC_E_INVALIDARG;
  int32_t status = kClassNotAvailable;
  const auto offer = [&]<typename Object, typename Interface>(
                         const ClassEntry<Object, Interface>& entry) {
    if (!(*classId == entry.classId)) return false;
    status = *interfaceId == entry.interfaceId ? CreateObject<Object, Interface>(object)
                                               : kNoInterface;
    return true;
  };
  (offer(entries) || ...);
  return status;
}

}  // namespace kvogc::standin
