#include "MapCommandLine.h"

#include "Commands.h"
#include "Scenario.h"
#include "ScenarioOps.h"
#include "ToolError.h"
#include "WarpMesh.h"

namespace kvogc::tool {

namespace {

constexpr const char* kOverlapRule =
    "The inverse map draws the final real grid two triangles per cell, cells in row-major "
    "order, sampling each pixel at its centre; where folded cells overlap, the cell drawn last "
    "wins. A pixel no cell covers is outside.";

void AddSize(CLI::App* command, const std::string& name, std::string& text,
             const std::string& description, const char* typeName = "WxH") {
  command->add_option(name, text, description)->type_name(typeName);
}

std::optional<GridSize> SizeValue(const std::string& name, const std::string& text, int32_t max) {
  if (text.empty()) return std::nullopt;
  if (auto size = ParseSizeText(text, max)) return size;
  throw CToolError(kExitBadInput, name + " must look like 1920x1080, each number 1.." +
                                      std::to_string(max) + "; got '" + text + "'");
}

}  // namespace

CMapCommandLine::CMapCommandLine(CLI::App& app) {
  m_warp = app.add_subcommand("warp", "Warp a picture (or a test pattern) as the projector shows it");
  m_warp->add_option("image", m_warpOptions.image, "Picture, PNG or JPEG")->type_name("IMAGE");
  m_warp->add_flag("--test-pattern", m_warpOptions.testPattern,
                   "Warp a checkerboard with a circle, a crosshair and labels instead");
  m_warp->add_option("--warp", m_warpOptions.warp, "The warp; without it the picture is only scaled")
      ->type_name("FILE.obj|SCENARIO.json");
  m_warp->add_option("--out", m_warpOptions.out, "PNG to write")->required()->type_name("OUT.png");
  AddSize(m_warp, "--panel", m_warpPanel,
          "Panel size (default: the scenario's, else 1920x1080); a scenario is scaled to it");
  m_warp->footer(std::string("\nThe picture is scaled to the panel and warped with cv::remap "
                             "(linear interpolation, black outside). ") + kOverlapRule);

  m_export = app.add_subcommand("export", "Write a warp as an inverse map, a mesh or tables");
  m_export->add_option("warp", m_exportOptions.warp, "The warp")->required()->type_name(
      "FILE.obj|SCENARIO.json");
  m_export->add_option("--format", m_exportOptions.format, "Output format")
      ->required()
      ->check(CLI::IsMember({"pfm", "mpcdi", "bourke", "csv", "json"}));
  m_export->add_option("--out", m_exportOptions.out, "File to write")->required()->type_name("PATH");
  AddSize(m_export, "--panel", m_exportPanel,
          "Panel size (default: the scenario's, else 1920x1080); a scenario is scaled to it");
  AddSize(m_export, "--size", m_exportSize, "Size of the map (pfm, mpcdi; default the panel's)", "XxY");
  m_export->footer(
      std::string("\npfm: the inverse map as a 3-channel float PFM: source x and y normalised to "
                  "[0, 1] and 1 inside; NaN, NaN and 0 outside; rows bottom-up. mpcdi: an MPCDI 2.0 "
                  "package (profile 2d) with that PFM as the warp of its one region. bourke: Paul "
                  "Bourke's warp-mesh text of the final real grid. csv, json: the real grid's points "
                  "(final and base) and the operation grid's nodes in panel pixels. ") +
      kOverlapRule);

  m_import = app.add_subcommand("import", "Read a warp from a map or mesh; write a warp geometry file");
  m_import->add_option("file", m_importOptions.file, "PFM, MPCDI package or Bourke mesh")
      ->required()
      ->type_name("FILE");
  m_import->add_option("--format", m_importOptions.format, "Input format")
      ->required()
      ->check(CLI::IsMember({"pfm", "mpcdi", "bourke"}));
  m_import->add_option("--out", m_importOptions.out, "Warp geometry file to write")
      ->required()
      ->type_name("warp.obj");
  AddSize(m_import, "--panel", m_importPanel,
          "Panel size (default: the map's or the package's, 1920x1080 for a mesh)");
  AddSize(m_import, "--real", m_importReal,
          "Real grid divisions (default: the mesh's, or cells of about 30 pixels for a map)", "XxY");
  AddSize(m_import, "--ope", m_importOpe, "Operation grid divisions (default 4x4)", "XxY");
  m_import->footer(
      "\nThe mapping is sampled at the real grid's points (a map is inverted by the same "
      "rasterisation, the other way round), given to the library as its base grid "
      "(SetGeometryGridData) and written by a real send.");
}

std::optional<int> CMapCommandLine::Run(std::ostream& out) const {
  if (m_warp->parsed()) {
    WarpPictureOptions options = m_warpOptions;
    options.panel = SizeValue("--panel", m_warpPanel, kMaxPanelPixels);
    return WarpPicture(options, out);
  }
  if (m_export->parsed()) {
    ExportOptions options = m_exportOptions;
    options.panel = SizeValue("--panel", m_exportPanel, kMaxPanelPixels);
    options.size = SizeValue("--size", m_exportSize, warpmap::kMaxMapSide);
    return ExportWarp(options, out);
  }
  if (m_import->parsed()) {
    ImportOptions options = m_importOptions;
    options.panel = SizeValue("--panel", m_importPanel, kMaxPanelPixels);
    options.real = SizeValue("--real", m_importReal, kMaxRealDivisions);
    options.ope = SizeValue("--ope", m_importOpe, kMaxOpeDivisions);
    return ImportWarp(options, out);
  }
  return std::nullopt;
}

}  // namespace kvogc::tool
