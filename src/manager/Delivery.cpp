// Send requests: the corrected grid and everything a delivery needs are
// copied into a sender, which the worker thread (or, for a synchronous device
// send, the host's thread) delivers.
#include "manager/GridManagerCommon.h"

namespace kvogc {

namespace {

uint64_t TargetKey(const void* target) {
  return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(target));
}

}  // namespace

int32_t CGridManagerCommon::BuildSender(void* target, int32_t sendBaseGrid,
                                        std::unique_ptr<CQueuedSender>& sender) {
  if (!HasActiveBase() || target == nullptr) return KVOGC_E_INVALIDARG;
  if (m_traits.makeSender == nullptr) return KVOGC_E_NOTIMPL;
  // A send always corrects the base grid, whatever the adjustment switches say.
  CWarpGridReal lin;
  CWarpGridReal pin;
  CWarpGridReal current;
  lin.Create(m_panelSize, m_realGridNum);
  pin.Create(m_panelSize, m_realGridNum);
  current.Create(m_panelSize, m_realGridNum);
  if (m_keyStoneMode == 0) {
    m_linearity.ConvertPoints(Base().real, lin, m_panelSize, m_realGridNum);
    m_pinCushion.ConvertPoints(lin, pin, m_panelSize, m_realGridNum);
    m_keyStone.ConvertPoints(pin, current, m_panelSize, m_realGridNum);
  } else {
    m_keyStone.ConvertPoints(Base().real, current, m_panelSize, m_realGridNum);
  }
  // Without a kept tail both kept texts start afresh, so that a header read
  // without faces cannot stand in for the generated one. The plain manager
  // then re-uses a target's own texture mapping and faces.
  if (m_tailText.empty()) {
    m_headerText.clear();
    if (m_traits.readsTargets) ReadTargetGeoObj(target);
  }
  SenderSnapshot snapshot;
  snapshot.target = static_cast<IGeoObjTarget*>(target);
  snapshot.panelSize = m_panelSize;
  snapshot.deviceSize = m_deviceSize;
  snapshot.realGridNum = m_realGridNum;
  snapshot.current = &current;
  snapshot.previous = &Base().real;
  snapshot.comment = m_comment;
  snapshot.filePath = m_geoFilePath;
  snapshot.headerText = m_headerText;
  snapshot.tailText = m_tailText;
  snapshot.projectorFlag = m_projectorFlag;
  snapshot.sendBaseGrid = static_cast<uint32_t>(sendBaseGrid);
  sender = m_traits.makeSender(snapshot);
  return sender ? KVOGC_OK : KVOGC_E_OUTOFMEMORY;
}

int32_t CGridManagerCommon::SendGeoObjData(void* target, int32_t sendBaseGrid) {
  m_sendQueue.Prefer(TargetKey(target));
  if (!Initialized()) return KVOGC_E_FAIL;
  std::unique_ptr<CQueuedSender> sender;
  const int32_t status = BuildSender(target, sendBaseGrid, sender);
  if (status < 0) return status;
  m_sendQueue.Put(TargetKey(target), std::move(sender));
  return KVOGC_OK;
}

int32_t CGridManagerCommon::SendGeoObjDataSync(void* target, int32_t sendBaseGrid) {
  // Only a device is worth waiting for; the text managers deliver from their worker.
  if (!m_traits.device) return KVOGC_OK;
  if (!Initialized()) return KVOGC_E_FAIL;
  std::unique_ptr<CQueuedSender> sender;
  int32_t status = BuildSender(target, sendBaseGrid, sender);
  if (status < 0) return status;
  // The worker must not deliver to the device at the same time; it resumes
  // however the delivery ends (an exception goes on to the export's guard).
  struct PausedWorker {
    CSimpleThread& worker;
    explicit PausedWorker(CSimpleThread& w) : worker(w) { worker.StopThread(); }
    ~PausedWorker() { worker.StartThread(); }
  } paused(*this);
  return sender->Deliver();
}

}  // namespace kvogc
