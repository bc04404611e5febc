// The command lines of warp, export and import, kept apart from the other
// subcommands' so that each group adds itself to the program.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <ostream>
#include <string>

#include "MapCommands.h"

namespace kvogc::tool {

class CMapCommandLine {
 public:
  explicit CMapCommandLine(CLI::App& app);
  /// Runs the subcommand of this group that was parsed; nullopt when none was.
  std::optional<int> Run(std::ostream& out) const;

 private:
  CLI::App* m_warp = nullptr;
  CLI::App* m_export = nullptr;
  CLI::App* m_import = nullptr;
  WarpPictureOptions m_warpOptions;
  ExportOptions m_exportOptions;
  ImportOptions m_importOptions;
  std::string m_warpPanel, m_exportPanel, m_exportSize, m_importPanel, m_importReal, m_importOpe;
};

}  // namespace kvogc::tool
