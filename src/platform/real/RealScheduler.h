#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "foundation/Scheduler.h"

namespace pelko::real {

class ThreadQueue;

// The Scheduler of the running program: the main queue, run-loop blocks and timers run on the Qt event
// loop of the thread that created the scheduler (a QCoreApplication must exist); serial queues each
// have a thread of their own and the global queue a small pool. Delays are measured from the call.
// Destroying the scheduler finishes the global queue's running work first.
class RealScheduler final : public Scheduler {
 public:
  RealScheduler();
  ~RealScheduler() override;

  // Waits for the global queue's running tasks and drops those not started yet; from then on the
  // global queue drops what it is given. The main-queue tasks still waiting are dropped too. For the
  // end of the process, after the event loop: the objects that background work uses may be destroyed
  // once this has returned. Main thread only.
  void finishBackgroundWork();

  double now() const override;
  double wallClockNow() const override;
  TaskQueue& mainQueue() override;
  TaskQueue& globalQueue() override;
  std::shared_ptr<TaskQueue> makeSerialQueue(const std::string& label) override;
  void performOnRunLoop(Task task) override;
  RepeatingTimerPtr scheduleRepeating(double interval, double tolerance, Task task) override;
  OneShotTimerPtr scheduleOneShot(double delay, double tolerance, Task task) override;
  std::shared_ptr<DispatchGroup> makeGroup() override;
  bool isMainThread() const override;
  // The repeating and one-shot timers and the delayed main-queue tasks that still hold a Qt timer
  // (deleted QTimers count until the event loop has deleted them).
  size_t liveTimerCount() const;

 protected:
  bool waitForGroup(DispatchGroup& group, double timeoutSeconds) override;
  void groupBecameEmpty(DispatchGroup& group) override;

 private:
  class MainContext;
  class MainQueue;
  class GlobalQueue;
  class Timer;
  class OneShot;

  // Declared before the queues: work still running on them may signal a group that became empty.
  std::mutex groupMutex_;
  std::condition_variable groupEmptied_;
  std::thread::id mainThread_;
  std::unique_ptr<MainContext> mainContext_;
  std::unique_ptr<MainQueue> main_;
  std::unique_ptr<GlobalQueue> global_;
};

}  // namespace pelko::real
