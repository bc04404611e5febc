// The exported surface: exactly the 43 functions, and the null-handle rules.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "kvogc/kvogc.h"

namespace {

// The exported functions, one name a line.
std::set<std::string> Exports() {
  std::ifstream file(KVOGC_TEST_DATA_DIR "/exports.txt");
  std::set<std::string> names;
  for (std::string name; file >> name;) names.insert(name);
  return names;
}

// Symbols every shared object defines for the loader, not ours.
const std::set<std::string> kLinkerSymbols = {"_init", "_fini", "_edata", "_end", "__bss_start"};

TEST(ExportTable, HoldsExactlyTheFortyThreeFunctions) {
  const std::set<std::string> exports = Exports();
  ASSERT_EQ(exports.size(), 43u);
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
  EXPECT_EQ(ours, exports);
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
