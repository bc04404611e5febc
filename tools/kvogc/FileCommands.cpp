// render and info: a warp geometry file read into a manager set up to match it.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <limits>

#include "CommentRecord.h"
#include "Commands.h"
#include "GeoFileProbe.h"
#include "HostSession.h"
#include "OutputFiles.h"
#include "Preview.h"
#include "Scenario.h"
#include "ToolError.h"

namespace kvogc::tool {

namespace fs = std::filesystem;

namespace {

constexpr GridSize kDefaultPanel{1920, 1080};
constexpr GridSize kDefaultOpeGrid{4, 4};

std::string SizeText(GridSize size) { return std::to_string(size.cx) + "x" + std::to_string(size.cy); }

// What the file tells about itself, and the set-up that matches it.
struct LoadedFile {
  GeoTextLayout layout;
  ScenarioSetup setup;
  bool panelAssumed = false;
};

LoadedFile Inspect(const FileOptions& options) {
  const std::string text = ReadInputFile(options.file, "warp geometry file");
  LoadedFile loaded;
  loaded.layout = ProbeGeoText(text);
  if (loaded.layout.projectorSize) {
    throw CToolError(kExitBadInput, options.file +
                                        ": written in the projector layout; kvogc reads the "
                                        "plain layout");
  }
  ScenarioSetup& setup = loaded.setup;
  setup.realGridNum = RealGridNumOf(loaded.layout, options.realGridNum, options.file);
  loaded.panelAssumed = !options.panelSize;
  setup.panelSize = options.panelSize.value_or(kDefaultPanel);
  setup.deviceSize = setup.panelSize;
  GridSize ope = options.opeGridNum.value_or(loaded.layout.guiGridCount.value_or(kDefaultOpeGrid));
  if (ope.cx < 1 || ope.cy < 1 || ope.cx > kMaxOpeDivisions || ope.cy > kMaxOpeDivisions) {
    ope = kDefaultOpeGrid;
  }
  setup.opeGridNum = ope;
  setup.dispGridNum = ope;
  return loaded;
}

void RequireOk(std::string_view operation, int32_t status) {
  if (status != KVOGC_OK) {
    throw CToolError(kExitFailed,
                     std::string(operation) + " failed with status " + DescribeStatus(status));
  }
}

void RestoreCorrections(CHostSession& session) {
  const std::vector<int32_t> record = session.Comment();
  const HostCorrections corrections = CorrectionsFromRecord(
      std::span<const int32_t, kCommentFieldCount>(record.data(), kCommentFieldCount),
      session.Setup().panelSize);
  std::string_view failed;
  const int32_t status = ApplyHostCorrections(session.Handle(), corrections, &failed);
  RequireOk(failed, status);
}

struct Extent {
  double minX = std::numeric_limits<double>::infinity();
  double maxX = -std::numeric_limits<double>::infinity();
  double minY = std::numeric_limits<double>::infinity();
  double maxY = -std::numeric_limits<double>::infinity();
};

std::string ExtentText(const std::vector<double>& grid) {
  Extent e;
  for (size_t i = 0; i + 1 < grid.size(); i += 2) {
    e.minX = std::min(e.minX, grid[i]);
    e.maxX = std::max(e.maxX, grid[i]);
    e.minY = std::min(e.minY, grid[i + 1]);
    e.maxY = std::max(e.maxY, grid[i + 1]);
  }
  char text[160];
  std::snprintf(text, sizeof(text), "x %.3f .. %.3f, y %.3f .. %.3f", e.minX, e.maxX, e.minY,
                e.maxY);
  return text;
}

}  // namespace

std::optional<GridSize> ParseSizeText(std::string_view text, int32_t max) {
  const size_t x = text.find_first_of("xX");
  if (x == std::string_view::npos) return std::nullopt;
  GridSize size{0, 0};
  const auto parse = [](std::string_view part, int32_t& value) {
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    return !part.empty() && error == std::errc() && end == part.data() + part.size();
  };
  if (!parse(text.substr(0, x), size.cx) || !parse(text.substr(x + 1), size.cy)) return std::nullopt;
  if (size.cx < 1 || size.cy < 1 || size.cx > max || size.cy > max) return std::nullopt;
  return size;
}

int RenderGeoFile(const FileOptions& options, std::ostream& out) {
  const LoadedFile loaded = Inspect(options);
  fs::path pngPath = options.png;
  if (pngPath.empty()) {
    pngPath = options.file;
    pngPath.replace_extension(".png");
  }
  CPendingFile pngFile(pngPath);

  CHostSession session;
  session.SetUp(loaded.setup);
  RequireOk("GetGeoObjDataFromFile", session.ReadGeoFile(options.file));
  RestoreCorrections(session);
  session.EnsureReported();

  const PreviewGrids grids = CollectPreview(session);
  const std::string caption = fs::path(options.file).filename().string() + ": " +
                              SizeText(loaded.setup.panelSize) + " panel, real grid " +
                              SizeText(loaded.setup.realGridNum) + ", operation grid " +
                              SizeText(grids.opeGridNum);
  const cv::Mat picture = DrawPreview(grids, options.pictureSize, caption);
  pngFile.Write(EncodePng(picture));
  pngFile.Commit();
  out << "kvogc render: wrote " << pngPath.string() << " (" << picture.cols << "x" << picture.rows
      << ") from " << options.file << ", real grid " << SizeText(loaded.setup.realGridNum)
      << ", panel " << SizeText(loaded.setup.panelSize)
      << (loaded.panelAssumed ? " (assumed; --panel sets it)" : "") << '\n';
  return kExitOk;
}

int InfoGeoFile(const FileOptions& options, std::ostream& out) {
  const LoadedFile loaded = Inspect(options);
  CHostSession session;
  session.SetUp(loaded.setup);
  const int32_t status = session.AnalyseGeoFile(options.file);
  if (status == KVOGC_FALSE) {
    throw CToolError(kExitBadInput, "cannot read warp geometry file '" + options.file + "'");
  }
  RequireOk("AnalyseGeoObjFile", status);
  const std::vector<int32_t> record = session.Comment();
  const std::vector<double> base = session.BaseGrid();

  const GridSize real = loaded.setup.realGridNum;
  out << "file        " << options.file << '\n';
  out << "grid        " << real.cx + 1 << "x" << real.cy + 1 << " points (real grid "
      << SizeText(real) << "): " << loaded.layout.prevPoints << " uncorrected, "
      << loaded.layout.vertices << " corrected\n";
  out << "panel       " << SizeText(loaded.setup.panelSize)
      << (loaded.panelAssumed ? " (assumed; --panel sets it)" : "") << '\n';
  out << "comment record\n";
  const auto names = CommentFieldNames();
  for (size_t i = 0; i < kCommentFieldCount; ++i) {
    char line[64];
    std::snprintf(line, sizeof(line), "  %-18s %d\n", std::string(names[i]).c_str(), record[i]);
    out << line;
  }
  out << "extent of the uncorrected grid: " << ExtentText(base) << '\n';

  RestoreCorrections(session);
  session.EnsureReported();
  out << "extent of the corrected grid:   " << ExtentText(session.Reported().real)
      << " (recomputed from the record)\n";
  return kExitOk;
}

}  // namespace kvogc::tool
