// demo and run: a scenario's steps on a fresh manager, then a real send whose
// file becomes DIR/warp.obj, and the preview DIR/warp.png.
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "Commands.h"
#include "HostSession.h"
#include "OutputFiles.h"
#include "Preview.h"
#include "Scenario.h"
#include "ToolError.h"

namespace kvogc::tool {

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::milliseconds kDeliveryTimeout{3000};

std::string Point(const std::vector<double>& grid, size_t index) {
  char text[64];
  std::snprintf(text, sizeof(text), "(%.2f, %.2f)", grid[2 * index], grid[2 * index + 1]);
  return text;
}

std::string SizeText(GridSize size) { return std::to_string(size.cx) + "x" + std::to_string(size.cy); }

void RunSteps(CHostSession& session, const Scenario& scenario, std::ostream& out) {
  for (const ScenarioStep& step : scenario.steps) {
    const StepOutcome outcome = session.Run(step);
    const std::string label = "step " + std::to_string(step.number) + ": " + std::string(step.op->name);
    if (outcome.status != KVOGC_OK) {
      throw CToolError(kExitFailed, label + " failed with status " + DescribeStatus(outcome.status));
    }
    if (outcome.limits && ((*outcome.limits)[0] != 0 || (*outcome.limits)[1] != 0)) {
      out << "  " << label << ": the margin stopped the move"
          << ((*outcome.limits)[0] != 0 ? " in x" : "")
          << ((*outcome.limits)[1] != 0 ? " in y" : "") << '\n';
    }
    if (outcome.position) {
      out << "  " << label << ": " << Point({(*outcome.position)[0], (*outcome.position)[1]}, 0)
          << '\n';
    }
  }
}

int RunJob(const Scenario& scenario, std::string_view name, const JobOptions& options,
           std::ostream& out) {
  const fs::path dir = PrepareOutputDir(options.outDir);
  // Both outputs are claimed first: an unwritable folder fails before any work.
  CPendingFile geoFile(dir / "warp.obj");
  CPendingFile pngFile(dir / "warp.png");

  const ScenarioSetup& setup = scenario.setup;
  out << name << ": " << SizeText(setup.panelSize) << " panel, real grid "
      << SizeText(setup.realGridNum) << ", operation grid " << SizeText(setup.opeGridNum)
      << ", display grid " << SizeText(setup.dispGridNum) << '\n';

  CHostSession session;
  session.SetUp(setup);
  RunSteps(session, scenario, out);
  session.EnsureReported();
  const PreviewGrids grids = CollectPreview(session);

  const std::string delivered = session.Deliver(geoFile.TempPath(), kDeliveryTimeout);
  const std::string written = ReadInputFile(geoFile.TempPath(), "warp geometry file");
  if (written.empty()) {
    throw CToolError(kExitFailed, "delivery: the library wrote no file at '" +
                                      geoFile.TempPath().string() + "'");
  }
  if (written != delivered + '\0') {
    throw CToolError(kExitFailed, "delivery: the file the library wrote differs from the text "
                                  "the target received");
  }

  const ReportedGrids& reported = session.Reported();
  const std::string caption = std::string(name) + ": " + SizeText(setup.panelSize) +
                              " panel, real grid " + SizeText(reported.realGridNum) +
                              ", operation grid " + SizeText(reported.opeGridNum);
  const cv::Mat picture = DrawPreview(grids, options.pictureSize, caption);
  pngFile.Write(EncodePng(picture));
  geoFile.Commit();
  pngFile.Commit();

  const size_t cols = static_cast<size_t>(reported.realGridNum.cx) + 1;
  const size_t rows = static_cast<size_t>(reported.realGridNum.cy) + 1;
  out << "  " << scenario.steps.size() << " steps; reports: " << reported.realReports
      << " real, " << reported.opeReports << " operation, " << reported.dispReports
      << " display\n";
  out << "  corrected corners: top-left " << Point(reported.real, 0) << ", top-right "
      << Point(reported.real, cols - 1) << ", bottom-right " << Point(reported.real, rows * cols - 1)
      << ", bottom-left " << Point(reported.real, (rows - 1) * cols) << '\n';
  out << "  wrote " << geoFile.FinalPath().string() << " (" << written.size()
      << " bytes, as delivered to the host target)\n";
  out << "  wrote " << pngFile.FinalPath().string() << " (" << picture.cols << "x" << picture.rows
      << ")\n";
  return kExitOk;
}

}  // namespace

int RunDemo(const JobOptions& options, std::ostream& out) {
  const Scenario scenario = ParseScenario(DemoScenarioJson(), "demo", fs::current_path());
  return RunJob(scenario, "kvogc demo", options, out);
}

int RunScenarioFile(const std::string& path, const JobOptions& options, std::ostream& out) {
  const std::string text = ReadInputFile(path, "scenario");
  const fs::path base = fs::path(path).parent_path();
  const Scenario scenario = ParseScenario(text, path, base.empty() ? fs::path(".") : base);
  return RunJob(scenario, "kvogc run " + path, options, out);
}

}  // namespace kvogc::tool
