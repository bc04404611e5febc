/*
 * A minimal KVOGridCalc host in plain C: it creates a manager, registers the
 * three callbacks, sets a 1920x1080 panel up, drags the top-left operation
 * node and prints where the corrected grid's top-left corner went.
 */
#include <stdio.h>

#include <kvogc/kvogc.h>

/* The callbacks carry no user data: a host keeps what it needs in globals. */
static double g_corner[2];
static int g_realReports;
static int g_opeReports;
static int g_dispReports;

static void OnRealGrid(double* points, int32_t divX, int32_t divY) {
  (void)divX;
  (void)divY;
  g_corner[0] = points[0]; /* point (row 0, column 0) */
  g_corner[1] = points[1];
  ++g_realReports;
}

static void OnOpeGrid(double* points, double* hLines, double* vLines, int32_t hCount,
                      int32_t vCount) {
  (void)points;
  (void)hLines;
  (void)vLines;
  (void)hCount;
  (void)vCount;
  ++g_opeReports;
}

static void OnDispGrid(double* hLines, double* vLines, int32_t hCount, int32_t vCount) {
  (void)hLines;
  (void)vLines;
  (void)hCount;
  (void)vCount;
  ++g_dispReports;
}

static int Check(const char* operation, int32_t status) {
  if (status != KVOGC_OK) {
    fprintf(stderr, "c-host: %s failed with status 0x%08X\n", operation, (unsigned)status);
    return 0;
  }
  return 1;
}

int main(void) {
  const GridSize panel = {1920, 1080};
  const GridSize real = {16, 9};
  const GridSize ope = {4, 4};
  const GridSize disp = {4, 4};
  int32_t limitX = 0;
  int32_t limitY = 0;
  int ok;
  kvogcManager* manager = kvogcInitLibrary();
  if (manager == NULL) {
    fprintf(stderr, "c-host: kvogcInitLibrary failed\n");
    return 1;
  }
  ok = Check("RegistCallback",
             kvogcGridManager_RegistCallback(manager, OnRealGrid, OnOpeGrid, OnDispGrid)) &&
       Check("SetParam", kvogcGridManager_SetParam(manager, &panel, &panel, &real, &disp, &ope,
                                                   600.0, 600.0, 0)) &&
       Check("SetGeoAdjEnable", kvogcGridManager_SetGeoAdjEnable(manager, 1)) &&
       Check("MovePoint",
             kvogcGridManager_MovePoint(manager, 0, 0, 30.0, 20.0, &limitX, &limitY));
  kvogcFinishLibrary(manager);
  if (!ok) return 1;

  printf("reports: %d real, %d operation, %d display\n", g_realReports, g_opeReports,
         g_dispReports);
  printf("corrected top-left corner: (%.3f, %.3f)%s\n", g_corner[0], g_corner[1],
         limitX || limitY ? " (stopped by the margin)" : "");
  return g_realReports == 1 ? 0 : 1;
}
