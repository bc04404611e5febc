// kvogc: a command-line host of the library. It drives a grid manager through
// the exported C interface only, as any host does.
#include <CLI/CLI.hpp>
#include <iostream>
#include <new>

#include "Commands.h"
#include "MapCommandLine.h"
#include "EditCommand.h"
#include "Scenario.h"
#include "ToolError.h"

namespace {

using namespace kvogc::tool;

constexpr const char* kExitCodes =
    "Exit status: 0 done; 1 the library refused an operation or a delivery did not arrive; "
    "2 bad command line, unreadable input, a malformed scenario or an unwritable output.";

std::string OperationNames() {
  std::string names;
  for (const OperationSpec& op : ScenarioOperations()) {
    if (!names.empty()) names += ", ";
    names += op.name;
  }
  return names;
}

// "WxH" options: kept as text by CLI11, checked here so that the message names the option.
class CSizeOption {
 public:
  CSizeOption(std::string name, int32_t max) : m_name(std::move(name)), m_max(max) {}
  void Add(CLI::App* command, const std::string& description) {
    command->add_option(m_name, m_text, description)->type_name("WxH");
  }
  std::optional<GridSize> Value() const {
    if (m_text.empty()) return std::nullopt;
    if (auto size = ParseSizeText(m_text, m_max)) return size;
    throw CToolError(kExitBadInput, m_name + " must look like 1920x1080, each number 1.." +
                                        std::to_string(m_max) + "; got '" + m_text + "'");
  }

 private:
  std::string m_name;
  int32_t m_max;
  std::string m_text;
};

void AddPictureSize(CLI::App* command, int& size) {
  command->add_option("--size", size, "Longer side of the PNG picture in pixels")
      ->default_val(kDefaultPreviewSize)
      ->check(CLI::Range(kMinPreviewSize, kMaxPreviewSize))
      ->type_name("PIXELS");
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "kvogc: computes projector warp grids with the KVOGridCalc library and draws them.\n"
      "Every subcommand has its own --help."};
  app.footer(std::string("\n") + kExitCodes);
  app.require_subcommand(1);

  JobOptions demoOptions;
  bool printScenario = false;
  CLI::App* demo = app.add_subcommand("demo", "Run the built-in default job; write DIR/warp.obj and DIR/warp.png");
  demo->add_option("--out", demoOptions.outDir, "Output directory, created when missing")
      ->default_val("out")
      ->type_name("DIR");
  AddPictureSize(demo, demoOptions.pictureSize);
  demo->add_flag("--print-scenario", printScenario,
                 "Print the default job as a scenario file for `kvogc run` and stop");
  demo->footer(
      "\nThe default job: a 1920x1080 panel (real grid 64x36, operation grid 4x4, display grid "
      "8x8) with a linearity, a pincushion with moved corners, a corner rotation, point, line "
      "and area moves and one curved line. The result is sent to a host-side delivery target; "
      "the send makes the library write the warp geometry text, kept as DIR/warp.obj. "
      "DIR/warp.png shows the panel, the uncorrected base grid (faint), the final real grid "
      "(thin) and the final operation grid (thick, with its nodes).\n" +
      std::string(kExitCodes));

  JobOptions runOptions;
  std::string scenarioPath;
  CLI::App* run = app.add_subcommand("run", "Run a scenario file; write DIR/warp.obj and DIR/warp.png");
  run->add_option("scenario", scenarioPath, "Scenario file (JSON)")->required()->type_name("SCENARIO.json");
  run->add_option("--out", runOptions.outDir, "Output directory, created when missing")
      ->default_val("out")
      ->type_name("DIR");
  AddPictureSize(run, runOptions.pictureSize);
  run->footer(
      "\nA scenario is a JSON object with \"setup\" and \"steps\" (and an optional "
      "\"description\"). \"setup\" holds the arguments of SetParam: panelSize, realGridNum, "
      "opeGridNum and dispGridNum as [cx, cy]; optional deviceSize, marginX, marginY (600), "
      "projectorFlag (0), and offsetX with offsetY to set up with SetParamWithOffset. "
      "\"steps\" lists operations by their interface names with their arguments by name, "
      "for example {\"op\": \"MovePoint\", \"row\": 1, \"col\": 2, \"dx\": 10, \"dy\": -4}; "
      "corners are [x, y], sizes [cx, cy], paths relative to the scenario's folder.\n"
      "Operations: " + OperationNames() + ".\n"
      "Steps run in order; a status other than 0 stops the run with the step's number, the "
      "operation and the status. Then the result is sent and written as by demo. "
      "`kvogc demo --print-scenario` prints a complete example.\n" +
      std::string(kExitCodes));

  FileOptions renderOptions;
  CSizeOption renderPanel("--panel", kMaxPanelPixels);
  CSizeOption renderGrid("--grid", kMaxRealDivisions);
  CSizeOption renderOpe("--ope", kMaxOpeDivisions);
  CLI::App* render = app.add_subcommand("render", "Draw a warp geometry file as PNG");
  render->add_option("file", renderOptions.file, "Warp geometry file (.obj)")->required()->type_name("FILE");
  render->add_option("--png", renderOptions.png, "Picture to write; default: FILE with .png")
      ->type_name("OUT");
  renderPanel.Add(render, "Panel size in pixels (default 1920x1080)");
  renderGrid.Add(render, "Real grid divisions, when the file does not tell its points per row");
  renderOpe.Add(render, "Operation grid divisions (default: the file's GUIGridCount, else 4x4)");
  AddPictureSize(render, renderOptions.pictureSize);
  render->footer(
      "\nReads the file (plain layout) into a manager set up to its grid size, restores the "
      "corrections its comment record keeps through the setters, and draws the result as demo "
      "does. The text does not carry the panel size: give --panel when it is not 1920x1080. "
      "The record keeps rounded values, so the recomputed grid can differ from the file's "
      "own vertices by a fraction of a pixel.\n" +
      std::string(kExitCodes));

  FileOptions infoOptions;
  CSizeOption infoPanel("--panel", kMaxPanelPixels);
  CSizeOption infoGrid("--grid", kMaxRealDivisions);
  CLI::App* info = app.add_subcommand("info", "Print a warp geometry file's comment record and grid extent");
  info->add_option("file", infoOptions.file, "Warp geometry file (.obj)")->required()->type_name("FILE");
  infoPanel.Add(info, "Panel size in pixels (default 1920x1080)");
  infoGrid.Add(info, "Real grid divisions, when the file does not tell its points per row");
  info->footer(
      "\nPrints the file's grid size, its comment record field by field, and the extent in "
      "panel pixels of its uncorrected grid and of the corrected grid recomputed from the "
      "record.\n" +
      std::string(kExitCodes));

  CMapCommandLine mapCommands(app);
  EditOptions editOptions;
  CSizeOption editPanel("--panel", kMaxPanelPixels);
  CSizeOption editReal("--real", kMaxRealDivisions);
  CSizeOption editOpe("--ope", kMaxOpeDivisions);
  CLI::App* edit = app.add_subcommand("edit", "Edit a warp in the browser, with exact undo");
  edit->add_option("file", editOptions.file, "Warp geometry file (.obj) or scenario (.json) to start from")
      ->type_name("FILE");
  editPanel.Add(edit, "Panel size in pixels (default 1920x1080)");
  editReal.Add(edit, "Real grid divisions (default 64x36; a file's own when it tells)");
  editOpe.Add(edit, "Operation grid divisions (default 4x4)");
  edit->add_option("--port", editOptions.port, "Port to listen on; 0 picks a free one")
      ->default_val(8080)
      ->check(CLI::Range(0, 65535));
  edit->add_option("--listen", editOptions.listen, "Address to listen on (other than loopback: a warning)")
      ->default_val("127.0.0.1")
      ->type_name("ADDRESS");
  edit->add_option("--out", editOptions.outDir, "Folder for Save session, Save warp and opened files")
      ->default_val(".")
      ->type_name("DIR");
  edit->add_flag("--open", editOptions.open, "Open the page in the default browser");
  edit->footer(
      "\nServes the editor page and prints its URL. Drag nodes, lines and areas, set the corrections, "
      "undo and redo exactly (the edits replay on a fresh manager). The page sends the operations by "
      "their interface names, as scenarios spell them. Save session writes DIR/session.json for "
      "`kvogc run`; Save warp runs it and writes DIR/warp.obj and DIR/warp.png. Ctrl+C stops.\n" +
      std::string(kExitCodes));

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& success) {
    return app.exit(success);
  } catch (const CLI::ParseError& error) {
    app.exit(error);
    return kExitBadInput;
  }

  try {
    if (const std::optional<int> status = mapCommands.Run(std::cout)) return *status;
    if (demo->parsed()) {
      if (printScenario) {
        std::cout << DemoScenarioJson();
        return kExitOk;
      }
      return RunDemo(demoOptions, std::cout);
    }
    if (run->parsed()) return RunScenarioFile(scenarioPath, runOptions, std::cout);
    if (render->parsed()) {
      renderOptions.panelSize = renderPanel.Value();
      renderOptions.realGridNum = renderGrid.Value();
      renderOptions.opeGridNum = renderOpe.Value();
      return RenderGeoFile(renderOptions, std::cout);
    }
    if (edit->parsed()) {
      editOptions.panelSize = editPanel.Value();
      editOptions.realGridNum = editReal.Value();
      editOptions.opeGridNum = editOpe.Value();
      return RunEdit(editOptions, std::cout);
    }
    if (info->parsed()) {
      infoOptions.panelSize = infoPanel.Value();
      infoOptions.realGridNum = infoGrid.Value();
      return InfoGeoFile(infoOptions, std::cout);
    }
  } catch (const CToolError& error) {
    std::cout.flush();
    std::cerr << "kvogc: " << error.what() << '\n';
    return error.Status();
  } catch (const std::bad_alloc&) {
    std::cerr << "kvogc: out of memory\n";
    return kExitFailed;
  } catch (const std::exception& error) {
    std::cerr << "kvogc: " << error.what() << '\n';
    return kExitFailed;
  }
  return kExitBadInput;
}
