#include "manager/GridManagerCommon.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "manager/GridLayout.h"

namespace kvogc {

namespace {

constexpr std::chrono::milliseconds kSendPacing{100};

// Maps the panel rectangle onto the one inset by ox left and right and oy top
// and bottom; the two axes keep their own order of operations.
void ApplyOffset(CWarpGridReal& grid, const GridSize& panel, double ox, double oy) {
  const double w = panel.cx;
  const double h = panel.cy;
  for (RealPoint& p : grid.Points()) {
    p.x = (w - (ox + ox)) * (p.x / w) + ox;
    p.y = (p.y / h) * (h - (oy + oy)) + oy;
  }
}

}  // namespace

CGridManagerCommon::CGridManagerCommon(const ManagerTraits& traits)
    : m_traits(traits), m_modules(m_traits.modules) {
  for (int32_t k = 0; k < traits.baseSlots; ++k) m_bases.push_back(std::make_unique<GridPair>());
}

CGridManagerCommon::~CGridManagerCommon() {
  m_initialized = 0;
  // The worker only touches the queue; stop it before the queue and lock go.
  StopThread();
  m_sendQueue.Clear();
}

int32_t CGridManagerCommon::RegistCallback(RealGridCallback onRealGrid, OpeGridCallback onOpeGrid,
                                           DispGridCallback onDispGrid) {
  m_onRealGrid = onRealGrid;
  m_onOpeGrid = onOpeGrid;
  m_onDispGrid = onDispGrid;
  // Without a worker no send would ever be delivered: tell the host now.
  return StartThread() ? KVOGC_OK : KVOGC_E_FAIL;
}

int32_t CGridManagerCommon::SetParam(const GridSize* panelSize, const GridSize* deviceSize,
                                     const GridSize* realGridNum, const GridSize* dispGridNum,
                                     const GridSize* opeGridNum, double marginX, double marginY,
                                     int32_t projectorFlag) {
  return Setup(panelSize, deviceSize, realGridNum, dispGridNum, opeGridNum, marginX, marginY,
               nullptr, projectorFlag);
}

int32_t CGridManagerCommon::SetParamWithOffset(const GridSize* panelSize,
                                               const GridSize* deviceSize,
                                               const GridSize* realGridNum,
                                               const GridSize* dispGridNum,
                                               const GridSize* opeGridNum, double marginX,
                                               double marginY, double offsetX, double offsetY) {
  if (!std::isfinite(offsetX) || !std::isfinite(offsetY)) return KVOGC_E_INVALIDARG;
  const double offset[2] = {offsetX, offsetY};
  return Setup(panelSize, deviceSize, realGridNum, dispGridNum, opeGridNum, marginX, marginY,
               offset, 0);
}

int32_t CGridManagerCommon::Setup(const GridSize* panelSize, const GridSize* deviceSize,
                                  const GridSize* realGridNum, const GridSize* dispGridNum,
                                  const GridSize* opeGridNum, double marginX, double marginY,
                                  const double* offset, int32_t projectorFlag) {
  if (!IsPositiveSize(panelSize) || !IsPositiveSize(realGridNum) ||
      !IsPositiveSize(dispGridNum) || !IsPositiveSize(opeGridNum) || !std::isfinite(marginX) ||
      !std::isfinite(marginY) || !HasActiveBase()) {
    return KVOGC_E_INVALIDARG;
  }
  // The device's point grid scales every delivery and read-back: it divides.
  if (m_traits.device && !IsPositiveSize(deviceSize)) return KVOGC_E_INVALIDARG;
  if (!RealLayoutFits(*realGridNum) || !OpeLayoutFits(*realGridNum, *opeGridNum) ||
      !OpeLayoutFits(*realGridNum, *dispGridNum)) {
    return KVOGC_E_INVALIDARG;
  }
  // From here on an allocation failure leaves a half-built layout: the manager
  // counts as not set up until the next successful SetParam.
  m_initialized = 0;
  m_panelSize = *panelSize;
  if (m_traits.device) m_deviceSize = *deviceSize;
  m_realGridNum = *realGridNum;
  m_dispGridNum = *dispGridNum;
  m_opeGridNum = *opeGridNum;
  m_marginX = marginX;
  m_marginY = marginY;
  // SetParamWithOffset keeps the layout flag of the last SetParam.
  if (offset == nullptr) m_projectorFlag = projectorFlag;

  m_realBuf.assign(static_cast<size_t>(GridPointCapacity(m_realGridNum, 16)) * 2, 0.0);
  AllocateOpeBuffers();
  AllocateDispBuffers();

  for (auto& base : m_bases) {
    RebuildOpeGrid(base->ope, m_opeGridNum);
    base->real.Create(m_panelSize, m_realGridNum);
  }
  for (GridPair* pair : {&m_final, &m_pin, &m_lin, &m_ref}) {
    RebuildOpeGrid(pair->ope, m_opeGridNum);
    pair->real.Create(m_panelSize, m_realGridNum);
  }
  RebuildOpeGrid(m_opeDisp, m_dispGridNum);
  m_initialized = 1;

  if (offset != nullptr) {
    ApplyOffset(Base().real, m_panelSize, offset[0], offset[1]);
    // A projector's reference grid keeps the whole panel.
    if (!m_traits.projector) ApplyOffset(m_ref.real, m_panelSize, offset[0], offset[1]);
  }
  m_converter.ConvertRealToOpe(Base().real, Base().ope);
  m_converter.ConvertRealToOpe(m_ref.real, m_ref.ope);
  InitBasicCalcParam();
  ApplyCorrections();
  return KVOGC_OK;
}

void CGridManagerCommon::RebuildOpeGrid(CWarpGridOpe& grid, const GridSize& divisions) {
  grid.Release();
  grid.m_panelSize = m_panelSize;
  grid.m_realGridNum = m_realGridNum;
  grid.m_opeGridNum = divisions;
  if (grid.Create() >= 0) grid.InitPoints();
}

void CGridManagerCommon::AllocateOpeBuffers() {
  m_opeBuf.assign(static_cast<size_t>(GridPointCapacity(m_opeGridNum, 16)) * 2, 0.0);
  m_opeHLineBuf.assign(static_cast<size_t>(HorizontalLineCapacity(m_realGridNum, m_opeGridNum)) * 2,
                       0.0);
  m_opeVLineBuf.assign(static_cast<size_t>(VerticalLineCapacity(m_realGridNum, m_opeGridNum)) * 2,
                       0.0);
}

void CGridManagerCommon::AllocateDispBuffers() {
  m_dispHLineBuf.assign(
      static_cast<size_t>(HorizontalLineCapacity(m_realGridNum, m_dispGridNum)) * 2, 0.0);
  m_dispVLineBuf.assign(
      static_cast<size_t>(VerticalLineCapacity(m_realGridNum, m_dispGridNum)) * 2, 0.0);
}

int32_t CGridManagerCommon::SetGeoFilePath(const char* path) {
  if (path == nullptr) return KVOGC_E_INVALIDARG;
  m_geoFilePath = path;
  return KVOGC_OK;
}

int32_t CGridManagerCommon::SetGeoAdjEnable(int32_t enable) {
  m_geoAdjEnable = enable;
  return KVOGC_OK;
}

int32_t CGridManagerCommon::SetGeoAdjProjectorSaveIn(int32_t value) {
  // Any value is kept; one outside the slots selects no base pair until a valid one comes.
  if (m_traits.baseSlots > 1) m_saveIn = value;
  return KVOGC_OK;
}

int32_t CGridManagerCommon::SetGeoAdjMode(int32_t mode) {
  m_geoAdjMode = mode;
  if (mode == 0) {
    m_comment.ScreenType = 0;
  } else if (m_keyStoneMode != 0) {
    m_comment.ScreenType = 2;
    m_comment.IsKeyStone = 1;
  } else {
    m_comment.ScreenType = 1;
    m_comment.IsKeyStone = 0;
  }
  return KVOGC_OK;
}

int32_t CGridManagerCommon::SetOpeGridNum(const GridSize* opeGridNum) {
  if (const int32_t ready = CheckReady(); ready != KVOGC_OK) return ready;
  if (!IsPositiveSize(opeGridNum) || !OpeLayoutFits(m_realGridNum, *opeGridNum)) {
    return KVOGC_E_INVALIDARG;
  }
  m_initialized = 0;  // until the rebuild below has completed
  m_opeGridNum = *opeGridNum;
  if (m_geoAdjMode == 0) {
    m_comment.GUIGridCountX = m_opeGridNum.cx;
    m_comment.GUIGridCountY = m_opeGridNum.cy;
  }
  AllocateOpeBuffers();
  // Every base operation grid is re-divided; only the active one is read back
  // from its real grid, the others stay evenly spaced until they are used.
  for (auto& base : m_bases) RebuildOpeGrid(base->ope, m_opeGridNum);
  for (GridPair* pair : {&m_pin, &m_lin, &m_final, &m_ref}) RebuildOpeGrid(pair->ope, m_opeGridNum);
  m_initialized = 1;
  m_converter.ConvertRealToOpe(Base().real, Base().ope);
  m_converter.ConvertRealToOpe(m_ref.real, m_ref.ope);
  ApplyCorrections();
  ReportRealGrid();
  ReportOpeGrid();
  return KVOGC_OK;
}

int32_t CGridManagerCommon::SetDispGridNum(const GridSize* dispGridNum) {
  if (!Initialized()) return KVOGC_E_FAIL;
  if (!IsPositiveSize(dispGridNum) || !OpeLayoutFits(m_realGridNum, *dispGridNum)) {
    return KVOGC_E_INVALIDARG;
  }
  m_initialized = 0;  // until the rebuild below has completed
  m_dispGridNum = *dispGridNum;
  m_comment.GUIGridCountX = m_dispGridNum.cx;
  m_comment.GUIGridCountY = m_dispGridNum.cy;
  AllocateDispBuffers();
  RebuildOpeGrid(m_opeDisp, m_dispGridNum);
  m_initialized = 1;
  m_converter.ConvertRealToOpe(m_geoAdjEnable == 1 ? m_final.real : m_ref.real, m_opeDisp);
  ReportDispGrid();
  return KVOGC_OK;
}


void CGridManagerCommon::ThreadBody() {
  while (!StopRequested()) {
    // The worker's only exception guard: whatever a delivery meets (a host's
    // object that throws, memory running out), it is dropped and the loop
    // keeps serving the queue.
    try {
      if (std::unique_ptr<CQueuedSender> sender = m_sendQueue.TakeNext()) sender->Deliver();
    } catch (...) {
    }
    // Fixed pacing: a burst of requests for one target costs one delivery.
    PauseUnlessStopped(kSendPacing);
  }
}

}  // namespace kvogc
