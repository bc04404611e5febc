// Edits through the exported interface: moves with their clamp and flags,
// smoothing, absolute points, flips, and rejected indices.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "api/HostRecorder.h"

namespace kvogc::test {
namespace {

constexpr GridSize kPanel{1920, 1080};
constexpr GridSize kReal{16, 8};
constexpr GridSize kOpe{4, 4};
constexpr GridSize kDisp{2, 2};

class EditsTest : public HostTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(Register<0>(m, kOpe, kDisp), KVOGC_OK);
    ASSERT_EQ(SetUpManager(m, kPanel, kReal, kDisp, kOpe), KVOGC_OK);
    ASSERT_EQ(kvogcGridManager_SetGeoAdjEnable(m, 1), KVOGC_OK);
  }
};

TEST_F(EditsTest, PointMoveIsLocalToTheFourCellsAroundIt) {
  const Report before = Refreshed();
  int32_t lx = 0;
  int32_t ly = 0;
  ASSERT_EQ(kvogcGridManager_MovePoint(m, 2, 2, 40, -20, &lx, &ly), KVOGC_OK);
  const Report& after = *rec().Last('R');
  for (int32_t row = 0; row <= 8; ++row) {
    for (int32_t col = 0; col <= 16; ++col) {
      const bool changed = X(after, row, col) != X(before, row, col) ||
                           Y(after, row, col) != Y(before, row, col);
      const bool inside = row > 2 && row < 6 && col > 4 && col < 12;
      EXPECT_EQ(changed, inside) << row << "," << col;
    }
  }
  EXPECT_EQ(X(after, 4, 8), 1000.0);
  EXPECT_EQ(Y(after, 4, 8), 520.0);
}

TEST_F(EditsTest, TheClampBoundsTheBaseNodeWithinTheMargins) {
  int32_t limitX = 7;
  int32_t limitY = 7;
  ASSERT_EQ(kvogcGridManager_MovePoint(m, 0, 0, -700, 0, &limitX, &limitY), KVOGC_OK);
  EXPECT_EQ(limitX, 0);  // reduced, not to nothing
  EXPECT_EQ(limitY, 0);  // no move is no limit: the flag is written clear
  EXPECT_EQ(rec().Order(), "ROD");
  EXPECT_EQ(rec().Last('O')->points[0], -600.0);
  ASSERT_EQ(kvogcGridManager_MovePoint(m, 0, 0, -5, 3, &limitX, &limitY), KVOGC_OK);
  EXPECT_EQ(limitX, 1);  // already at the margin: a move to the left is nothing
  EXPECT_EQ(limitY, 0);
  EXPECT_EQ(rec().Last('O')->points[0], -600.0);
  EXPECT_EQ(rec().Last('O')->points[1], 3.0);
  // The bottom-right node stops at the bottom margin.
  ASSERT_EQ(kvogcGridManager_MovePoint(m, 4, 4, 0, 1000, &limitX, &limitY), KVOGC_OK);
  EXPECT_EQ(rec().Last('O')->points[2 * 24 + 1], 1080.0 + 600.0);
}

TEST_F(EditsTest, MultiMovesReportFlagsAndMatchTheirSingleForms) {
  Manager other;
  ASSERT_EQ(Register<1>(other, kOpe, kDisp), KVOGC_OK);
  ASSERT_EQ(SetUpManager(other, kPanel, kReal, kDisp, kOpe), KVOGC_OK);
  ASSERT_EQ(kvogcGridManager_SetGeoAdjEnable(other, 1), KVOGC_OK);
  int32_t lx = 7;
  int32_t ly = 7;
  ASSERT_EQ(kvogcGridManager_MoveLineHorMulti(m, 1, 2, 3, 12.5, -3.25, &lx, &ly), KVOGC_OK);
  EXPECT_EQ(lx, 0);
  ASSERT_EQ(kvogcGridManager_MoveLineHor(other, 1, 2, 12.5, -3.25), KVOGC_OK);
  EXPECT_EQ(rec().Last('R')->points, g_recorders[1].Last('R')->points);
  ASSERT_EQ(kvogcGridManager_MoveAreaMulti(m, 2, 3, 0, 1, -7, 9, &lx, &ly), KVOGC_OK);
  ASSERT_EQ(kvogcGridManager_MoveArea(other, 2, 0, -7, 9), KVOGC_OK);
  EXPECT_EQ(rec().Last('R')->points, g_recorders[1].Last('R')->points);
  ASSERT_EQ(kvogcGridManager_MoveLineVerMulti(m, 0, 1, 4, 3, 3, &lx, &ly), KVOGC_OK);
  ASSERT_EQ(kvogcGridManager_MoveLineVer(other, 0, 4, 3, 3), KVOGC_OK);
  EXPECT_EQ(rec().Last('R')->points, g_recorders[1].Last('R')->points);
  EXPECT_EQ(rec().Order(), "RODRODROD");
}

TEST_F(EditsTest, IndicesOutsideTheGridAreRejectedWithoutEffect) {
  const Report before = Refreshed();
  rec().reports.clear();
  int32_t lx = 7;
  int32_t ly = 7;
  EXPECT_EQ(kvogcGridManager_MovePoint(m, 5, 0, 1, 1, &lx, &ly), KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_MovePoint(m, 0, -1, 1, 1, &lx, &ly), KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_MoveLineHor(m, 0, 4, 1, 1), KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_MoveLineVer(m, 4, 0, 1, 1), KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_MoveLineHorMulti(m, 0, 3, 2, 1, 1, &lx, &ly), KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_MoveLineHorMulti(m, 0, 3, 5, 1, 1, &lx, &ly), KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_MoveLineVerMulti(m, 2, 1, 0, 1, 1, &lx, &ly), KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_MoveArea(m, 4, 0, 1, 1), KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_MoveAreaMulti(m, 0, 5, 0, 1, 1, 1, &lx, &ly), KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_SetGridPointPosition(m, 5, 0, 1, 1), KVOGC_E_INVALIDARG);
  EXPECT_EQ(lx, 7);
  EXPECT_EQ(ly, 7);
  EXPECT_TRUE(rec().reports.empty());
  EXPECT_EQ(Refreshed().points, before.points);
}

TEST_F(EditsTest, NonFiniteMovesFollowTheFlagRuleAndNeverCrash) {
  int32_t lx = 7;
  int32_t ly = 7;
  EXPECT_EQ(kvogcGridManager_MovePoint(m, 2, 2, std::nan(""), 0, &lx, &ly), KVOGC_OK);
  EXPECT_EQ(lx, 0);  // a NaN result is not zero
  EXPECT_EQ(ly, 0);
  EXPECT_EQ(kvogcGridManager_MoveLineHor(m, 1, 1, INFINITY, -INFINITY), KVOGC_OK);
  EXPECT_EQ(kvogcGridManager_MoveAreaMulti(m, 0, 4, 0, 4, std::nan(""), 1, &lx, &ly), KVOGC_OK);
  ASSERT_EQ(SetUpManager(m, kPanel, kReal, kDisp, kOpe), KVOGC_OK);  // a host recovers
  kvogcGridManager_SetGeoAdjEnable(m, 1);
  EXPECT_EQ(X(Refreshed(), 4, 8), 960.0);
}

TEST_F(EditsTest, SmoothingSwitchesChangeOnlyTheBasePair) {
  ASSERT_EQ(kvogcGridManager_SetSmoothLine(m, 1, 1, 0, 0.0, -60.0, 0.0, -60.0), KVOGC_OK);
  EXPECT_EQ(kvogcGridManager_SetSmoothLine(m, 9, 9, 0, 0, 0, 0, 0), KVOGC_OK);  // no such line
  EXPECT_TRUE(rec().reports.empty());
  const Report curved = Refreshed();
  EXPECT_LT(Y(curved, 2, 6), 270.0);  // the line bulges upwards between its nodes
  EXPECT_EQ(kvogcGridManager_SetLineSmoothOnOff(m, 1, 4, 1, 1), KVOGC_E_INVALIDARG);  // no vertical line starts in the last row
  ASSERT_EQ(kvogcGridManager_SetLineSmoothOnOff(m, 1, 1, 0, 0), KVOGC_OK);
  EXPECT_EQ(Y(Refreshed(), 2, 6), 270.0);
  ASSERT_EQ(kvogcGridManager_SetSmoothModeOnOff(m, 1), KVOGC_OK);
  const Report smooth = Refreshed();
  EXPECT_EQ(Y(smooth, 2, 6), Y(curved, 2, 6));  // the switch kept the line's own handles
  EXPECT_EQ(Y(smooth, 6, 6), 810.0);  // default handles keep a line on its segment
}

TEST_F(EditsTest, FlipVExchangesRowsAndReportsRealDisplayOperation) {
  rec().reports.clear();
  ASSERT_EQ(kvogcGridManager_SetGridPointPosition(m, 1, 1, 500.0, 300.0), KVOGC_OK);
  EXPECT_TRUE(rec().reports.empty());  // the host sees the point at the next refresh
  const Report before = Refreshed();
  EXPECT_EQ(X(before, 2, 4), 500.0);
  EXPECT_EQ(Y(before, 2, 4), 300.0);
  rec().reports.clear();
  ASSERT_EQ(kvogcGridManager_FlipV(m, 0), KVOGC_OK);
  EXPECT_EQ(rec().Order(), "RDO");
  const Report& after = *rec().Last('R');
  for (int32_t row = 0; row <= 8; ++row) {
    for (int32_t col = 0; col <= 16; ++col) {
      EXPECT_EQ(X(after, row, col), X(before, 8 - row, col));
      EXPECT_EQ(Y(after, row, col), 1080.0 - Y(before, 8 - row, col));
    }
  }
  // The operation grid stayed as it was: node (1, 1) still at its old place.
  EXPECT_EQ(rec().Last('O')->points[2 * 6], 500.0);
  // Left to right on 16 columns: the middle one, moved off the centre, is mirrored in place.
  ASSERT_EQ(kvogcGridManager_SetGridPointPosition(m, 2, 2, 1000.0, 500.0), KVOGC_OK);
  const Report unflipped = Refreshed();
  ASSERT_EQ(kvogcGridManager_FlipH(m, 0), KVOGC_OK);
  const Report& mirrored = *rec().Last('R');
  for (int32_t row = 0; row <= 8; ++row) {
    for (int32_t col = 0; col <= 16; ++col) {
      EXPECT_EQ(X(mirrored, row, col), 1920.0 - X(unflipped, row, 16 - col)) << row << "," << col;
    }
  }
  rec().reports.clear();
  ASSERT_EQ(kvogcGridManager_FlipH(m, 1), KVOGC_OK);
  EXPECT_EQ(rec().Order(), "RDO");
}

}  // namespace
}  // namespace kvogc::test
