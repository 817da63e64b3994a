#include "foundation/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelko {
namespace {

TEST(VirtualScheduler, RunsDueWorkInDeadlineOrderAndEqualDeadlinesFirstInFirstOut) {
  VirtualScheduler scheduler;
  std::vector<std::string> order;
  auto serial = scheduler.makeSerialQueue("com.pelko.test");
  scheduler.mainQueue().asyncAfter(0.2, [&] { order.push_back("main 0.2"); });
  serial->asyncAfter(0.1, [&] { order.push_back("serial 0.1"); });
  scheduler.mainAsync([&] { order.push_back("main now a"); });
  serial->async([&] {
    order.push_back("serial now");
    EXPECT_FALSE(scheduler.isMainThread());
    EXPECT_EQ(scheduler.currentQueueLabel(), "com.pelko.test");
  });
  scheduler.mainAsync([&] { order.push_back("main now b"); });
  scheduler.performOnRunLoop([&] { order.push_back("run loop"); });

  scheduler.runUntilIdle();
  EXPECT_TRUE(scheduler.isMainThread());
  EXPECT_EQ(order, (std::vector<std::string>{"main now a", "serial now", "main now b", "run loop"}));
  scheduler.advance(0.15);
  EXPECT_EQ(order.back(), "serial 0.1");
  scheduler.advance(0.05);
  EXPECT_EQ(order.back(), "main 0.2");
}

TEST(VirtualScheduler, ClockMovesOnlyWhenAdvancedAndWorkDueOnTheWayRunsUnlessCancelled) {
  VirtualScheduler scheduler;
  std::vector<double> times;
  scheduler.mainQueue().asyncAfter(0.1, [&] {
    times.push_back(scheduler.now());
    scheduler.mainQueue().asyncAfter(0.1, [&] { times.push_back(scheduler.now()); });
  });
  auto cancelled = scheduler.mainAfter(0.15, [&] { times.push_back(-1); });
  cancelled->cancel();
  auto ran = scheduler.mainAfter(0.3, [&] { times.push_back(scheduler.now()); });
  double start = scheduler.now();
  EXPECT_GT(start, 0);
  EXPECT_GT(scheduler.wallClockNow(), 1.7e9);
  scheduler.runUntilIdle();
  EXPECT_EQ(scheduler.now(), start);
  scheduler.advance(0.25);
  ASSERT_EQ(times.size(), 2u);
  EXPECT_NEAR(times[0], start + 0.1, 1e-9);
  EXPECT_NEAR(times[1], start + 0.2, 1e-9);
  scheduler.advance(0.1);
  ran->cancel();  // after it ran: nothing happens
  EXPECT_EQ(times.size(), 3u);
}

TEST(VirtualScheduler, RepeatingTimerFiresEveryIntervalUntilInvalidatedOrDropped) {
  VirtualScheduler scheduler;
  std::vector<double> fired;
  double start = scheduler.now();
  auto timer = scheduler.scheduleRepeating(5, 0.5, [&] { fired.push_back(scheduler.now() - start); });
  int droppedFired = 0;
  auto dropped = scheduler.scheduleRepeating(1, 0, [&] { ++droppedFired; });
  EXPECT_DOUBLE_EQ(timer->tolerance(), 0.5);
  scheduler.advance(2);
  dropped.reset();
  scheduler.advance(14);
  EXPECT_EQ(droppedFired, 2);
  ASSERT_EQ(fired.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(fired[i], 5.0 * (i + 1), 1e-6);
  timer->invalidate();
  scheduler.advance(20);
  EXPECT_EQ(fired.size(), 3u);
}

TEST(VirtualScheduler, OneShotTimerFiresOnceAndLeavesNothingQueuedWhenInvalidatedOrDropped) {
  VirtualScheduler scheduler;
  const size_t idle = scheduler.pendingCount();
  int fired = 0;
  auto timer = scheduler.scheduleOneShot(0.5, 0.1, [&] { ++fired; });
  for (int i = 0; i < 300; ++i) scheduler.scheduleOneShot(30, 1, [&] { ++fired; })->invalidate();
  scheduler.scheduleOneShot(30, 1, [&] { ++fired; });  // dropped at once
  EXPECT_EQ(scheduler.pendingCount(), idle + 1);
  scheduler.advance(0.49);
  EXPECT_EQ(fired, 0);
  EXPECT_TRUE(timer->isValid());
  scheduler.advance(0.01);
  EXPECT_EQ(fired, 1);
  EXPECT_FALSE(timer->isValid());
  scheduler.advance(60);
  EXPECT_EQ(fired, 1);
}

TEST(VirtualScheduler, ARestartedOneShotFiresOnceTheDelayAfterTheLastRestartEarlierOrLater) {
  VirtualScheduler scheduler;
  const size_t idle = scheduler.pendingCount();
  int fired = 0;
  auto timer = scheduler.scheduleOneShot(0.5, 0.05, [&] { ++fired; });
  for (int i = 0; i < 10; ++i) {
    scheduler.advance(0.4);
    timer->restart(0.5);
  }
  EXPECT_EQ(scheduler.pendingCount(), idle + 1) << "a restart moves the one deadline";
  EXPECT_EQ(fired, 0);
  timer->restart(0.1);  // sooner than the deadline it had
  scheduler.advance(0.099);
  EXPECT_EQ(fired, 0);
  scheduler.advance(0.001);
  EXPECT_EQ(fired, 1);
  timer->restart(0.1);
  scheduler.advance(1);
  EXPECT_EQ(fired, 1) << "a fired timer stays fired";
  EXPECT_EQ(scheduler.pendingCount(), idle);
  auto invalidated = scheduler.scheduleOneShot(0.5, 0.05, [&] { ++fired; });
  invalidated->invalidate();
  invalidated->restart(0.1);
  scheduler.advance(1);
  EXPECT_EQ(fired, 1);
}

TEST(VirtualScheduler, RunawayZeroDelayLoopFailsInsteadOfHanging) {
  VirtualScheduler scheduler;
  scheduler.setRunawayLimit(1000);
  std::function<void()> spin = [&] { scheduler.mainAsync(spin); };
  scheduler.mainAsync(spin);
  EXPECT_THROW(scheduler.runUntilIdle(), SchedulerRunaway);
}

TEST(VirtualScheduler, GroupWaitRunsOtherQueuesButNotItsOwnAndTimesOut) {
  VirtualScheduler scheduler;
  auto queue = scheduler.makeSerialQueue("work");
  auto group = scheduler.makeGroup();
  std::vector<std::string> order;
  group->async(*queue, [&] { order.push_back("work"); });
  group->notify(scheduler.mainQueue(), [&] { order.push_back("notified"); });
  double start = scheduler.now();
  EXPECT_TRUE(group->wait(3));
  EXPECT_EQ(order, (std::vector<std::string>{"work"}));
  EXPECT_EQ(scheduler.now(), start);
  scheduler.runUntilIdle();
  EXPECT_EQ(order, (std::vector<std::string>{"work", "notified"}));

  group->enter();
  queue->asyncAfter(5, [&] { group->leave(); });
  EXPECT_FALSE(group->wait(3));
  EXPECT_NEAR(scheduler.now(), start + 3, 1e-9);
  scheduler.advance(3);
  EXPECT_TRUE(group->isEmpty());

  group->enter();
  // Leaving needs the main queue, which is blocked in the wait: a deadlock that ends at the time-out.
  scheduler.mainAsync([&] { group->leave(); });
  EXPECT_FALSE(group->wait(1));
  scheduler.runUntilIdle();
  EXPECT_TRUE(group->isEmpty());
}

}  // namespace
}  // namespace pelko
