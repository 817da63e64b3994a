#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "foundation/OwnerLifetime.h"
#include "foundation/Scheduler.h"

namespace pelko {

// Thrown when a run does not settle: a runaway zero-delay loop fails the test instead of hanging it.
class SchedulerRunaway : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A deterministic scheduler on a virtual clock. Every queue (main, serial, global) runs on the calling
// thread when the test advances time; work due at the same instant runs first-in first-out. While a
// background queue's task runs, isMainThread() is false, so main-thread assertions catch misplaced work.
class VirtualScheduler final : public Scheduler {
 public:
  static constexpr double kStartTime = 1000.0;
  static constexpr double kWallClockOffset = 1'800'000'000.0;  // late 2027, seconds since the epoch

  VirtualScheduler();
  ~VirtualScheduler() override;

  double now() const override;
  double wallClockNow() const override { return now() + wallClockOffset_; }
  TaskQueue& mainQueue() override;
  TaskQueue& globalQueue() override;
  std::shared_ptr<TaskQueue> makeSerialQueue(const std::string& label) override;
  void performOnRunLoop(Task task) override;
  RepeatingTimerPtr scheduleRepeating(double interval, double tolerance, Task task) override;
  OneShotTimerPtr scheduleOneShot(double delay, double tolerance, Task task) override;
  std::shared_ptr<DispatchGroup> makeGroup() override;
  bool isMainThread() const override;

  // Runs everything due now, including work that work due now schedules with no delay.
  void runUntilIdle();
  // Moves the clock forward by `seconds`, running everything that falls due on the way, in order.
  void advance(double seconds);
  // Runs until no work is queued at all, moving the clock as needed (repeating timers keep it busy:
  // use advance() with them).
  void runAll();
  // Number of tasks waiting (delayed ones included).
  size_t pendingCount() const;
  // The label of the queue whose task is running, empty outside tasks and for the main queue.
  std::string currentQueueLabel() const;

  // Sets the wall clock forward (or back, with a negative value) without moving the monotonic clock, as
  // a person changing the system time does.
  void shiftWallClock(double seconds) { wallClockOffset_ += seconds; }

  // Upper bound on tasks one run may execute before it is declared a runaway.
  void setRunawayLimit(size_t limit) { runawayLimit_ = limit; }

 protected:
  bool waitForGroup(DispatchGroup& group, double timeoutSeconds) override;
  void groupBecameEmpty(DispatchGroup&) override {}

 private:
  class Queue;
  class Timer;
  class OneShot;
  struct Entry {
    const Queue* queue;
    Task task;
  };
  // Time is kept in whole nanoseconds so that delays add up exactly (0.15 s + 0.05 s is 0.2 s).
  using Ticks = int64_t;
  static Ticks toTicks(double seconds);
  using Key = std::pair<Ticks, uint64_t>;

  Key enqueue(const Queue* queue, double delaySeconds, Task task);
  void removeEntry(const Key& key);
  // Runs the earliest entry due at or before `limit`; false when there is none.
  bool runNext(Ticks limit, size_t& budget);

  mutable std::recursive_mutex mutex_;
  Ticks now_ = toTicks(kStartTime);
  double wallClockOffset_ = kWallClockOffset;
  uint64_t sequence_ = 0;
  std::map<Key, Entry> entries_;
  std::unique_ptr<Queue> main_;
  // Expires with the scheduler: a one-shot timer that outlives it has nothing to remove itself from.
  OwnerLifetime lifetime_;
  std::unique_ptr<Queue> global_;
  // Serial queues live as long as the scheduler, so work still queued on a queue its owner dropped
  // never refers to freed memory.
  std::vector<std::shared_ptr<Queue>> serialQueues_;
  const Queue* running_ = nullptr;
  size_t runawayLimit_ = 1'000'000;
};

}  // namespace pelko
