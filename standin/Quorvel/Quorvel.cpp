// Stand-in for the product family's frame module: a byte buffer that a sender
// fills with one warp geometry text and hands to a command.
#include <cstring>
#include <new>
#include <vector>

#include "kvogc/kvogc_modules.hpp"
#include "standin/common/Factory.h"
#include "standin/common/StandinObject.h"

namespace kvogc::standin {
namespace {

class CGeoObjBuffer final : public RefCounted<IGeoObjBuffer> {
 public:
  int32_t Reserved3() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved4() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved5() override { return KVOGC_E_NOTIMPL; }

  int32_t Allocate(uint32_t size) override {
    try {
      std::vector<unsigned char> storage(size);
      m_storage.swap(storage);
    } catch (const std::bad_alloc&) {
      return KVOGC_E_OUTOFMEMORY;
    }
    m_allocated = true;
    m_committed = 0;
    return KVOGC_OK;
  }

  int32_t GetWritePointer(void** data, uint32_t* capacity) override {
    if (data == nullptr || capacity == nullptr) return KVOGC_E_INVALIDARG;
    if (!m_allocated) {
      *data = nullptr;
      *capacity = 0;
      return KVOGC_E_FAIL;
    }
    *data = m_storage.data();
    *capacity = static_cast<uint32_t>(m_storage.size());
    return KVOGC_OK;
  }

  // Only the memory handed out by GetWritePointer can be committed.
  int32_t Commit(void* data, uint32_t size) override {
    if (!m_allocated || data != static_cast<void*>(m_storage.data()) || size > m_storage.size()) {
      return KVOGC_E_INVALIDARG;
    }
    m_committed = size;
    return KVOGC_OK;
  }

  int32_t Reserved9() override { return KVOGC_E_NOTIMPL; }

  int32_t GetData(const void** data, uint32_t* size) override {
    if (data == nullptr || size == nullptr) return KVOGC_E_INVALIDARG;
    *data = m_storage.data();
    *size = m_committed;
    return KVOGC_OK;
  }

 private:
  std::vector<unsigned char> m_storage;
  bool m_allocated = false;
  uint32_t m_committed = 0;
};

}  // namespace
}  // namespace kvogc::standin

KVOGC_MODULE_EXPORT int32_t DllCreateInstance(const kvogc::KvoGuid* classId,
                                              const kvogc::KvoGuid* interfaceId,
                                              void** object) {
  using namespace kvogc;
  using Entry = standin::ClassEntry<standin::CGeoObjBuffer, IGeoObjBuffer>;
  return standin::CreateInstance(classId, interfaceId, object,
                                 Entry{kClsidGeoObjBuffer, kIidGeoObjBuffer});
}
