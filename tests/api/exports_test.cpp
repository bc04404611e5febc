// The exported surface: exactly the 43 functions, and the null-handle rules.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#include "kvogc/kvogc.h"

namespace {

const std::set<std::string> kExports = {
    "kvogcInitLibrary", "kvogcInitProjectorLibrary", "kvogcInitProjectorDeviceLibrary",
    "kvogcFinishLibrary", "kvogcGridManager_RegistCallback", "kvogcGridManager_SetParam",
    "kvogcGridManager_SetParamWithOffset", "kvogcGridManager_SetGeoFilePath",
    "kvogcGridManager_SetGeoAdjEnable", "kvogcGridManager_SetGeoAdjProjectorSaveIn",
    "kvogcGridManager_SetGeoAdjMode", "kvogcGridManager_SetOpeGridNum",
    "kvogcGridManager_SetDispGridNum", "kvogcGridManager_SetGridPointPosition",
    "kvogcGridManager_MovePoint", "kvogcGridManager_MoveLineHor",
    "kvogcGridManager_MoveLineHorMulti", "kvogcGridManager_MoveLineVer",
    "kvogcGridManager_MoveLineVerMulti", "kvogcGridManager_MoveArea",
    "kvogcGridManager_MoveAreaMulti", "kvogcGridManager_SetSmoothModeOnOff",
    "kvogcGridManager_SetSmoothLine", "kvogcGridManager_SetLineSmoothOnOff",
    "kvogcGridManager_RefreshAllPoint", "kvogcGridManager_SetKeyStoneMode",
    "kvogcGridManager_SetKeyStone", "kvogcGridManager_SetLinearity",
    "kvogcGridManager_SetPinCushion", "kvogcGridManager_Set4CornerRotation",
    "kvogcGridManager_FlipV", "kvogcGridManager_FlipH", "kvogcGridManager_SendGeoObjData",
    "kvogcGridManager_SendGeoObjDataSync", "kvogcGridManager_GetGeoObjData",
    "kvogcGridManager_GetGeoObjDataFromFile", "kvogcGridManager_GetGeoObjComment",
    "kvogcGridManager_GetGeometryGridData", "kvogcGridManager_SetGeometryGridData",
    "kvogcGridManager_GetBasicFinalPosition", "kvogcGridManager_AutoReduction",
    "kvogcGridManager_InitBasicCalcParam", "kvogcGridManager_AnalyseGeoObjFile"};

// Symbols every shared object defines for the loader, not ours.
const std::set<std::string> kLinkerSymbols = {"_init", "_fini", "_edata", "_end", "__bss_start"};

TEST(ExportTable, HoldsExactlyTheFortyThreeFunctions) {
  ASSERT_EQ(kExports.size(), 43u);
  const std::string command = std::string("nm -D --defined-only '") + KVOGC_LIBRARY_FILE + "'";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::set<std::string> ours;
  char line[1024];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::istringstream fields(line);
    std::string address, type, name;
    fields >> address >> type >> name;
    if (name.empty() || kLinkerSymbols.count(name) != 0) continue;
    ours.insert(name);
    EXPECT_EQ(type, "T") << name;
  }
  ASSERT_EQ(pclose(pipe), 0) << command;
  EXPECT_EQ(ours, kExports);
}

TEST(NullHandle, IsIgnoredWithAStatus) {
  kvogcFinishLibrary(nullptr);
  EXPECT_EQ(kvogcGridManager_GetGeoObjData(nullptr, nullptr), KVOGC_E_FAIL);
  const GridSize size{4, 4};
  double corner[2] = {0, 0};
  int32_t flag = 7;
  EXPECT_EQ(kvogcGridManager_RegistCallback(nullptr, nullptr, nullptr, nullptr), KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_SetParam(nullptr, &size, &size, &size, &size, &size, 0, 0, 0),
            KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_MovePoint(nullptr, 0, 0, 1, 1, &flag, &flag), KVOGC_E_INVALIDARG);
  EXPECT_EQ(flag, 7);
  EXPECT_EQ(kvogcGridManager_SetPinCushion(nullptr, corner, corner, corner, corner, 0, 0, 0, 0, 0),
            KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_GetBasicFinalPosition(nullptr, 0, 0, corner), KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_InitBasicCalcParam(nullptr), KVOGC_E_INVALIDARG);
  EXPECT_EQ(kvogcGridManager_SendGeoObjDataSync(nullptr, nullptr, 0), KVOGC_E_INVALIDARG);
}

}  // namespace
