#include "host/GeoObjHostTarget.h"

#include <fstream>
#include <iterator>
#include <new>

namespace kvogc::host {

namespace {

constexpr int32_t kNoInterface = static_cast<int32_t>(0x80004002);
constexpr int32_t kKindGeometry = 1;

// The text of a request or file: its bytes up to the first NUL.
std::string TextOf(const char* data, size_t size) {
  size_t length = 0;
  while (length < size && data[length] != '\0') ++length;
  return std::string(data, length);
}

// A channel keeps its target alive for as long as it lives.
class CHostChannel final : public IGeoObjChannel {
 public:
  explicit CHostChannel(CGeoObjHostTarget* target) : m_target(target) { m_target->AddRef(); }

  int32_t QueryInterface(const KvoGuid*, void** object) override {
    if (object != nullptr) *object = nullptr;
    return kNoInterface;
  }
  uint32_t AddRef() override { return m_refs.fetch_add(1, std::memory_order_relaxed) + 1; }
  uint32_t Release() override {
    const uint32_t left = m_refs.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }
  int32_t Reserved3() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved4() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved5() override { return KVOGC_E_NOTIMPL; }
  int32_t ExecuteCommand(IGeoObjCommand* command) override {
    return m_target->TakeCommand(command);
  }
  int32_t ExecuteRequest(int32_t kind, IGeoObjCommand* command) override {
    return m_target->AnswerRequest(kind, command);
  }

 private:
  ~CHostChannel() { m_target->Release(); }

  CGeoObjHostTarget* m_target;
  std::atomic<uint32_t> m_refs{1};
};

}  // namespace

CGeoObjHostTarget* CGeoObjHostTarget::Create() { return new (std::nothrow) CGeoObjHostTarget(); }

int32_t CGeoObjHostTarget::QueryInterface(const KvoGuid*, void** object) {
  if (object != nullptr) *object = nullptr;
  return kNoInterface;
}

uint32_t CGeoObjHostTarget::AddRef() { return m_refs.fetch_add(1, std::memory_order_relaxed) + 1; }

uint32_t CGeoObjHostTarget::Release() {
  const uint32_t left = m_refs.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return left;
}

int32_t CGeoObjHostTarget::Reserved3() { return KVOGC_E_NOTIMPL; }
int32_t CGeoObjHostTarget::Reserved4() { return KVOGC_E_NOTIMPL; }
int32_t CGeoObjHostTarget::Reserved5() { return KVOGC_E_NOTIMPL; }
int32_t CGeoObjHostTarget::Reserved6() { return KVOGC_E_NOTIMPL; }
int32_t CGeoObjHostTarget::Reserved7() { return KVOGC_E_NOTIMPL; }
int32_t CGeoObjHostTarget::Reserved8() { return KVOGC_E_NOTIMPL; }
int32_t CGeoObjHostTarget::Reserved9() { return KVOGC_E_NOTIMPL; }
int32_t CGeoObjHostTarget::Reserved10() { return KVOGC_E_NOTIMPL; }
int32_t CGeoObjHostTarget::Reserved12() { return KVOGC_E_NOTIMPL; }
int32_t CGeoObjHostTarget::Reserved13() { return KVOGC_E_NOTIMPL; }
int32_t CGeoObjHostTarget::Reserved14() { return KVOGC_E_NOTIMPL; }
int32_t CGeoObjHostTarget::Reserved15() { return KVOGC_E_NOTIMPL; }
int32_t CGeoObjHostTarget::Reserved16() { return KVOGC_E_NOTIMPL; }
int32_t CGeoObjHostTarget::Reserved17() { return KVOGC_E_NOTIMPL; }

int32_t CGeoObjHostTarget::GetChannel(IGeoObjChannel** channel) {
  if (channel == nullptr) return KVOGC_E_INVALIDARG;
  *channel = new (std::nothrow) CHostChannel(this);
  return *channel != nullptr ? KVOGC_OK : KVOGC_E_OUTOFMEMORY;
}

int32_t CGeoObjHostTarget::LoadGeoObjFile(const char* path) {
  if (path == nullptr) return KVOGC_E_INVALIDARG;
  try {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_lastPath = path;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) return KVOGC_E_FAIL;
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad()) return KVOGC_E_FAIL;
    std::string text = TextOf(bytes.data(), bytes.size());
    std::lock_guard<std::mutex> lock(m_mutex);
    m_geometry = std::move(text);
  } catch (const std::bad_alloc&) {
    return KVOGC_E_OUTOFMEMORY;
  }
  return KVOGC_OK;
}

int32_t CGeoObjHostTarget::TakeCommand(IGeoObjCommand* command) {
  if (command == nullptr) return KVOGC_E_INVALIDARG;
  int32_t kind = 0;
  const void* data = nullptr;
  uint32_t size = 0;
  const int32_t status = command->GetRequest(&kind, &data, &size);
  if (status < 0) return status;
  if (kind != kKindGeometry || (data == nullptr && size != 0)) return KVOGC_E_INVALIDARG;
  try {
    std::string text = size != 0 ? TextOf(static_cast<const char*>(data), size) : std::string();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_geometry = std::move(text);
    ++m_commands;
  } catch (const std::bad_alloc&) {
    return KVOGC_E_OUTOFMEMORY;
  }
  return KVOGC_OK;
}

int32_t CGeoObjHostTarget::AnswerRequest(int32_t kind, IGeoObjCommand* command) {
  if (command == nullptr || kind != kKindGeometry) return KVOGC_E_INVALIDARG;
  std::string text;
  try {
    text = CurrentGeometry();
  } catch (const std::bad_alloc&) {
    return KVOGC_E_OUTOFMEMORY;
  }
  const int32_t status = command->SetReply(0, text.c_str());
  if (status >= 0) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_requests;
  }
  return status;
}

std::string CGeoObjHostTarget::CurrentGeometry() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_geometry;
}

void CGeoObjHostTarget::SetCurrentGeometry(std::string text) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_geometry = std::move(text);
}

int32_t CGeoObjHostTarget::CommandCount() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_commands;
}

int32_t CGeoObjHostTarget::RequestCount() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_requests;
}

std::string CGeoObjHostTarget::LastLoadedPath() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_lastPath;
}

}  // namespace kvogc::host
