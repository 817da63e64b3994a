#include "foundation/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelko {
namespace {

TEST(VirtualScheduler, ClockStartsAwayFromZeroAndMovesOnlyWhenAdvanced) {
  VirtualScheduler scheduler;
  EXPECT_GT(scheduler.now(), 0);
  double start = scheduler.now();
  scheduler.runUntilIdle();
  EXPECT_EQ(scheduler.now(), start);
  scheduler.advance(0.25);
  EXPECT_NEAR(scheduler.now(), start + 0.25, 1e-9);
  EXPECT_GT(scheduler.wallClockNow(), 1.7e9);
}

TEST(VirtualScheduler, RunsDueWorkInDeadlineOrderAndEqualDeadlinesFirstInFirstOut) {
  VirtualScheduler scheduler;
  std::vector<std::string> order;
  auto serial = scheduler.makeSerialQueue("com.pelko.test");
  scheduler.mainQueue().asyncAfter(0.2, [&] { order.push_back("main 0.2"); });
  serial->asyncAfter(0.1, [&] { order.push_back("serial 0.1"); });
  scheduler.mainAsync([&] { order.push_back("main now a"); });
  serial->async([&] { order.push_back("serial now"); });
  scheduler.mainAsync([&] { order.push_back("main now b"); });
  scheduler.performOnRunLoop([&] { order.push_back("run loop"); });

  scheduler.runUntilIdle();
  EXPECT_EQ(order, (std::vector<std::string>{"main now a", "serial now", "main now b", "run loop"}));
  scheduler.advance(0.15);
  EXPECT_EQ(order.back(), "serial 0.1");
  scheduler.advance(0.05);
  EXPECT_EQ(order.back(), "main 0.2");
}

TEST(VirtualScheduler, WorkScheduledByWorkRunsInTheSameAdvanceWhenDue) {
  VirtualScheduler scheduler;
  std::vector<double> times;
  scheduler.mainQueue().asyncAfter(0.1, [&] {
    times.push_back(scheduler.now());
    scheduler.mainQueue().asyncAfter(0.1, [&] { times.push_back(scheduler.now()); });
  });
  double start = scheduler.now();
  scheduler.advance(0.25);
  ASSERT_EQ(times.size(), 2u);
  EXPECT_NEAR(times[0], start + 0.1, 1e-9);
  EXPECT_NEAR(times[1], start + 0.2, 1e-9);
}

TEST(VirtualScheduler, CancelledWorkItemNeverRuns) {
  VirtualScheduler scheduler;
  int runs = 0;
  auto item = scheduler.mainAfter(0.5, [&] { ++runs; });
  auto other = scheduler.mainAfter(0.5, [&] { ++runs; });
  item->cancel();
  scheduler.advance(1);
  EXPECT_EQ(runs, 1);
  other->cancel();  // after it ran: nothing happens
  EXPECT_EQ(runs, 1);
}

TEST(VirtualScheduler, RepeatingTimerFiresEveryIntervalUntilInvalidated) {
  VirtualScheduler scheduler;
  std::vector<double> fired;
  double start = scheduler.now();
  auto timer = scheduler.scheduleRepeating(5, 0.5, [&] { fired.push_back(scheduler.now() - start); });
  EXPECT_DOUBLE_EQ(timer->tolerance(), 0.5);
  scheduler.advance(16);
  ASSERT_EQ(fired.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(fired[i], 5.0 * (i + 1), 1e-6);
  timer->invalidate();
  EXPECT_FALSE(timer->isValid());
  scheduler.advance(20);
  EXPECT_EQ(fired.size(), 3u);
}

TEST(VirtualScheduler, TimerDroppedByItsOwnerStopsFiring) {
  VirtualScheduler scheduler;
  int fired = 0;
  auto timer = scheduler.scheduleRepeating(1, 0, [&] { ++fired; });
  scheduler.advance(2);
  timer.reset();
  scheduler.advance(5);
  EXPECT_EQ(fired, 2);
}

TEST(VirtualScheduler, BackgroundQueueWorkIsNotOnTheMainThread) {
  VirtualScheduler scheduler;
  auto queue = scheduler.makeSerialQueue("com.pelko.ax-work");
  bool mainInside = true;
  std::string label;
  queue->async([&] {
    mainInside = scheduler.isMainThread();
    label = scheduler.currentQueueLabel();
  });
  EXPECT_TRUE(scheduler.isMainThread());
  scheduler.runUntilIdle();
  EXPECT_FALSE(mainInside);
  EXPECT_EQ(label, "com.pelko.ax-work");
  EXPECT_TRUE(scheduler.isMainThread());
}

TEST(VirtualScheduler, RunawayZeroDelayLoopFailsInsteadOfHanging) {
  VirtualScheduler scheduler;
  scheduler.setRunawayLimit(1000);
  std::function<void()> spin = [&] { scheduler.mainAsync(spin); };
  scheduler.mainAsync(spin);
  EXPECT_THROW(scheduler.runUntilIdle(), SchedulerRunaway);
}

TEST(VirtualScheduler, GroupWaitRunsOtherQueuesAndTimesOut) {
  VirtualScheduler scheduler;
  auto queue = scheduler.makeSerialQueue("work");
  auto group = scheduler.makeGroup();
  bool done = false;
  group->async(*queue, [&] { done = true; });
  double start = scheduler.now();
  EXPECT_TRUE(group->wait(3));
  EXPECT_TRUE(done);
  EXPECT_EQ(scheduler.now(), start);

  group->enter();
  queue->asyncAfter(5, [&] { group->leave(); });
  EXPECT_FALSE(group->wait(3));
  EXPECT_NEAR(scheduler.now(), start + 3, 1e-9);
  scheduler.advance(3);
  EXPECT_TRUE(group->isEmpty());
}

TEST(VirtualScheduler, GroupWaitDoesNotRunTheWaitingQueue) {
  VirtualScheduler scheduler;
  auto group = scheduler.makeGroup();
  group->enter();
  // Leaving needs the main queue, which is blocked in the wait: a deadlock that ends at the time-out.
  scheduler.mainAsync([&] { group->leave(); });
  EXPECT_FALSE(group->wait(1));
  scheduler.runUntilIdle();
  EXPECT_TRUE(group->isEmpty());
}

TEST(VirtualScheduler, GroupNotifyRunsOnceEmpty) {
  VirtualScheduler scheduler;
  auto queue = scheduler.makeSerialQueue("work");
  auto group = scheduler.makeGroup();
  std::vector<std::string> order;
  group->async(*queue, [&] { order.push_back("work"); });
  group->notify(scheduler.mainQueue(), [&] { order.push_back("notified"); });
  EXPECT_TRUE(order.empty());
  scheduler.runUntilIdle();
  EXPECT_EQ(order, (std::vector<std::string>{"work", "notified"}));
}

}  // namespace
}  // namespace pelko
