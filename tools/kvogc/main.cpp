// kvogc: a command-line host of the library. `kvogc demo` sets up a plain
// manager for a 1920x1080 panel and prints what the callbacks delivered.
#include <cstdio>
#include <cstring>
#include <vector>

#include "kvogc/kvogc.h"

namespace {

struct Received {
  std::vector<double> real;
  int32_t realX = 0;
  int32_t realY = 0;
  std::vector<double> opeNodes;
  int32_t opeH = 0;
  int32_t opeV = 0;
  int32_t dispH = 0;
  int32_t dispV = 0;
  int reports = 0;
};

Received g_received;
GridSize g_ope{4, 4};

void OnRealGrid(double* points, int32_t divX, int32_t divY) {
  g_received.realX = divX;
  g_received.realY = divY;
  g_received.real.assign(points, points + 2 * static_cast<size_t>(divX + 1) * (divY + 1));
  ++g_received.reports;
}

void OnOpeGrid(double* points, double*, double*, int32_t hCount, int32_t vCount) {
  g_received.opeNodes.assign(points, points + 2 * static_cast<size_t>(g_ope.cx + 1) * (g_ope.cy + 1));
  g_received.opeH = hCount;
  g_received.opeV = vCount;
  ++g_received.reports;
}

void OnDispGrid(double*, double*, int32_t hCount, int32_t vCount) {
  g_received.dispH = hCount;
  g_received.dispV = vCount;
  ++g_received.reports;
}

int Fail(const char* step, int32_t status) {
  std::fprintf(stderr, "kvogc: %s failed with status 0x%08X\n", step, static_cast<unsigned>(status));
  return 1;
}

void PrintCorner(const char* name, const std::vector<double>& grid, int32_t cols, int32_t row,
                 int32_t col) {
  const size_t k = 2 * (static_cast<size_t>(row) * (cols + 1) + col);
  std::printf("  %-13s (%9.4f, %9.4f)\n", name, grid[k], grid[k + 1]);
}

int Demo() {
  kvogcManager* manager = kvogcInitLibrary();
  if (manager == nullptr) return Fail("kvogcInitLibrary", KVOGC_E_OUTOFMEMORY);
  const GridSize panel{1920, 1080};
  const GridSize real{64, 36};
  const GridSize disp{8, 8};
  int32_t status = kvogcGridManager_RegistCallback(manager, OnRealGrid, OnOpeGrid, OnDispGrid);
  if (status == KVOGC_OK) {
    status = kvogcGridManager_SetParam(manager, &panel, &panel, &real, &disp, &g_ope, 600.0,
                                       600.0, 0);
  }
  if (status == KVOGC_OK) status = kvogcGridManager_SetGeoAdjEnable(manager, 1);
  if (status == KVOGC_OK) status = kvogcGridManager_RefreshAllPoint(manager);
  int32_t comment[28] = {};
  if (status == KVOGC_OK) status = kvogcGridManager_GetGeoObjComment(manager, comment);
  kvogcFinishLibrary(manager);
  if (status != KVOGC_OK) return Fail("set-up", status);

  std::printf("KVOGridCalc demo: plain manager, panel %dx%d\n", panel.cx, panel.cy);
  std::printf("reports received: %d\n", g_received.reports);
  std::printf("real grid: %d x %d divisions, %zu points\n", g_received.realX, g_received.realY,
              g_received.real.size() / 2);
  PrintCorner("top-left", g_received.real, g_received.realX, 0, 0);
  PrintCorner("bottom-right", g_received.real, g_received.realX, g_received.realY, g_received.realX);
  std::printf("operation grid: %d x %d divisions, %zu nodes, %d samples per row, %d per column\n",
              g_ope.cx, g_ope.cy, g_received.opeNodes.size() / 2, g_received.opeH, g_received.opeV);
  std::printf("display grid: %d x %d divisions, %d samples per row, %d per column\n", disp.cx,
              disp.cy, g_received.dispH, g_received.dispV);
  std::printf("comment record: Th %d, GUIGridCount %d x %d\n", comment[21], comment[26], comment[27]);
  return 0;
}

void Usage(std::FILE* out) {
  std::fprintf(out,
               "usage: kvogc demo\n"
               "  demo   set up a plain manager for a 1920x1080 panel and summarise its grids\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "demo") == 0) return Demo();
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    Usage(stdout);
    return 0;
  }
  Usage(stderr);
  return 2;
}
