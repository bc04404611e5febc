// The plain grid manager: delivers warp geometry text through a command
// object of the command module, and reads a target's text back.
#pragma once

#include "manager/GridManagerCommon.h"
#include "sender/WarpDataSender.h"

namespace kvogc {

class CKvoGridCalcManager final : public CGridManagerCommon {
 public:
  CKvoGridCalcManager()
      : CGridManagerCommon({.modules = {"Quorvel.dll", "Dunsgate.dll"},
                            .baseSlots = 1,
                            .readsTargets = true,
                            .makeSender = &MakeSender<CWarpDataSender>}) {}
  // The worker is stopped before this object's type unwinds under it.
  ~CKvoGridCalcManager() override { StopThread(); }
};

}  // namespace kvogc
