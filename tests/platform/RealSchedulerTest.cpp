#include "platform/real/RealScheduler.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pelko::real {
namespace {

// Spins the Qt event loop until `done` or a real-time limit; these few tests use real time on purpose.
template <class Predicate>
bool pumpUntil(Predicate done, int limitMs = 3000) {
  QElapsedTimer elapsed;
  elapsed.start();
  while (!done() && elapsed.elapsed() < limitMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  return done();
}

TEST(RealScheduler, MainQueueRunsOnTheEventLoopInOrderFromAnyThread) {
  RealScheduler scheduler;
  std::vector<int> order;
  std::atomic<bool> offMain{false};
  scheduler.mainAsync([&] { order.push_back(1); });
  scheduler.performOnRunLoop([&] { order.push_back(2); });
  std::thread([&] {
    offMain = !scheduler.isMainThread();
    scheduler.mainAsync([&] { order.push_back(3); });
  }).join();
  EXPECT_TRUE(order.empty());  // nothing runs until the loop turns
  ASSERT_TRUE(pumpUntil([&] { return order.size() == 3; }));
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(offMain);
  EXPECT_TRUE(scheduler.isMainThread());
}

TEST(RealScheduler, DelayedMainWorkRunsAfterItsDelayAndCanBeCancelled) {
  RealScheduler scheduler;
  std::vector<std::string> order;
  double start = scheduler.now();
  double ranAt = 0;
  scheduler.mainAfter(0.06, [&] {
    order.push_back("late");
    ranAt = scheduler.now();
  });
  scheduler.mainAfter(0.02, [&] { order.push_back("early"); });
  auto cancelled = scheduler.mainAfter(0.01, [&] { order.push_back("cancelled"); });
  cancelled->cancel();
  ASSERT_TRUE(pumpUntil([&] { return order.size() == 2; }));
  EXPECT_EQ(order, (std::vector<std::string>{"early", "late"}));
  EXPECT_GE(ranAt - start, 0.055);
}

TEST(RealScheduler, OneShotTimerFiresOnceAndAnInvalidatedOneLeavesNoQtTimer) {
  RealScheduler scheduler;
  int fired = 0;
  auto timer = scheduler.scheduleOneShot(0.02, 0.001, [&] { ++fired; });
  for (int i = 0; i < 200; ++i) scheduler.scheduleOneShot(30, 1, [&] { ++fired; })->invalidate();
  ASSERT_TRUE(pumpUntil([&] { return fired == 1 && scheduler.liveTimerCount() == 0; }));
  EXPECT_FALSE(timer->isValid());
  pumpUntil([] { return false; }, 50);
  EXPECT_EQ(fired, 1);
}

TEST(RealScheduler, ARestartedOneShotFiresNoEarlierThanTheDelayAfterItsLastRestart) {
  RealScheduler scheduler;
  std::vector<double> firedAt;
  const double start = scheduler.now();
  auto later = scheduler.scheduleOneShot(0.03, 0.001, [&] { firedAt.push_back(scheduler.now()); });
  // Restarted once the first deadline has passed but before the event loop has handled the timer, as when
  // a pointer move is handled first: it waits out the new deadline. The loop stays still until then, so a
  // busy machine cannot run the timer at its first deadline before the restart.
  while (scheduler.now() - start < 0.04) {
  }
  const double restartedAt = scheduler.now();
  later->restart(0.05);
  ASSERT_TRUE(pumpUntil([&] { return firedAt.size() == 1; }));
  EXPECT_GE(firedAt[0] - restartedAt, 0.049);
  // Brought forward: it fires at the sooner deadline, not the first one.
  auto sooner = scheduler.scheduleOneShot(10, 1, [&] { firedAt.push_back(scheduler.now()); });
  sooner->restart(0.01);
  ASSERT_TRUE(pumpUntil([&] { return firedAt.size() == 2; }));
  pumpUntil([] { return false; }, 50);
  EXPECT_EQ(firedAt.size(), 2u);
  EXPECT_FALSE(sooner->isValid());
  ASSERT_TRUE(pumpUntil([&] { return scheduler.liveTimerCount() == 0; }));
}

TEST(RealScheduler, ACancelledDelayedItemTakesItsQtTimerAlongFromAnyThread) {
  RealScheduler scheduler;
  int ran = 0;
  auto onMain = scheduler.mainAfter(30, [&] { ++ran; });
  auto elsewhere = scheduler.mainAfter(30, [&] { ++ran; });
  EXPECT_EQ(scheduler.liveTimerCount(), 2u);
  onMain->cancel();
  EXPECT_EQ(scheduler.liveTimerCount(), 1u);
  std::thread([&] { elsewhere->cancel(); }).join();
  ASSERT_TRUE(pumpUntil([&] { return scheduler.liveTimerCount() == 0; }));
  // An item that cancels itself while it runs, and one cancelled after it ran.
  WorkItemPtr self;
  self = scheduler.mainAfter(0.005, [&] {
    ++ran;
    self->cancel();
  });
  ASSERT_TRUE(pumpUntil([&] { return ran == 1 && scheduler.liveTimerCount() == 0; }));
  self->cancel();
  EXPECT_EQ(ran, 1);
}

// Given up on a thread that goes on running: nothing but the hand-over itself orders that thread's
// work before the main thread deleting the timers (the flag below is relaxed on purpose).
TEST(RealScheduler, TimersGivenUpOnAThreadThatGoesOnRunningGoOnTheMainThread) {
  RealScheduler scheduler;
  int ran = 0;
  auto item = scheduler.mainAfter(30, [&] { ++ran; });
  auto oneShot = scheduler.scheduleOneShot(30, 1, [&] { ++ran; });
  auto repeating = scheduler.scheduleRepeating(30, 1, [&] { ++ran; });
  ASSERT_EQ(scheduler.liveTimerCount(), 3u);
  std::atomic<bool> mainDone{false};
  std::thread other([&] {
    item->cancel();
    oneShot->invalidate();
    repeating->invalidate();
    while (!mainDone.load(std::memory_order_relaxed)) std::this_thread::yield();
  });
  const bool gone = pumpUntil([&] { return scheduler.liveTimerCount() == 0; });
  mainDone.store(true, std::memory_order_relaxed);
  other.join();
  EXPECT_TRUE(gone);
  EXPECT_EQ(ran, 0);
}

TEST(RealScheduler, SerialQueueRunsInOrderOffTheMainThread) {
  RealScheduler scheduler;
  auto queue = scheduler.makeSerialQueue("com.pelko.ax-work");
  std::mutex mutex;
  std::vector<int> order;
  std::atomic<int> onMain{0};
  auto group = scheduler.makeGroup();
  for (int i = 0; i < 50; ++i) {
    group->async(*queue, [&, i] {
      if (scheduler.isMainThread()) ++onMain;
      std::lock_guard lock(mutex);
      order.push_back(i);
    });
  }
  ASSERT_TRUE(group->wait(3));
  ASSERT_EQ(order.size(), 50u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(order[i], i);
  EXPECT_EQ(onMain, 0);
}

TEST(RealScheduler, GroupWaitTimesOutWhileWorkIsStillRunning) {
  RealScheduler scheduler;
  auto group = scheduler.makeGroup();
  std::atomic<bool> release{false};
  group->async(scheduler.globalQueue(), [&] {
    while (!release) std::this_thread::yield();
  });
  EXPECT_FALSE(group->wait(0.05));
  release = true;
  EXPECT_TRUE(group->wait(3));

  bool notified = false;
  group->notify(scheduler.mainQueue(), [&] { notified = true; });
  EXPECT_TRUE(pumpUntil([&] { return notified; }));
}

TEST(RealScheduler, RepeatingTimerFiresUntilInvalidated) {
  RealScheduler scheduler;
  int fired = 0;
  auto timer = scheduler.scheduleRepeating(0.01, 0.005, [&] { ++fired; });
  ASSERT_TRUE(pumpUntil([&] { return fired >= 3; }));
  timer->invalidate();
  int atInvalidate = fired;
  pumpUntil([] { return false; }, 60);
  EXPECT_EQ(fired, atInvalidate);
}

// The end of the process: what runs on the global queue finishes before anything it uses may go, also
// when the scheduler itself goes (a group left by running work signals the scheduler's condition).
TEST(RealScheduler, FinishingBackgroundWorkWaitsForRunningTasksAndDropsTheRest) {
  auto scheduler = std::make_unique<RealScheduler>();
  auto group = scheduler->makeGroup();
  std::atomic<bool> started{false};
  std::atomic<int> finished{0};
  auto notStarted = std::make_shared<int>(0);
  auto givenLater = std::make_shared<int>(0);
  group->async(scheduler->globalQueue(), [&] {
    started = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ++finished;
  });
  scheduler->globalQueue().asyncAfter(30, [notStarted] {});
  while (!started) std::this_thread::yield();

  scheduler->finishBackgroundWork();
  EXPECT_EQ(finished, 1);
  EXPECT_EQ(notStarted.use_count(), 1);
  scheduler->globalQueue().async([givenLater] {});
  EXPECT_EQ(givenLater.use_count(), 1);

  started = false;
  auto second = std::make_unique<RealScheduler>();
  auto secondGroup = second->makeGroup();
  secondGroup->async(second->globalQueue(), [&] {
    started = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ++finished;
  });
  while (!started) std::this_thread::yield();
  second.reset();
  EXPECT_EQ(finished, 2);
}

}  // namespace
}  // namespace pelko::real
