// The worker thread; the send queue and the manager's use of both are
// covered by the delivery tests.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "support/SimpleThread.h"

namespace kvogc {
namespace {

using namespace std::chrono_literals;

class CountingThread : public CSimpleThread {
 public:
  ~CountingThread() override { StopThread(); }
  void ThreadBody() override {
    while (!StopRequested()) {
      ++passes;
      PauseUnlessStopped(30s);
    }
  }
  std::atomic<int> passes{0};
};

TEST(SimpleThread, StartsOnceAndAStopWakesTheSleepingWorker) {
  CountingThread worker;
  EXPECT_FALSE(worker.IsThreadRunning());
  worker.StopThread();  // nothing to stop
  ASSERT_TRUE(worker.StartThread());
  EXPECT_TRUE(worker.StartThread());  // a second start keeps the running thread
  while (worker.passes == 0) std::this_thread::yield();
  // Without the wake-up the stop would wait out the worker's 30 s pause.
  const auto start = std::chrono::steady_clock::now();
  worker.StopThread();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
  EXPECT_FALSE(worker.IsThreadRunning());
  EXPECT_EQ(worker.passes, 1);
  ASSERT_TRUE(worker.StartThread());  // and it can run again
  worker.StopThread();
}

}  // namespace
}  // namespace kvogc
