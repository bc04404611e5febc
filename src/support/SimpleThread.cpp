#include "support/SimpleThread.h"

#include <cassert>
#include <system_error>

#include "platform/Platform.h"

namespace kvogc {

bool CSimpleThread::StartThread() {
  if (m_hThread.joinable()) return true;
  m_stopRequested.store(0, std::memory_order_release);
  try {
    m_hThread = std::thread(&CSimpleThread::ThreadEntry, this);
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void CSimpleThread::StopThread() {
  if (!m_hThread.joinable()) return;
  {
    // Taking the mutex orders the request before the worker's next wait check,
    // so a worker about to sleep cannot miss the wake-up.
    std::lock_guard<std::mutex> hold(m_wakeMutex);
    m_stopRequested.store(1, std::memory_order_release);
  }
  m_wake.notify_all();
  m_hThread.join();
  m_stopRequested.store(0, std::memory_order_release);
}

void CSimpleThread::PauseUnlessStopped(std::chrono::milliseconds duration) {
  std::unique_lock<std::mutex> hold(m_wakeMutex);
  m_wake.wait_for(hold, duration, [this] { return StopRequested(); });
}

void CSimpleThread::ThreadEntry(CSimpleThread* self) {
  assert(self != nullptr);
  const int32_t hr = platform::ComInitialize();
  self->ThreadBody();
  if (hr == 0) platform::ComUninitialize();
}

}  // namespace kvogc
