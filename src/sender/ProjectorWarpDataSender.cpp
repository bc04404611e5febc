#include "sender/ProjectorWarpDataSender.h"

namespace kvogc {

CProjectorWarpDataSender::CProjectorWarpDataSender(const SenderSnapshot& snapshot)
    : CProjectorWarpDataSender(snapshot, ModuleFolder::BesideLibrary()) {}

CProjectorWarpDataSender::CProjectorWarpDataSender(const SenderSnapshot& snapshot,
                                                   const ModuleFolder& folder)
    : m_frameModule(folder.Open("Quorvel.dll")),
      m_projectorModule(folder.Open("Tessaly.dll")),
      m_data(snapshot),
      m_projectorFlag(snapshot.projectorFlag) {}

int32_t CProjectorWarpDataSender::CreateBuffer(const GeoTextureRect& texture,
                                               ObjectRef<IGeoObjBuffer>& buffer) {
  return CreateGeoObjBuffer(
      m_frameModule, m_data.TextInput(texture, GeoObjTextVariant::kProjector, m_projectorFlag),
      m_data.filePath, buffer);
}

int32_t CProjectorWarpDataSender::CreateGeoObjData(const GeoTextureRect& texture,
                                                   IGeoObjBuffer** buffer) {
  if (buffer == nullptr) return KVOGC_E_INVALIDARG;
  *buffer = nullptr;
  return GuardDelivery([&]() -> int32_t {
    ObjectRef<IGeoObjBuffer> created;
    const int32_t status = CreateBuffer(texture, created);
    if (status >= 0) *buffer = created.release();
    return status;
  });
}

int32_t CProjectorWarpDataSender::Deliver() {
  return GuardDelivery([&] { return Send(); });
}

int32_t CProjectorWarpDataSender::Send() {
  if (!m_data.target) return KVOGC_E_INVALIDARG;
  ObjectRef<IGeoObjBuffer> buffer;
  const int32_t status = CreateBuffer(GeoTextureRect{0.0, 0.0, 1.0, 1.0}, buffer);
  if (status < 0) return status;
  if (!m_data.filePath.empty()) m_data.target->LoadGeoObjFile(m_data.filePath.c_str());
  return KVOGC_OK;
}

}  // namespace kvogc
