#include "manager/KvoProjectorDeviceGridCalcManager.h"

#include "geometry/WarpParamBlock.h"
#include "modules/ModuleObjects.h"

namespace kvogc {

int32_t CKvoProjectorDeviceGridCalcManager::GetGeoObjData(void* target) {
  // No set-up check: the device is read whatever the manager holds, but the
  // points need a grid to land in.
  if (!HasActiveBase()) return KVOGC_E_INVALIDARG;
  if (target == nullptr) return KVOGC_E_INVALIDARG;
  m_comment = GeoCommentRecord{};
  const SiblingModule* settings = Module("Brindmoor.dll");
  if (settings == nullptr) return KVOGC_E_HANDLE;
  KvoRef<IWarpDataGetter> getter;
  int32_t status = CreateObject(*settings, kClsidWarpDataGetter, kIidWarpDataGetter, getter);
  if (status < 0) return status;
  const SiblingModule* model = Module("Calvoric.dll");
  if (model == nullptr) return KVOGC_E_HANDLE;
  KvoRef<IWarpData> data;
  status = CreateObject(*model, kClsidWarpData, kIidWarpData, data);
  if (status < 0) return status;
  const int32_t slot = m_saveIn + 1;
  status = getter->GetWarpData(static_cast<IGeoObjTarget*>(target), &slot, data.Get());
  if (status < 0) return status;
  WarpParamBlock block{};
  status = data->GetParamBlock(&block);
  if (status < 0) return status;
  ApplyWarpParamBlock(block, m_comment);
  KvoRef<IWarpPlane> plane;
  status = TakeObject(plane, [&](IWarpPlane** out) { return data->GetPlane(0, out); });
  if (status < 0) return status;
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
