#include "foundation/Scheduler.h"

#include <cstdio>
#include <cstdlib>

namespace pelko {

void Scheduler::assertMainThread(const char* where) const {
  if (!isMainThread()) {
    std::fprintf(stderr, "%s must run on the main thread\n", where);
    std::abort();
  }
}

WorkItemPtr Scheduler::mainAfter(double delaySeconds, Task task) {
  auto item = std::make_shared<WorkItem>(std::move(task));
  mainQueue().asyncAfter(delaySeconds, item);
  return item;
}

void DispatchGroup::enter() {
  count_.fetch_add(1);
}

void DispatchGroup::leave() {
  if (count_.fetch_sub(1) != 1) return;
  std::vector<Waiter> waiters;
  {
    std::lock_guard lock(waitersMutex_);
    waiters.swap(notifyWaiters_);
  }
  for (auto& waiter : waiters) waiter.queue->async(std::move(waiter.task));
  scheduler_.groupBecameEmpty(*this);
}

void DispatchGroup::async(TaskQueue& queue, Task task) {
  enter();
  auto self = shared_from_this();
  queue.async([self, task = std::move(task)] {
    task();
    self->leave();
  });
}

bool DispatchGroup::wait(double timeoutSeconds) {
  if (isEmpty()) return true;
  return scheduler_.waitForGroup(*this, timeoutSeconds);
}

void DispatchGroup::notify(TaskQueue& queue, Task task) {
  {
    std::lock_guard lock(waitersMutex_);
    if (!isEmpty()) {
      notifyWaiters_.push_back({&queue, std::move(task)});
      return;
    }
  }
  queue.async(std::move(task));
}

}  // namespace pelko
