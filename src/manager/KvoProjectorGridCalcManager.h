// The projector grid manager: delivers by writing the warp geometry file and
// asking the target to load it.
#pragma once

#include "manager/GridManagerCommon.h"

namespace kvogc {

class CKvoProjectorGridCalcManager final : public CGridManagerCommon {
 public:
  CKvoProjectorGridCalcManager() : CGridManagerCommon({"Quorvel.dll", "Tessaly.dll"}) {}
};

}  // namespace kvogc
