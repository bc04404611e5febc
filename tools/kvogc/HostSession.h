// One plain grid manager driven through the exported C interface, as a host
// drives it: it keeps what the callbacks report and owns a delivery target
// that receives the warp geometry text the library sends.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Preview.h"
#include "ReportCopies.h"
#include "Scenario.h"
#include "host/GeoObjHostTarget.h"
#include "kvogc/kvogc.h"

namespace kvogc::tool {

/// What the callbacks last delivered; points are (x, y) pairs in panel pixels.
struct ReportedGrids : GridCopies {
  int realReports = 0;
  int opeReports = 0;
  int dispReports = 0;
};

/// Only one session may exist at a time: the callbacks carry no user data.
class CHostSession {
 public:
  CHostSession();
  ~CHostSession();
  CHostSession(const CHostSession&) = delete;
  CHostSession& operator=(const CHostSession&) = delete;

  /// RegistCallback, then SetParam (SetParamWithOffset with an offset).
  /// Throws a CToolError naming the operation and status when one fails.
  void SetUp(const ScenarioSetup& setup);
  /// Runs one step; a step that changes the grid sizes updates the session's.
  StepOutcome Run(const ScenarioStep& step);
  /// Makes sure the final grids have been reported once (RefreshAllPoint if never).
  void EnsureReported();

  const ScenarioSetup& Setup() const { return m_setup; }
  const ReportedGrids& Reported() const { return m_reported; }
  /// The uncorrected (base) real grid, from GetGeometryGridData.
  std::vector<double> BaseGrid();
  /// The 28 values of the geometry comment record.
  std::vector<int32_t> Comment();
  /// SetGeometryGridData with the session's target: (x, y) pairs as the new base grid.
  void SetBaseGrid(const std::vector<double>& points);

  /// Sends the corrected grid to the session's target, the library writing it to
  /// `filePath` too, and waits up to `timeout` for the delivery. Returns the
  /// delivered text. Throws a CToolError when the send fails or nothing arrives.
  std::string Deliver(const std::filesystem::path& filePath, std::chrono::milliseconds timeout);
  /// The status of kvogcGridManager_GetGeoObjDataFromFile / AnalyseGeoObjFile.
  int32_t ReadGeoFile(const std::filesystem::path& path);
  int32_t AnalyseGeoFile(const std::filesystem::path& path);

  kvogcManager* Handle() const { return m_manager.get(); }

 private:
  struct ManagerDeleter {
    void operator()(kvogcManager* manager) const { kvogcFinishLibrary(manager); }
  };

  static void OnRealGrid(double* points, int32_t divX, int32_t divY);
  static void OnOpeGrid(double* points, double* hLines, double* vLines, int32_t hCount,
                        int32_t vCount);
  static void OnDispGrid(double* hLines, double* vLines, int32_t hCount, int32_t vCount);

  void Require(const char* operation, int32_t status) const;

  static CHostSession* s_active;

  KvoRef<host::CGeoObjHostTarget> m_target;
  std::unique_ptr<kvogcManager, ManagerDeleter> m_manager;
  ScenarioSetup m_setup;
  GridSize m_opeGridNum{0, 0};
  ReportedGrids m_reported;
  bool m_copyFailed = false;
};

/// What the session's last reports and its base grid give a preview.
PreviewGrids CollectPreview(CHostSession& session);

}  // namespace kvogc::tool
