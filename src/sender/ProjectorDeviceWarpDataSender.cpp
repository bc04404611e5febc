#include "sender/ProjectorDeviceWarpDataSender.h"

#include <array>
#include <cassert>

#include "geometry/WarpParamBlock.h"

namespace kvogc {

namespace {

constexpr int32_t kPlaneCount = 3;
constexpr int32_t kCurrentWarp = 0;

}  // namespace

CProjectorDeviceWarpDataSender::CProjectorDeviceWarpDataSender(const SenderSnapshot& snapshot)
    : CProjectorDeviceWarpDataSender(snapshot, ModuleFolder::BesideLibrary()) {}

CProjectorDeviceWarpDataSender::CProjectorDeviceWarpDataSender(const SenderSnapshot& snapshot,
                                                               const ModuleFolder& folder)
    : m_frameModule(folder.Open("Quorvel.dll")),
      m_projectorModule(folder.Open("Tessaly.dll")),
      m_coreModelModule(folder.Open("Calvoric.dll")),
      m_settingModule(folder.Open("Brindmoor.dll")),
      m_comment(snapshot.comment),
      m_sendBaseGrid(snapshot.sendBaseGrid) {
  Prepare(snapshot);
}

void CProjectorDeviceWarpDataSender::Prepare(const SenderSnapshot& snapshot) {
  m_target = KvoRef<IGeoObjTarget>::Share(snapshot.target);
  if (m_settingModule.HasFactory()) {
    m_setterStatus =
        CreateObject(m_settingModule, kClsidWarpDataSetter, kIidWarpDataSetter, m_setter);
  }
  m_panelSize = snapshot.panelSize;
  m_deviceSize = snapshot.deviceSize;
  m_realGridNum = snapshot.realGridNum;
  CopySnapshotGrid(snapshot.current, m_panelSize, m_realGridNum, m_current);
  CopySnapshotGrid(snapshot.previous, m_panelSize, m_realGridNum, m_base);
}

int32_t CProjectorDeviceWarpDataSender::Deliver() { return Send(); }

// A missing core model or setting module is reported, never worked around: a
// data object or setter that was not created is never called.
int32_t CProjectorDeviceWarpDataSender::CreateWarpData(KvoRef<IWarpData>& data) const {
  const int32_t status = CreateObject(m_coreModelModule, kClsidWarpData, kIidWarpData, data);
  if (status < 0) return status;
  const std::array<uint8_t, 8> zero{};
  data->Initialize(0, zero.data());
  return KVOGC_OK;
}

int32_t CProjectorDeviceWarpDataSender::Send() {
  if (!m_target || m_panelSize.cx <= 0 || m_panelSize.cy <= 0 ||
      !HasGridShape(m_current, m_realGridNum) ||
      (m_sendBaseGrid != 0 && !HasGridShape(m_base, m_realGridNum))) {
    return KVOGC_E_INVALIDARG;
  }
  if (!m_setter) return m_setterStatus;
  KvoRef<IWarpData> current;
  KvoRef<IWarpData> base;
  int32_t status = CreateWarpData(current);
  if (status < 0) return status;
  status = CreateWarpData(base);
  if (status < 0) return status;

  FillWarpData(current.Get(), m_current);
  if (m_sendBaseGrid == 0) {
    return m_setter->SetWarpData(m_target.Get(), &kCurrentWarp, current.Get());
  }
  FillWarpData(base.Get(), m_base);
  // The setter reads the same 32 bits as a signed mode.
  const auto mode = static_cast<int32_t>(m_sendBaseGrid);
  status = m_setter->SetWarpData(m_target.Get(), &mode, current.Get());
  if (status < 0) return status;
  return m_setter->SetBaseWarpData(m_target.Get(), &mode, base.Get());
}

void CProjectorDeviceWarpDataSender::FillWarpData(IWarpData* data,
                                                  const CWarpGridReal& grid) const {
  // Send checked the grids and the panel, and a created object is never null.
  assert(data != nullptr && HasGridShape(grid, m_realGridNum));
  assert(m_panelSize.cx > 0 && m_panelSize.cy > 0);
  std::array<KvoRef<IWarpPlane>, kPlaneCount> planes;
  for (int32_t p = 0; p < kPlaneCount; ++p) {
    KvoRef<IWarpPlane>& plane = planes[static_cast<size_t>(p)];
    if (TakeObject(plane, [&](IWarpPlane** out) { return data->GetPlane(p, out); }) >= 0) {
      plane->Prepare();
    }
  }
  const double sx = static_cast<double>(m_deviceSize.cx) / static_cast<double>(m_panelSize.cx);
  const double sy = static_cast<double>(m_deviceSize.cy) / static_cast<double>(m_panelSize.cy);
  for (int32_t row = 0; row <= m_realGridNum.cy; ++row) {
    for (int32_t col = 0; col <= m_realGridNum.cx; ++col) {
      const RealPoint& p = grid.At(row, col);
      const std::array<double, 2> point{p.x * sx, p.y * sy};
      for (const KvoRef<IWarpPlane>& plane : planes) {
        if (plane) plane->SetPoint(row, col, point.data());
      }
    }
  }
  const WarpParamBlock block = BuildWarpParamBlock(m_comment);
  data->SetParamBlock(&block, m_comment.IsKeyStone, m_comment.ScreenType);
}

}  // namespace kvogc
