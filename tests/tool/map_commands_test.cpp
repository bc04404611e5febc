// warp, export and import end to end: every format goes out and comes back
// to the same warp, other programs read what export writes, and bad input
// ends with status 2 and no output.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <sstream>

#include "ToolTestSupport.h"

namespace kvogc::test {
namespace {

constexpr double kPanelW = 1920.0, kPanelH = 1080.0;

// The "v " lines of a warp geometry text in panel pixels (the text keeps
// panel fractions with y up).
std::vector<std::pair<double, double>> FinalPoints(const std::string& text) {
  std::vector<std::pair<double, double>> points;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("v ", 0) != 0) continue;
    std::istringstream fields(line.substr(2));
    double x = 0, y = 0;
    fields >> x >> y;
    points.emplace_back(x * kPanelW, (1.0 - y) * kPanelH);
  }
  return points;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

bool HaveCommand(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

class MapCommands : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_dir = new ScratchDir();
    const ToolRun scenario = RunTool({"demo", "--print-scenario"}, s_dir->path());
    WriteFile(*s_dir / "demo.json", scenario.out);
    s_demo = new ToolRun(RunTool({"demo", "--out", "demo"}, s_dir->path()));
  }
  static void TearDownTestSuite() {
    delete s_demo;
    delete s_dir;
  }
  static ToolRun Run(const std::vector<std::string>& args) { return RunTool(args, s_dir->path()); }
  static std::string Read(const std::string& name) { return ReadFile(*s_dir / name); }

  static ScratchDir* s_dir;
  static ToolRun* s_demo;
};
ScratchDir* MapCommands::s_dir = nullptr;
ToolRun* MapCommands::s_demo = nullptr;

// Exported and imported again, the demo's warp gives the same final real
// grid within 1/64 px in every format that comes back.
TEST_F(MapCommands, EveryFormatComesBackToTheSameFinalGrid) {
  ASSERT_EQ(s_demo->exitCode, 0) << s_demo->err;
  const auto expected = FinalPoints(Read("demo/warp.obj"));
  ASSERT_EQ(expected.size(), 65u * 37u);
  for (const std::string format : {"pfm", "mpcdi", "bourke"}) {
    const ToolRun exported = Run({"export", "demo.json", "--format", format, "--out", "out." + format});
    ASSERT_EQ(exported.exitCode, 0) << format << ": " << exported.err;
    const ToolRun imported = Run({"import", "out." + format, "--format", format, "--out", format + ".obj"});
    ASSERT_EQ(imported.exitCode, 0) << format << ": " << imported.err;
    const auto back = FinalPoints(Read(format + ".obj"));
    ASSERT_EQ(back.size(), expected.size()) << format;
    double worst = 0.0;
    for (size_t k = 0; k < back.size(); ++k) {
      worst = std::max({worst, std::abs(back[k].first - expected[k].first),
                        std::abs(back[k].second - expected[k].second)});
    }
    EXPECT_LT(worst, 1.0 / 64) << format;
  }
}

TEST_F(MapCommands, TablesHoldEveryPointOfBothGrids) {
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
TEST_F(MapCommands, OtherProgramsReadTheExports) {
  ASSERT_EQ(Run({"export", "demo.json", "--format", "pfm", "--size", "960x540", "--out", "map.pfm"}).exitCode, 0);
  const cv::Mat map = cv::imread((*s_dir / "map.pfm").string(), cv::IMREAD_UNCHANGED);
  ASSERT_EQ(map.type(), CV_32FC3);
  EXPECT_EQ(map.cols, 960);
  EXPECT_EQ(map.rows, 540);
  // OpenCV gives the file's (x, y, inside) as B, G, R: reversed.
  const cv::Vec3f centre = map.at<cv::Vec3f>(270, 480);
  EXPECT_EQ(centre[0], 1.0f);
  EXPECT_GT(centre[2], 0.4f);
  EXPECT_LT(centre[2], 0.6f);
  const cv::Vec3f corner = map.at<cv::Vec3f>(0, 0);  // the demo leaves the top-left corner dark
  EXPECT_EQ(corner[0], 0.0f);
  EXPECT_TRUE(std::isnan(corner[2]));

  ASSERT_EQ(Run({"export", "demo.json", "--format", "mpcdi", "--size", "480x270", "--out", "pkg.mpcdi"}).exitCode, 0);
  if (!HaveCommand("unzip") || !HaveCommand("xmllint")) GTEST_SKIP() << "unzip or xmllint missing";
  const std::string pkg = (*s_dir / "pkg.mpcdi").string();
  const std::string listing = (*s_dir / "listing.txt").string();
  ASSERT_EQ(std::system(("unzip -l '" + pkg + "' >'" + listing + "'").c_str()), 0);
  const std::string names = ReadFile(listing);
  EXPECT_TRUE(Contains(names, "mpcdi.xml")) << names;
  EXPECT_TRUE(Contains(names, "region0_warp.pfm")) << names;
  EXPECT_TRUE(Contains(names, "2 files")) << names;
  EXPECT_EQ(std::system(("unzip -p '" + pkg + "' mpcdi.xml | xmllint --noout -").c_str()), 0);
  ASSERT_EQ(std::system(("unzip -p '" + pkg + "' mpcdi.xml | xmllint --xpath "
                         "'string(//fileset[@region=\"region0\"]/geometryWarpFile/path)' - >'" +
                         listing + "'").c_str()), 0);
  EXPECT_EQ(ReadFile(listing).substr(0, 16), "region0_warp.pfm");
}

TEST_F(MapCommands, WarpShowsThePatternInsideTheWarpAndBlackOutside) {
  const ToolRun run = Run({"warp", "--test-pattern", "--warp", "demo/warp.obj", "--out", "warped.png"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const cv::Mat picture = cv::imread((*s_dir / "warped.png").string(), cv::IMREAD_COLOR);
  ASSERT_EQ(picture.cols, 1920);
  ASSERT_EQ(picture.rows, 1080);
  EXPECT_EQ(picture.at<cv::Vec3b>(2, 2), cv::Vec3b(0, 0, 0));
  EXPECT_NE(picture.at<cv::Vec3b>(300, 300), cv::Vec3b(0, 0, 0));
}

// Each bad input: status 2, a message naming the file and the fault, no output.
TEST_F(MapCommands, BadInputEndsWithStatusTwoAndWritesNothing) {
  const std::string pfmHeader = "PF\n2 2\n-1\n";
  const struct {
    std::string name;
    std::string content;
    std::vector<std::string> args;
    std::string expected;
  } cases[] = {
      {"short.pfm", pfmHeader + std::string(40, '\0'), {"import", "short.pfm", "--format", "pfm"}, "short.pfm: PFM data holds 40 bytes"},
      {"grey.pfm", "Pf\n2 2\n-1\n" + std::string(16, '\0'), {"import", "grey.pfm", "--format", "pfm"}, "1 channel"},
      {"inf.pfm", "PF\n2 2\ninf\n" + std::string(48, '\0'), {"import", "inf.pfm", "--format", "pfm"}, "finite non-zero"},
      {"empty.pfm", pfmHeader + std::string(48, '\0'), {"import", "empty.pfm", "--format", "pfm"}, "does not reach the source point"},
      {"plain.mpcdi", "not a zip at all", {"import", "plain.mpcdi", "--format", "mpcdi"}, "plain.mpcdi: not a zip"},
      {"mesh.txt", "2\n2 2\n0 0 0 0 1\n", {"import", "mesh.txt", "--format", "bourke"}, "ends after 1 of 4"},
      {"words.txt", "2\n2 2\na b c d e\n", {"import", "words.txt", "--format", "bourke"}, "line 3: 'a' is not a number"},
      {"", "", {"import", "missing.pfm", "--format", "pfm"}, "missing.pfm"},
      {"", "", {"export", "demo.json", "--format", "pfm", "--size", "16384x16384"}, "out of range"},
      {"", "", {"export", "demo.json", "--format", "pfm", "--size", "0x10"}, "--size must look like"},
      {"", "", {"export", "demo.json", "--format", "bourke", "--size", "10x10"}, "pfm and mpcdi only"},
      {"mesh2.txt", "2\n2 2\n0 0 0 0 1\n", {"import", "mesh2.txt", "--format", "bourke", "--real", "-3x4"}, "--real must look like"},
      {"bad.png", "not a picture", {"warp", "bad.png"}, "bad.png: not a PNG or JPEG"},
  };
  for (const auto& k : cases) {
    ScratchDir dir;
    if (!k.name.empty()) WriteFile(dir / k.name, k.content);
    WriteFile(dir / "demo.json", Read("demo.json"));
    std::vector<std::string> args = k.args;
    args.insert(args.end(), {"--out", "result.out"});
    const ToolRun run = RunTool(args, dir.path());
    EXPECT_EQ(run.exitCode, 2) << k.expected << ": " << run.err;
    EXPECT_TRUE(Contains(run.err, k.expected)) << run.err;
    std::vector<std::string> expectedEntries{"demo.json"};
    if (!k.name.empty()) expectedEntries.push_back(k.name);
    std::sort(expectedEntries.begin(), expectedEntries.end());
    EXPECT_EQ(Entries(dir.path()), expectedEntries) << k.expected;
  }
}

}  // namespace
}  // namespace kvogc::test
