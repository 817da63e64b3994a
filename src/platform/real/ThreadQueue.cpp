#include "platform/real/ThreadQueue.h"

#include <cmath>

namespace pelko::real {

ThreadQueue::ThreadQueue(std::string label, int threadCount) : label_(std::move(label)) {
  for (int i = 0; i < threadCount; ++i) threads_.emplace_back([this] { work(); });
}

ThreadQueue::~ThreadQueue() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (auto& thread : threads_) {
    if (thread.get_id() == std::this_thread::get_id())
      thread.detach();  // the last reference was dropped by one of our own tasks
    else
      thread.join();
  }
}

void ThreadQueue::async(Task task) {
  enqueue(Clock::now(), std::move(task));
}

void ThreadQueue::asyncAfter(double delaySeconds, Task task) {
  double delay = std::isfinite(delaySeconds) && delaySeconds > 0 ? delaySeconds : 0;
  enqueue(Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(delay)),
          std::move(task));
}

void ThreadQueue::enqueue(Clock::time_point due, Task task) {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    tasks_.emplace(std::make_pair(due, sequence_++), std::move(task));
  }
  changed_.notify_one();
}

void ThreadQueue::work() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (tasks_.empty()) {
      changed_.wait(lock);
      continue;
    }
    auto due = tasks_.begin()->first.first;
    if (due > Clock::now()) {
      changed_.wait_until(lock, due);
      continue;
    }
    {
      Task task = std::move(tasks_.begin()->second);
      tasks_.erase(tasks_.begin());
      lock.unlock();
      task();
    }  // the task's captures go before the lock is taken again
    lock.lock();
  }
}

}  // namespace pelko::real
