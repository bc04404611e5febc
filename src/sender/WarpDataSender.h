// The plain manager's sender: writes the warp geometry text into a buffer of
// the frame module and into the geometry file, and passes the buffer to the
// target through a command of the command module.
#pragma once

#include <cstdint>

#include "geometry/GeoObjTextWriter.h"
#include "modules/SiblingModule.h"
#include "sender/GeoObjSendData.h"
#include "sender/ModuleObjects.h"
#include "sender/SendQueue.h"
#include "sender/SenderSnapshot.h"

namespace kvogc {

class CWarpDataSender final : public CQueuedSender {
 public:
  /// Loads the frame and command modules beside this library and copies the
  /// snapshot, adding a reference to its target. Throws only std::bad_alloc.
  explicit CWarpDataSender(const SenderSnapshot& snapshot);
  /// As above, with the modules loaded from `folder`.
  CWarpDataSender(const SenderSnapshot& snapshot, const ModuleFolder& folder);
  ~CWarpDataSender() override = default;
  CWarpDataSender(const CWarpDataSender&) = delete;
  CWarpDataSender& operator=(const CWarpDataSender&) = delete;

  /// Writes the buffer and the file, then sends the buffer over the target's
  /// channel. Returns the first failure (KVOGC_E_HANDLE for a missing module
  /// factory, KVOGC_E_INVALIDARG without a target or with unusable grids),
  /// else KVOGC_OK; the channel's answer to the command is not used.
  int32_t Deliver() override;

  /// Writes the text for `texture` into a new frame-module buffer, handed out in
  /// *buffer (one reference for the caller), and into the geometry file.
  /// *buffer stays null on failure.
  int32_t CreateGeoObjData(const GeoTextureRect& texture, IGeoObjBuffer** buffer);

 private:
  int32_t CreateBuffer(const GeoTextureRect& texture, ObjectRef<IGeoObjBuffer>& buffer);
  int32_t Send();

  SiblingModule m_frameModule;
  SiblingModule m_commandModule;
  GeoObjSendData m_data;
};

}  // namespace kvogc
