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
class RealScheduler final : public Scheduler {
 public:
  RealScheduler();
  ~RealScheduler() override;

  double now() const override;
  double wallClockNow() const override;
  TaskQueue& mainQueue() override;
  TaskQueue& globalQueue() override;
  std::shared_ptr<TaskQueue> makeSerialQueue(const std::string& label) override;
  void performOnRunLoop(Task task) override;
  RepeatingTimerPtr scheduleRepeating(double interval, double tolerance, Task task) override;
  std::shared_ptr<DispatchGroup> makeGroup() override;
  bool isMainThread() const override;

 protected:
  bool waitForGroup(DispatchGroup& group, double timeoutSeconds) override;
  void groupBecameEmpty(DispatchGroup& group) override;

 private:
  class MainContext;
  class MainQueue;
  class Timer;

  std::thread::id mainThread_;
  std::unique_ptr<MainContext> mainContext_;
  std::unique_ptr<MainQueue> main_;
  std::unique_ptr<ThreadQueue> global_;
  std::mutex groupMutex_;
  std::condition_variable groupEmptied_;
};

}  // namespace pelko::real
