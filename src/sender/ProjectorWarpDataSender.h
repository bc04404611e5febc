// The projector manager's sender: writes the warp geometry text, in the layout
// the projector flag selects, into a buffer of the frame module and into the
// geometry file, then asks the target to load that file.
#pragma once

#include <cstdint>

#include "sender/GeoObjTextSender.h"

namespace kvogc {

class CProjectorWarpDataSender final : public CGeoObjTextSender {
 public:
  /// Loads the frame and projector modules beside this library and copies the
  /// snapshot (its projectorFlag included), adding a reference to its target.
  /// Throws only std::bad_alloc. The projector module is kept loaded for the
  /// family's sake and never called.
  explicit CProjectorWarpDataSender(const SenderSnapshot& snapshot)
      : CProjectorWarpDataSender(snapshot, ModuleFolder::BesideLibrary()) {}
  /// As above, with the modules loaded from `folder`.
  CProjectorWarpDataSender(const SenderSnapshot& snapshot, const ModuleFolder& folder)
      : CGeoObjTextSender(snapshot, folder, "Tessaly.dll", GeoObjTextVariant::kProjector) {}

  /// Writes the buffer and the file, then tells the target to load the file
  /// (its answer is not used). Returns the status of the writing, or
  /// KVOGC_E_INVALIDARG without a target. With an empty file path there is no
  /// file for the target to load, so it is not asked.
  int32_t Deliver() override;

 private:
  int32_t Send();
};

}  // namespace kvogc
