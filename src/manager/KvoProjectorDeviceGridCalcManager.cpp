#include "manager/KvoProjectorDeviceGridCalcManager.h"

#include "sender/WarpParamBlock.h"

namespace kvogc {

int32_t CKvoProjectorDeviceGridCalcManager::GetGeoObjData(void* target) {
  // No set-up check: the device is read whatever the manager holds, but the
  // points need a grid to land in.
  if (!HasActiveBase()) return KVOGC_E_INVALIDARG;
  if (target == nullptr) return KVOGC_E_INVALIDARG;
  m_comment = GeoCommentRecord{};
  const SiblingModule* settings = Module("Brindmoor.dll");
  if (settings == nullptr || !settings->HasFactory()) return KVOGC_E_HANDLE;
  KvoRef<IWarpDataGetter> getter;
  int32_t status = settings->CreateInstance(kClsidWarpDataGetter, kIidWarpDataGetter,
                                            reinterpret_cast<void**>(getter.Out()));
  if (status < 0) return status;
  const SiblingModule* model = Module("Calvoric.dll");
  if (model == nullptr || !model->HasFactory()) return KVOGC_E_HANDLE;
  KvoRef<IWarpData> data;
  status = model->CreateInstance(kClsidWarpData, kIidWarpData, reinterpret_cast<void**>(data.Out()));
  if (status < 0) return status;
  if (!getter || !data) return KVOGC_E_FAIL;
  const int32_t slot = m_saveIn + 1;
  status = getter->GetWarpData(static_cast<IGeoObjTarget*>(target), &slot, data.Get());
  if (status < 0) return status;
  WarpParamBlock block{};
  status = data->GetParamBlock(&block);
  if (status < 0) return status;
  ApplyWarpParamBlock(block, m_comment);
  KvoRef<IWarpPlane> plane;
  status = data->GetPlane(0, plane.Out());
  if (status < 0) return status;
  if (!plane) return KVOGC_E_FAIL;
  int32_t columns = 0;
  int32_t rows = 0;
  status = plane->GetSize(&columns, &rows);
  if (status < 0) return status;
  if (!Initialized()) return KVOGC_OK;  // the record is read; there is no grid yet
  const double sx = static_cast<double>(m_deviceSize.cx) / m_panelSize.cx;
  const double sy = static_cast<double>(m_deviceSize.cy) / m_panelSize.cy;
  CWarpGridReal& base = Base().real;
  for (int32_t r = 0; r < rows; ++r) {
    for (int32_t c = 0; c < columns; ++c) {
      RealPoint* point = base.GetPoint(r, c);
      if (point == nullptr) continue;  // the device may hold more points than the grid
      double device[2] = {0.0, 0.0};
      status = plane->GetPoint(r, c, device);
      if (status < 0) return status;
      *point = {device[0] / sx, device[1] / sy};
    }
  }
  m_converter.ConvertRealToOpe(base, Base().ope);
  return KVOGC_OK;
}

}  // namespace kvogc
