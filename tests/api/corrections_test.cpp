// The correction chain seen by a host: which grids follow which correction,
// callback orders, set-up behaviour and the comment encodings.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "api/HostRecorder.h"

namespace kvogc::test {
namespace {

constexpr GridSize kPanel{1920, 1080};
constexpr GridSize kReal{8, 8};
constexpr GridSize kOpe{4, 4};
constexpr GridSize kDisp{2, 2};

class CorrectionsTest : public HostTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(Register<0>(m, kOpe, kDisp), KVOGC_OK);
    ASSERT_EQ(SetUpManager(m, kPanel, kReal, kDisp, kOpe), KVOGC_OK);
    ASSERT_EQ(kvogcGridManager_SetGeoAdjEnable(m, 1), KVOGC_OK);
    ASSERT_EQ(kvogcGridManager_SetGeoAdjMode(m, 0), KVOGC_OK);
  }
  // Corners as fractions of the panel: left up, right up, right low, left low.
  int32_t SetPinCushion(std::array<double, 8> k, double left, double top, double right,
                        double bottom, int32_t fit) {
    return kvogcGridManager_SetPinCushion(m, &k[0], &k[2], &k[4], &k[6], left, top, right,
                                          bottom, fit);
  }
};

TEST_F(CorrectionsTest, LinearityMovesRowsAndReportsDisplayThenOperation) {
  rec().reports.clear();
  ASSERT_EQ(kvogcGridManager_SetLinearity(m, 30.0, 0.0), KVOGC_OK);
  EXPECT_EQ(rec().Order(), "DO");
  const Report& r = Refreshed();
  EXPECT_NEAR(Y(r, 4, 3) / 1080, 0.555556, 2e-6);  // the corrector's worked spacing
  // The final operation grid is carried through the correctors, not resampled.
  const Report& ope = *rec().Last('O');
  EXPECT_EQ(ope.points[2 * (2 * 5 + 1) + 1], Y(r, 4, 2));
  EXPECT_EQ(CommentOf(m)[9], 42);  // LinearityY = round(30/90·127)
}

TEST_F(CorrectionsTest, DisabledAdjustmentKeepsTheReferenceButStillReports) {
  kvogcGridManager_SetGeoAdjEnable(m, 0);
  rec().reports.clear();
  ASSERT_EQ(kvogcGridManager_SetLinearity(m, 30.0, 10.0), KVOGC_OK);
  EXPECT_EQ(rec().Order(), "DO");
  const Report& r = Refreshed();
  EXPECT_EQ(Y(r, 2, 3), 270.0);
  EXPECT_EQ(X(r, 2, 4), 960.0);
  // GetBasicFinalPosition runs the whole chain whatever the switches.
  double corner[2] = {0, 0};
  ASSERT_EQ(kvogcGridManager_GetBasicFinalPosition(m, 1, 1, corner), KVOGC_OK);
  EXPECT_EQ(corner[0], 1920.0);
  EXPECT_EQ(corner[1], 1080.0);
  ASSERT_EQ(SetPinCushion({0.1, 0.0, 1.0, 0.0, 1.0, 1.0, 0.0, 1.0}, 0, 0, 0, 0, 0), KVOGC_OK);
  ASSERT_EQ(kvogcGridManager_GetBasicFinalPosition(m, 0, 0, corner), KVOGC_OK);
  EXPECT_NEAR(corner[0], 192.0, 1.0 / 256);
  double untouched[2] = {-1, -1};
  EXPECT_EQ(kvogcGridManager_GetBasicFinalPosition(m, 2, 0, untouched), KVOGC_OK);
  EXPECT_EQ(untouched[0], -1.0);
}

TEST_F(CorrectionsTest, KeyStoneAppliesOnlyInTheKeyStoneScreen) {
  rec().reports.clear();
  ASSERT_EQ(kvogcGridManager_SetKeyStone(m, 10, 0, 0, 2.0, 0, 0, 0, 0), KVOGC_OK);
  EXPECT_EQ(rec().Order(), "");  // four-corner screen: stored, not applied
  EXPECT_EQ(CommentOf(m)[19], 100);
  EXPECT_EQ(Y(Refreshed(), 0, 0), 0.0);
  rec().reports.clear();
  ASSERT_EQ(kvogcGridManager_SetKeyStoneMode(m, 1), KVOGC_OK);
  EXPECT_EQ(rec().Order(), "");  // the keystone waits for the next SetKeyStone
  ASSERT_EQ(kvogcGridManager_SetKeyStone(m, 10, 0, 0, 2.0, 0, 0, 0, 0), KVOGC_OK);
  EXPECT_EQ(rec().Order(), "DOR");
  const Report& r = *rec().Last('R');
  const double top = X(r, 0, 8) - X(r, 0, 0);
  const double bottom = X(r, 8, 8) - X(r, 8, 0);
  EXPECT_NE(top, bottom);  // one horizontal edge shortened...
  EXPECT_NEAR(std::max(top, bottom), 1920.0, 1.0 / 128);  // ...the other kept
  for (size_t k = 0; k < r.points.size(); k += 2) {
    EXPECT_GE(r.points[k], 0.0);
    EXPECT_LE(r.points[k], 1920.0);
    EXPECT_GE(r.points[k + 1], 0.0);
    EXPECT_LE(r.points[k + 1], 1080.0);
  }
  // Back to the four-corner screen: the keystone becomes the stored rotation again.
  rec().reports.clear();
  ASSERT_EQ(kvogcGridManager_SetKeyStoneMode(m, 0), KVOGC_OK);
  EXPECT_EQ(rec().Order(), "DO");
  EXPECT_EQ(X(Refreshed(), 8, 8), 1920.0);
}

TEST_F(CorrectionsTest, CornerRotationReportsDisplayOperationReal) {
  rec().reports.clear();
  ASSERT_EQ(kvogcGridManager_Set4CornerRotation(m, 5.0, 0), KVOGC_OK);
  EXPECT_EQ(rec().Order(), "DOR");
  EXPECT_EQ(CommentOf(m)[14], 500);
  const Report& r = *rec().Last('R');
  EXPECT_NE(Y(r, 0, 0), Y(r, 0, 8));  // the top edge is no longer level
  EXPECT_NEAR(X(r, 4, 4), 960.0, 1.0 / 256);  // about the centre
}

TEST_F(CorrectionsTest, AutoReductionShrinksTheFinalGridIntoThePanel) {
  // Corners pulled outside the panel on the left.
  ASSERT_EQ(SetPinCushion({-0.05, 0.0, 1.0, 0.0, 1.0, 1.0, -0.05, 1.0}, 0, 0, 0, 0, 0), KVOGC_OK);
  EXPECT_LT(rec().Last('O')->points[0], 0.0);
  rec().reports.clear();
  ASSERT_EQ(kvogcGridManager_AutoReduction(m, 1), KVOGC_OK);
  EXPECT_EQ(rec().Order(), "DO");
  const Report& ope = *rec().Last('O');
  EXPECT_GE(ope.points[0], -1.0 / 256);
  EXPECT_EQ(CommentOf(m)[15], 1);
  rec().reports.clear();
  ASSERT_EQ(kvogcGridManager_AutoReduction(m, 0), KVOGC_OK);  // resamples only
  EXPECT_EQ(rec().Order(), "DO");
}

TEST_F(CorrectionsTest, InitBasicCalcParamResetsWithoutRecomputing) {
  ASSERT_EQ(kvogcGridManager_SetLinearity(m, 30.0, 0.0), KVOGC_OK);
  rec().reports.clear();
  ASSERT_EQ(kvogcGridManager_InitBasicCalcParam(m), KVOGC_OK);
  EXPECT_EQ(rec().Order(), "");
  EXPECT_EQ(CommentOf(m)[9], 42);  // the record keeps what was given
  EXPECT_EQ(Y(Refreshed(), 2, 3), 270.0);
}

TEST_F(CorrectionsTest, PinCushionCommentEncodings) {
  ASSERT_EQ(SetPinCushion({0.01, 0.02, 0.97, 0.03, 0.98, 0.99, 0.015, 0.985}, 1.239, -0.5, 0.75,
                          -1.0, 1),
            KVOGC_OK);
  // Corners in tenths of a pixel from their own panel corner, y inverted:
  // LeftUpX = round(1920·0.01·10), RightLowY = round((0.99−1)·1080·10); edges
  // truncated hundredths: PincushionLeft = trunc(1.239·100); then the fit flag.
  const auto c = CommentOf(m);
  EXPECT_EQ(std::vector<int32_t>(c.begin(), c.begin() + 16),
            (std::vector<int32_t>{288, -162, 192, 216, -384, -108, -576, 324, 0, 0, -50, -100,
                                  123, 75, 0, 1}));
  EXPECT_EQ(kvogcGridManager_SetPinCushion(m, nullptr, nullptr, nullptr, nullptr, 0, 0, 0, 0, 0),
            KVOGC_E_INVALIDARG);
}

TEST_F(CorrectionsTest, NonFiniteParametersNeverCrashAndSetParamRecovers) {
  const double nan = std::nan("");
  EXPECT_EQ(kvogcGridManager_SetLinearity(m, nan, INFINITY), KVOGC_OK);
  EXPECT_EQ(kvogcGridManager_SetLinearity(m, 90.0, -90.0), KVOGC_OK);
  EXPECT_EQ(SetPinCushion({nan, 0.0, 1.0, INFINITY, 1.0, 1.0, 0.0, 1.0}, nan, 0, 0, 0, 1), KVOGC_OK);
  EXPECT_EQ(kvogcGridManager_Set4CornerRotation(m, nan, 1), KVOGC_OK);
  EXPECT_EQ(kvogcGridManager_SetKeyStoneMode(m, 1), KVOGC_OK);
  EXPECT_EQ(kvogcGridManager_SetKeyStone(m, 89.9, nan, nan, 0.0, INFINITY, 0, 0, 1), KVOGC_OK);
  int32_t limitX = 7;
  int32_t limitY = 7;
  EXPECT_EQ(kvogcGridManager_MovePoint(m, 1, 1, 5, 5, &limitX, &limitY), KVOGC_OK);
  EXPECT_EQ(kvogcGridManager_AutoReduction(m, 1), KVOGC_OK);
  double corner[2];
  EXPECT_EQ(kvogcGridManager_GetBasicFinalPosition(m, 1, 1, corner), KVOGC_OK);
  EXPECT_EQ(CommentOf(m)[14], INT32_MIN);  // a NaN angle has no integer record value
  // SetParam resets the correctors; the keystone screen stays selected.
  ASSERT_EQ(SetUpManager(m, kPanel, kReal, kDisp, kOpe), KVOGC_OK);
  EXPECT_EQ(X(Refreshed(), 8, 8), 1920.0);
  EXPECT_EQ(Y(Refreshed(), 4, 4), 540.0);
}

}  // namespace
}  // namespace kvogc::test
