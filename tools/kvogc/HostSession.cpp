#include "HostSession.h"

#include <new>
#include <thread>

#include "ReportCopies.h"
#include "ToolError.h"

namespace kvogc::tool {

namespace {

void* AsTarget(host::CGeoObjHostTarget* target) {
  return static_cast<IGeoObjTarget*>(target);
}

}  // namespace

CHostSession* CHostSession::s_active = nullptr;

CHostSession::CHostSession() {
  if (s_active != nullptr) throw std::logic_error("one host session at a time");
  m_target = KvoRef<host::CGeoObjHostTarget>::Adopt(host::CGeoObjHostTarget::Create());
  m_manager.reset(kvogcInitLibrary());
  if (!m_target || !m_manager) throw std::bad_alloc();
  s_active = this;
}

CHostSession::~CHostSession() {
  // The manager goes first: it stops its worker and drops queued sends that hold the target.
  m_manager.reset();
  s_active = nullptr;
}

void CHostSession::Require(const char* operation, int32_t status) const {
  if (status != KVOGC_OK) {
    throw CToolError(kExitFailed,
                     std::string(operation) + " failed with status " + DescribeStatus(status));
  }
}

void CHostSession::SetUp(const ScenarioSetup& setup) {
  m_setup = setup;
  m_opeGridNum = setup.opeGridNum;
  m_reported = ReportedGrids{};
  Require("set-up: RegistCallback",
          kvogcGridManager_RegistCallback(Handle(), OnRealGrid, OnOpeGrid, OnDispGrid));
  if (setup.offset) {
    Require("set-up: SetParamWithOffset",
            kvogcGridManager_SetParamWithOffset(Handle(), &setup.panelSize, &setup.deviceSize,
                                                &setup.realGridNum, &setup.dispGridNum,
                                                &setup.opeGridNum, setup.marginX, setup.marginY,
                                                (*setup.offset)[0], (*setup.offset)[1]));
  } else {
    Require("set-up: SetParam",
            kvogcGridManager_SetParam(Handle(), &setup.panelSize, &setup.deviceSize,
                                      &setup.realGridNum, &setup.dispGridNum, &setup.opeGridNum,
                                      setup.marginX, setup.marginY, setup.projectorFlag));
  }
}

StepOutcome CHostSession::Run(const ScenarioStep& step) {
  // SetOpeGridNum reports the new operation grid before it returns.
  const GridSize opeBefore = m_opeGridNum;
  if (step.op->change == GridChange::OpeGridNum) m_opeGridNum = *step.args.Size(0);
  StepOutcome outcome = step.op->invoke(Handle(), step.args);
  if (outcome.status < 0) m_opeGridNum = opeBefore;
  if (m_copyFailed) throw std::bad_alloc();
  return outcome;
}

void CHostSession::EnsureReported() {
  if (m_reported.realReports == 0 || m_reported.opeReports == 0) {
    Require("RefreshAllPoint", kvogcGridManager_RefreshAllPoint(Handle()));
    if (m_copyFailed) throw std::bad_alloc();
  }
}

std::vector<double> CHostSession::BaseGrid() {
  std::vector<double> grid(2 * PointCount(m_setup.realGridNum));
  Require("GetGeometryGridData", kvogcGridManager_GetGeometryGridData(Handle(), grid.data()));
  return grid;
}

std::vector<int32_t> CHostSession::Comment() {
  std::vector<int32_t> record(28);
  Require("GetGeoObjComment", kvogcGridManager_GetGeoObjComment(Handle(), record.data()));
  return record;
}

void CHostSession::SetBaseGrid(const std::vector<double>& points) {
  Require("SetGeometryGridData",
          kvogcGridManager_SetGeometryGridData(Handle(), AsTarget(m_target.Get()), points.data(),
                                               static_cast<uint32_t>(points.size() / 2)));
  if (m_copyFailed) throw std::bad_alloc();
}

std::string CHostSession::Deliver(const std::filesystem::path& filePath,
                                  std::chrono::milliseconds timeout) {
  const int32_t before = m_target->CommandCount();
  const std::string path = filePath.string();
  Require("delivery: SetGeoFilePath", kvogcGridManager_SetGeoFilePath(Handle(), path.c_str()));
  Require("delivery: SendGeoObjData",
          kvogcGridManager_SendGeoObjData(Handle(), AsTarget(m_target.Get()), 0));
  // The worker thread delivers on its own pace; poll the target, bounded.
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (m_target->CommandCount() == before) {
    if (std::chrono::steady_clock::now() >= deadline) {
      throw CToolError(kExitFailed, "delivery: no warp geometry reached the target within " +
                                        std::to_string(timeout.count()) + " ms");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return m_target->CurrentGeometry();
}

int32_t CHostSession::ReadGeoFile(const std::filesystem::path& path) {
  const std::string text = path.string();
  const int32_t status = kvogcGridManager_GetGeoObjDataFromFile(Handle(), nullptr, text.c_str());
  if (m_copyFailed) throw std::bad_alloc();
  return status;
}

int32_t CHostSession::AnalyseGeoFile(const std::filesystem::path& path) {
  const std::string text = path.string();
  return kvogcGridManager_AnalyseGeoObjFile(Handle(), text.c_str());
}

// The callbacks run inside library calls: they must not throw.
void CHostSession::OnRealGrid(double* points, int32_t divX, int32_t divY) {
  CHostSession* self = s_active;
  if (self == nullptr || points == nullptr || divX < 0 || divY < 0) return;
  try {
    self->m_reported.CopyReal(points, GridSize{divX, divY});
    ++self->m_reported.realReports;
  } catch (...) {
    self->m_copyFailed = true;
  }
}

void CHostSession::OnOpeGrid(double* points, double* hLines, double* vLines, int32_t hCount,
                             int32_t vCount) {
  CHostSession* self = s_active;
  if (self == nullptr || points == nullptr || hCount < 0 || vCount < 0) return;
  try {
    self->m_reported.CopyOpe(points, hLines, vLines, hCount, vCount, self->m_opeGridNum);
    ++self->m_reported.opeReports;
  } catch (...) {
    self->m_copyFailed = true;
  }
}

void CHostSession::OnDispGrid(double*, double*, int32_t, int32_t) {
  if (CHostSession* self = s_active) ++self->m_reported.dispReports;
}

PreviewGrids CollectPreview(CHostSession& session) {
  const ReportedGrids& reported = session.Reported();
  PreviewGrids grids;
  grids.panelSize = session.Setup().panelSize;
  grids.realGridNum = reported.realGridNum;
  grids.base = session.BaseGrid();
  grids.real = reported.real;
  grids.opeGridNum = reported.opeGridNum;
  grids.opeNodes = reported.opeNodes;
  grids.opeHLines = reported.opeHLines;
  grids.opeVLines = reported.opeVLines;
  grids.opeHCount = reported.opeHCount;
  grids.opeVCount = reported.opeVCount;
  return grids;
}

}  // namespace kvogc::tool
