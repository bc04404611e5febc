// The editor's session: undo and redo give back the exact bits, previews leave
// no trace, and the saved session replays to the same grids.
#include <gtest/gtest.h>

#include "EditTestSupport.h"

namespace kvogc::tool {
namespace {

// Edits of every kind, curve handles among them, which the library does not report.
const char* const kEdits[] = {
    R"({"op":"MovePoint","row":1,"col":1,"dx":12.25,"dy":-7.5})",
    R"({"op":"MoveLineHor","row":2,"col":1,"dx":0,"dy":9})",
    R"({"op":"SetSmoothModeOnOff","on":1})",
    R"({"op":"SetSmoothLine","col":1,"row":1,"vertical":0,"startHandleX":30,"startHandleY":-20,"endHandleX":-30,"endHandleY":25})",
    R"({"op":"MoveAreaMulti","rowFirst":1,"rowLast":2,"colFirst":1,"colLast":2,"dx":-5,"dy":4})",
    R"({"op":"SetLinearity","vertical":3.5,"horizontal":-2})",
    R"({"op":"MovePoint","row":0,"col":0,"dx":-400,"dy":0})",
    R"({"op":"SetPinCushion","leftUp":[0.02,0.03],"rightUp":[0.97,0.01],"rightLow":[1,1],"leftLow":[0,0.98],"left":0.1,"upper":-0.2,"right":0,"lower":0,"isFitSize":0})",
    R"({"op":"FlipH","withOpeGrid":1})",
    R"({"op":"MoveLineVerMulti","rowFirst":0,"rowLast":3,"col":2,"dx":6,"dy":0})",
    R"({"op":"SetOpeGridNum","opeGridNum":[5,4]})",
    R"({"op":"MoveArea","row":1,"col":2,"dx":3,"dy":3})",
};

// Everything the callbacks reported and the comment record, as plain values.
struct Snapshot {
  std::vector<std::vector<double>> grids;
  std::vector<int32_t> sizes;
  bool operator==(const Snapshot&) const = default;
};

Snapshot Of(const EditGrids& g, std::vector<int32_t> comment) {
  Snapshot s{{g.real, g.opeNodes, g.opeHLines, g.opeVLines, g.dispHLines, g.dispVLines}, std::move(comment)};
  for (GridSize size : {g.realGridNum, g.opeGridNum, g.dispGridNum}) s.sizes.insert(s.sizes.end(), {size.cx, size.cy});
  s.sizes.insert(s.sizes.end(), {g.opeHCount, g.opeVCount, g.dispHCount, g.dispVCount});
  return s;
}

Snapshot Take(CEditSession& session) {
  EditView view = session.View();
  return Of(view.grids, std::move(view.comment));
}

TEST(EditSession, UndoAndRedoGiveBackTheExactStateAtEveryStep) {
  // Checkpoints every two edits, two kept: replays start from a checkpoint, from a
  // checkpoint that a later one consumed, and from a fresh manager.
  for (const bool waitForCheckpoints : {false, true}) {
    CEditSession session(SmallSetup(), Base(), EditVariant::Plain, {2, 2});
    std::vector<Snapshot> states{Take(session)};
    for (const char* edit : kEdits) {
      ASSERT_EQ(session.Apply(Step(edit), false).status, KVOGC_OK) << edit;
      states.push_back(Take(session));
      if (waitForCheckpoints) session.WaitIdle();
    }
    ASSERT_NE(states.front(), states.back());
    for (size_t i = states.size() - 1; i > 0; --i) {
      ASSERT_TRUE(session.Undo());
      ASSERT_EQ(Take(session), states[i - 1]) << "after undoing edit " << i;
      if (waitForCheckpoints && i % 3 == 0) session.WaitIdle();
    }
    EXPECT_FALSE(session.Undo());
    for (size_t i = 1; i < states.size(); ++i) {
      ASSERT_TRUE(session.Redo());
      ASSERT_EQ(Take(session), states[i]) << "after redoing edit " << i;
    }
    EXPECT_FALSE(session.Redo());
  }
}

// After two undos a drag shows previews that cancel without a trace; its
// final step is exact and drops the redo tail.
TEST(EditSession, PreviewsLeaveNoTraceAndAStepAfterUndoDropsTheRedoTail) {
  CEditSession session(SmallSetup(), Base(), EditVariant::Plain, {1, 4});
  for (int i = 0; i < 3; ++i) session.Apply(Step(kEdits[i]), false);
  session.WaitIdle();
  session.Undo();
  session.Undo();
  const Snapshot before = Take(session);
  const char* const drag = R"({"op":"MovePoint","row":2,"col":2,"dx":3.3,"dy":1.1})";
  for (int i = 0; i < 5; ++i) ASSERT_EQ(session.Apply(Step(drag), true).status, KVOGC_OK);
  EXPECT_TRUE(session.View().previewing);
  EXPECT_TRUE(session.Cancel());
  EXPECT_EQ(Take(session), before);
  EXPECT_FALSE(session.Cancel());

  for (int i = 0; i < 5; ++i) session.Apply(Step(drag), true);
  const char* const whole = R"({"op":"MovePoint","row":2,"col":2,"dx":16.5,"dy":5.5})";
  session.Apply(Step(whole), false);
  session.WaitIdle();
  EXPECT_EQ(session.View().position, 2u);
  EXPECT_EQ(session.View().count, 2u);
  EXPECT_FALSE(session.Redo());
  CEditSession direct(SmallSetup(), Base(), EditVariant::Plain);
  direct.Apply(Step(kEdits[0]), false);
  direct.Apply(Step(whole), false);
  EXPECT_EQ(Take(session), Take(direct));
}

TEST(EditSession, TheSavedScenarioReplaysToTheSameGrids) {
  CEditSession session(SmallSetup(), Base(), EditVariant::Plain);
  for (const char* edit : kEdits) session.Apply(Step(edit), false);
  session.Undo();  // the undone edit is not part of the saved session
  const std::string text = session.ScenarioJson("test");
  const Scenario scenario = ParseScenario(text, "saved", std::filesystem::current_path());
  EXPECT_EQ(scenario.steps.size(), Base().size() + std::size(kEdits) - 1);

  const Snapshot live = Take(session);
  CEditManager replay(scenario.setup, EditVariant::Plain);
  for (const ScenarioStep& step : scenario.steps) ASSERT_EQ(replay.Run(step).status, KVOGC_OK);
  EXPECT_EQ(Of(replay.Grids(), replay.Comment()), live);
}

}  // namespace
}  // namespace kvogc::tool
