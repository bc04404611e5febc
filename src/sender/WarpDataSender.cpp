#include "sender/WarpDataSender.h"

namespace kvogc {

namespace {

constexpr int32_t kRequestGeometry = 1;

}  // namespace

int32_t CWarpDataSender::Deliver() { return Send(); }

int32_t CWarpDataSender::Send() {
  if (!m_data.target) return KVOGC_E_INVALIDARG;
  // Declared so that they go in the order buffer, command, channel.
  KvoRef<IGeoObjChannel> channel;
  KvoRef<IGeoObjCommand> command;
  KvoRef<IGeoObjBuffer> buffer;
  int32_t status = CreateBuffer(buffer);
  if (status < 0) return status;
  status =
      TakeObject(channel, [&](IGeoObjChannel** out) { return m_data.target->GetChannel(out); });
  if (status < 0) return status;
  status = CreateObject(m_partnerModule, kClsidGeoObjCommand, kIidGeoObjCommand, command);
  if (status < 0) return status;
  const void* bytes = nullptr;
  uint32_t size = 0;
  status = buffer->GetData(&bytes, &size);
  if (status < 0) return status;
  status = command->SetRequest(kRequestGeometry, bytes, size);
  if (status < 0) return status;
  channel->ExecuteCommand(command.Get());
  return KVOGC_OK;
}

}  // namespace kvogc
