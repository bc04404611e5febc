// Stand-in for the product family's module that the projector managers and
// senders keep loaded but never call: its factory exists and creates nothing.
#include "kvogc/kvogc_modules.hpp"
#include "standin/common/StandinObject.h"

KVOGC_MODULE_EXPORT int32_t DllCreateInstance(const kvogc::KvoGuid* /*classId*/,
                                              const kvogc::KvoGuid* /*interfaceId*/,
                                              void** object) {
  if (object != nullptr) *object = nullptr;
  return kvogc::standin::kClassNotAvailable;
}
