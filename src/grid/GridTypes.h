// Point records shared by the grids, the correctors and the senders.
#pragma once

#include "kvogc/kvogc.h"

namespace kvogc {

/// A node of an operation grid: its panel position (x, y), which edits move, and
/// its fixed position (gx, gy) on the real grid in real-grid units.
struct OpePoint {
  double x;
  double y;
  double gx;
  double gy;
};

/// A point of a real grid, or a line sample: a panel position in pixels.
struct RealPoint {
  double x;
  double y;
};

}  // namespace kvogc
