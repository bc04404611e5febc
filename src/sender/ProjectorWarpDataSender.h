// The projector manager's sender: writes the warp geometry text, in the layout
// the projector flag selects, into a buffer of the frame module and into the
// geometry file, then asks the target to load that file.
#pragma once

#include <cstdint>

#include "geometry/GeoObjTextWriter.h"
#include "modules/SiblingModule.h"
#include "sender/GeoObjSendData.h"
#include "sender/ModuleObjects.h"
#include "sender/SendQueue.h"
#include "sender/SenderSnapshot.h"

namespace kvogc {

class CProjectorWarpDataSender final : public CQueuedSender {
 public:
  /// Loads the frame and projector modules beside this library and copies the
  /// snapshot (its projectorFlag included), adding a reference to its target.
  /// Throws only std::bad_alloc.
  explicit CProjectorWarpDataSender(const SenderSnapshot& snapshot);
  /// As above, with the modules loaded from `folder`.
  CProjectorWarpDataSender(const SenderSnapshot& snapshot, const ModuleFolder& folder);
  ~CProjectorWarpDataSender() override = default;
  CProjectorWarpDataSender(const CProjectorWarpDataSender&) = delete;
  CProjectorWarpDataSender& operator=(const CProjectorWarpDataSender&) = delete;

  /// Writes the buffer and the file, then tells the target to load the file
  /// (its answer is not used). Returns the status of the writing, or
  /// KVOGC_E_INVALIDARG without a target. With an empty file path there is no
  /// file for the target to load, so it is not asked.
  int32_t Deliver() override;

  /// Writes the text for `texture` into a new frame-module buffer, handed out in
  /// *buffer (one reference for the caller), and into the geometry file.
  /// *buffer stays null on failure.
  int32_t CreateGeoObjData(const GeoTextureRect& texture, IGeoObjBuffer** buffer);

 private:
  int32_t CreateBuffer(const GeoTextureRect& texture, ObjectRef<IGeoObjBuffer>& buffer);
  int32_t Send();

  SiblingModule m_frameModule;
  SiblingModule m_projectorModule;  // loaded for the family's sake, never called
  GeoObjSendData m_data;
  int32_t m_projectorFlag = 0;
};

}  // namespace kvogc
