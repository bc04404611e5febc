// The plain grid manager: delivers warp geometry text through a command
// object of the command module.
#pragma once

#include "manager/GridManagerCommon.h"

namespace kvogc {

class CKvoGridCalcManager final : public CGridManagerCommon {
 public:
  CKvoGridCalcManager() : CGridManagerCommon({"Quorvel.dll", "Dunsgate.dll"}) {}
};

}  // namespace kvogc
