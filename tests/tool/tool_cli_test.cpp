// The kvogc program end to end, run as a separate process: what demo, run,
// info, render, warp, export and import write and print, every format going
// out and coming back to the same warp, other programs reading the exports,
// and bad input ending with status 2 and no output.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <sstream>

#include "ToolTestSupport.h"
#include "kvogc/kvogc.h"

namespace kvogc::test {
namespace {

// x, y of every line starting with `prefix`, as the text writes them (panel fractions, y up).
std::vector<std::pair<double, double>> Points(const std::string& text, const std::string& prefix) {
  std::vector<std::pair<double, double>> points;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind(prefix, 0) != 0) continue;
    std::istringstream fields(line.substr(prefix.size()));
    double x = 0, y = 0;
    fields >> x >> y;
    points.emplace_back(x, y);
  }
  return points;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// One demo run shared by the tests: its scenario as demo.json, its output in demo/.
class Tool : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_dir = new ScratchDir();
    WriteFile(*s_dir / "demo.json", RunTool({"demo", "--print-scenario"}, s_dir->path()).out);
    s_demo = new ToolRun(RunTool({"demo", "--out", "demo"}, s_dir->path()));
  }
  static void TearDownTestSuite() {
    delete s_demo;
    delete s_dir;
  }
  void SetUp() override { ASSERT_EQ(s_demo->exitCode, 0) << s_demo->err; }
  static ToolRun Run(const std::vector<std::string>& args) { return RunTool(args, s_dir->path()); }
  static std::string Read(const std::string& name) { return ReadFile(*s_dir / name); }

  static ScratchDir* s_dir;
  static ToolRun* s_demo;
};
ScratchDir* Tool::s_dir = nullptr;
ToolRun* Tool::s_demo = nullptr;

TEST_F(Tool, DemoWritesItsTwoFilesAndTheGeometryReadsBackToTheSameBaseGrid) {
  EXPECT_TRUE(s_demo->err.empty()) << s_demo->err;
  EXPECT_TRUE(Contains(s_demo->out, "warp.obj") && Contains(s_demo->out, "warp.png")) << s_demo->out;
  EXPECT_EQ(Entries(s_dir->path() / "demo"), (std::vector<std::string>{"warp.obj", "warp.png"}));
  const std::string text = Read("demo/warp.obj");
  EXPECT_EQ(text.rfind("# WARP", 0), 0u);
  EXPECT_EQ(text.find('\0'), text.size() - 1);  // the library's text ends with its NUL
  const auto prev = Points(text, "#prev ");
  ASSERT_EQ(prev.size(), 65u * 37u);

  kvogcManager* manager = kvogcInitLibrary();
  const GridSize panel{1920, 1080}, real{64, 36}, ope{4, 4}, disp{8, 8};
  ASSERT_EQ(kvogcGridManager_SetParam(manager, &panel, &panel, &real, &disp, &ope, 600, 600, 0), KVOGC_OK);
  ASSERT_EQ(kvogcGridManager_GetGeoObjDataFromFile(manager, nullptr, (*s_dir / "demo/warp.obj").c_str()), KVOGC_OK);
  std::vector<double> base(2 * prev.size());
  ASSERT_EQ(kvogcGridManager_GetGeometryGridData(manager, base.data()), KVOGC_OK);
  kvogcFinishLibrary(manager);

  bool moved = false;
  for (size_t i = 0; i < prev.size(); ++i) {
    // The text keeps six decimals of a panel fraction: a few thousandths of a pixel.
    EXPECT_NEAR(base[2 * i], 1920.0 * prev[i].first, 2e-3) << "point " << i;
    EXPECT_NEAR(base[2 * i + 1], 1080.0 * (1.0 - prev[i].second), 2e-3) << "point " << i;
    if (std::abs(base[2 * i] - 1920.0 * static_cast<double>(i % 65) / 64.0) > 1.0) moved = true;
  }
  EXPECT_TRUE(moved) << "the demo's moves reach the uncorrected grid";
}

TEST_F(Tool, InfoPrintsTheRecordByNameAndTheExtentAndRenderDrawsTheFile) {
  const ToolRun info = Run({"info", "demo/warp.obj"});
  ASSERT_EQ(info.exitCode, 0) << info.err;
  // The demo's linearity: vertical 6 and horizontal -4 degrees, kept as round(angle/90*127).
  for (const std::string& line : {"LinearityX         " + std::to_string(std::lround(-4.0 / 90 * 127)),
                                 "LinearityY         " + std::to_string(std::lround(6.0 / 90 * 127)),
                                 std::string("CornerRolling      150"), std::string("65x37 points"),
                                 std::string("extent of the uncorrected grid: x "),
                                 std::string("extent of the corrected grid:   x ")}) {
    EXPECT_TRUE(Contains(info.out, line)) << line << "\n" << info.out;
  }
  const ToolRun render = Run({"render", "demo/warp.obj", "--png", "again.png", "--size", "640"});
  ASSERT_EQ(render.exitCode, 0) << render.err;
  const cv::Mat picture = cv::imread((*s_dir / "again.png").string(), cv::IMREAD_COLOR);
  EXPECT_EQ(picture.cols, 640);
  EXPECT_EQ(picture.rows, 360);
}

TEST(ToolScenarios, EveryShippedScenarioRuns) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(KVOGC_SCENARIO_DIR)) {
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

// Exported and imported again, the demo's warp gives the same final real
// grid within 1/64 px in every format that comes back.
TEST_F(Tool, EveryFormatComesBackToTheSameFinalGrid) {
  const auto expected = Points(Read("demo/warp.obj"), "v ");
  ASSERT_EQ(expected.size(), 65u * 37u);
  for (const std::string format : {"pfm", "mpcdi", "bourke"}) {
    const ToolRun exported = Run({"export", "demo.json", "--format", format, "--out", "out." + format});
    ASSERT_EQ(exported.exitCode, 0) << format << ": " << exported.err;
    const ToolRun imported = Run({"import", "out." + format, "--format", format, "--out", format + ".obj"});
    ASSERT_EQ(imported.exitCode, 0) << format << ": " << imported.err;
    const auto back = Points(Read(format + ".obj"), "v ");
    ASSERT_EQ(back.size(), expected.size()) << format;
    double worst = 0.0;
    for (size_t k = 0; k < back.size(); ++k) {
      worst = std::max({worst, 1920.0 * std::abs(back[k].first - expected[k].first),
                        1080.0 * std::abs(back[k].second - expected[k].second)});
    }
    EXPECT_LT(worst, 1.0 / 64) << format;
  }
}

TEST_F(Tool, TablesHoldEveryPointOfBothGrids) {
  ASSERT_EQ(Run({"export", "demo.json", "--format", "csv", "--out", "grid.csv"}).exitCode, 0);
  ASSERT_EQ(Run({"export", "demo.json", "--format", "json", "--out", "grid.json"}).exitCode, 0);
  const std::string csv = Read("grid.csv");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + 65 * 37 + 5 * 5);
  // The demo's corrected top-left corner over its uncorrected one.
  EXPECT_TRUE(Contains(csv, "\nreal,0,0,70.91")) << csv.substr(0, 200);
  EXPECT_TRUE(Contains(csv, ",0.000000,0.000000\n"));
  const std::string json = Read("grid.json");
  EXPECT_TRUE(Contains(json, "\"panel\": [\n  1920,\n  1080\n ]")) << json.substr(0, 200);
  EXPECT_EQ(std::count(json.begin(), json.end(), '{'), 3 + 65 * 37 + 5 * 5);
}

// OpenCV reads the PFM; unzip lists the package and xmllint parses its XML.
TEST_F(Tool, OtherProgramsReadTheExports) {
  ASSERT_EQ(Run({"export", "demo.json", "--format", "pfm", "--size", "960x540", "--out", "map.pfm"}).exitCode, 0);
  const cv::Mat map = cv::imread((*s_dir / "map.pfm").string(), cv::IMREAD_UNCHANGED);
  ASSERT_EQ(map.type(), CV_32FC3);
  EXPECT_EQ(map.cols, 960);
  EXPECT_EQ(map.rows, 540);
  // OpenCV gives the file's (x, y, inside) as B, G, R: reversed.
  const cv::Vec3f centre = map.at<cv::Vec3f>(270, 480), corner = map.at<cv::Vec3f>(0, 0);
  EXPECT_TRUE(centre[0] == 1.0f && centre[2] > 0.4f && centre[2] < 0.6f) << centre;
  // The demo leaves the top-left corner dark.
  EXPECT_TRUE(corner[0] == 0.0f && std::isnan(corner[2])) << corner;

  ASSERT_EQ(Run({"export", "demo.json", "--format", "mpcdi", "--size", "480x270", "--out", "pkg.mpcdi"}).exitCode, 0);
  if (std::system("command -v unzip >/dev/null && command -v xmllint >/dev/null") != 0) {
    GTEST_SKIP() << "unzip or xmllint missing";
  }
  const std::string pkg = (*s_dir / "pkg.mpcdi").string();
  const std::string listing = (*s_dir / "listing.txt").string();
  ASSERT_EQ(std::system(("unzip -l '" + pkg + "' >'" + listing + "'").c_str()), 0);
  const std::string names = ReadFile(listing);
  EXPECT_TRUE(Contains(names, "region0_warp.pfm") && Contains(names, "2 files")) << names;
  // The warp file the XML names: unzip finds mpcdi.xml and xmllint parses it.
  ASSERT_EQ(std::system(("unzip -p '" + pkg + "' mpcdi.xml | xmllint --xpath "
                         "'string(//fileset[@region=\"region0\"]/geometryWarpFile/path)' - >'" +
                         listing + "'").c_str()), 0);
  EXPECT_EQ(ReadFile(listing).substr(0, 16), "region0_warp.pfm");
}

TEST_F(Tool, WarpShowsThePatternInsideTheWarpAndBlackOutside) {
  const ToolRun run = Run({"warp", "--test-pattern", "--warp", "demo/warp.obj", "--out", "warped.png"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const cv::Mat picture = cv::imread((*s_dir / "warped.png").string(), cv::IMREAD_COLOR);
  ASSERT_EQ(picture.cols, 1920);
  ASSERT_EQ(picture.rows, 1080);
  EXPECT_EQ(picture.at<cv::Vec3b>(2, 2), cv::Vec3b(0, 0, 0));
  EXPECT_NE(picture.at<cv::Vec3b>(300, 300), cv::Vec3b(0, 0, 0));
}

// Each bad command line, scenario, geometry file, map or picture: status 2, a
// message naming the file, step and fault, no output, the inputs unchanged. A
// step the library refuses: status 1 and an empty output folder.
TEST_F(Tool, BadInputEndsWithStatusTwoAndWritesNothing) {
  const std::string pfm = "PF\n2 2\n-1\n";
  const std::string setup = R"({"setup": {"panelSize": [640, 480], "realGridNum": [8, 6], )"
                            R"("opeGridNum": [2, 2], "dispGridNum": [2, 2]}, "steps": )";
  const std::vector<std::string> run{"run", "s.json", "--out", "o"};
  std::string sixPoints;
  for (int k = 0; k < 6; ++k) sixPoints += "#prev 0.5 0.5 0\n";
  const struct {
    std::string name;
    std::string content;
    std::vector<std::string> args;
    std::string expected;
    int exitCode = 2;
  } cases[] = {
      // No vertical line starts in the last row.
      {"s.json", setup + R"([{"op": "SetGeoAdjEnable", "enable": 1}, {"op": "MovePoint", "row": 1, "col": 1, "dx": 5, "dy": 5}, )"
                         R"({"op": "SetLineSmoothOnOff", "col": 0, "row": 2, "vertical": 1, "on": 1}]})",
       run, "step 3: SetLineSmoothOnOff failed with status 0x80070057", 1},
      {"short.pfm", pfm + std::string(40, '\0'), {"import", "short.pfm", "--format", "pfm", "--out", "r"}, "short.pfm: PFM data holds 40 bytes"},
      {"empty.pfm", pfm + std::string(48, '\0'), {"import", "empty.pfm", "--format", "pfm", "--out", "r"}, "does not reach the source point"},
      {"plain.mpcdi", "not a zip at all", {"import", "plain.mpcdi", "--format", "mpcdi", "--out", "r"}, "plain.mpcdi: not a zip"},
      {"mesh.txt", "2\n2 2\n0 0 0 0 1\n", {"import", "mesh.txt", "--format", "bourke", "--out", "r"}, "ends after 1 of 4"},
      {"", "", {"import", "missing.pfm", "--format", "pfm", "--out", "r"}, "missing.pfm"},
      {"", "", {"export", "demo.json", "--format", "pfm", "--size", "16384x16384", "--out", "r"}, "out of range"},
      {"", "", {"export", "demo.json", "--format", "pfm", "--size", "0x10", "--out", "r"}, "--size must look like"},
      {"", "", {"export", "demo.json", "--format", "bourke", "--size", "10x10", "--out", "r"}, "pfm and mpcdi only"},
      {"m.txt", "2\n2 2\n0 0 0 0 1\n", {"import", "m.txt", "--format", "bourke", "--real", "-3x4", "--out", "r"}, "--real must look like"},
      {"bad.png", "not a picture", {"warp", "bad.png", "--out", "r"}, "bad.png: not a PNG or JPEG"},
      {"s.json", setup + R"([{"op": "MovePiont", "row": 1, "col": 1, "dx": 1, "dy": 1}]})", run,
       R"(step 1: unknown operation "MovePiont" (did you mean "MovePoint"?))"},
      {"s.json", setup + R"([{"op": "RefreshAllPoint"}, {"op": "MovePoint", "row": 1, "col": 1, "dx": 1}]})", run,
       R"(step 2 (MovePoint): missing argument "dy")"},
      {"s.json", setup + R"([{"op": "MovePoint", "row": "1", "col": 1, "dx": 1, "dy": 1}]})", run,
       R"(step 1 (MovePoint): argument "row" must be an integer, got the string "1")"},
      {"s.json", setup + R"([{"op": "FlipV", "withOpeGrid": 1.5}]})", run,
       R"(step 1 (FlipV): argument "withOpeGrid" must be an integer, got the number 1.5)"},
      {"s.json", setup + R"([{"op": "MovePoint", "rwo": 1, "col": 1, "dx": 1, "dy": 1}]})", run,
       R"(step 1 (MovePoint): unknown argument "rwo")"},
      {"s.json", "{\n  \"setup\": {},\n  \"steps\": [\n    {\"op\": }\n  ]\n}\n", run, "s.json: not valid JSON"},
      // A face line that is not a quad of the layout tells nothing either.
      {"s.json", sixPoints + "f 5/5 6/6 1/1 2/2\n", {"info", "s.json"}, "the file does not tell its points per row; give --grid XxY"},
      {"s.json", sixPoints, {"info", "s.json", "--grid", "2x2"}, "the grid 2x2 has 9 points, the file 6"},
      {"", "", {"run", "nowhere.json"}, "cannot read scenario 'nowhere.json': no such file"},
      {"f", "x", {"demo", "--out", "f"}, "is not a directory"},
      {"f", "x", {"demo", "--out", "f/sub"}, "cannot create output directory"},
      {"f", "x", {"info", "f"}, "not a warp geometry text"},
      {"", "", {}, ""},
      {"", "", {"dance"}, ""},
      {"", "", {"run"}, ""},
      {"", "", {"demo", "--size", "5"}, ""},
      {"", "", {"render", "x.obj", "--panel", "wide"}, "--panel must look like 1920x1080"},
  };
  for (const auto& k : cases) {
    ScratchDir dir;
    std::vector<std::string> inputs{"demo.json"};
    WriteFile(dir / "demo.json", Read("demo.json"));
    if (!k.name.empty()) {
      WriteFile(dir / k.name, k.content);
      inputs.push_back(k.name);
    }
    if (k.exitCode == 1) inputs.push_back("o");
    std::sort(inputs.begin(), inputs.end());
    const ToolRun run = RunTool(k.args, dir.path());
    EXPECT_EQ(run.exitCode, k.exitCode) << k.expected << ": " << run.err;
    EXPECT_TRUE(Contains(run.err, k.expected)) << run.err;
    EXPECT_EQ(Entries(dir.path()), inputs) << k.expected;
    if (k.exitCode == 1) {
      EXPECT_TRUE(Entries(dir / "o").empty()) << "nothing half-written";
    }
    if (!k.name.empty()) {
      EXPECT_EQ(ReadFile(dir / k.name), k.content) << k.expected;
    }
  }
}

}  // namespace
}  // namespace kvogc::test
