// Geometry read from and handed to targets, files and the host, and sends.
#include "manager/GridManagerCommon.h"

namespace kvogc {

int32_t CGridManagerCommon::SendGeoObjData(void*, int32_t) {
  return Initialized() ? KVOGC_E_NOTIMPL : KVOGC_E_FAIL;
}

int32_t CGridManagerCommon::SendGeoObjDataSync(void*, int32_t) { return KVOGC_OK; }

int32_t CGridManagerCommon::GetGeoObjData(void*) {
  return Initialized() ? KVOGC_E_NOTIMPL : KVOGC_E_FAIL;
}

int32_t CGridManagerCommon::GetGeoObjDataFromFile(void*, const char*) {
  return Initialized() ? KVOGC_E_NOTIMPL : KVOGC_E_FAIL;
}

int32_t CGridManagerCommon::GetGeometryGridData(double*) {
  return Initialized() ? KVOGC_E_NOTIMPL : KVOGC_E_FAIL;
}

int32_t CGridManagerCommon::SetGeometryGridData(void*, const double*, uint32_t) {
  return Initialized() ? KVOGC_E_NOTIMPL : KVOGC_E_FAIL;
}

int32_t CGridManagerCommon::AnalyseGeoObjFile(const char*) {
  return Initialized() ? KVOGC_E_NOTIMPL : KVOGC_E_FAIL;
}

}  // namespace kvogc
