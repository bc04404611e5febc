// What each operation does before set-up.
#include <gtest/gtest.h>

#include <array>
#include <utility>

#include "api/HostRecorder.h"

namespace kvogc::test {
namespace {

constexpr GridSize kDisp{4, 3};
constexpr GridSize kOpe{4, 3};

TEST(BeforeSetup, GridOperationsFailAndChangeNothing) {
  Manager m;
  ASSERT_EQ(Register<0>(m, kOpe, kDisp), KVOGC_OK);
  int32_t limitX = 7;
  int32_t limitY = 7;
  double out[2] = {5, 5};
  EXPECT_EQ(kvogcGridManager_SetDispGridNum(m, &kDisp), KVOGC_E_FAIL);
  EXPECT_EQ(kvogcGridManager_SetGridPointPosition(m, 0, 0, 1, 1), KVOGC_E_FAIL);
  EXPECT_EQ(kvogcGridManager_MovePoint(m, 0, 0, 1, 1, &limitX, &limitY), KVOGC_E_FAIL);
  EXPECT_EQ(kvogcGridManager_MoveLineHor(m, 0, 0, 1, 1), KVOGC_E_FAIL);
  EXPECT_EQ(kvogcGridManager_MoveLineHorMulti(m, 0, 0, 1, 1, 1, &limitX, &limitY), KVOGC_E_FAIL);
  EXPECT_EQ(kvogcGridManager_MoveLineVer(m, 0, 0, 1, 1), KVOGC_E_FAIL);
  EXPECT_EQ(kvogcGridManager_MoveLineVerMulti(m, 0, 1, 0, 1, 1, &limitX, &limitY), KVOGC_E_FAIL);
  EXPECT_EQ(kvogcGridManager_MoveArea(m, 0, 0, 1, 1), KVOGC_E_FAIL);
  EXPECT_EQ(kvogcGridManager_MoveAreaMulti(m, 0, 1, 0, 1, 1, 1, &limitX, &limitY), KVOGC_E_FAIL);
  EXPECT_EQ(kvogcGridManager_SetSmoothModeOnOff(m, 1), KVOGC_E_FAIL);
  EXPECT_EQ(kvogcGridManager_SetSmoothLine(m, 0, 0, 0, 1, 1, 1, 1), KVOGC_E_FAIL);
  EXPECT_EQ(kvogcGridManager_SetLineSmoothOnOff(m, 0, 0, 0, 1), KVOGC_E_FAIL);
  EXPECT_EQ(kvogcGridManager_RefreshAllPoint(m), KVOGC_E_FAIL);
  EXPECT_EQ(kvogcGridManager_FlipV(m, 1), KVOGC_E_FAIL);
  EXPECT_EQ(kvogcGridManager_FlipH(m, 1), KVOGC_E_FAIL);
  EXPECT_EQ(kvogcGridManager_GetGeoObjData(m, nullptr), KVOGC_E_FAIL);
  EXPECT_EQ(kvogcGridManager_GetGeoObjDataFromFile(m, nullptr, "x.obj"), KVOGC_E_FAIL);
  EXPECT_EQ(kvogcGridManager_GetGeometryGridData(m, out), KVOGC_E_FAIL);
  EXPECT_EQ(kvogcGridManager_SetGeometryGridData(m, nullptr, out, 1), KVOGC_E_FAIL);
  EXPECT_EQ(kvogcGridManager_AnalyseGeoObjFile(m, "x.obj"), KVOGC_E_FAIL);
  EXPECT_EQ(limitX, 7);
  EXPECT_EQ(limitY, 7);
  EXPECT_EQ(out[0], 5.0);
  EXPECT_TRUE(g_recorders[0].reports.empty());
}

// In the screen mode the mode setters keep the record's screen and keystone
// fields in step, before set-up too; the keystone flag outlives the mode.
TEST(BeforeSetup, ModeSettersKeepTheRecordInStep) {
  Manager m;
  std::array<int32_t, 28> c{};
  const auto comment = [&] {
    EXPECT_EQ(kvogcGridManager_GetGeoObjComment(m, c.data()), KVOGC_OK);
    return std::pair{c[24], c[25]};  // ScreenType, IsKeyStone
  };
  EXPECT_EQ(kvogcGridManager_SetGeoAdjMode(m, 1), KVOGC_OK);
  EXPECT_EQ(comment(), std::pair(1, 0));
  EXPECT_EQ(kvogcGridManager_SetKeyStoneMode(m, 0), KVOGC_E_FAIL);
  EXPECT_EQ(comment(), std::pair(1, 0));
  EXPECT_EQ(kvogcGridManager_SetKeyStoneMode(m, 1), KVOGC_E_FAIL);
  EXPECT_EQ(comment(), std::pair(2, 1));
  EXPECT_EQ(kvogcGridManager_SetGeoAdjMode(m, 0), KVOGC_OK);
  EXPECT_EQ(comment(), std::pair(0, 1));
  EXPECT_EQ(kvogcGridManager_GetGeoObjComment(m, nullptr), KVOGC_E_INVALIDARG);
}

}  // namespace
}  // namespace kvogc::test
