// The projector-device grid manager: delivers point planes and a parameter
// block through the setting module.
#pragma once

#include "manager/GridManagerCommon.h"

namespace kvogc {

class CKvoProjectorDeviceGridCalcManager final : public CGridManagerCommon {
 public:
  CKvoProjectorDeviceGridCalcManager()
      : CGridManagerCommon({"Quorvel.dll", "Tessaly.dll", "Brindmoor.dll", "Calvoric.dll"}) {}
};

}  // namespace kvogc
