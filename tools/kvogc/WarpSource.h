// A warp to take elsewhere: the grids of a warp geometry file or of a
// scenario, computed by a manager through the exported interface.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "WarpMesh.h"
#include "kvogc/kvogc.h"

namespace kvogc::tool {

struct LoadedWarp {
  GridSize panelSize{0, 0};
  warpmap::WarpMesh real;  ///< the final real grid over the source's texture coordinates
  std::vector<warpmap::PointXY> base;  ///< the uncorrected real grid
  int32_t opeCols = 0;  ///< the final operation grid's nodes per row
  int32_t opeRows = 0;
  std::vector<warpmap::PointXY> opeNodes;
};

/// Loads FILE.obj (read at `panel`, default 1920x1080, with the corrections
/// its comment record keeps) or SCENARIO.json (run, then scaled to `panel`
/// when one is given). Throws a CToolError as render and run do.
LoadedWarp LoadWarp(const std::string& path, std::optional<GridSize> panel);

/// "1920x1080".
std::string GridSizeText(GridSize size);

}  // namespace kvogc::tool
