// Capacities of the grids and report buffers for a set of sizes, and the check
// that every one of them stays countable (points and bytes) in an int32.
#pragma once

#include <cstdint>

#include "kvogc/kvogc.h"

namespace kvogc {

/// Both components present and positive.
bool IsPositiveSize(const GridSize* size);

/// Points of a grid with these divisions: (cx+1)·(cy+1), or -1 past the int32 limits.
int64_t GridPointCapacity(const GridSize& divisions, int64_t bytesPerPoint);
/// Samples of every horizontal line of an operation grid over a real grid:
/// (⌊RX/OX⌋+3)·(OY+1)·OX, or -1 past the int32 limits.
int64_t HorizontalLineCapacity(const GridSize& real, const GridSize& ope);
/// Samples of every vertical line: (⌊RY/OY⌋+3)·(OX+1)·OY, or -1 past the int32 limits.
int64_t VerticalLineCapacity(const GridSize& real, const GridSize& ope);

/// True when an operation grid with `ope` divisions over a real grid with
/// `real` divisions, its nodes and its line report buffers all fit.
bool OpeLayoutFits(const GridSize& real, const GridSize& ope);
/// True when the real grids and their report buffer fit.
bool RealLayoutFits(const GridSize& real);

}  // namespace kvogc
