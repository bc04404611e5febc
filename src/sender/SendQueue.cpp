#include "sender/SendQueue.h"

#include <utility>

namespace kvogc {

void CSendQueue::Put(uint64_t target, std::unique_ptr<CQueuedSender> sender) {
  Prefer(target);
  std::unique_ptr<CQueuedSender> replaced;
  {
    CTirnAutoLock hold(m_queueLock);
    auto& slot = m_sendQueue[target];
    replaced = std::exchange(slot, std::move(sender));
  }
  // The replaced sender releases its target and modules outside the lock.
}

std::unique_ptr<CQueuedSender> CSendQueue::TakeNext() {
  const uint64_t preferred = PreferredTarget();
  CTirnAutoLock hold(m_queueLock);
  auto it = preferred != 0 ? m_sendQueue.find(preferred) : m_sendQueue.end();
  if (it == m_sendQueue.end()) it = m_sendQueue.begin();
  if (it == m_sendQueue.end()) return nullptr;
  std::unique_ptr<CQueuedSender> sender = std::move(it->second);
  m_sendQueue.erase(it);
  return sender;
}

size_t CSendQueue::Size() {
  CTirnAutoLock hold(m_queueLock);
  return m_sendQueue.size();
}

void CSendQueue::Clear() {
  std::map<uint64_t, std::unique_ptr<CQueuedSender>> pending;
  {
    CTirnAutoLock hold(m_queueLock);
    pending.swap(m_sendQueue);
  }
}

}  // namespace kvogc
