// Geometry in and out of a manager: files, the host as memory, a target's
// text, and the projector variants' save-in slots and layout rule.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "api/HostRecorder.h"
#include "host/GeoObjHostTarget.h"
#include "kvogc/kvogc_modules.hpp"

namespace kvogc::test {
namespace {

constexpr GridSize kPanel{1920, 1080};
constexpr GridSize kReal{2, 2};
constexpr GridSize kOpe{2, 2};
constexpr GridSize kDisp{2, 2};

std::string TempPath(const char* name) {
  return ::testing::TempDir() + "kvogc_geometry_" + name;
}

// A file holding `text`, removed at scope end.
struct TempFile {
  TempFile(const char* name, const std::string& text) : path(TempPath(name)) {
    std::ofstream(path, std::ios::binary) << text;
  }
  ~TempFile() { std::remove(path.c_str()); }
  const char* c_str() const { return path.c_str(); }
  std::string path;
};

// A text holding nine "#prev" points, point k at (k, 2k) pixels, y flipped.
std::string PrevText() {
  std::ifstream file(KVOGC_TEST_DATA_DIR "/geo_text_prev_3x3.txt", std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The base grid of a manager with this many points.
std::vector<double> BaseGrid(kvogcManager* m, size_t points = 9) {
  std::vector<double> grid(2 * points, -1.0);
  EXPECT_EQ(kvogcGridManager_GetGeometryGridData(m, grid.data()), KVOGC_OK);
  return grid;
}

class GeometryTest : public HostTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(Register<0>(m, kOpe, kDisp), KVOGC_OK);
    ASSERT_EQ(SetUpManager(m, kPanel, kReal, kDisp, kOpe), KVOGC_OK);
  }
};

TEST_F(GeometryTest, GridDataRoundTripAndCounts) {
  std::vector<double> grid = BaseGrid(m);
  EXPECT_EQ(grid[2 * 4], 960.0);  // the middle point of the even grid
  EXPECT_EQ(grid[2 * 4 + 1], 540.0);
  rec().reports.clear();
  ASSERT_EQ(kvogcGridManager_SetGeometryGridData(m, nullptr, grid.data(), 9), KVOGC_OK);
  EXPECT_EQ(rec().Order(), "DOR");
  EXPECT_EQ(BaseGrid(m), grid);
  grid[2 * 4] = 1000.0;
  std::vector<double> longer = grid;
  longer.resize(2 * 50, 7.0);  // more points than the grid: only the grid is written
  ASSERT_EQ(kvogcGridManager_SetGeometryGridData(m, nullptr, longer.data(), 50), KVOGC_OK);
  EXPECT_EQ(BaseGrid(m), grid);
  rec().reports.clear();
  ASSERT_EQ(kvogcGridManager_SetGeometryGridData(m, nullptr, nullptr, 0), KVOGC_OK);
  EXPECT_EQ(rec().Order(), "DOR");  // count 0 still refreshes and reports
  EXPECT_EQ(kvogcGridManager_SetGeometryGridData(m, nullptr, nullptr, 3), KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_GetGeometryGridData(m, nullptr), KVOGC_E_INVALIDARG);
}

TEST_F(GeometryTest, FileReadSetsRecordAndBaseGridAndReports) {
  const TempFile path("read.obj", PrevText());
  rec().reports.clear();
  ASSERT_EQ(kvogcGridManager_GetGeoObjDataFromFile(m, nullptr, path.c_str()), KVOGC_OK);
  EXPECT_EQ(rec().Order(), "DOR");
  EXPECT_EQ(CommentOf(m)[17], 30);
  const std::vector<double> grid = BaseGrid(m);
  EXPECT_NEAR(grid[2 * 5], 5.0, 1e-3);
  EXPECT_NEAR(grid[2 * 5 + 1], 10.0, 1e-3);
  EXPECT_EQ(kvogcGridManager_GetGeoObjDataFromFile(m, nullptr, TempPath("missing").c_str()),
            KVOGC_E_FAIL);
  EXPECT_EQ(kvogcGridManager_GetGeoObjDataFromFile(m, nullptr, nullptr), KVOGC_E_INVALIDARG);
}

TEST_F(GeometryTest, MalformedPrevFailsKeepsWhatWasSetAndDoesNotRefresh) {
  const TempFile path("bad.obj", "#[GEOMETRY_KEYSTONE_SCREEN_10]\n#Angle=12\n"
                                 "#prev 0.5 0.5 0\n#prev x 0.5 0\n");
  rec().reports.clear();
  EXPECT_EQ(kvogcGridManager_GetGeoObjDataFromFile(m, nullptr, path.c_str()), KVOGC_E_INVALIDARG);
  EXPECT_TRUE(rec().reports.empty());
  EXPECT_EQ(CommentOf(m)[17], 12);
  EXPECT_EQ(BaseGrid(m)[0], 960.0);  // the first point was set before the bad line
}

TEST_F(GeometryTest, AnalyseChangesOnlyTheFieldsInTheFile) {
  ASSERT_EQ(kvogcGridManager_SetLinearity(m, 45.0, 0.0), KVOGC_OK);
  const std::vector<double> before = BaseGrid(m);
  const TempFile path("analyse.obj", "#[GEOMETRY_KEYSTONE_SCREEN_10]\r\n#Angle=30\r\n#Th=15\r\n");
  rec().reports.clear();
  ASSERT_EQ(kvogcGridManager_AnalyseGeoObjFile(m, path.c_str()), KVOGC_OK);
  const auto c = CommentOf(m);
  EXPECT_EQ(c[17], 30);
  EXPECT_EQ(c[21], 15);  // a CR LF file reads like an LF file
  EXPECT_EQ(c[9], 64);   // not reset first
  EXPECT_EQ(BaseGrid(m), before);
  EXPECT_TRUE(rec().reports.empty());
  EXPECT_EQ(kvogcGridManager_AnalyseGeoObjFile(m, TempPath("missing").c_str()), KVOGC_FALSE);
}

TEST_F(GeometryTest, TargetGeometryIsReadBack) {
  KvoRef<host::CGeoObjHostTarget> target =
      KvoRef<host::CGeoObjHostTarget>::Adopt(host::CGeoObjHostTarget::Create());
  target->SetCurrentGeometry(PrevText());
  rec().reports.clear();
  ASSERT_EQ(kvogcGridManager_GetGeoObjData(m, target.Get()), KVOGC_OK);
  EXPECT_EQ(target->RequestCount(), 1);
  EXPECT_EQ(rec().Order(), "DOR");
  EXPECT_EQ(CommentOf(m)[17], 30);
  EXPECT_NEAR(BaseGrid(m)[2 * 8], 8.0, 1e-3);
  EXPECT_EQ(kvogcGridManager_GetGeoObjData(m, nullptr), KVOGC_E_INVALIDARG);
  // SetGeometryGridData takes the target's texts again for the next send.
  ASSERT_EQ(kvogcGridManager_SetGeometryGridData(m, target.Get(), nullptr, 0), KVOGC_OK);
  EXPECT_EQ(target->RequestCount(), 2);
}

TEST(ProjectorVariants, SaveInSlotsAreIndependentBasePairs) {
  for (kvogcManager* (*init)() : {kvogcInitProjectorLibrary, kvogcInitProjectorDeviceLibrary}) {
    Manager m(init());
    ASSERT_EQ(SetUpManager(m, kPanel, {4, 4}, kDisp, kOpe), KVOGC_OK);
    const std::vector<double> slot0 = BaseGrid(m, 25);
    ASSERT_EQ(kvogcGridManager_SetGeoAdjProjectorSaveIn(m, 1), KVOGC_OK);
    int32_t lx = 0;
    int32_t ly = 0;
    kvogcGridManager_SetGeoAdjEnable(m, 1);
    ASSERT_EQ(kvogcGridManager_MovePoint(m, 1, 1, 30, 20, &lx, &ly), KVOGC_OK);
    EXPECT_EQ(BaseGrid(m, 25)[2 * 12], 990.0);  // real point (2, 2) under node (1, 1)
    ASSERT_EQ(kvogcGridManager_SetGeoAdjProjectorSaveIn(m, 0), KVOGC_OK);
    EXPECT_EQ(BaseGrid(m, 25), slot0);
    // A value outside the slots selects none: base operations refuse and change nothing.
    ASSERT_EQ(kvogcGridManager_SetGeoAdjProjectorSaveIn(m, 3), KVOGC_OK);
    EXPECT_EQ(kvogcGridManager_MovePoint(m, 1, 1, 30, 20, &lx, &ly), KVOGC_E_INVALIDARG);
    EXPECT_EQ(kvogcGridManager_GetGeometryGridData(m, std::vector<double>(50).data()),
              KVOGC_E_INVALIDARG);
    EXPECT_EQ(kvogcGridManager_SetLinearity(m, 10, 0), KVOGC_E_INVALIDARG);
    EXPECT_EQ(SetUpManager(m, kPanel, {4, 4}, kDisp, kOpe), KVOGC_E_INVALIDARG);
    ASSERT_EQ(kvogcGridManager_SetGeoAdjProjectorSaveIn(m, 1), KVOGC_OK);
    EXPECT_EQ(BaseGrid(m, 25)[2 * 12], 990.0);  // switching back finds the moved point again
  }
}

TEST(ProjectorVariants, PrevRuleFollowsTheLayoutFlag) {
  const TempFile path("projector.obj", "#prev 0.5 0.25 0\n");
  for (int32_t flag : {0, 1}) {
    Manager m(kvogcInitProjectorLibrary());
    const GridSize panel = kPanel;
    ASSERT_EQ(kvogcGridManager_SetParam(m, &panel, &panel, &kReal, &kDisp, &kOpe, 600, 600, flag),
              KVOGC_OK);
    ASSERT_EQ(kvogcGridManager_GetGeoObjDataFromFile(m, nullptr, path.c_str()), KVOGC_OK);
    EXPECT_EQ(BaseGrid(m)[1], flag == 0 ? 810.0 : 270.0);
    ASSERT_EQ(kvogcGridManager_AnalyseGeoObjFile(m, path.c_str()), KVOGC_OK);
    EXPECT_EQ(BaseGrid(m)[1], flag == 0 ? 810.0 : 270.0);
  }
}

TEST(ProjectorVariants, DeviceKeepsCornersInPixelsAndNeedsADeviceSize) {
  const std::array<double, 2> leftUp{0.1, 0.0}, rightUp{1.0, 0.0}, rightLow{1.0, 1.0},
      leftLow{0.0, 1.0};
  for (kvogcManager* (*init)() :
       {kvogcInitLibrary, kvogcInitProjectorLibrary, kvogcInitProjectorDeviceLibrary}) {
    Manager m(init());
    kvogcGridManager_SetPinCushion(m, leftUp.data(), rightUp.data(), rightLow.data(),
                                   leftLow.data(), 0, 0, 0, 0, 0);
    ASSERT_EQ(SetUpManager(m, kPanel, kReal, kDisp, kOpe), KVOGC_OK);
    ASSERT_EQ(kvogcGridManager_SetPinCushion(m, leftUp.data(), rightUp.data(), rightLow.data(),
                                             leftLow.data(), 0, 0, 0, 0, 0),
              KVOGC_OK);
    EXPECT_EQ(CommentOf(m)[2], init == kvogcInitProjectorDeviceLibrary ? 192 : 1920);
  }
  Manager device(kvogcInitProjectorDeviceLibrary());
  const GridSize zero{0, 0};
  EXPECT_EQ(kvogcGridManager_SetParam(device, &kPanel, &zero, &kReal, &kDisp, &kOpe, 600, 600, 0),
            KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_SetParam(device, &kPanel, nullptr, &kReal, &kDisp, &kOpe, 600, 600, 0),
            KVOGC_E_INVALIDARG);
}

TEST(ProjectorVariants, OffsetInsetsOnlyTheActiveBaseAndOpeGridNumRedividesAllSlots) {
  Manager m(kvogcInitProjectorLibrary());
  ASSERT_EQ(Register<0>(m, {2, 2}, {2, 2}), KVOGC_OK);
  const GridSize panel{1920, 1080};
  const GridSize real{4, 4};
  const GridSize two{2, 2};
  ASSERT_EQ(kvogcGridManager_SetParamWithOffset(m, &panel, &panel, &real, &two, &two, 600, 600,
                                                10, 20),
            KVOGC_OK);
  EXPECT_EQ(BaseGrid(m, 25)[0], 10.0);
  EXPECT_EQ(BaseGrid(m, 25)[1], 20.0);
  // The reference grid keeps the whole panel: with adjustment off the host sees it.
  ASSERT_EQ(kvogcGridManager_RefreshAllPoint(m), KVOGC_OK);
  EXPECT_EQ(g_recorders[0].Last('R')->points[0], 0.0);
  ASSERT_EQ(kvogcGridManager_SetGeoAdjProjectorSaveIn(m, 2), KVOGC_OK);
  EXPECT_EQ(BaseGrid(m, 25)[0], 0.0);  // the other slots were not inset
  const GridSize four{4, 4};
  g_recorders[0].ope = four;
  ASSERT_EQ(kvogcGridManager_SetOpeGridNum(m, &four), KVOGC_OK);
  kvogcGridManager_SetGeoAdjEnable(m, 1);
  ASSERT_EQ(kvogcGridManager_SetGeoAdjProjectorSaveIn(m, 0), KVOGC_OK);
  int32_t lx = 0;
  int32_t ly = 0;
  ASSERT_EQ(kvogcGridManager_MovePoint(m, 3, 3, 0, 0, &lx, &ly), KVOGC_OK);  // a node of the new 4x4 grid
  const Report& ope = *g_recorders[0].Last('O');
  EXPECT_EQ(ope.points.size(), 2u * 25u);
  // An inactive slot's operation grid was re-divided evenly, not read back;
  // its real grid kept the inset.
  EXPECT_EQ(ope.points[0], 0.0);
  EXPECT_EQ(BaseGrid(m, 25)[0], 10.0);
}

TEST(GeometryInput, NullPathsAndLongFilesAreHandled) {
  Manager m;
  ASSERT_EQ(SetUpManager(m, {1920, 1080}, {1, 1}, {1, 1}, {1, 1}), KVOGC_OK);
  EXPECT_EQ(kvogcGridManager_SetGeoFilePath(m, nullptr), KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_AnalyseGeoObjFile(m, nullptr), KVOGC_E_INVALIDARG);
  // Longer than the 4 x 768 bytes a 2x2 grid reads: cut there, read as a terminated text.
  std::string text = "#[GEOMETRY_KEYSTONE_SCREEN_10]\n#Angle=5\n";
  while (text.size() < 4 * 768 + 100) text += "# padding padding padding padding\n";
  const TempFile path("long.obj", text + "#Th=77\n");
  ASSERT_EQ(kvogcGridManager_GetGeoObjDataFromFile(m, nullptr, path.c_str()), KVOGC_OK);
  EXPECT_EQ(CommentOf(m)[17], 5);
  EXPECT_EQ(CommentOf(m)[21], 20);  // the line past the cut was not read
}

}  // namespace
}  // namespace kvogc::test
