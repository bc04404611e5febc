// The projector grid manager: three save-in base geometries, the projector text
// layout, and deliveries that write the geometry file and ask the target to load it.
#pragma once

#include "manager/GridManagerCommon.h"
#include "sender/ProjectorWarpDataSender.h"

namespace kvogc {

class CKvoProjectorGridCalcManager final : public CGridManagerCommon {
 public:
  CKvoProjectorGridCalcManager()
      : CGridManagerCommon({.modules = {"Quorvel.dll", "Tessaly.dll"},
                            .baseSlots = 3,
                            .projector = true,
                            .makeSender = &MakeSender<CProjectorWarpDataSender>}) {}
  // The worker is stopped before this object's type unwinds under it.
  ~CKvoProjectorGridCalcManager() override { StopThread(); }

  /// A projector is never read back: the kept texts are cleared, nothing else happens.
  int32_t GetGeoObjData(void* target) override;
};

}  // namespace kvogc
