// What the plain and projector senders share: they write the warp geometry
// text into a buffer of the frame module and into the geometry file, and
// differ only in their second module, the text layout and how the target hears.
#pragma once

#include <cstdint>
#include <string_view>

#include "geometry/GeoObjTextWriter.h"
#include "modules/ModuleObjects.h"
#include "modules/SiblingModule.h"
#include "sender/GeoObjSendData.h"
#include "sender/SendQueue.h"
#include "sender/SenderSnapshot.h"

namespace kvogc {

class CGeoObjTextSender : public CQueuedSender {
 public:
  CGeoObjTextSender(const CGeoObjTextSender&) = delete;
  CGeoObjTextSender& operator=(const CGeoObjTextSender&) = delete;

  /// Writes the text for `texture` into a new frame-module buffer, handed out in
  /// *buffer (one reference for the caller), and into the geometry file.
  /// *buffer stays null on failure.
  int32_t CreateGeoObjData(const GeoTextureRect& texture, IGeoObjBuffer** buffer);

 protected:
  /// Loads the frame module and `partnerModule` from `folder` and copies the
  /// snapshot, adding a reference to its target. Throws only std::bad_alloc.
  CGeoObjTextSender(const SenderSnapshot& snapshot, const ModuleFolder& folder,
                    std::string_view partnerModule, GeoObjTextVariant variant);

  /// The text of the whole texture, into a buffer and the file.
  int32_t CreateBuffer(KvoRef<IGeoObjBuffer>& buffer);

  SiblingModule m_frameModule;
  SiblingModule m_partnerModule;
  GeoObjSendData m_data;

 private:
  int32_t CreateBuffer(const GeoTextureRect& texture, KvoRef<IGeoObjBuffer>& buffer);

  GeoObjTextVariant m_variant;
  int32_t m_projectorFlag;
};

}  // namespace kvogc
