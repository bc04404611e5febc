// Reading scenarios: the set-up, the steps' arguments in interface order, and
// the messages of malformed ones.
#include <gtest/gtest.h>

#include "Scenario.h"
#include "ToolError.h"

namespace kvogc::tool {
namespace {

const char* kSetup =
    R"("setup": {"panelSize": [1280, 800], "realGridNum": [32, 20], "opeGridNum": [4, 5],
                 "dispGridNum": [8, 10]})";

std::string WithSteps(const std::string& steps) {
  return std::string("{") + kSetup + R"(, "steps": )" + steps + "}";
}

// The message of the CToolError that parsing throws; empty when it parses.
std::string ErrorOf(const std::string& json) {
  try {
    ParseScenario(json, "s.json", "/base");
  } catch (const CToolError& error) {
    EXPECT_EQ(error.Status(), kExitBadInput);
    return error.what();
  }
  return {};
}

TEST(ScenarioSetup, DefaultsAndOptionalArguments) {
  const Scenario plain = ParseScenario(WithSteps("[]"), "s.json", "/base");
  EXPECT_EQ(plain.setup.panelSize.cx, 1280);
  EXPECT_EQ(plain.setup.panelSize.cy, 800);
  EXPECT_EQ(plain.setup.deviceSize.cx, 1280) << "the device defaults to the panel";
  EXPECT_EQ(plain.setup.opeGridNum.cy, 5);
  EXPECT_EQ(plain.setup.dispGridNum.cx, 8);
  EXPECT_EQ(plain.setup.marginX, 600.0);
  EXPECT_FALSE(plain.setup.offset);
  EXPECT_TRUE(plain.steps.empty());

  const Scenario offset = ParseScenario(
      R"({"setup": {"panelSize": [1920, 1080], "deviceSize": [3840, 2160], "realGridNum": [4, 4],
          "opeGridNum": [2, 2], "dispGridNum": [2, 2], "marginX": 10.5, "marginY": 0,
          "offsetX": 10, "offsetY": 20}, "steps": []})",
      "s.json", "/base");
  EXPECT_EQ(offset.setup.deviceSize.cx, 3840);
  EXPECT_EQ(offset.setup.marginX, 10.5);
  EXPECT_EQ(offset.setup.marginY, 0.0);
  ASSERT_TRUE(offset.setup.offset);
  EXPECT_EQ((*offset.setup.offset)[1], 20.0);
}

TEST(ScenarioSetup, RejectsWhatItCannotSetUp) {
  EXPECT_EQ(ErrorOf(R"({"steps": []})"), "s.json: top level: missing \"setup\"");
  EXPECT_EQ(ErrorOf(R"({"setup": {"panelSize": [1, 1]}, "steps": []})"),
            "s.json: setup: missing argument \"realGridNum\"");
  EXPECT_NE(ErrorOf(R"({"setup": {"panelSize": [0, 1080], "realGridNum": [4, 4], "opeGridNum": [2, 2],
                       "dispGridNum": [2, 2]}, "steps": []})")
                .find("argument \"panelSize[0]\" is 0, outside 1..16384"),
            std::string::npos);
  EXPECT_NE(ErrorOf(R"({"setup": {"panelSize": [8, 8], "realGridNum": [4, 4, 4], "opeGridNum": [2, 2],
                       "dispGridNum": [2, 2]}, "steps": []})")
                .find("must be a pair [cx, cy], got an array of 3"),
            std::string::npos);
  EXPECT_NE(ErrorOf(R"({"setup": {"panelSize": [8, 8], "realGridNum": [4, 4], "opeGridNum": [2, 2],
                       "dispGridNum": [2, 2], "offsetX": 3}, "steps": []})")
                .find("give both offsetX and offsetY"),
            std::string::npos);
  EXPECT_NE(ErrorOf(std::string("{") + kSetup + R"(, "steps": [], "extra": 1})")
                .find("unknown key \"extra\""),
            std::string::npos);
}

TEST(ScenarioSteps, ArgumentsAreKeptInInterfaceOrderWhateverTheirOrderInTheFile) {
  const Scenario s = ParseScenario(
      WithSteps(R"([{"dy": -4.5, "op": "MoveAreaMulti", "colLast": 3, "dx": 10, "rowLast": 2,
                     "colFirst": 1, "rowFirst": 0},
                    {"op": "SetPinCushion", "leftUp": [0.1, 0.2], "rightUp": [1, 0],
                     "rightLow": [1, 1], "leftLow": [0, 1], "left": 1, "upper": 2, "right": 3,
                     "lower": 4, "isFitSize": 1},
                    {"op": "GetGeoObjDataFromFile", "path": "sub/warp.obj"}])"),
      "s.json", "/base");
  ASSERT_EQ(s.steps.size(), 3u);
  const StepArgs& move = s.steps[0].args;
  EXPECT_EQ(s.steps[0].op->name, "MoveAreaMulti");
  EXPECT_EQ(s.steps[0].number, 1u);
  EXPECT_EQ(move.Int(0), 0);
  EXPECT_EQ(move.Int(1), 2);
  EXPECT_EQ(move.Int(2), 1);
  EXPECT_EQ(move.Int(3), 3);
  EXPECT_EQ(move.Double(4), 10.0);
  EXPECT_EQ(move.Double(5), -4.5);
  const StepArgs& pin = s.steps[1].args;
  EXPECT_EQ(pin.Corner(0)[1], 0.2);
  EXPECT_EQ(pin.Double(7), 4.0);
  EXPECT_EQ(pin.Int(8), 1);
  EXPECT_EQ(s.steps[2].args.Path(0), (std::filesystem::path("/base") / "sub/warp.obj").string());
  EXPECT_EQ(s.steps[2].number, 3u);
}

TEST(ScenarioSteps, MalformedStepsNameTheStepAndArgument) {
  EXPECT_EQ(ErrorOf(WithSteps(R"([{"op": "RefreshAllPoint"}, 7])")),
            "s.json: step 2: expected an object such as {\"op\": \"RefreshAllPoint\"}, got number");
  EXPECT_EQ(ErrorOf(WithSteps(R"([{"row": 1}])")),
            "s.json: step 1: missing \"op\", the operation's name");
  EXPECT_EQ(ErrorOf(WithSteps(R"([{"op": "Dance"}])")), "s.json: step 1: unknown operation \"Dance\"");
  EXPECT_EQ(ErrorOf(WithSteps(R"([{"op": "flipv", "withOpeGrid": 0}])")),
            "s.json: step 1: unknown operation \"flipv\" (did you mean \"FlipV\"?)");
  EXPECT_EQ(ErrorOf(WithSteps(R"([{"op": "FlipH"}])")),
            "s.json: step 1 (FlipH): missing argument \"withOpeGrid\"; FlipH takes withOpeGrid");
  EXPECT_EQ(ErrorOf(WithSteps(R"([{"op": "RefreshAllPoint", "now": 1}])")),
            "s.json: step 1 (RefreshAllPoint): unknown argument \"now\"; RefreshAllPoint takes no "
            "arguments");
  EXPECT_EQ(ErrorOf(WithSteps(R"([{"op": "FlipH", "withOpeGrid": 2147483648}])")),
            "s.json: step 1 (FlipH): argument \"withOpeGrid\" is 2147483648, outside "
            "-2147483648..2147483647");
  EXPECT_EQ(ErrorOf(WithSteps(R"([{"op": "FlipH", "withOpeGrid": true}])")),
            "s.json: step 1 (FlipH): argument \"withOpeGrid\" must be an integer, got boolean");
  EXPECT_EQ(ErrorOf(WithSteps(R"([{"op": "SetOpeGridNum", "opeGridNum": [4, 300]}])")),
            "s.json: step 1 (SetOpeGridNum): argument \"opeGridNum[1]\" is 300, outside 1..256");
  EXPECT_EQ(ErrorOf(WithSteps(R"([{"op": "AnalyseGeoObjFile", "path": ""}])")),
            "s.json: step 1 (AnalyseGeoObjFile): argument \"path\" must be a file name");
}

}  // namespace
}  // namespace kvogc::tool
