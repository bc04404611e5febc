// The projector-device manager's sender: fills warp-data objects of the core
// model module with the grid in device units and the parameter block, and
// hands them to a setter of the setting module for the target.
#pragma once

#include <cstdint>

#include "geometry/GeoCommentRecord.h"
#include "grid/WarpGridReal.h"
#include "modules/ModuleObjects.h"
#include "modules/SiblingModule.h"
#include "sender/SendQueue.h"
#include "sender/SenderSnapshot.h"

namespace kvogc {

class CProjectorDeviceWarpDataSender final : public CQueuedSender {
 public:
  /// Loads the frame, projector, core model and setting modules beside this
  /// library, then prepares: adds a reference to the target, creates the setter
  /// when the setting module's factory is there and copies the snapshot's sizes,
  /// grids, comment and sendBaseGrid. Throws only std::bad_alloc.
  explicit CProjectorDeviceWarpDataSender(const SenderSnapshot& snapshot);
  /// As above, with the modules loaded from `folder`.
  CProjectorDeviceWarpDataSender(const SenderSnapshot& snapshot, const ModuleFolder& folder);
  ~CProjectorDeviceWarpDataSender() override = default;
  CProjectorDeviceWarpDataSender(const CProjectorDeviceWarpDataSender&) = delete;
  CProjectorDeviceWarpDataSender& operator=(const CProjectorDeviceWarpDataSender&) = delete;

  /// The delivery of the worker thread: Send.
  int32_t Deliver() override;

  /// Delivers the current grid (setter position 5, mode 0), or with a non-zero
  /// sendBaseGrid the current grid and then the base grid (positions 5 and 6,
  /// mode sendBaseGrid; 6 only when 5 succeeded). Returns the last setter
  /// status; KVOGC_E_INVALIDARG without a target or with unusable grids or
  /// panel; the setter's creation status (KVOGC_E_HANDLE without the setting
  /// module's factory) or the data objects' (KVOGC_E_HANDLE without the core
  /// model's) before anything is delivered.
  int32_t Send();

  /// Stores every point of `grid`, scaled from panel to device units, into
  /// planes 0, 1 and 2 of `data`, and the comment's parameter block. The
  /// object's own statuses are not reported (a plane it does not give is
  /// skipped). Needs an object, a grid of the snapshot's shape and a panel
  /// with area: Send has checked them.
  void FillWarpData(IWarpData* data, const CWarpGridReal& grid) const;

 private:
  void Prepare(const SenderSnapshot& snapshot);
  int32_t CreateWarpData(KvoRef<IWarpData>& data) const;

  SiblingModule m_frameModule;      // loaded for the family's sake, never called
  SiblingModule m_projectorModule;  // likewise
  SiblingModule m_coreModelModule;
  SiblingModule m_settingModule;
  KvoRef<IGeoObjTarget> m_target;
  KvoRef<IWarpDataSetter> m_setter;
  int32_t m_setterStatus = KVOGC_E_HANDLE;  // why m_setter is missing
  CWarpGridReal m_current;
  CWarpGridReal m_base;
  GridSize m_panelSize{0, 0};
  GridSize m_deviceSize{0, 0};
  GridSize m_realGridNum{0, 0};
  GeoCommentRecord m_comment;
  uint32_t m_sendBaseGrid = 0;
};

}  // namespace kvogc
