// SetParam, SetParamWithOffset, SetOpeGridNum and SetDispGridNum: layouts,
// report capacities and counts, and rejected sizes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "api/HostRecorder.h"

namespace kvogc::test {
namespace {

constexpr GridSize kPanel{1920, 1080};
constexpr GridSize kReal{64, 36};
constexpr GridSize kDisp{8, 8};
constexpr GridSize kOpe{4, 4};

class SetupTest : public HostTest {
 protected:
  void SetUp() override { ASSERT_EQ(Register<0>(m, kOpe, kDisp), KVOGC_OK); }
};

TEST_F(SetupTest, SetParamLaysOutEvenlyAndReportsNothing) {
  ASSERT_EQ(SetUpManager(m, kPanel, kReal, kDisp, kOpe), KVOGC_OK);
  EXPECT_TRUE(rec().reports.empty());
  for (int32_t enable : {0, 1}) {  // the reference grid, then the base grid
    kvogcGridManager_SetGeoAdjEnable(m, enable);
    const Report& real = Refreshed();
    ASSERT_EQ(real.a, 64);
    ASSERT_EQ(real.b, 36);
    for (int32_t row = 0; row <= 36; ++row) {
      for (int32_t col = 0; col <= 64; ++col) {
        ASSERT_EQ(X(real, row, col), 1920.0 * col / 64);
        ASSERT_EQ(Y(real, row, col), 1080.0 * row / 36);
      }
    }
  }
}

TEST_F(SetupTest, OffsetInsetsTheBaseAndReferenceGrids) {
  ASSERT_EQ(kvogcGridManager_SetParamWithOffset(m, &kPanel, &kPanel, &kReal, &kDisp, &kOpe, 600,
                                                600, 10, 20),
            KVOGC_OK);
  for (int32_t enable : {0, 1}) {
    kvogcGridManager_SetGeoAdjEnable(m, enable);
    const Report& real = Refreshed();
    EXPECT_EQ(X(real, 0, 0), 10.0);
    EXPECT_EQ(Y(real, 0, 0), 20.0);
    EXPECT_EQ(X(real, 0, 64), 1910.0);
    EXPECT_EQ(Y(real, 36, 0), 1060.0);
    EXPECT_EQ(X(real, 36, 64), 1910.0);
    EXPECT_EQ(Y(real, 36, 64), 1060.0);
    const Report& ope = *rec().Last('O');
    EXPECT_EQ(ope.points[0], 10.0);  // the operation grid was read back from the inset grid
    EXPECT_EQ(ope.points[1], 20.0);
  }
}

TEST_F(SetupTest, SetOpeGridNumKeepsTheRealWarp) {
  ASSERT_EQ(SetUpManager(m, kPanel, kReal, kDisp, kOpe), KVOGC_OK);
  kvogcGridManager_SetGeoAdjEnable(m, 1);
  ASSERT_EQ(kvogcGridManager_SetGridPointPosition(m, 2, 2, 1000.0, 500.0), KVOGC_OK);
  const Report warped = Refreshed();
  rec().reports.clear();
  rec().ope = {8, 6};
  const GridSize finer{8, 6};
  ASSERT_EQ(kvogcGridManager_SetOpeGridNum(m, &finer), KVOGC_OK);
  EXPECT_EQ(rec().Order(), "RO");
  const Report& ope = *rec().Last('O');
  // Node (3, 4) of the 8x6 grid sits on real point (18, 32), which the warp moved.
  EXPECT_EQ(ope.points[2 * (3 * 9 + 4)], X(warped, 18, 32));
  EXPECT_EQ(ope.points[2 * (3 * 9 + 4) + 1], Y(warped, 18, 32));
  EXPECT_EQ(X(warped, 18, 32), 1000.0);
  EXPECT_EQ(ope.a, 8 * 9);
  EXPECT_EQ(CommentOf(m)[26], 8);  // free-grid mode: the GUI count follows
  EXPECT_EQ(CommentOf(m)[27], 6);
}

TEST_F(SetupTest, GuiGridCountFollowsOpeGridOnlyInFreeGridMode) {
  ASSERT_EQ(SetUpManager(m, kPanel, kReal, kDisp, kOpe), KVOGC_OK);
  kvogcGridManager_SetGeoAdjMode(m, 1);
  const GridSize ope{2, 2};
  rec().ope = ope;
  ASSERT_EQ(kvogcGridManager_SetOpeGridNum(m, &ope), KVOGC_OK);
  EXPECT_EQ(CommentOf(m)[26], 2);
  EXPECT_EQ(CommentOf(m)[27], 2);
  const GridSize disp{5, 3};
  rec().disp = disp;
  rec().reports.clear();
  ASSERT_EQ(kvogcGridManager_SetDispGridNum(m, &disp), KVOGC_OK);
  EXPECT_EQ(rec().Order(), "D");
  EXPECT_EQ(CommentOf(m)[26], 5);
  EXPECT_EQ(CommentOf(m)[27], 3);
}

TEST_F(SetupTest, DisplayGridSamplesTheReferenceWhenAdjustmentIsOff) {
  ASSERT_EQ(SetUpManager(m, kPanel, kReal, kDisp, kOpe), KVOGC_OK);
  ASSERT_EQ(kvogcGridManager_SetGridPointPosition(m, 2, 2, 1000.0, 500.0), KVOGC_OK);
  kvogcGridManager_SetGeoAdjEnable(m, 1);
  Refreshed();
  kvogcGridManager_SetGeoAdjEnable(m, 0);
  const GridSize disp{8, 4};
  rec().disp = disp;
  ASSERT_EQ(kvogcGridManager_SetDispGridNum(m, &disp), KVOGC_OK);
  const Report& lines = *rec().Last('D');
  // Row 2 of the display grid lies at y = 540 all along, whatever the warp.
  for (int32_t k = 0; k < lines.a; ++k) EXPECT_EQ(lines.hLines[2 * (2 * lines.a + k) + 1], 540.0);
}

TEST_F(SetupTest, RejectedSizesChangeNothing) {
  const GridSize zero{0, 4};
  const GridSize negative{4, -1};
  const GridSize huge{46341, 46341};  // (46342)^2 points of 16 bytes pass int32
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(SetUpManager(m, zero, kReal, kDisp, kOpe), KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_RefreshAllPoint(m), KVOGC_E_FAIL);  // still not set up
  ASSERT_EQ(SetUpManager(m, kPanel, kReal, kDisp, kOpe), KVOGC_OK);
  EXPECT_EQ(SetUpManager(m, kPanel, negative, kDisp, kOpe), KVOGC_E_INVALIDARG);
  EXPECT_EQ(SetUpManager(m, kPanel, kReal, zero, kOpe), KVOGC_E_INVALIDARG);
  EXPECT_EQ(SetUpManager(m, kPanel, kReal, kDisp, negative), KVOGC_E_INVALIDARG);
  EXPECT_EQ(SetUpManager(m, kPanel, huge, kDisp, kOpe), KVOGC_E_INVALIDARG);
  // Only the line buffer overflows: 1003 samples per line on 200001 rows.
  EXPECT_EQ(SetUpManager(m, kPanel, {1000, 1}, kDisp, {1, 200000}), KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_SetParam(m, &kPanel, nullptr, &kReal, &kDisp, nullptr, 600, 600, 0),
            KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_SetParam(m, &kPanel, &kPanel, &kReal, &kDisp, &kOpe, nan, 600, 0),
            KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_SetParamWithOffset(m, &kPanel, &kPanel, &kReal, &kDisp, &kOpe, 600,
                                                600, INFINITY, 0),
            KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_SetOpeGridNum(m, &zero), KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_SetOpeGridNum(m, nullptr), KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_SetOpeGridNum(m, &huge), KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_SetDispGridNum(m, &negative), KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_SetDispGridNum(m, &huge), KVOGC_E_INVALIDARG);
  EXPECT_TRUE(rec().reports.empty());
  EXPECT_EQ(CommentOf(m)[26], 2);
  // The manager works on with its previous set-up.
  const Report& real = Refreshed();
  EXPECT_EQ(real.a, 64);
  EXPECT_EQ(rec().Last('O')->a, 68);
  EXPECT_EQ(rec().Last('D')->a, 72);
}

TEST_F(SetupTest, SecondSetParamRebuildsAndDiscardsTheWarp) {
  ASSERT_EQ(SetUpManager(m, kPanel, kReal, kDisp, kOpe), KVOGC_OK);
  kvogcGridManager_SetGeoAdjEnable(m, 1);
  ASSERT_EQ(kvogcGridManager_SetGridPointPosition(m, 1, 1, 400.0, 300.0), KVOGC_OK);
  const GridSize real{8, 8};
  ASSERT_EQ(SetUpManager(m, {800, 600}, real, {2, 2}, {2, 2}), KVOGC_OK);
  rec().ope = {2, 2};
  rec().disp = {2, 2};
  const Report& r = Refreshed();
  EXPECT_EQ(r.a, 8);
  EXPECT_EQ(X(r, 2, 2), 200.0);
  EXPECT_EQ(Y(r, 2, 2), 150.0);
}

}  // namespace
}  // namespace kvogc::test
