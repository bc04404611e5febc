// One grid manager of the editor with the grids its callbacks last reported.
// The editor keeps several at once (the live one and checkpoints), so each
// library call names the manager whose reports it collects.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ReportCopies.h"
#include "Scenario.h"
#include "kvogc/kvogc.h"

namespace kvogc::tool {

/// The final grids a manager reported; points are (x, y) pairs in panel pixels.
struct EditGrids : GridCopies {
  GridSize dispGridNum{0, 0};
  std::vector<double> dispHLines;
  std::vector<double> dispVLines;
  int32_t dispHCount = 0;
  int32_t dispVCount = 0;
};

/// Which manager the editor drives.
enum class EditVariant { Plain, Projector };

class CEditManager {
 public:
  /// A fresh manager set up as `setup` says. Throws a CToolError when the
  /// library refuses the set-up, std::bad_alloc when it cannot create one.
  CEditManager(const ScenarioSetup& setup, EditVariant variant);
  ~CEditManager();
  CEditManager(const CEditManager&) = delete;
  CEditManager& operator=(const CEditManager&) = delete;

  /// Runs one step; the callbacks it triggers update Grids().
  StepOutcome Run(const ScenarioStep& step);
  const EditGrids& Grids() const { return m_grids; }
  /// The 28 values of the geometry comment record.
  std::vector<int32_t> Comment();

 private:
  struct ManagerDeleter {
    void operator()(kvogcManager* manager) const { kvogcFinishLibrary(manager); }
  };
  class CReporting;

  static void OnRealGrid(double* points, int32_t divX, int32_t divY);
  static void OnOpeGrid(double* points, double* hLines, double* vLines, int32_t hCount,
                        int32_t vCount);
  static void OnDispGrid(double* hLines, double* vLines, int32_t hCount, int32_t vCount);

  std::unique_ptr<kvogcManager, ManagerDeleter> m_manager;
  EditGrids m_grids;
  GridSize m_opeGridNum;
  GridSize m_dispGridNum;
  bool m_copyFailed = false;
};

}  // namespace kvogc::tool
