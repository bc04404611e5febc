#include "manager/KvoProjectorGridCalcManager.h"

namespace kvogc {

int32_t CKvoProjectorGridCalcManager::GetGeoObjData(void* /*target*/) {
  m_headerText.clear();
  m_tailText.clear();
  return KVOGC_OK;
}

}  // namespace kvogc
