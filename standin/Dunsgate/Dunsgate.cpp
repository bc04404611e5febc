// Stand-in for the product family's command module: a command carries a
// request (the warp geometry text to deliver) to a target's channel and brings
// the target's replies back.
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "kvogc/kvogc_modules.hpp"
#include "standin/common/Factory.h"
#include "standin/common/StandinObject.h"

namespace kvogc::standin {
namespace {

class CGeoObjCommand final : public RefCounted<IGeoObjCommand> {
 public:
  int32_t SetRequest(int32_t kind, const void* data, uint32_t size) override {
    if (data == nullptr && size != 0) return KVOGC_E_INVALIDARG;
    try {
      const auto* bytes = static_cast<const unsigned char*>(data);
      std::vector<unsigned char> copy(bytes, bytes + size);
      m_request.swap(copy);
    } catch (const std::bad_alloc&) {
      return KVOGC_E_OUTOFMEMORY;
    }
    m_kind = kind;
    m_hasRequest = true;
    return KVOGC_OK;
  }

  int32_t GetRequest(int32_t* kind, const void** data, uint32_t* size) override {
    if (kind == nullptr || data == nullptr || size == nullptr) return KVOGC_E_INVALIDARG;
    if (!m_hasRequest) return KVOGC_E_FAIL;
    *kind = m_kind;
    *data = m_request.data();
    *size = static_cast<uint32_t>(m_request.size());
    return KVOGC_OK;
  }

  int32_t SetReply(int32_t index, const char* text) override {
    if (index < 0 || text == nullptr) return KVOGC_E_INVALIDARG;
    const size_t length = std::strlen(text);
    if (length >= UINT32_MAX) return KVOGC_E_INVALIDARG;
    try {
      auto copy = std::make_unique<std::string>(text, length);
      // A replaced reply stays alive: its text pointer is valid while the command lives.
      std::unique_ptr<std::string>& slot = m_replies[index];
      if (slot != nullptr) m_retired.push_back(std::move(slot));
      slot = std::move(copy);
    } catch (const std::bad_alloc&) {
      return KVOGC_E_OUTOFMEMORY;
    }
    return KVOGC_OK;
  }

  int32_t Reserved6() override { return KVOGC_E_NOTIMPL; }

  int32_t GetReply(int32_t index, uint64_t* value, const char** text, int32_t flags,
                   uint32_t* size) override {
    if (text == nullptr || flags != 0) return KVOGC_E_INVALIDARG;
    *text = nullptr;
    const auto found = m_replies.find(index);
    if (found == m_replies.end()) return KVOGC_E_INVALIDARG;
    const std::string& reply = *found->second;
    *text = reply.c_str();
    if (value != nullptr) *value = reply.size();
    if (size != nullptr) *size = static_cast<uint32_t>(reply.size() + 1);
    return KVOGC_OK;
  }

 private:
  int32_t m_kind = 0;
  bool m_hasRequest = false;
  std::vector<unsigned char> m_request;
  std::map<int32_t, std::unique_ptr<std::string>> m_replies;
  std::vector<std::unique_ptr<std::string>> m_retired;
};

}  // namespace
}  // namespace kvogc::standin

KVOGC_MODULE_EXPORT int32_t DllCreateInstance(const kvogc::KvoGuid* classId,
                                              const kvogc::KvoGuid* interfaceId,
                                              void** object) {
  using namespace kvogc;
  using Entry = standin::ClassEntry<standin::CGeoObjCommand, IGeoObjCommand>;
  return standin::CreateInstance(classId, interfaceId, object,
                                 Entry{kClsidGeoObjCommand, kIidGeoObjCommand});
}
