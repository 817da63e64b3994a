#include "foundation/VirtualScheduler.h"

#include <cmath>
#include <limits>
#include <utility>

namespace pelko {

class VirtualScheduler::Queue final : public TaskQueue {
 public:
  Queue(VirtualScheduler& owner, std::string label, bool isMain)
      : owner_(owner), label_(std::move(label)), isMain_(isMain) {}
  void async(Task task) override { owner_.enqueue(this, 0, std::move(task)); }
  void asyncAfter(double delaySeconds, Task task) override {
    owner_.enqueue(this, delaySeconds, std::move(task));
  }
  const std::string& label() const override { return label_; }
  bool isMain() const { return isMain_; }

 private:
  VirtualScheduler& owner_;
  std::string label_;
  bool isMain_;
};

class VirtualScheduler::Timer final : public RepeatingTimer, public std::enable_shared_from_this<Timer> {
 public:
  Timer(VirtualScheduler& owner, double interval, double tolerance, Task task)
      : owner_(owner), interval_(interval), tolerance_(tolerance), task_(std::move(task)) {}

  void arm() {
    std::weak_ptr<Timer> weak = shared_from_this();
    owner_.mainQueue().asyncAfter(interval_, [weak] {
      auto self = weak.lock();
      if (!self || !self->valid_) return;
      self->arm();  // the next firing is planned before this one runs, as a run-loop timer does
      self->task_();
    });
  }
  void invalidate() override { valid_ = false; }
  bool isValid() const override { return valid_; }
  double interval() const override { return interval_; }
  double tolerance() const override { return tolerance_; }

 private:
  VirtualScheduler& owner_;
  double interval_;
  double tolerance_;
  Task task_;
  bool valid_ = true;
};

// Fires exactly on time; the tolerance is only recorded.
class VirtualScheduler::OneShot final : public OneShotTimer, public std::enable_shared_from_this<OneShot> {
 public:
  OneShot(VirtualScheduler& owner, double tolerance, Task task)
      : owner_(owner),
        ownerLifetime_(owner.lifetime_.watch()),
        tolerance_(tolerance),
        task_(std::move(task)) {}
  ~OneShot() override { invalidate(); }

  void arm(double delay) {
    std::weak_ptr<OneShot> weak = shared_from_this();
    key_ = owner_.enqueue(owner_.main_.get(), delay, [weak] {
      auto self = weak.lock();
      if (!self || !self->valid_) return;
      self->valid_ = false;
      Task task = std::move(self->task_);
      task();
    });
  }
  void invalidate() override {
    if (!valid_) return;
    valid_ = false;
    task_ = nullptr;
    if (ownerLifetime_.ownerAlive()) owner_.removeEntry(key_);
  }
  void restart(double delay) override {
    if (!valid_ || !ownerLifetime_.ownerAlive()) return;
    owner_.removeEntry(key_);
    arm(delay);
  }
  bool isValid() const override { return valid_; }
  double tolerance() const override { return tolerance_; }

 private:
  VirtualScheduler& owner_;
  OwnerLifetime::Watch ownerLifetime_;
  double tolerance_;
  Task task_;
  Key key_{};
  bool valid_ = true;
};

VirtualScheduler::VirtualScheduler()
    : main_(std::make_unique<Queue>(*this, "com.apple.main-thread", true)),
      global_(std::make_unique<Queue>(*this, "global", false)) {}

VirtualScheduler::~VirtualScheduler() = default;

VirtualScheduler::Ticks VirtualScheduler::toTicks(double seconds) {
  if (!std::isfinite(seconds) || seconds <= 0) return 0;
  if (seconds > 1e9) return static_cast<Ticks>(1e18);
  return std::llround(seconds * 1e9);
}

double VirtualScheduler::now() const {
  std::lock_guard lock(mutex_);
  return static_cast<double>(now_) / 1e9;
}

TaskQueue& VirtualScheduler::mainQueue() {
  return *main_;
}
TaskQueue& VirtualScheduler::globalQueue() {
  return *global_;
}

std::shared_ptr<TaskQueue> VirtualScheduler::makeSerialQueue(const std::string& label) {
  auto queue = std::make_shared<Queue>(*this, label, false);
  std::lock_guard lock(mutex_);
  serialQueues_.push_back(queue);
  return queue;
}

void VirtualScheduler::performOnRunLoop(Task task) {
  enqueue(main_.get(), 0, std::move(task));
}

RepeatingTimerPtr VirtualScheduler::scheduleRepeating(double interval, double tolerance, Task task) {
  auto timer = std::make_shared<Timer>(*this, interval > 0 ? interval : 0.0001, tolerance, std::move(task));
  timer->arm();
  return timer;
}

OneShotTimerPtr VirtualScheduler::scheduleOneShot(double delay, double tolerance, Task task) {
  auto timer = std::make_shared<OneShot>(*this, tolerance, std::move(task));
  timer->arm(delay);
  return timer;
}

std::shared_ptr<DispatchGroup> VirtualScheduler::makeGroup() {
  return std::make_shared<DispatchGroup>(*this);
}

bool VirtualScheduler::isMainThread() const {
  std::lock_guard lock(mutex_);
  return running_ == nullptr || running_->isMain();
}

std::string VirtualScheduler::currentQueueLabel() const {
  std::lock_guard lock(mutex_);
  return running_ && !running_->isMain() ? running_->label() : std::string();
}

size_t VirtualScheduler::pendingCount() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

VirtualScheduler::Key VirtualScheduler::enqueue(const Queue* queue, double delaySeconds, Task task) {
  std::lock_guard lock(mutex_);
  Key key{now_ + toTicks(delaySeconds), sequence_++};
  entries_.emplace(key, Entry{queue, std::move(task)});
  return key;
}

void VirtualScheduler::removeEntry(const Key& key) {
  std::lock_guard lock(mutex_);
  entries_.erase(key);
}

bool VirtualScheduler::runNext(Ticks limit, size_t& budget) {
  Entry entry;
  const Queue* previous;
  {
    std::lock_guard lock(mutex_);
    if (entries_.empty() || entries_.begin()->first.first > limit) return false;
    if (budget == 0) throw SchedulerRunaway("VirtualScheduler: work did not settle (runaway loop?)");
    --budget;
    auto node = entries_.extract(entries_.begin());
    if (node.key().first > now_) now_ = node.key().first;
    entry = std::move(node.mapped());
    previous = std::exchange(running_, entry.queue);
  }
  struct Restore {
    VirtualScheduler& self;
    const Queue* previous;
    ~Restore() {
      std::lock_guard lock(self.mutex_);
      self.running_ = previous;
    }
  } restore{*this, previous};
  entry.task();
  return true;
}

void VirtualScheduler::runUntilIdle() {
  size_t budget = runawayLimit_;
  Ticks limit;
  {
    std::lock_guard lock(mutex_);
    limit = now_;
  }
  while (runNext(limit, budget)) {
  }
}

void VirtualScheduler::advance(double seconds) {
  Ticks target;
  {
    std::lock_guard lock(mutex_);
    target = now_ + toTicks(seconds);
  }
  size_t budget = runawayLimit_;
  while (runNext(target, budget)) {
  }
  std::lock_guard lock(mutex_);
  if (now_ < target) now_ = target;
}

void VirtualScheduler::runAll() {
  size_t budget = runawayLimit_;
  while (runNext(std::numeric_limits<Ticks>::max(), budget)) {
  }
}

bool VirtualScheduler::waitForGroup(DispatchGroup& group, double timeoutSeconds) {
  // Waiting blocks the caller, so only work on other queues can empty the group; the virtual clock
  // moves to each such task's time, and to the deadline when the group is still busy.
  size_t budget = runawayLimit_;
  const Queue* waiter;
  Ticks deadline;
  {
    std::lock_guard lock(mutex_);
    deadline = now_ + toTicks(timeoutSeconds);
    waiter = running_ ? running_ : main_.get();
  }
  while (!group.isEmpty()) {
    Entry entry;
    const Queue* previous;
    {
      std::lock_guard lock(mutex_);
      auto it = entries_.begin();
      while (it != entries_.end() && (it->second.queue == waiter || it->first.first > deadline)) ++it;
      if (it == entries_.end()) break;
      if (budget-- == 0) throw SchedulerRunaway("VirtualScheduler: group wait did not settle");
      if (it->first.first > now_) now_ = it->first.first;
      entry = std::move(it->second);
      entries_.erase(it);
      previous = std::exchange(running_, entry.queue);
    }
    entry.task();
    std::lock_guard lock(mutex_);
    running_ = previous;
  }
  if (group.isEmpty()) return true;
  std::lock_guard lock(mutex_);
  if (now_ < deadline) now_ = deadline;
  return false;
}

}  // namespace pelko
