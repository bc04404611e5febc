// The grids as plain tables: one record per real-grid point (row, column,
// final x and y, base x and y) and one per operation-grid node (row,
// column, x and y), all in panel pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "WarpMesh.h"

namespace kvogc::warpmap {

struct GridTables {
  int32_t panelWidth = 0;
  int32_t panelHeight = 0;
  int32_t realCols = 0;  ///< points per row
  int32_t realRows = 0;
  std::vector<PointXY> realFinal;
  std::vector<PointXY> realBase;
  int32_t opeCols = 0;
  int32_t opeRows = 0;
  std::vector<PointXY> opeNodes;
};

/// "grid,row,column,x,y,base_x,base_y" records; operation nodes leave the base empty.
std::string WriteGridCsv(const GridTables& tables);
/// {"panel": [w, h], "real": {"points": [cols, rows], "records": [...]}, "ope": {...}}.
std::string WriteGridJson(const GridTables& tables);

}  // namespace kvogc::warpmap
