// What the manager hands a sender when it queues a delivery: the sender copies
// all of it at construction, so the host may go on editing while the worker
// thread delivers.
#pragma once

#include <cstdint>
#include <string_view>

#include "geometry/GeoCommentRecord.h"
#include "grid/WarpGridReal.h"
#include "kvogc/kvogc.h"
#include "kvogc/kvogc_modules.hpp"

namespace kvogc {

struct SenderSnapshot {
  IGeoObjTarget* target = nullptr;  // the sender adds its own reference
  GridSize panelSize{0, 0};
  GridSize deviceSize{0, 0};  // device sender only
  GridSize realGridNum{0, 0};
  const CWarpGridReal* current = nullptr;   // the corrected grid to deliver (copied)
  const CWarpGridReal* previous = nullptr;  // the base real grid (copied)
  GeoCommentRecord comment;
  std::string_view filePath;    // copied; empty path: no file is written
  std::string_view headerText;  // kept header (empty: none)
  std::string_view tailText;    // kept tail (empty: none)
  int32_t projectorFlag = 0;    // projector sender's layout
  uint32_t sendBaseGrid = 0;    // device sender
};

/// Whether `grid` has the (X+1) x (Y+1) points of `realGridNum`, X and Y at least 1.
bool HasGridShape(const CWarpGridReal& grid, const GridSize& realGridNum);

/// Makes `grid` an owned copy of `source`. A missing source, or one that does
/// not have the shape of `realGridNum`, leaves `grid` empty: the delivery then
/// refuses it instead of reading past a grid or allocating for a bogus size.
void CopySnapshotGrid(const CWarpGridReal* source, const GridSize& panelSize,
                      const GridSize& realGridNum, CWarpGridReal& grid);

}  // namespace kvogc
