// The kvogc program end to end: what it writes, what it prints and its exit
// statuses, run as a separate process.
#include <gtest/gtest.h>

#include <cmath>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <sstream>

#include <chrono>
#include <thread>

#include "ToolTestSupport.h"
#include "host/GeoObjHostTarget.h"
#include "kvogc/kvogc.h"

namespace kvogc::test {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// x, y of every "#prev " line, as the text writes them (panel fractions, y up).
std::vector<std::pair<double, double>> PrevPoints(const std::string& text) {
  std::vector<std::pair<double, double>> points;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("#prev ", 0) != 0) continue;
    std::istringstream fields(line.substr(6));
    double x = 0, y = 0;
    fields >> x >> y;
    points.emplace_back(x, y);
  }
  return points;
}

class DemoOutput : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_dir = new ScratchDir();
    s_run = new ToolRun(RunTool({"demo", "--out", "out"}, s_dir->path()));
  }
  static void TearDownTestSuite() {
    delete s_run;
    delete s_dir;
  }
  static fs::path Out(const std::string& name) { return s_dir->path() / "out" / name; }

  static ScratchDir* s_dir;
  static ToolRun* s_run;
};
ScratchDir* DemoOutput::s_dir = nullptr;
ToolRun* DemoOutput::s_run = nullptr;

TEST_F(DemoOutput, SucceedsWithASummaryAndOnlyItsTwoFiles) {
  ASSERT_EQ(s_run->exitCode, 0) << s_run->err;
  EXPECT_TRUE(s_run->err.empty()) << s_run->err;
  EXPECT_TRUE(Contains(s_run->out, "warp.obj")) << s_run->out;
  EXPECT_TRUE(Contains(s_run->out, "warp.png")) << s_run->out;
  EXPECT_EQ(Entries(s_dir->path() / "out"), (std::vector<std::string>{"warp.obj", "warp.png"}));
}

TEST_F(DemoOutput, GeometryFileReadsBackToTheSameBaseGrid) {
  ASSERT_EQ(s_run->exitCode, 0) << s_run->err;
  const std::string text = ReadFile(Out("warp.obj"));
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.rfind("# WARP", 0), 0u);
  EXPECT_EQ(text.find('\0'), text.size() - 1);  // the library's text ends with its NUL
  const auto prev = PrevPoints(text);
  ASSERT_EQ(prev.size(), 65u * 37u);

  kvogcManager* manager = kvogcInitLibrary();
  const GridSize panel{1920, 1080}, real{64, 36}, ope{4, 4}, disp{8, 8};
  ASSERT_EQ(kvogcGridManager_SetParam(manager, &panel, &panel, &real, &disp, &ope, 600, 600, 0),
            KVOGC_OK);
  ASSERT_EQ(kvogcGridManager_GetGeoObjDataFromFile(manager, nullptr, Out("warp.obj").c_str()),
            KVOGC_OK);
  std::vector<double> base(2 * prev.size());
  ASSERT_EQ(kvogcGridManager_GetGeometryGridData(manager, base.data()), KVOGC_OK);
  kvogcFinishLibrary(manager);

  bool moved = false;
  for (size_t i = 0; i < prev.size(); ++i) {
    // The text keeps six decimals of a panel fraction: a few thousandths of a pixel.
    EXPECT_NEAR(base[2 * i], 1920.0 * prev[i].first, 2e-3) << "point " << i;
    EXPECT_NEAR(base[2 * i + 1], 1080.0 * (1.0 - prev[i].second), 2e-3) << "point " << i;
    const double evenX = 1920.0 * static_cast<double>(i % 65) / 64.0;
    if (std::abs(base[2 * i] - evenX) > 1.0) moved = true;
  }
  EXPECT_TRUE(moved) << "the demo's moves reach the uncorrected grid";
}

TEST_F(DemoOutput, InfoPrintsTheRecordByNameAndTheExtent) {
  ASSERT_EQ(s_run->exitCode, 0) << s_run->err;
  const ToolRun info = RunTool({"info", "out/warp.obj"}, s_dir->path());
  ASSERT_EQ(info.exitCode, 0) << info.err;
  // The demo's linearity: vertical 6 and horizontal -4 degrees, kept as round(angle/90*127).
  EXPECT_TRUE(Contains(info.out, "LinearityX         " + std::to_string(std::lround(-4.0 / 90 * 127))))
      << info.out;
  EXPECT_TRUE(Contains(info.out, "LinearityY         " + std::to_string(std::lround(6.0 / 90 * 127))))
      << info.out;
  EXPECT_TRUE(Contains(info.out, "CornerRolling      150")) << info.out;
  EXPECT_TRUE(Contains(info.out, "65x37 points")) << info.out;
  EXPECT_TRUE(Contains(info.out, "extent of the uncorrected grid: x ")) << info.out;
  EXPECT_TRUE(Contains(info.out, "extent of the corrected grid:   x ")) << info.out;
}

TEST_F(DemoOutput, RenderDrawsTheFileAgain) {
  ASSERT_EQ(s_run->exitCode, 0) << s_run->err;
  const ToolRun render =
      RunTool({"render", "out/warp.obj", "--png", "again.png", "--size", "640"}, s_dir->path());
  ASSERT_EQ(render.exitCode, 0) << render.err;
  const cv::Mat picture = cv::imread((s_dir->path() / "again.png").string(), cv::IMREAD_COLOR);
  ASSERT_FALSE(picture.empty());
  EXPECT_EQ(picture.cols, 640);
  EXPECT_EQ(picture.rows, 360);
}

TEST(ToolScenarios, EveryShippedScenarioRuns) {
  const fs::path dir = KVOGC_SCENARIO_DIR;
  int count = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != ".json") continue;
    ++count;
    ScratchDir scratch;
    const ToolRun run = RunTool({"run", entry.path().string(), "--out", "o"}, scratch.path());
    EXPECT_EQ(run.exitCode, 0) << entry.path() << ": " << run.err;
    EXPECT_EQ(ReadFile(scratch / "o/warp.obj").rfind("# WARP", 0), 0u) << entry.path();
    EXPECT_TRUE(fs::exists(scratch / "o/warp.png")) << entry.path();
  }
  EXPECT_GE(count, 3);
}

TEST(ToolErrors, AFailingStepNamesItsNumberOperationAndStatusAndWritesNothing) {
  ScratchDir scratch;
  WriteFile(scratch / "bad.json", R"({
    "setup": {"panelSize": [640, 480], "realGridNum": [8, 6], "opeGridNum": [2, 2], "dispGridNum": [2, 2]},
    "steps": [
      {"op": "SetGeoAdjEnable", "enable": 1},
      {"op": "MovePoint", "row": 1, "col": 1, "dx": 5, "dy": 5},
      {"op": "SetLineSmoothOnOff", "col": 0, "row": 2, "vertical": 1, "on": 1}
    ]})");
  const ToolRun run = RunTool({"run", "bad.json", "--out", "o"}, scratch.path());
  EXPECT_EQ(run.exitCode, 1);
  // No vertical line starts in the last row.
  EXPECT_TRUE(Contains(run.err, "step 3: SetLineSmoothOnOff failed with status 0x80070057"))
      << run.err;
  EXPECT_TRUE(Entries(scratch / "o").empty()) << "nothing half-written";
}

// A scenario or geometry file the tool cannot use names its fault and step,
// exits with 2 and writes nothing.
TEST(ToolErrors, BadScenariosAndGeometryFilesNameTheirFault) {
  const std::string setup = R"({"setup": {"panelSize": [640, 480], "realGridNum": [8, 6], )"
                            R"("opeGridNum": [2, 2], "dispGridNum": [2, 2]}, "steps": )";
  std::string sixPoints;
  for (int k = 0; k < 6; ++k) sixPoints += "#prev 0.5 0.5 0\n";
  const struct {
    std::vector<std::string> args;
    std::string file;
    const char* message;
  } cases[] = {
      {{"run", "s.json", "--out", "o"},
       setup + R"([{"op": "MovePiont", "row": 1, "col": 1, "dx": 1, "dy": 1}]})",
       R"(step 1: unknown operation "MovePiont" (did you mean "MovePoint"?))"},
      {{"run", "s.json", "--out", "o"},
       setup + R"([{"op": "RefreshAllPoint"}, {"op": "MovePoint", "row": 1, "col": 1, "dx": 1}]})",
       R"(step 2 (MovePoint): missing argument "dy")"},
      {{"run", "s.json", "--out", "o"},
       setup + R"([{"op": "MovePoint", "row": "1", "col": 1, "dx": 1, "dy": 1}]})",
       R"(step 1 (MovePoint): argument "row" must be an integer, got the string "1")"},
      {{"run", "s.json", "--out", "o"}, setup + R"([{"op": "FlipV", "withOpeGrid": 1.5}]})",
       R"(step 1 (FlipV): argument "withOpeGrid" must be an integer, got the number 1.5)"},
      {{"run", "s.json", "--out", "o"},
       setup + R"([{"op": "MovePoint", "rwo": 1, "col": 1, "dx": 1, "dy": 1}]})",
       R"(step 1 (MovePoint): unknown argument "rwo")"},
      {{"run", "s.json", "--out", "o"}, "{\n  \"setup\": {},\n  \"steps\": [\n    {\"op\": }\n  ]\n}\n",
       "s.json: not valid JSON"},
      {{"info", "s.json"}, sixPoints, "the file does not tell its points per row; give --grid XxY"},
      {{"info", "s.json", "--grid", "2x2"}, sixPoints, "the grid 2x2 has 9 points, the file 6"},
  };
  for (const auto& c : cases) {
    ScratchDir scratch;
    WriteFile(scratch / "s.json", c.file);
    const ToolRun run = RunTool(c.args, scratch.path());
    EXPECT_EQ(run.exitCode, 2) << c.message;
    EXPECT_TRUE(Contains(run.err, c.message)) << run.err;
    EXPECT_FALSE(fs::exists(scratch / "o")) << "checked before any output";
  }
}

TEST(ToolErrors, MissingInputsAndUnwritableOutputsExitWithTwo) {
  ScratchDir scratch;
  WriteFile(scratch / "plain-file", "x");
  const ToolRun missing = RunTool({"run", "nowhere.json"}, scratch.path());
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_TRUE(Contains(missing.err, "cannot read scenario 'nowhere.json': no such file")) << missing.err;

  const ToolRun notDir = RunTool({"demo", "--out", "plain-file"}, scratch.path());
  EXPECT_EQ(notDir.exitCode, 2);
  EXPECT_TRUE(Contains(notDir.err, "is not a directory")) << notDir.err;

  const ToolRun underFile = RunTool({"demo", "--out", "plain-file/sub"}, scratch.path());
  EXPECT_EQ(underFile.exitCode, 2);
  EXPECT_TRUE(Contains(underFile.err, "cannot create output directory")) << underFile.err;

  const ToolRun noGeometry = RunTool({"info", "plain-file"}, scratch.path());
  EXPECT_EQ(noGeometry.exitCode, 2);
  EXPECT_TRUE(Contains(noGeometry.err, "not a warp geometry text")) << noGeometry.err;
  EXPECT_EQ(ReadFile(scratch / "plain-file"), "x");
}

TEST(ToolCommandLine, BadCommandLinesExitWithTwo) {
  ScratchDir scratch;
  EXPECT_EQ(RunTool({}, scratch.path()).exitCode, 2);
  EXPECT_EQ(RunTool({"dance"}, scratch.path()).exitCode, 2);
  EXPECT_EQ(RunTool({"run"}, scratch.path()).exitCode, 2);
  EXPECT_EQ(RunTool({"demo", "--size", "5"}, scratch.path()).exitCode, 2);
  const ToolRun panel = RunTool({"render", "x.obj", "--panel", "wide"}, scratch.path());
  EXPECT_EQ(panel.exitCode, 2);
  EXPECT_TRUE(Contains(panel.err, "--panel must look like 1920x1080")) << panel.err;
}

}  // namespace
}  // namespace kvogc::test
