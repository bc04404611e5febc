#include "sender/GeoObjTextSender.h"

namespace kvogc {

CGeoObjTextSender::CGeoObjTextSender(const SenderSnapshot& snapshot, const ModuleFolder& folder,
                                     std::string_view partnerModule, GeoObjTextVariant variant)
    : m_frameModule(folder.Open("Quorvel.dll")),
      m_partnerModule(folder.Open(partnerModule)),
      m_data(snapshot),
      m_variant(variant),
      m_projectorFlag(snapshot.projectorFlag) {}

int32_t CGeoObjTextSender::CreateBuffer(const GeoTextureRect& texture,
                                        KvoRef<IGeoObjBuffer>& buffer) {
  return CreateGeoObjBuffer(m_frameModule, m_data.TextInput(texture, m_variant, m_projectorFlag),
                            m_data.filePath, buffer);
}

int32_t CGeoObjTextSender::CreateBuffer(KvoRef<IGeoObjBuffer>& buffer) {
  return CreateBuffer(GeoTextureRect{0.0, 0.0, 1.0, 1.0}, buffer);
}

int32_t CGeoObjTextSender::CreateGeoObjData(const GeoTextureRect& texture,
                                            IGeoObjBuffer** buffer) {
  if (buffer == nullptr) return KVOGC_E_INVALIDARG;
  *buffer = nullptr;
  KvoRef<IGeoObjBuffer> created;
  const int32_t status = CreateBuffer(texture, created);
  if (status >= 0) *buffer = created.Detach();
  return status;
}

}  // namespace kvogc
