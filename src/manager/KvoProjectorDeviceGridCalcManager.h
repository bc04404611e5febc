// The projector-device grid manager: three save-in base geometries, and warp
// data exchanged with the device as point planes and a parameter block
// through the setting and core model modules.
#pragma once

#include "manager/GridManagerCommon.h"
#include "sender/ProjectorDeviceWarpDataSender.h"

namespace kvogc {

class CKvoProjectorDeviceGridCalcManager final : public CGridManagerCommon {
 public:
  CKvoProjectorDeviceGridCalcManager()
      : CGridManagerCommon(
            {.modules = {"Quorvel.dll", "Tessaly.dll", "Brindmoor.dll", "Calvoric.dll"},
             .baseSlots = 3,
             .projector = true,
             .device = true,
             .makeSender = &MakeSender<CProjectorDeviceWarpDataSender>}) {}
  // The worker is stopped before this object's type unwinds under it.
  ~CKvoProjectorDeviceGridCalcManager() override { StopThread(); }

  /// Reads the device's warp of the active save-in slot into the active base pair.
  int32_t GetGeoObjData(void* target) override;
};

}  // namespace kvogc
