// warp, export and import: a warp taken to the forms other programs read,
// brought back from them, and shown on a picture.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "kvogc/kvogc.h"

namespace kvogc::tool {

struct WarpPictureOptions {
  std::string image;       ///< PNG or JPEG; empty with testPattern
  bool testPattern = false;
  std::string warp;        ///< FILE.obj or SCENARIO.json; empty: the picture unwarped
  std::string out;
  std::optional<GridSize> panel;
};

struct ExportOptions {
  std::string warp;
  std::string format;  ///< pfm, mpcdi, bourke, csv or json
  std::string out;
  std::optional<GridSize> panel;
  std::optional<GridSize> size;  ///< the map's size (pfm, mpcdi); default the panel's
};

struct ImportOptions {
  std::string file;
  std::string format;  ///< pfm, mpcdi or bourke
  std::string out;
  std::optional<GridSize> panel;
  std::optional<GridSize> real;  ///< real grid divisions
  std::optional<GridSize> ope;   ///< operation grid divisions
};

int WarpPicture(const WarpPictureOptions& options, std::ostream& out);
int ExportWarp(const ExportOptions& options, std::ostream& out);
int ImportWarp(const ImportOptions& options, std::ostream& out);

}  // namespace kvogc::tool
