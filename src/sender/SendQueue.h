// Pending deliveries of one manager, keyed by target: a newer request for a
// target replaces the pending one, so only the latest geometry is delivered.
// Filled on the host's thread, drained by the manager's worker thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>

#include "support/TirnLock.h"

namespace kvogc {

/// A snapshot of everything one delivery needs; delivered and deleted on the worker.
class CQueuedSender {
 public:
  virtual ~CQueuedSender() = default;
  /// Delivers to the sender's target; the status only matters to synchronous callers.
  virtual int32_t Deliver() = 0;
};

class CSendQueue {
 public:
  /// Queues `sender` for `target`, replacing (and deleting) a pending one, and
  /// makes `target` the one served first.
  void Put(uint64_t target, std::unique_ptr<CQueuedSender> sender);
  /// Takes the preferred target's sender if one is pending, else the one with
  /// the smallest key, else null.
  std::unique_ptr<CQueuedSender> TakeNext();
  size_t Size();
  /// Deletes every pending sender.
  void Clear();
  uint64_t PreferredTarget() const { return m_preferredTarget.load(std::memory_order_relaxed); }
  /// Names the target served first, also when no request for it is queued.
  void Prefer(uint64_t target) { m_preferredTarget.store(target, std::memory_order_relaxed); }

 private:
  CTirnLock m_queueLock;
  std::map<uint64_t, std::unique_ptr<CQueuedSender>> m_sendQueue;
  // Written before the lock is taken and read once without it: a stale read
  // only changes which pending entry goes first.
  std::atomic<uint64_t> m_preferredTarget{0};
};

}  // namespace kvogc
