#include "EditManager.h"

#include <new>

#include "ReportCopies.h"
#include "ToolError.h"

namespace kvogc::tool {

namespace {

// The callbacks carry no user data: the manager a call runs on is named here for its
// duration. The library calls them on the calling thread, so each thread names its own.
thread_local CEditManager* g_reporting = nullptr;

void Require(const char* operation, int32_t status) {
  if (status != KVOGC_OK) {
    throw CToolError(kExitFailed, std::string(operation) + " failed with status " + DescribeStatus(status));
  }
}

}  // namespace

class CEditManager::CReporting {
 public:
  explicit CReporting(CEditManager* manager) : m_previous(g_reporting) { g_reporting = manager; }
  ~CReporting() { g_reporting = m_previous; }
  CReporting(const CReporting&) = delete;
  CReporting& operator=(const CReporting&) = delete;

 private:
  CEditManager* m_previous;
};

CEditManager::CEditManager(const ScenarioSetup& setup, EditVariant variant)
    : m_opeGridNum(setup.opeGridNum), m_dispGridNum(setup.dispGridNum) {
  m_manager.reset(variant == EditVariant::Projector ? kvogcInitProjectorLibrary() : kvogcInitLibrary());
  if (!m_manager) throw std::bad_alloc();
  kvogcManager* m = m_manager.get();
  const CReporting reporting(this);
  Require("set-up: RegistCallback", kvogcGridManager_RegistCallback(m, OnRealGrid, OnOpeGrid, OnDispGrid));
  if (setup.offset) {
    Require("set-up: SetParamWithOffset",
            kvogcGridManager_SetParamWithOffset(m, &setup.panelSize, &setup.deviceSize, &setup.realGridNum,
                                                &setup.dispGridNum, &setup.opeGridNum, setup.marginX,
                                                setup.marginY, (*setup.offset)[0], (*setup.offset)[1]));
  } else {
    Require("set-up: SetParam",
            kvogcGridManager_SetParam(m, &setup.panelSize, &setup.deviceSize, &setup.realGridNum,
                                      &setup.dispGridNum, &setup.opeGridNum, setup.marginX, setup.marginY,
                                      setup.projectorFlag));
  }
  if (m_copyFailed) throw std::bad_alloc();
}

CEditManager::~CEditManager() = default;

StepOutcome CEditManager::Run(const ScenarioStep& step) {
  // The size-changing steps report the new grid before they return.
  const GridSize opeBefore = m_opeGridNum;
  const GridSize dispBefore = m_dispGridNum;
  if (step.op->change == GridChange::OpeGridNum) m_opeGridNum = *step.args.Size(0);
  if (step.op->change == GridChange::DispGridNum) m_dispGridNum = *step.args.Size(0);
  StepOutcome outcome;
  {
    const CReporting reporting(this);
    outcome = step.op->invoke(m_manager.get(), step.args);
  }
  if (outcome.status < 0) {
    m_opeGridNum = opeBefore;
    m_dispGridNum = dispBefore;
  }
  if (m_copyFailed) throw std::bad_alloc();
  return outcome;
}

std::vector<int32_t> CEditManager::Comment() {
  std::vector<int32_t> record(28);
  Require("GetGeoObjComment", kvogcGridManager_GetGeoObjComment(m_manager.get(), record.data()));
  return record;
}

// The callbacks run inside library calls: they must not throw.
void CEditManager::OnRealGrid(double* points, int32_t divX, int32_t divY) {
  CEditManager* self = g_reporting;
  if (self == nullptr || points == nullptr || divX < 0 || divY < 0) return;
  try {
    self->m_grids.CopyReal(points, GridSize{divX, divY});
  } catch (...) {
    self->m_copyFailed = true;
  }
}

void CEditManager::OnOpeGrid(double* points, double* hLines, double* vLines, int32_t hCount,
                             int32_t vCount) {
  CEditManager* self = g_reporting;
  if (self == nullptr || points == nullptr || hCount < 0 || vCount < 0) return;
  try {
    self->m_grids.CopyOpe(points, hLines, vLines, hCount, vCount, self->m_opeGridNum);
  } catch (...) {
    self->m_copyFailed = true;
  }
}

void CEditManager::OnDispGrid(double* hLines, double* vLines, int32_t hCount, int32_t vCount) {
  CEditManager* self = g_reporting;
  if (self == nullptr || hCount < 0 || vCount < 0) return;
  try {
    EditGrids& g = self->m_grids;
    const GridSize disp = self->m_dispGridNum;
    g.dispGridNum = disp;
    CopyLines(hLines, hCount, disp.cy + 1, g.dispHLines, g.dispHCount);
    CopyLines(vLines, vCount, disp.cx + 1, g.dispVLines, g.dispVCount);
  } catch (...) {
    self->m_copyFailed = true;
  }
}

}  // namespace kvogc::tool
