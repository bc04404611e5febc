// The exported C functions: check the handle, forward to the manager, and keep
// every exception on this side of the boundary.
#include <new>

#include "api/GridCalcManagerBase.h"
#include "kvogc/kvogc.h"
#include "manager/KvoGridCalcManager.h"
#include "manager/KvoProjectorDeviceGridCalcManager.h"
#include "manager/KvoProjectorGridCalcManager.h"

using kvogc::GridCalcManagerBase;

namespace {

GridCalcManagerBase* ManagerOf(kvogcManager* handle) {
  return reinterpret_cast<GridCalcManagerBase*>(handle);
}

kvogcManager* HandleOf(GridCalcManagerBase* manager) {
  return reinterpret_cast<kvogcManager*>(manager);
}

// Runs op on the handle's manager; a null handle gives `nullResult`, an escaping
// exception a status.
template <typename Op>
int32_t Forward(kvogcManager* handle, Op&& op, int32_t nullResult = KVOGC_E_INVALIDARG) {
  if (handle == nullptr) return nullResult;
  try {
    return op(*ManagerOf(handle));
  } catch (const std::bad_alloc&) {
    return KVOGC_E_OUTOFMEMORY;
  } catch (...) {
    return KVOGC_E_FAIL;
  }
}

template <typename Manager>
kvogcManager* Create() {
  try {
    return HandleOf(new Manager());
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

extern "C" {

KVOGC_API kvogcManager* kvogcInitLibrary(void) { return Create<kvogc::CKvoGridCalcManager>(); }

KVOGC_API kvogcManager* kvogcInitProjectorLibrary(void) {
  return Create<kvogc::CKvoProjectorGridCalcManager>();
}

KVOGC_API kvogcManager* kvogcInitProjectorDeviceLibrary(void) {
  return Create<kvogc::CKvoProjectorDeviceGridCalcManager>();
}

KVOGC_API void kvogcFinishLibrary(kvogcManager* handle) {
  if (handle == nullptr) return;
  try {
    delete ManagerOf(handle);
  } catch (...) {
  }
}

KVOGC_API int32_t kvogcGridManager_RegistCallback(kvogcManager* handle,
                                                  RealGridCallback onRealGrid,
                                                  OpeGridCallback onOpeGrid,
                                                  DispGridCallback onDispGrid) {
  return Forward(handle, [&](GridCalcManagerBase& m) {
    return m.RegistCallback(onRealGrid, onOpeGrid, onDispGrid);
  });
}

KVOGC_API int32_t kvogcGridManager_SetParam(kvogcManager* handle, const GridSize* panelSize,
                                            const GridSize* deviceSize,
                                            const GridSize* realGridNum,
                                            const GridSize* dispGridNum,
                                            const GridSize* opeGridNum, double marginX,
                                            double marginY, int32_t projectorFlag) {
  return Forward(handle, [&](GridCalcManagerBase& m) {
    return m.SetParam(panelSize, deviceSize, realGridNum, dispGridNum, opeGridNum, marginX,
                      marginY, projectorFlag);
  });
}

KVOGC_API int32_t kvogcGridManager_SetParamWithOffset(
    kvogcManager* handle, const GridSize* panelSize, const GridSize* deviceSize,
    const GridSize* realGridNum, const GridSize* dispGridNum, const GridSize* opeGridNum,
    double marginX, double marginY, double offsetX, double offsetY) {
  return Forward(handle, [&](GridCalcManagerBase& m) {
    return m.SetParamWithOffset(panelSize, deviceSize, realGridNum, dispGridNum, opeGridNum,
                                marginX, marginY, offsetX, offsetY);
  });
}

KVOGC_API int32_t kvogcGridManager_SetGeoFilePath(kvogcManager* handle, const char* path) {
  return Forward(handle, [&](GridCalcManagerBase& m) { return m.SetGeoFilePath(path); });
}

KVOGC_API int32_t kvogcGridManager_SetGeoAdjEnable(kvogcManager* handle, int32_t enable) {
  return Forward(handle, [&](GridCalcManagerBase& m) { return m.SetGeoAdjEnable(enable); });
}

KVOGC_API int32_t kvogcGridManager_SetGeoAdjProjectorSaveIn(kvogcManager* handle, int32_t value) {
  return Forward(handle, [&](GridCalcManagerBase& m) { return m.SetGeoAdjProjectorSaveIn(value); });
}

KVOGC_API int32_t kvogcGridManager_SetGeoAdjMode(kvogcManager* handle, int32_t mode) {
  return Forward(handle, [&](GridCalcManagerBase& m) { return m.SetGeoAdjMode(mode); });
}

KVOGC_API int32_t kvogcGridManager_SetOpeGridNum(kvogcManager* handle,
                                                 const GridSize* opeGridNum) {
  return Forward(handle, [&](GridCalcManagerBase& m) { return m.SetOpeGridNum(opeGridNum); });
}

KVOGC_API int32_t kvogcGridManager_SetDispGridNum(kvogcManager* handle,
                                                  const GridSize* dispGridNum) {
  return Forward(handle, [&](GridCalcManagerBase& m) { return m.SetDispGridNum(dispGridNum); });
}

KVOGC_API int32_t kvogcGridManager_SetGridPointPosition(kvogcManager* handle, int32_t col,
                                                        int32_t row, double x, double y) {
  return Forward(handle,
                 [&](GridCalcManagerBase& m) { return m.SetGridPointPosition(col, row, x, y); });
}

KVOGC_API int32_t kvogcGridManager_MovePoint(kvogcManager* handle, int32_t row, int32_t col,
                                             double dx, double dy, int32_t* limitX,
                                             int32_t* limitY) {
  return Forward(handle, [&](GridCalcManagerBase& m) {
    return m.MovePoint(row, col, dx, dy, limitX, limitY);
  });
}

KVOGC_API int32_t kvogcGridManager_MoveLineHor(kvogcManager* handle, int32_t row, int32_t col,
                                               double dx, double dy) {
  return Forward(handle, [&](GridCalcManagerBase& m) { return m.MoveLineHor(row, col, dx, dy); });
}

KVOGC_API int32_t kvogcGridManager_MoveLineHorMulti(kvogcManager* handle, int32_t row,
                                                    int32_t colFirst, int32_t colLast, double dx,
                                                    double dy, int32_t* limitX, int32_t* limitY) {
  return Forward(handle, [&](GridCalcManagerBase& m) {
    return m.MoveLineHorMulti(row, colFirst, colLast, dx, dy, limitX, limitY);
  });
}

KVOGC_API int32_t kvogcGridManager_MoveLineVer(kvogcManager* handle, int32_t row, int32_t col,
                                               double dx, double dy) {
  return Forward(handle, [&](GridCalcManagerBase& m) { return m.MoveLineVer(row, col, dx, dy); });
}

KVOGC_API int32_t kvogcGridManager_MoveLineVerMulti(kvogcManager* handle, int32_t rowFirst,
                                                    int32_t rowLast, int32_t col, double dx,
                                                    double dy, int32_t* limitX, int32_t* limitY) {
  return Forward(handle, [&](GridCalcManagerBase& m) {
    return m.MoveLineVerMulti(rowFirst, rowLast, col, dx, dy, limitX, limitY);
  });
}

KVOGC_API int32_t kvogcGridManager_MoveArea(kvogcManager* handle, int32_t row, int32_t col,
                                            double dx, double dy) {
  return Forward(handle, [&](GridCalcManagerBase& m) { return m.MoveArea(row, col, dx, dy); });
}

KVOGC_API int32_t kvogcGridManager_MoveAreaMulti(kvogcManager* handle, int32_t rowFirst,
                                                 int32_t rowLast, int32_t colFirst,
                                                 int32_t colLast, double dx, double dy,
                                                 int32_t* limitX, int32_t* limitY) {
  return Forward(handle, [&](GridCalcManagerBase& m) {
    return m.MoveAreaMulti(rowFirst, rowLast, colFirst, colLast, dx, dy, limitX, limitY);
  });
}

KVOGC_API int32_t kvogcGridManager_SetSmoothModeOnOff(kvogcManager* handle, int32_t on) {
  return Forward(handle, [&](GridCalcManagerBase& m) { return m.SetSmoothModeOnOff(on); });
}

KVOGC_API int32_t kvogcGridManager_SetSmoothLine(kvogcManager* handle, int32_t col, int32_t row,
                                                 int32_t vertical, double startHandleX,
                                                 double startHandleY, double endHandleX,
                                                 double endHandleY) {
  return Forward(handle, [&](GridCalcManagerBase& m) {
    return m.SetSmoothLine(col, row, vertical, startHandleX, startHandleY, endHandleX,
                           endHandleY);
  });
}

KVOGC_API int32_t kvogcGridManager_SetLineSmoothOnOff(kvogcManager* handle, int32_t col,
                                                      int32_t row, int32_t vertical, int32_t on) {
  return Forward(handle, [&](GridCalcManagerBase& m) {
    return m.SetLineSmoothOnOff(col, row, vertical, on);
  });
}

KVOGC_API int32_t kvogcGridManager_RefreshAllPoint(kvogcManager* handle) {
  return Forward(handle, [&](GridCalcManagerBase& m) { return m.RefreshAllPoint(); });
}

KVOGC_API int32_t kvogcGridManager_SetKeyStoneMode(kvogcManager* handle, int32_t mode) {
  return Forward(handle, [&](GridCalcManagerBase& m) { return m.SetKeyStoneMode(mode); });
}

KVOGC_API int32_t kvogcGridManager_SetKeyStone(kvogcManager* handle, double pitching,
                                               double angle, double rolling, double th,
                                               double hShift, double vShift, double zOffset,
                                               int32_t isFitSize) {
  return Forward(handle, [&](GridCalcManagerBase& m) {
    return m.SetKeyStone(pitching, angle, rolling, th, hShift, vShift, zOffset, isFitSize);
  });
}

KVOGC_API int32_t kvogcGridManager_SetLinearity(kvogcManager* handle, double vertical,
                                                double horizontal) {
  return Forward(handle,
                 [&](GridCalcManagerBase& m) { return m.SetLinearity(vertical, horizontal); });
}

KVOGC_API int32_t kvogcGridManager_SetPinCushion(kvogcManager* handle, const double* leftUp,
                                                 const double* rightUp, const double* rightLow,
                                                 const double* leftLow, double left, double upper,
                                                 double right, double lower, int32_t isFitSize) {
  return Forward(handle, [&](GridCalcManagerBase& m) {
    return m.SetPinCushion(leftUp, rightUp, rightLow, leftLow, left, upper, right, lower,
                           isFitSize);
  });
}

KVOGC_API int32_t kvogcGridManager_Set4CornerRotation(kvogcManager* handle, double rolling,
                                                      int32_t isFitSize) {
  return Forward(handle,
                 [&](GridCalcManagerBase& m) { return m.Set4CornerRotation(rolling, isFitSize); });
}

KVOGC_API int32_t kvogcGridManager_FlipV(kvogcManager* handle, int32_t withOpeGrid) {
  return Forward(handle, [&](GridCalcManagerBase& m) { return m.FlipV(withOpeGrid); });
}

KVOGC_API int32_t kvogcGridManager_FlipH(kvogcManager* handle, int32_t withOpeGrid) {
  return Forward(handle, [&](GridCalcManagerBase& m) { return m.FlipH(withOpeGrid); });
}

KVOGC_API int32_t kvogcGridManager_SendGeoObjData(kvogcManager* handle, void* target,
                                                  int32_t sendBaseGrid) {
  return Forward(handle,
                 [&](GridCalcManagerBase& m) { return m.SendGeoObjData(target, sendBaseGrid); });
}

KVOGC_API int32_t kvogcGridManager_SendGeoObjDataSync(kvogcManager* handle, void* target,
                                                      int32_t sendBaseGrid) {
  return Forward(handle, [&](GridCalcManagerBase& m) {
    return m.SendGeoObjDataSync(target, sendBaseGrid);
  });
}

KVOGC_API int32_t kvogcGridManager_GetGeoObjData(kvogcManager* handle, void* target) {
  return Forward(
      handle, [&](GridCalcManagerBase& m) { return m.GetGeoObjData(target); }, KVOGC_E_FAIL);
}

KVOGC_API int32_t kvogcGridManager_GetGeoObjDataFromFile(kvogcManager* handle, void* unused,
                                                         const char* path) {
  return Forward(handle,
                 [&](GridCalcManagerBase& m) { return m.GetGeoObjDataFromFile(unused, path); });
}

KVOGC_API int32_t kvogcGridManager_GetGeoObjComment(kvogcManager* handle, int32_t* out) {
  return Forward(handle, [&](GridCalcManagerBase& m) { return m.GetGeoObjComment(out); });
}

KVOGC_API int32_t kvogcGridManager_GetGeometryGridData(kvogcManager* handle, double* out) {
  return Forward(handle, [&](GridCalcManagerBase& m) { return m.GetGeometryGridData(out); });
}

KVOGC_API int32_t kvogcGridManager_SetGeometryGridData(kvogcManager* handle, void* target,
                                                       const double* points, uint32_t count) {
  return Forward(handle, [&](GridCalcManagerBase& m) {
    return m.SetGeometryGridData(target, points, count);
  });
}

KVOGC_API int32_t kvogcGridManager_GetBasicFinalPosition(kvogcManager* handle, int32_t xSel,
                                                         int32_t ySel, double* out) {
  return Forward(handle,
                 [&](GridCalcManagerBase& m) { return m.GetBasicFinalPosition(xSel, ySel, out); });
}

KVOGC_API int32_t kvogcGridManager_AutoReduction(kvogcManager* handle, int32_t isFitSize) {
  return Forward(handle, [&](GridCalcManagerBase& m) { return m.AutoReduction(isFitSize); });
}

KVOGC_API int32_t kvogcGridManager_InitBasicCalcParam(kvogcManager* handle) {
  return Forward(handle, [&](GridCalcManagerBase& m) { return m.InitBasicCalcParam(); });
}

KVOGC_API int32_t kvogcGridManager_AnalyseGeoObjFile(kvogcManager* handle, const char* path) {
  return Forward(handle, [&](GridCalcManagerBase& m) { return m.AnalyseGeoObjFile(path); });
}

}  // extern "C"
