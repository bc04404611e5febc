// kvogc edit: the editor in the browser, served from a local HTTP server.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "kvogc/kvogc.h"

namespace kvogc::tool {

struct EditOptions {
  std::string file;  ///< a warp geometry file or a scenario to start from; empty: a new grid
  std::optional<GridSize> panelSize;
  std::optional<GridSize> realGridNum;
  std::optional<GridSize> opeGridNum;
  std::string outDir = ".";
  std::string listen = "127.0.0.1";
  int port = 8080;
  bool open = false;
};

/// Serves until SIGINT or SIGTERM; prints the URL first.
int RunEdit(const EditOptions& options, std::ostream& out);

}  // namespace kvogc::tool
