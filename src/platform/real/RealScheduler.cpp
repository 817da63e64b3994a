#include "platform/real/RealScheduler.h"

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QTimerEvent>
#include <chrono>
#include <cmath>
#include <unordered_map>

#include "platform/real/ThreadQueue.h"

namespace pelko::real {

namespace {
using Clock = std::chrono::steady_clock;

int millisecondsUntil(Clock::time_point due) {
  auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now()).count();
  return remaining > 0 ? static_cast<int>(std::min<long long>(remaining, INT32_MAX)) : 0;
}

// Whole milliseconds, rounded up: a timer started with it never fires before `due`.
int millisecondsUntilAtLeast(Clock::time_point due) {
  const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now()).count();
  return remaining > 0 ? static_cast<int>(std::min<long long>(remaining, INT32_MAX)) : 0;
}

Clock::time_point dueAfter(double delaySeconds) {
  double delay = std::isfinite(delaySeconds) && delaySeconds > 0 ? delaySeconds : 0;
  return Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(delay));
}

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
void announceRelease(void* address) {
  __tsan_release(address);
}
void announceAcquire(void* address) {
  __tsan_acquire(address);
}
#else
void announceRelease(void*) {}
#endif

// Qt's event queue is not built with ThreadSanitizer, so its hand-over is announced explicitly on this
// one address, as the queue's own lock would: whatever a thread did before posting (building the event
// included) happens before every event the main thread delivers afterwards.
char mainQueueHandOff;

const QEvent::Type kTaskEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

class TaskEvent final : public QEvent {
 public:
  explicit TaskEvent(Task task) : QEvent(kTaskEventType), task(std::move(task)) {}
  Task task;
};

#if defined(__SANITIZE_THREAD__)
// Application event filters read a posted task's event before its receiver does, so the hand-over is
// taken up as soon as Qt starts delivering any event, ahead of every filter.
bool acquireBeforeDelivery(void**) {
  announceAcquire(&mainQueueHandOff);
  return false;  // delivered as usual
}
#endif

// Runs `task` on the thread of `context`'s event loop, from any thread.
void postTo(QObject* context, Task task) {
  auto* event = new TaskEvent(std::move(task));
  announceRelease(&mainQueueHandOff);
  QCoreApplication::postEvent(context, event);
}

// Runs `task` on the thread of `context`'s event loop: at once when called there, else posted. Timers
// given up on another thread go back this way rather than through QMetaObject::invokeMethod, whose
// queued call would reach the main thread without the hand-over announced above.
void onThreadOf(QObject* context, Task task) {
  if (context->thread() == QThread::currentThread()) {
    task();
    return;
  }
  postTo(context, std::move(task));
}
}  // namespace

// The main thread's receiver of posted tasks, and of delayed ones: a delayed task runs on a timer of this
// object's own (an id, not a QTimer), so an animation frame or a hover delay costs no object, no child
// events and no deferred deletion.
class RealScheduler::MainContext final : public QObject {
 public:
  bool event(QEvent* event) override {
    if (event->type() != kTaskEventType) return QObject::event(event);
    static_cast<TaskEvent*>(event)->task();
    return true;
  }

  // Main thread only.
  void startDelayed(int milliseconds, const WorkItemPtr& item) {
    const int id = startTimer(milliseconds, Qt::PreciseTimer);
    if (id == 0) return;  // no timer to be had: as good as cancelled
    delayed_.emplace(id, item);
    item->setCancelHandler([context = QPointer<MainContext>(this), id, raw = item.get()] {
      // Cancelled elsewhere than the main thread, the timer goes on the main thread.
      if (context)
        onThreadOf(context.data(), [context, id, raw] {
          if (context) context->stopDelayed(id, raw);
        });
    });
  }
  size_t delayedCount() const { return delayed_.size(); }

 protected:
  void timerEvent(QTimerEvent* event) override {
    const auto found = delayed_.find(event->timerId());
    if (found == delayed_.end()) return QObject::timerEvent(event);
    killTimer(found->first);
    const WorkItemPtr item = std::move(found->second);
    delayed_.erase(found);
    item->setCancelHandler(nullptr);
    item->perform();
  }

 private:
  // Only while `id` still belongs to `item`: a fired timer's id may since serve another task.
  void stopDelayed(int id, const WorkItem* item) {
    const auto found = delayed_.find(id);
    if (found == delayed_.end() || found->second.get() != item) return;
    killTimer(id);
    delayed_.erase(found);
  }

  std::unordered_map<int, WorkItemPtr> delayed_;
};

class RealScheduler::MainQueue final : public TaskQueue {
 public:
  explicit MainQueue(MainContext* context) : context_(context) {}
  using TaskQueue::asyncAfter;
  void async(Task task) override { postTo(context_, std::move(task)); }
  // On the main thread the timer starts at once, and cancelling the item removes it: a delay cancelled
  // at pointer rate (a hover that ends before its delay) leaves no timer to wake the process later.
  void asyncAfter(double delaySeconds, const WorkItemPtr& item) override {
    if (QThread::currentThread() != context_->thread()) {
      postDelayed(dueAfter(delaySeconds), item);
      return;
    }
    if (item->isCancelled()) return;
    context_->startDelayed(millisecondsUntil(dueAfter(delaySeconds)), item);
  }
  void asyncAfter(double delaySeconds, Task task) override {
    postDelayed(dueAfter(delaySeconds), std::make_shared<WorkItem>(std::move(task)));
  }
  const std::string& label() const override { return label_; }

 private:
  // Starts the timer on the main thread, due when the caller asked (the post takes time of its own).
  void postDelayed(Clock::time_point due, WorkItemPtr item) {
    MainContext* context = context_;
    postTo(context, [context, due, item = std::move(item)] {
      if (!item->isCancelled()) context->startDelayed(millisecondsUntil(due), item);
    });
  }

  MainContext* context_;
  std::string label_ = "com.apple.main-thread";
};

// The global pool behind a queue that outlives it: once the pool is finished, work given to the queue
// is dropped instead of reaching a pool that no longer runs anything.
class RealScheduler::GlobalQueue final : public TaskQueue {
 public:
  explicit GlobalQueue(int threadCount) : pool_(std::make_unique<ThreadQueue>("global", threadCount)) {}
  void async(Task task) override {
    std::lock_guard lock(mutex_);
    if (pool_) pool_->async(std::move(task));
  }  // a dropped task is destroyed by the caller, after the lock is released
  void asyncAfter(double delaySeconds, Task task) override {
    std::lock_guard lock(mutex_);
    if (pool_) pool_->asyncAfter(delaySeconds, std::move(task));
  }
  const std::string& label() const override { return label_; }
  void finish() {
    std::unique_ptr<ThreadQueue> pool;
    {
      std::lock_guard lock(mutex_);
      pool = std::move(pool_);
    }
    pool.reset();  // joins the running tasks, which may still give work to this queue
  }

 private:
  std::mutex mutex_;
  std::unique_ptr<ThreadQueue> pool_;
  std::string label_ = "global";
};

class RealScheduler::Timer final : public RepeatingTimer {
 public:
  Timer(QObject* context, double interval, double tolerance, Task task)
      : context_(context), interval_(interval), tolerance_(tolerance) {
    timer_ = new QTimer(context);
    timer_->setTimerType(tolerance > 0 ? Qt::CoarseTimer : Qt::PreciseTimer);
    timer_->setInterval(std::max(1, static_cast<int>(std::lround(interval * 1000))));
    QObject::connect(timer_, &QTimer::timeout, timer_, std::move(task));
    timer_->start();
  }
  ~Timer() override { invalidate(); }
  void invalidate() override {
    valid_ = false;
    if (QPointer<QTimer> timer = timer_) {
      timer_ = nullptr;
      // Timers belong to the main thread; stop and delete them there.
      onThreadOf(context_, [timer] {
        if (timer) {
          timer->stop();
          timer->deleteLater();
        }
      });
    }
  }
  bool isValid() const override { return valid_; }
  double interval() const override { return interval_; }
  double tolerance() const override { return tolerance_; }

 private:
  QObject* context_;
  QPointer<QTimer> timer_;
  double interval_;
  double tolerance_;
  std::atomic<bool> valid_{true};
};

// A restart that only moves the deadline later leaves the Qt timer as it is: when it fires before the
// deadline it waits out the rest, so a delay restarted on every pointer move costs one more wake-up per
// delay rather than a timer change per move.
class RealScheduler::OneShot final : public OneShotTimer {
 public:
  OneShot(QObject* context, double delay, double tolerance, Task task)
      : context_(context), tolerance_(tolerance) {
    timer_ = new QTimer(context);
    timer_->setSingleShot(true);
    setTimerType(delay);
    state_->due = dueAfter(delay);
    QObject::connect(timer_, &QTimer::timeout, timer_,
                     [state = state_, timer = timer_.data(), task = std::move(task)] {
                       if (!state->valid.load()) return;
                       // Moved later since it was started (a millisecond early is the timer's own rounding).
                       if (state->due - Clock::now() > std::chrono::milliseconds(1)) {
                         timer->start(millisecondsUntilAtLeast(state->due));
                         return;
                       }
                       if (!state->valid.exchange(false)) return;
                       timer->deleteLater();
                       task();
                     });
    timer_->start(std::max(0, static_cast<int>(std::lround(delay * 1000))));
  }
  ~OneShot() override { invalidate(); }
  void invalidate() override {
    // Once fired, the timer has already handed itself to deleteLater().
    if (!state_->valid.exchange(false)) return;
    QPointer<QTimer> timer = timer_;
    timer_ = nullptr;
    if (!timer) return;
    // Not fired, so not inside its own timeout: on the main thread it can go at once.
    onThreadOf(context_, [timer] { delete timer.data(); });
  }
  void restart(double delay) override {
    if (!state_->valid.load() || !timer_) return;
    const Clock::time_point due = dueAfter(delay);
    const bool later = due >= state_->due;
    state_->due = due;
    if (later) return;
    setTimerType(delay);
    timer_->start(millisecondsUntilAtLeast(due));
  }
  bool isValid() const override { return state_->valid.load(); }
  double tolerance() const override { return tolerance_; }

 private:
  struct State {
    std::atomic<bool> valid{true};
    Clock::time_point due;  // read and written on the main thread
  };
  void setTimerType(double delay) {
    // A coarse timer may come up to 5% of its interval late: only where the tolerance allows that.
    timer_->setTimerType(tolerance_ >= 0.05 * delay ? Qt::CoarseTimer : Qt::PreciseTimer);
  }

  QObject* context_;
  QPointer<QTimer> timer_;
  double tolerance_;
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

RealScheduler::RealScheduler()
    : mainThread_(std::this_thread::get_id()),
      mainContext_(std::make_unique<MainContext>()),
      main_(std::make_unique<MainQueue>(mainContext_.get())),
      global_(
          std::make_unique<GlobalQueue>(std::max(2, static_cast<int>(std::thread::hardware_concurrency())))) {
#if defined(__SANITIZE_THREAD__)
  QInternal::registerCallback(QInternal::EventNotifyCallback, acquireBeforeDelivery);
#endif
}

RealScheduler::~RealScheduler() {
  global_->finish();
#if defined(__SANITIZE_THREAD__)
  QInternal::unregisterCallback(QInternal::EventNotifyCallback, acquireBeforeDelivery);
#endif
}

void RealScheduler::finishBackgroundWork() {
  assertMainThread("RealScheduler::finishBackgroundWork");
  global_->finish();
  // What the finished work handed to the main queue will not run any more; its captures go now, while
  // everything they may refer to still exists.
  QCoreApplication::removePostedEvents(mainContext_.get(), kTaskEventType);
}

double RealScheduler::now() const {
  return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

double RealScheduler::wallClockNow() const {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

TaskQueue& RealScheduler::mainQueue() {
  return *main_;
}
TaskQueue& RealScheduler::globalQueue() {
  return *global_;
}

std::shared_ptr<TaskQueue> RealScheduler::makeSerialQueue(const std::string& label) {
  return std::make_shared<ThreadQueue>(label, 1);
}

void RealScheduler::performOnRunLoop(Task task) {
  postTo(mainContext_.get(), std::move(task));
}

RepeatingTimerPtr RealScheduler::scheduleRepeating(double interval, double tolerance, Task task) {
  assertMainThread("RealScheduler::scheduleRepeating");
  return std::make_shared<Timer>(mainContext_.get(), interval, tolerance, std::move(task));
}

OneShotTimerPtr RealScheduler::scheduleOneShot(double delay, double tolerance, Task task) {
  assertMainThread("RealScheduler::scheduleOneShot");
  return std::make_shared<OneShot>(mainContext_.get(), delay, tolerance, std::move(task));
}

size_t RealScheduler::liveTimerCount() const {
  return static_cast<size_t>(mainContext_->findChildren<QTimer*>(Qt::FindDirectChildrenOnly).size()) +
         mainContext_->delayedCount();
}

std::shared_ptr<DispatchGroup> RealScheduler::makeGroup() {
  return std::make_shared<DispatchGroup>(*this);
}

bool RealScheduler::isMainThread() const {
  return std::this_thread::get_id() == mainThread_;
}

bool RealScheduler::waitForGroup(DispatchGroup& group, double timeoutSeconds) {
  auto due = dueAfter(timeoutSeconds);
  std::unique_lock lock(groupMutex_);
  return groupEmptied_.wait_until(lock, due, [&group] { return group.isEmpty(); });
}

void RealScheduler::groupBecameEmpty(DispatchGroup&) {
  { std::lock_guard lock(groupMutex_); }
  groupEmptied_.notify_all();
}

}  // namespace pelko::real
