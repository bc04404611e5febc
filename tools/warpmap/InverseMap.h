// The inverse per-pixel map of a mesh, and the way back: the mesh of panel
// positions that a map (or a mesh over other texture coordinates) implies.
// Both draw the mesh two triangles per cell, cells in row-major order, so
// where folded cells overlap the cell drawn last wins.
#pragma once

#include <cstdint>
#include <limits>
#include <span>

#include "WarpMesh.h"

namespace kvogc::warpmap {

/// How the map stores a texture coordinate (u, v in [0, 1]): u * scaleX +
/// offsetX, v * scaleY + offsetY, and the value of both where nothing is shown.
struct MapUnits {
  double scaleX = 1.0;
  double scaleY = 1.0;
  double offsetX = 0.0;
  double offsetY = 0.0;
  float outside = std::numeric_limits<float>::quiet_NaN();
};

/// The units of cv::remap for a source image of width x height pixels:
/// pixel centres at integers, -1 outside (black with a constant border).
MapUnits RemapUnits(int32_t sourceWidth, int32_t sourceHeight);

/// Fills `out` (width * height (x, y) pairs, row by row) with the inverse of
/// `mesh`, whose positions are in panel pixels of a panelWidth x panelHeight
/// panel; the raster covers the panel, each sample at its pixel's centre.
/// Bands of rows go to `threads` threads (0: one per core); the result is
/// the same for any count. Throws a CFormatError for a map size out of range
/// or a short `out`.
void RasteriseInverse(const WarpMesh& mesh, double panelWidth, double panelHeight, int32_t width,
                      int32_t height, const MapUnits& units, std::span<float> out, int threads = 0);

/// The inverse map with normalised texture coordinates and NaN outside.
WarpMap InverseMap(const WarpMesh& mesh, double panelWidth, double panelHeight, int32_t width,
                   int32_t height);

/// The panel positions of a cols x rows regular texture grid that `map`
/// implies, the map covering a panelWidth x panelHeight panel. The map is
/// first extended by two pixels past its edges, so that the source's own
/// border, which lies between pixel centres, is found too. Throws a
/// CFormatError naming the first node that the map does not reach.
WarpMesh MeshFromMap(const WarpMap& map, double panelWidth, double panelHeight, int32_t cols,
                     int32_t rows);

/// `mesh` resampled on a cols x rows regular texture grid (for a mesh whose
/// own texture coordinates are irregular or of another count). Throws a
/// CFormatError naming the first node the mesh does not cover.
WarpMesh ResampleMesh(const WarpMesh& mesh, int32_t cols, int32_t rows);

}  // namespace kvogc::warpmap
