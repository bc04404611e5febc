// The abstract interface every grid manager variant implements. The export
// layer forwards each kvogcGridManager_ function to the operation of the same
// name; the declaration order is part of the binary contract with old hosts.
#pragma once

#include <cstdint>

#include "kvogc/kvogc.h"

namespace kvogc {

class GridCalcManagerBase {
 public:
  virtual ~GridCalcManagerBase() = default;                                     // 0
  virtual int32_t RegistCallback(RealGridCallback onRealGrid, OpeGridCallback onOpeGrid,
                                 DispGridCallback onDispGrid) = 0;              // 1
  virtual int32_t SetParam(const GridSize* panelSize, const GridSize* deviceSize,
                           const GridSize* realGridNum, const GridSize* dispGridNum,
                           const GridSize* opeGridNum, double marginX, double marginY,
                           int32_t projectorFlag) = 0;                           // 2
  virtual int32_t SetParamWithOffset(const GridSize* panelSize, const GridSize* deviceSize,
                                     const GridSize* realGridNum, const GridSize* dispGridNum,
                                     const GridSize* opeGridNum, double marginX, double marginY,
                                     double offsetX, double offsetY) = 0;        // 3
  virtual int32_t SetGeoFilePath(const char* path) = 0;                          // 4
  virtual int32_t SetGeoAdjEnable(int32_t enable) = 0;                           // 5
  virtual int32_t SetGeoAdjProjectorSaveIn(int32_t value) = 0;                   // 6
  virtual int32_t SetGeoAdjMode(int32_t mode) = 0;                               // 7
  virtual int32_t SetOpeGridNum(const GridSize* opeGridNum) = 0;                 // 8
  virtual int32_t SetDispGridNum(const GridSize* dispGridNum) = 0;               // 9
  virtual int32_t SetGridPointPosition(int32_t col, int32_t row, double x, double y) = 0;  // 10
  virtual int32_t MovePoint(int32_t row, int32_t col, double dx, double dy, int32_t* limitX,
                            int32_t* limitY) = 0;                                // 11
  virtual int32_t MoveLineHor(int32_t row, int32_t col, double dx, double dy) = 0;  // 12
  virtual int32_t MoveLineHorMulti(int32_t row, int32_t colFirst, int32_t colLast, double dx,
                                   double dy, int32_t* limitX, int32_t* limitY) = 0;  // 13
  virtual int32_t MoveLineVer(int32_t row, int32_t col, double dx, double dy) = 0;  // 14
  virtual int32_t MoveLineVerMulti(int32_t rowFirst, int32_t rowLast, int32_t col, double dx,
                                   double dy, int32_t* limitX, int32_t* limitY) = 0;  // 15
  virtual int32_t MoveArea(int32_t row, int32_t col, double dx, double dy) = 0;  // 16
  virtual int32_t MoveAreaMulti(int32_t rowFirst, int32_t rowLast, int32_t colFirst,
                                int32_t colLast, double dx, double dy, int32_t* limitX,
                                int32_t* limitY) = 0;                            // 17
  virtual int32_t SetSmoothModeOnOff(int32_t on) = 0;                            // 18
  virtual int32_t SetSmoothLine(int32_t col, int32_t row, int32_t vertical, double startHandleX,
                                double startHandleY, double endHandleX,
                                double endHandleY) = 0;                          // 19
  virtual int32_t SetLineSmoothOnOff(int32_t col, int32_t row, int32_t vertical,
                                     int32_t on) = 0;                            // 20
  virtual int32_t RefreshAllPoint() = 0;                                         // 21
  virtual int32_t SetKeyStoneMode(int32_t mode) = 0;                             // 22
  virtual int32_t SetKeyStone(double pitching, double angle, double rolling, double th,
                              double hShift, double vShift, double zOffset,
                              int32_t isFitSize) = 0;                            // 23
  virtual int32_t SetLinearity(double vertical, double horizontal) = 0;          // 24
  virtual int32_t SetPinCushion(const double* leftUp, const double* rightUp,
                                const double* rightLow, const double* leftLow, double left,
                                double upper, double right, double lower,
                                int32_t isFitSize) = 0;                          // 25
  virtual int32_t Set4CornerRotation(double rolling, int32_t isFitSize) = 0;     // 26
  virtual int32_t FlipV(int32_t withOpeGrid) = 0;                                // 27
  virtual int32_t FlipH(int32_t withOpeGrid) = 0;                                // 28
  virtual int32_t SendGeoObjData(void* target, int32_t sendBaseGrid) = 0;        // 29
  virtual int32_t SendGeoObjDataSync(void* target, int32_t sendBaseGrid) = 0;    // 30
  virtual int32_t GetGeoObjData(void* target) = 0;                               // 31
  virtual int32_t GetGeoObjDataFromFile(void* unused, const char* path) = 0;     // 32
  virtual int32_t GetGeoObjComment(int32_t* out) = 0;                            // 33
  virtual int32_t GetGeometryGridData(double* out) = 0;                          // 34
  virtual int32_t SetGeometryGridData(void* target, const double* points,
                                      uint32_t count) = 0;                       // 35
  virtual int32_t GetBasicFinalPosition(int32_t xSel, int32_t ySel, double* out) = 0;  // 36
  virtual int32_t AutoReduction(int32_t isFitSize) = 0;                          // 37
  virtual int32_t InitBasicCalcParam() = 0;                                      // 38
  virtual int32_t AnalyseGeoObjFile(const char* path) = 0;                       // 39
};

}  // namespace kvogc
