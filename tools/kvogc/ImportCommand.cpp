// import: a mapping from another program sampled at the real grid's points,
// given to a manager as its base grid, and written by a real send.
#include <algorithm>
#include <chrono>
#include <cmath>

#include "BourkeMesh.h"
#include "HostSession.h"
#include "InverseMap.h"
#include "MapCommands.h"
#include "MpcdiPackage.h"
#include "OutputFiles.h"
#include "PfmFormat.h"
#include "Scenario.h"
#include "ToolError.h"
#include "WarpSource.h"

namespace kvogc::tool {

namespace {

constexpr std::chrono::milliseconds kDeliveryTimeout{3000};
constexpr GridSize kDefaultPanel{1920, 1080};
constexpr GridSize kDefaultOpeGrid{4, 4};
// Without --real a map gets cells of about this many pixels.
constexpr double kDefaultCellPixels = 30.0;
// Positions beyond this many panel sizes from the panel are refused.
constexpr double kFarOff = 100.0;
constexpr std::uintmax_t kMaxImportBytes = std::uintmax_t{1} << 30;

// What the file gives, before it is sampled at the grid.
struct Imported {
  std::optional<warpmap::WarpMap> map;
  std::optional<warpmap::WarpMesh> mesh;
  std::optional<GridSize> panel;  ///< the size the file itself tells
};

Imported Parse(const ImportOptions& options, const std::string& bytes, GridSize meshPanel) {
  Imported imported;
  if (options.format == "pfm") {
    imported.map = warpmap::DecodePfm(bytes);
    imported.panel = GridSize{imported.map->width, imported.map->height};
  } else if (options.format == "mpcdi") {
    warpmap::MpcdiContent content = warpmap::ReadMpcdi(bytes);
    imported.map = std::move(content.warp);
    imported.panel = GridSize{content.xResolution, content.yResolution};
  } else if (options.format == "bourke") {
    imported.mesh = warpmap::ReadBourke(bytes, meshPanel.cx, meshPanel.cy);
  } else {
    throw CToolError(kExitBadInput, "unknown format '" + options.format + "'");
  }
  return imported;
}

GridSize DefaultRealGrid(const Imported& imported, GridSize panel) {
  if (imported.mesh) return {imported.mesh->cols - 1, imported.mesh->rows - 1};
  const auto divisions = [](int32_t pixels) {
    return std::clamp(int32_t(std::lround(pixels / kDefaultCellPixels)), 1, kMaxRealDivisions);
  };
  return {divisions(panel.cx), divisions(panel.cy)};
}

}  // namespace

int ImportWarp(const ImportOptions& options, std::ostream& out) {
  CPendingFile geoFile(options.out);
  const std::string bytes = ReadInputFile(options.file, options.format + " file", kMaxImportBytes);
  const GridSize meshPanel = options.panel.value_or(kDefaultPanel);
  Imported imported;
  warpmap::WarpMesh grid;
  GridSize panel = meshPanel;
  GridSize real{0, 0};
  try {
    imported = Parse(options, bytes, meshPanel);
    panel = options.panel.value_or(imported.panel.value_or(kDefaultPanel));
    if (panel.cx > kMaxPanelPixels || panel.cy > kMaxPanelPixels) {
      throw warpmap::CFormatError("panel " + GridSizeText(panel) + " is larger than " +
                                  std::to_string(kMaxPanelPixels) + " pixels a side");
    }
    real = options.real.value_or(DefaultRealGrid(imported, panel));
    grid = imported.map ? warpmap::MeshFromMap(*imported.map, panel.cx, panel.cy, real.cx + 1, real.cy + 1)
                        : warpmap::ResampleMesh(*imported.mesh, real.cx + 1, real.cy + 1);
    // The library takes any double; a point this far off is a broken file.
    for (const warpmap::PointXY& p : grid.panel) {
      if (std::abs(p.x) > kFarOff * panel.cx || std::abs(p.y) > kFarOff * panel.cy) {
        throw warpmap::CFormatError("a point lands far outside the panel (" + std::to_string(p.x) +
                                    ", " + std::to_string(p.y) + ")");
      }
    }
  } catch (const warpmap::CFormatError& error) {
    throw CToolError(kExitBadInput, options.file + ": " + error.what());
  }

  ScenarioSetup setup;
  setup.panelSize = panel;
  setup.deviceSize = panel;
  setup.realGridNum = real;
  setup.opeGridNum = options.ope.value_or(kDefaultOpeGrid);
  setup.dispGridNum = setup.opeGridNum;
  CHostSession session;
  session.SetUp(setup);
  std::vector<double> points;
  points.reserve(2 * grid.panel.size());
  for (const warpmap::PointXY& p : grid.panel) {
    points.push_back(p.x);
    points.push_back(p.y);
  }
  session.SetBaseGrid(points);
  session.EnsureReported();
  session.Deliver(geoFile.TempPath(), kDeliveryTimeout);
  if (ReadInputFile(geoFile.TempPath(), "warp geometry file").empty()) {
    throw CToolError(kExitFailed, "delivery: the library wrote no file at '" +
                                      geoFile.TempPath().string() + "'");
  }
  geoFile.Commit();
  out << "kvogc import: wrote " << options.out << " (panel " << GridSizeText(panel)
      << ", real grid " << GridSizeText(real) << ", operation grid " << GridSizeText(setup.opeGridNum)
      << ") from " << options.file << '\n';
  return kExitOk;
}

}  // namespace kvogc::tool
