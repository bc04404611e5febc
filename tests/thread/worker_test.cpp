// The worker thread and the send queue; the manager's use of
// them is covered by the delivery tests.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "sender/SendQueue.h"
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

// A sender that records its delivery and its deletion.
class ProbeSender : public CQueuedSender {
 public:
  ProbeSender(int id, std::vector<int>* delivered, std::atomic<int>* deleted)
      : m_id(id), m_delivered(delivered), m_deleted(deleted) {}
  ~ProbeSender() override { ++*m_deleted; }
  int32_t Deliver() override {
    m_delivered->push_back(m_id);
    return 0;
  }

 private:
  int m_id;
  std::vector<int>* m_delivered;
  std::atomic<int>* m_deleted;
};

TEST(SendQueue, NewestRequestPerTargetAndPreferredTargetFirst) {
  CSendQueue queue;
  std::vector<int> delivered;
  std::atomic<int> deleted{0};
  queue.Put(30, std::make_unique<ProbeSender>(1, &delivered, &deleted));
  queue.Put(10, std::make_unique<ProbeSender>(2, &delivered, &deleted));
  queue.Put(20, std::make_unique<ProbeSender>(3, &delivered, &deleted));
  queue.Put(30, std::make_unique<ProbeSender>(4, &delivered, &deleted));  // replaces 1
  EXPECT_EQ(deleted, 1);
  EXPECT_EQ(queue.Size(), 3u);
  EXPECT_EQ(queue.PreferredTarget(), 30u);
  while (auto sender = queue.TakeNext()) sender->Deliver();
  // The latest target first, then by ascending key.
  EXPECT_EQ(delivered, (std::vector<int>{4, 2, 3}));
  EXPECT_EQ(deleted, 4);
  EXPECT_EQ(queue.TakeNext(), nullptr);
}

}  // namespace
}  // namespace kvogc
