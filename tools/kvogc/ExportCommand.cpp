// export: a warp as an inverse map (PFM, MPCDI), a Bourke warp mesh or tables.
#include "BourkeMesh.h"
#include "GridTables.h"
#include "InverseMap.h"
#include "MapCommands.h"
#include "MpcdiPackage.h"
#include "OutputFiles.h"
#include "PfmFormat.h"
#include "ToolError.h"
#include "WarpSource.h"

namespace kvogc::tool {

namespace {

std::string Encode(const ExportOptions& options, const LoadedWarp& warp, std::string& detail) {
  const GridSize panel = warp.panelSize;
  const GridSize mapSize = options.size.value_or(panel);
  if (options.format == "pfm" || options.format == "mpcdi") {
    const warpmap::WarpMap map =
        warpmap::InverseMap(warp.real, panel.cx, panel.cy, mapSize.cx, mapSize.cy);
    detail = GridSizeText(mapSize) + " inverse map";
    if (options.format == "pfm") return warpmap::EncodePfm(map);
    return warpmap::WriteMpcdi({panel.cx, panel.cy, map});
  }
  if (options.size) {
    throw CToolError(kExitBadInput, "--size sets the size of a map: pfm and mpcdi only");
  }
  if (options.format == "bourke") {
    detail = std::to_string(warp.real.cols) + "x" + std::to_string(warp.real.rows) + " mesh";
    return warpmap::WriteBourke(warp.real, panel.cx, panel.cy);
  }
  const warpmap::GridTables tables{panel.cx,     panel.cy,      warp.real.cols, warp.real.rows,
                                   warp.real.panel, warp.base,  warp.opeCols,   warp.opeRows,
                                   warp.opeNodes};
  detail = std::to_string(tables.realFinal.size()) + " real-grid points, " +
           std::to_string(tables.opeNodes.size()) + " operation-grid nodes";
  if (options.format == "csv") return warpmap::WriteGridCsv(tables);
  if (options.format == "json") return warpmap::WriteGridJson(tables);
  throw CToolError(kExitBadInput, "unknown format '" + options.format + "'");
}

}  // namespace

int ExportWarp(const ExportOptions& options, std::ostream& out) {
  CPendingFile file(options.out);
  const LoadedWarp warp = LoadWarp(options.warp, options.panel);
  std::string detail;
  std::string bytes;
  try {
    bytes = Encode(options, warp, detail);
  } catch (const warpmap::CFormatError& error) {
    throw CToolError(kExitBadInput, options.out + ": " + error.what());
  }
  file.Write(bytes);
  file.Commit();
  out << "kvogc export: wrote " << options.out << " (" << options.format << ", " << detail
      << ", panel " << GridSizeText(warp.panelSize) << ") from " << options.warp << '\n';
  return kExitOk;
}

}  // namespace kvogc::tool
