// Paul Bourke's warp-mesh text: the mesh type 2 (rectangular), "nx ny", then
// one line "x y u v i" per point, row by row from the top, with x in
// [-aspect, aspect] and y in [-1, 1] (y up) the point's position on the
// panel, u and v in [0, 1] (v up) its texture coordinate, i its intensity.
#pragma once

#include <string>
#include <string_view>

#include "WarpMesh.h"

namespace kvogc::warpmap {

/// The text of `mesh` (positions in pixels of a panelWidth x panelHeight panel).
std::string WriteBourke(const WarpMesh& mesh, double panelWidth, double panelHeight);

/// Reads the text back into a mesh with explicit texture coordinates
/// (v turned to count from the top), positions in panel pixels. A point of
/// negative intensity is left out of the mesh. Throws a CFormatError naming
/// the line that is wrong.
WarpMesh ReadBourke(std::string_view text, double panelWidth, double panelHeight);

}  // namespace kvogc::warpmap
