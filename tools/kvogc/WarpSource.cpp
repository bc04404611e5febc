#include "WarpSource.h"

#include <filesystem>

#include "CommentRecord.h"
#include "GeoFileProbe.h"
#include "HostSession.h"
#include "OutputFiles.h"
#include "Scenario.h"
#include "ToolError.h"

namespace kvogc::tool {

namespace fs = std::filesystem;

namespace {

constexpr GridSize kDefaultPanel{1920, 1080};
constexpr GridSize kDefaultOpeGrid{4, 4};

void RequireOk(std::string_view operation, int32_t status) {
  if (status != KVOGC_OK) {
    throw CToolError(kExitFailed,
                     std::string(operation) + " failed with status " + DescribeStatus(status));
  }
}

std::vector<warpmap::PointXY> Points(const std::vector<double>& xy, double scaleX, double scaleY) {
  std::vector<warpmap::PointXY> points(xy.size() / 2);
  for (size_t k = 0; k < points.size(); ++k) points[k] = {xy[2 * k] * scaleX, xy[2 * k + 1] * scaleY};
  return points;
}

ScenarioSetup GeoFileSetup(const std::string& path, GridSize panel) {
  const GeoTextLayout layout = ProbeGeoText(ReadInputFile(path, "warp geometry file"));
  if (layout.projectorSize) {
    throw CToolError(kExitBadInput,
                     path + ": written in the projector layout; kvogc reads the plain layout");
  }
  ScenarioSetup setup;
  setup.realGridNum = RealGridNumOf(layout, std::nullopt, path);
  setup.panelSize = panel;
  setup.deviceSize = panel;
  GridSize ope = layout.guiGridCount.value_or(kDefaultOpeGrid);
  if (ope.cx < 1 || ope.cy < 1 || ope.cx > kMaxOpeDivisions || ope.cy > kMaxOpeDivisions) {
    ope = kDefaultOpeGrid;
  }
  setup.opeGridNum = ope;
  setup.dispGridNum = ope;
  return setup;
}

void LoadGeoFile(CHostSession& session, const std::string& path, GridSize panel) {
  session.SetUp(GeoFileSetup(path, panel));
  RequireOk("GetGeoObjDataFromFile", session.ReadGeoFile(path));
  const std::vector<int32_t> record = session.Comment();
  const HostCorrections corrections = CorrectionsFromRecord(
      std::span<const int32_t, kCommentFieldCount>(record.data(), kCommentFieldCount), panel);
  std::string_view failed;
  RequireOk(failed, ApplyHostCorrections(session.Handle(), corrections, &failed));
}

void RunScenario(CHostSession& session, const std::string& path) {
  const std::string text = ReadInputFile(path, "scenario");
  const fs::path dir = fs::path(path).parent_path();
  const Scenario scenario = ParseScenario(text, path, dir.empty() ? fs::path(".") : dir);
  session.SetUp(scenario.setup);
  for (const ScenarioStep& step : scenario.steps) {
    const StepOutcome outcome = session.Run(step);
    if (outcome.status != KVOGC_OK) {
      throw CToolError(kExitFailed, "step " + std::to_string(step.number) + ": " +
                                        std::string(step.op->name) + " failed with status " +
                                        DescribeStatus(outcome.status));
    }
  }
}

}  // namespace

std::string GridSizeText(GridSize size) { return std::to_string(size.cx) + "x" + std::to_string(size.cy); }

LoadedWarp LoadWarp(const std::string& path, std::optional<GridSize> panel) {
  CHostSession session;
  const bool scenario = fs::path(path).extension() == ".json";
  if (scenario) {
    RunScenario(session, path);
  } else {
    LoadGeoFile(session, path, panel.value_or(kDefaultPanel));
  }
  session.EnsureReported();

  const GridSize own = session.Setup().panelSize;
  const GridSize target = panel.value_or(own);
  const double sx = double(target.cx) / own.cx, sy = double(target.cy) / own.cy;
  const ReportedGrids& reported = session.Reported();
  LoadedWarp warp;
  warp.panelSize = target;
  warp.real.cols = reported.realGridNum.cx + 1;
  warp.real.rows = reported.realGridNum.cy + 1;
  warp.real.panel = Points(reported.real, sx, sy);
  warp.base = Points(session.BaseGrid(), sx, sy);
  warp.opeCols = reported.opeGridNum.cx + 1;
  warp.opeRows = reported.opeGridNum.cy + 1;
  warp.opeNodes = Points(reported.opeNodes, sx, sy);
  if (warp.real.panel.size() != size_t(warp.real.cols) * size_t(warp.real.rows)) {
    throw CToolError(kExitFailed, path + ": the library reported no complete real grid");
  }
  return warp;
}

}  // namespace kvogc::tool
