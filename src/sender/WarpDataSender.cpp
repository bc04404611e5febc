#include "sender/WarpDataSender.h"

namespace kvogc {

namespace {

constexpr int32_t kRequestGeometry = 1;

}  // namespace

CWarpDataSender::CWarpDataSender(const SenderSnapshot& snapshot)
    : CWarpDataSender(snapshot, ModuleFolder::BesideLibrary()) {}

CWarpDataSender::CWarpDataSender(const SenderSnapshot& snapshot, const ModuleFolder& folder)
    : m_frameModule(folder.Open("Quorvel.dll")),
      m_commandModule(folder.Open("Dunsgate.dll")),
      m_data(snapshot) {}

int32_t CWarpDataSender::CreateBuffer(const GeoTextureRect& texture,
                                      ObjectRef<IGeoObjBuffer>& buffer) {
  return CreateGeoObjBuffer(m_frameModule, m_data.TextInput(texture, GeoObjTextVariant::kPlain, 0),
                            m_data.filePath, buffer);
}

int32_t CWarpDataSender::CreateGeoObjData(const GeoTextureRect& texture, IGeoObjBuffer** buffer) {
  if (buffer == nullptr) return KVOGC_E_INVALIDARG;
  *buffer = nullptr;
  return GuardDelivery([&]() -> int32_t {
    ObjectRef<IGeoObjBuffer> created;
    const int32_t status = CreateBuffer(texture, created);
    if (status >= 0) *buffer = created.release();
    return status;
  });
}

int32_t CWarpDataSender::Deliver() {
  return GuardDelivery([&] { return Send(); });
}

int32_t CWarpDataSender::Send() {
  if (!m_data.target) return KVOGC_E_INVALIDARG;
  // Declared so that they go in the order buffer, command, channel.
  ObjectRef<IGeoObjChannel> channel;
  ObjectRef<IGeoObjCommand> command;
  ObjectRef<IGeoObjBuffer> buffer;
  int32_t status = CreateBuffer(GeoTextureRect{0.0, 0.0, 1.0, 1.0}, buffer);
  if (status < 0) return status;
  status =
      TakeObject(channel, [&](IGeoObjChannel** out) { return m_data.target->GetChannel(out); });
  if (status < 0) return status;
  status = CreateObject(m_commandModule, kClsidGeoObjCommand, kIidGeoObjCommand, command);
  if (status < 0) return status;
  const void* bytes = nullptr;
  uint32_t size = 0;
  status = buffer->GetData(&bytes, &size);
  if (status < 0) return status;
  status = command->SetRequest(kRequestGeometry, bytes, size);
  if (status < 0) return status;
  channel->ExecuteCommand(command.get());
  return KVOGC_OK;
}

}  // namespace kvogc
