#include "sender/ProjectorWarpDataSender.h"

namespace kvogc {

int32_t CProjectorWarpDataSender::Deliver() { return Send(); }

int32_t CProjectorWarpDataSender::Send() {
  if (!m_data.target) return KVOGC_E_INVALIDARG;
  KvoRef<IGeoObjBuffer> buffer;
  const int32_t status = CreateBuffer(buffer);
  if (status < 0) return status;
  // The target hears of every text made, also when no file was written.
  m_data.target->LoadGeoObjFile(m_data.filePath.c_str());
  return KVOGC_OK;
}

}  // namespace kvogc
