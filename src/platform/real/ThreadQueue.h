#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "foundation/Scheduler.h"

namespace pelko::real {

// A queue served by its own worker threads: one thread makes it a serial queue, several a concurrent
// one. Delayed tasks wait in deadline order; tasks due at the same time run first-in first-out.
// Destroying the queue finishes the running tasks and drops the ones not yet started; a task must not
// hold the last reference to its own queue.
class ThreadQueue final : public TaskQueue {
 public:
  ThreadQueue(std::string label, int threadCount);
  ~ThreadQueue() override;

  void async(Task task) override;
  void asyncAfter(double delaySeconds, Task task) override;
  const std::string& label() const override { return label_; }

 private:
  using Clock = std::chrono::steady_clock;
  void enqueue(Clock::time_point due, Task task);
  void work();

  std::string label_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::multimap<std::pair<Clock::time_point, uint64_t>, Task> tasks_;
  uint64_t sequence_ = 0;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace pelko::real
