// Base of every grid manager's worker thread: the owner starts it once and
// stops it before tearing down anything the thread body uses.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace kvogc {

class CSimpleThread {
 public:
  CSimpleThread() = default;
  /// Does not stop the thread: the owner calls StopThread first.
  virtual ~CSimpleThread() = default;
  CSimpleThread(const CSimpleThread&) = delete;
  CSimpleThread& operator=(const CSimpleThread&) = delete;

  /// The code the worker runs; it should return soon after StopRequested() turns
  /// true. It must not throw: nothing above it on the worker catches.
  virtual void ThreadBody() {}

  /// Starts the worker; a second start while one runs does nothing. False if the
  /// platform could not create a thread (nothing will ever run then).
  bool StartThread();
  /// Asks the worker to stop, wakes it from PauseUnlessStopped and joins it.
  void StopThread();
  bool IsThreadRunning() const { return m_hThread.joinable(); }

 protected:
  bool StopRequested() const { return m_stopRequested.load(std::memory_order_acquire) != 0; }
  /// Sleeps for `duration` unless a stop request comes first; only a stop wakes it early.
  void PauseUnlessStopped(std::chrono::milliseconds duration);

 private:
  static void ThreadEntry(CSimpleThread* self);

  std::atomic<int32_t> m_stopRequested{0};
  std::thread m_hThread;
  std::mutex m_wakeMutex;
  std::condition_variable m_wake;
};

}  // namespace kvogc
