#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <thread>

#include "TrackingTestWorld.h"
#include "platform/real/ThreadQueue.h"

// The tracker's hand-offs between the main thread and its work queue on a real thread: the queue reads
// the simulated Mac while the main thread keeps changing it, refreshing and asking for window numbers.
// Run under ThreadSanitizer to check that no state is shared without a hand-off. The main queue is a
// virtual one pumped by the test (the real scheduler's goes through Qt's event queue, which
// ThreadSanitizer cannot see into).

namespace pelko::testing {
namespace {

// The main queue, timers and clock of a virtual scheduler, pumped by the test thread, with serial queues
// on real threads.
class ThreadedQueueScheduler final : public Scheduler {
 public:
  double now() const override { return virtual_.now(); }
  double wallClockNow() const override { return virtual_.wallClockNow(); }
  TaskQueue& mainQueue() override { return virtual_.mainQueue(); }
  TaskQueue& globalQueue() override { return virtual_.globalQueue(); }
  std::shared_ptr<TaskQueue> makeSerialQueue(const std::string& label) override {
    return std::make_shared<real::ThreadQueue>(label, 1);
  }
  void performOnRunLoop(Task task) override { virtual_.performOnRunLoop(std::move(task)); }
  RepeatingTimerPtr scheduleRepeating(double interval, double tolerance, Task task) override {
    return virtual_.scheduleRepeating(interval, tolerance, std::move(task));
  }
  OneShotTimerPtr scheduleOneShot(double delay, double tolerance, Task task) override {
    return virtual_.scheduleOneShot(delay, tolerance, std::move(task));
  }
  std::shared_ptr<DispatchGroup> makeGroup() override { return std::make_shared<DispatchGroup>(*this); }
  bool isMainThread() const override { return std::this_thread::get_id() == mainThread_; }

  // Runs the main queue until `done` or a real-time limit.
  template <class Predicate>
  bool pumpUntil(Predicate done, int limitMs = 5000) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done() && elapsed.elapsed() < limitMs) {
      virtual_.runUntilIdle();
      std::this_thread::yield();
    }
    return done();
  }
  void advance(double seconds) { virtual_.advance(seconds); }

 protected:
  bool waitForGroup(DispatchGroup&, double) override { return false; }
  void groupBecameEmpty(DispatchGroup&) override {}

 private:
  VirtualScheduler virtual_;
  std::thread::id mainThread_ = std::this_thread::get_id();
};

class AppTrackerThreads : public ::testing::Test,
                          protected test::BasicSimulatedSystem<ThreadedQueueScheduler> {};

TEST_F(AppTrackerThreads, WorkQueueOnARealThreadSharesNothingWithTheMainThread) {
  connectTracker();
  settings->groupWindows = false;

  std::vector<int32_t> pids;
  for (int i = 0; i < 3; ++i) {
    int32_t pid = mac.launchApp("com.example.app" + std::to_string(i), "App " + std::to_string(i));
    pids.push_back(pid);
    for (int w = 0; w < 3; ++w) mac.openWindow(pid, sim::SimWindowSetup{"W" + std::to_string(w)});
  }
  tracker->start();
  ASSERT_TRUE(scheduler.pumpUntil([&] { return tracker->apps.get().size() == 9; }));
  auto entries = tracker->apps.get();

  std::vector<platform::WindowID> extra;
  for (int round = 0; round < 60; ++round) {
    int32_t pid = pids[round % pids.size()];
    if (round % 3 == 2) {
      mac.closeWindow(extra.back());
      extra.pop_back();
    } else {
      extra.push_back(mac.openWindow(pid, sim::SimWindowSetup{"Extra " + std::to_string(round)}));
    }
    mac.setTitle(mac.windowsOf(pid).front(), "Renamed " + std::to_string(round));
    tracker->forceRefresh();
    EXPECT_FALSE(tracker->windowNumbers(pid).empty());
    if (round % 7 == 0) {
      windowManager->setPendingFocus(PendingFocus{pid, static_cast<int64_t>(mac.windowsOf(pid).back())});
      tracker->pendingFocusChanged();
      windowManager->setPendingFocus(std::nullopt);
    }
    scheduler.advance(0.03);
  }
  tracker->forceRefresh();
  size_t expected = 9 + extra.size();
  EXPECT_TRUE(scheduler.pumpUntil([&] { return tracker->apps.get().size() == expected; }));
  // The entries that stood from the start are still the same objects.
  for (const auto& entry : entries) {
    bool kept = false;
    for (const auto& now : tracker->apps.get()) kept = kept || now == entry;
    EXPECT_TRUE(kept) << entry->id;
  }

  tracker->forceRefresh();
  tracker->stop();
  tracker.reset();
  scheduler.advance(1);
  for (int32_t pid : pids) EXPECT_EQ(mac.liveObserverCount(pid), 0);
}

}  // namespace
}  // namespace pelko::testing
