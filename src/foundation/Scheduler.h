#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace pelko {

using Task = std::function<void()>;

// A unit of work that can be cancelled before it runs; cancelling after it ran does nothing.
class WorkItem {
 public:
  explicit WorkItem(Task task) : task_(std::move(task)) {}
  void cancel() {
    if (cancelled_.exchange(true)) return;
    Task released;
    {
      std::lock_guard lock(mutex_);
      released = std::move(onCancel_);
    }
    if (released) released();
  }
  bool isCancelled() const { return cancelled_.load(); }
  void perform() {
    if (!isCancelled() && task_) task_();
  }
  // Run once when the item is cancelled (at once if it already was), on the cancelling thread: the
  // queue holding a delayed item lets go of the timer it keeps for it. An empty one removes it.
  void setCancelHandler(Task handler) {
    {
      std::lock_guard lock(mutex_);
      if (!cancelled_.load()) {
        onCancel_ = std::move(handler);
        return;
      }
    }
    if (handler) handler();
  }

 private:
  Task task_;
  std::atomic<bool> cancelled_{false};
  std::mutex mutex_;
  Task onCancel_;
};
using WorkItemPtr = std::shared_ptr<WorkItem>;

// A queue that runs tasks in order, one at a time (the main queue and labelled serial queues), or
// concurrently (the global queue). Delays are in seconds.
class TaskQueue {
 public:
  virtual ~TaskQueue() = default;
  virtual void async(Task task) = 0;
  virtual void asyncAfter(double delaySeconds, Task task) = 0;
  virtual const std::string& label() const = 0;

  void async(const WorkItemPtr& item) {
    async([item] { item->perform(); });
  }
  // A queue may drop a cancelled item before its time comes.
  virtual void asyncAfter(double delaySeconds, const WorkItemPtr& item) {
    asyncAfter(delaySeconds, [item] { item->perform(); });
  }
};

// A repeating timer on the main queue. The tolerance is how late a firing may come so the system can
// coalesce wake-ups; the virtual scheduler fires exactly on time and only records it.
class RepeatingTimer {
 public:
  virtual ~RepeatingTimer() = default;
  virtual void invalidate() = 0;
  virtual bool isValid() const = 0;
  virtual double interval() const = 0;
  virtual double tolerance() const = 0;
};
using RepeatingTimerPtr = std::shared_ptr<RepeatingTimer>;

// A timer on the main queue that fires once. Invalidating it (or dropping the last reference) removes
// it from its queue at once, so a delay that is restarted at pointer rate leaves nothing behind that
// would still wake the process when the old deadline comes.
class OneShotTimer {
 public:
  virtual ~OneShotTimer() = default;
  virtual void invalidate() = 0;
  // Fires `delay` seconds from now instead (at most the tolerance later), for a delay that counts from
  // the latest of many events: restarting at pointer rate creates no timer. Does nothing once the timer
  // has fired or been invalidated. Main thread only.
  virtual void restart(double delay) = 0;
  // False once it has fired or been invalidated.
  virtual bool isValid() const = 0;
  virtual double tolerance() const = 0;
};
using OneShotTimerPtr = std::shared_ptr<OneShotTimer>;

class DispatchGroup;

// Every delay, timer, queue and clock read of the program goes through a Scheduler, so tests can run the
// whole system on a virtual clock. Two implementations: VirtualScheduler (tests, benchmarks,
// simulations) and RealScheduler (the Qt event loop and threads).
class Scheduler {
 public:
  virtual ~Scheduler() = default;

  // Monotonic media time in seconds; never starts at 0.
  virtual double now() const = 0;
  // Wall-clock time in seconds since the Unix epoch.
  virtual double wallClockNow() const = 0;

  virtual TaskQueue& mainQueue() = 0;
  virtual TaskQueue& globalQueue() = 0;
  virtual std::shared_ptr<TaskQueue> makeSerialQueue(const std::string& label) = 0;

  // A block the main run loop runs on a later pass (after the current event has been handled).
  virtual void performOnRunLoop(Task task) = 0;

  // Fires on the main queue every `interval` seconds until invalidated.
  virtual RepeatingTimerPtr scheduleRepeating(double interval, double tolerance, Task task) = 0;
  // Fires once on the main queue after `delay` seconds (at most `tolerance` later).
  virtual OneShotTimerPtr scheduleOneShot(double delay, double tolerance, Task task) = 0;

  virtual std::shared_ptr<DispatchGroup> makeGroup() = 0;

  // True on the thread that runs the main queue (in the virtual scheduler: outside any background task).
  virtual bool isMainThread() const = 0;
  // Stops the process with a message when called off the main thread.
  void assertMainThread(const char* where) const;

  void mainAsync(Task task) { mainQueue().async(std::move(task)); }
  // Runs `task` on the main queue after `delaySeconds`; the returned item cancels it.
  WorkItemPtr mainAfter(double delaySeconds, Task task);

 protected:
  friend class DispatchGroup;
  // Blocks (or, virtually, runs queued work) until the group is empty or the time-out passes.
  virtual bool waitForGroup(DispatchGroup& group, double timeoutSeconds) = 0;
  // Wakes anything waiting on the group; called when its count reaches zero.
  virtual void groupBecameEmpty(DispatchGroup& group) = 0;
};

// A count of outstanding work that can be waited on with a time-out, or notified when it empties.
class DispatchGroup : public std::enable_shared_from_this<DispatchGroup> {
 public:
  explicit DispatchGroup(Scheduler& scheduler) : scheduler_(scheduler) {}
  void enter();
  void leave();
  // Runs `task` on `queue` inside the group.
  void async(TaskQueue& queue, Task task);
  // True when the group emptied before the time-out.
  bool wait(double timeoutSeconds);
  bool isEmpty() const { return count_.load() == 0; }
  // Runs `task` on `queue` once the group is (or becomes) empty.
  void notify(TaskQueue& queue, Task task);

 private:
  Scheduler& scheduler_;
  std::atomic<int> count_{0};
  struct Waiter {
    TaskQueue* queue;
    Task task;
  };
  std::mutex waitersMutex_;
  std::vector<Waiter> notifyWaiters_;
};

}  // namespace pelko
