// The plain manager's sender: writes the warp geometry text into a buffer of
// the frame module and into the geometry file, and passes the buffer to the
// target through a command of the command module.
#pragma once

#include <cstdint>

#include "sender/GeoObjTextSender.h"

namespace kvogc {

class CWarpDataSender final : public CGeoObjTextSender {
 public:
  /// Loads the frame and command modules beside this library and copies the
  /// snapshot, adding a reference to its target. Throws only std::bad_alloc.
  explicit CWarpDataSender(const SenderSnapshot& snapshot)
      : CWarpDataSender(snapshot, ModuleFolder::BesideLibrary()) {}
  /// As above, with the modules loaded from `folder`.
  CWarpDataSender(const SenderSnapshot& snapshot, const ModuleFolder& folder)
      : CGeoObjTextSender(snapshot, folder, "Dunsgate.dll", GeoObjTextVariant::kPlain) {}

  /// Writes the buffer and the file, then sends the buffer over the target's
  /// channel. Returns the first failure (KVOGC_E_HANDLE for a missing module
  /// factory, KVOGC_E_INVALIDARG without a target or with unusable grids),
  /// else KVOGC_OK; the channel's answer to the command is not used.
  int32_t Deliver() override;

 private:
  int32_t Send();
};

}  // namespace kvogc
