// The kvogc subcommands. Each returns the process's exit status and throws a
// CToolError for a failure that main reports.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "Preview.h"
#include "kvogc/kvogc.h"

namespace kvogc::tool {

struct JobOptions {
  std::string outDir = "out";
  int pictureSize = kDefaultPreviewSize;
};

struct FileOptions {
  std::string file;
  std::string png;  ///< render only; empty: the file's name with ".png"
  std::optional<GridSize> panelSize;
  std::optional<GridSize> realGridNum;
  std::optional<GridSize> opeGridNum;
  int pictureSize = kDefaultPreviewSize;
};

/// The built-in default job as a scenario file.
std::string_view DemoScenarioJson();

int RunDemo(const JobOptions& options, std::ostream& out);
int RunScenarioFile(const std::string& path, const JobOptions& options, std::ostream& out);
int RenderGeoFile(const FileOptions& options, std::ostream& out);
int InfoGeoFile(const FileOptions& options, std::ostream& out);

/// "1920x1080" as a size; nullopt for anything else or a component outside 1..max.
std::optional<GridSize> ParseSizeText(std::string_view text, int32_t max);

}  // namespace kvogc::tool
