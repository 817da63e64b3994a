#include "tracking/AppTracker.h"

#include <algorithm>

#include "foundation/DebugLog.h"
#include "settings/SettingsManager.h"
#include "tracking/AccessibilityHelper.h"

namespace pelko {

using platform::WorkspaceNotification;
using platform::WorkspaceNotificationName;

std::shared_ptr<AppTracker> AppTracker::create(const Dependencies& dependencies) {
  return std::shared_ptr<AppTracker>(new AppTracker(dependencies));
}

AppTracker::AppTracker(const Dependencies& dependencies)
    : scheduler_(dependencies.scheduler),
      workspace_(dependencies.workspace),
      windowServer_(dependencies.windowServer),
      accessibility_(dependencies.accessibility),
      accessibilityHelper_(dependencies.accessibilityHelper),
      screens_(dependencies.screens),
      ownWindows_(dependencies.ownWindows),
      ownPID_(dependencies.accessibilityHelper.ownPID()),
      axQueue_(dependencies.scheduler.makeSerialQueue(kQueueLabel)),
      excludedBundleIDs_{"com.apple.loginwindow", "com.apple.dock", "com.apple.WindowManager",
                         "com.apple.controlcenter", "com.apple.notificationcenterui"} {}

AppTracker::~AppTracker() {
  // Observers, timers and subscriptions refer back to the tracker; none may outlive it.
  isRunning_ = false;
  if (refreshTimer_) refreshTimer_->invalidate();
  if (axThrottleWorkItem_) axThrottleWorkItem_->cancel();
  if (moveResizeWorkItem_) moveResizeWorkItem_->cancel();
  cancellables_.clear();
  removeAllObservers();
}

bool AppTracker::groupsWindows() const {
  return settingsManager == nullptr || settingsManager->groupWindows.get();
}

void AppTracker::start() {
  isRunning_ = true;

  if (accessibilityHelper_.isTrusted()) {
    for (const auto& app : workspace_.runningApplications()) {
      if (app->activationPolicy() != platform::ActivationPolicy::regular) continue;
      auto bundleID = app->bundleIdentifier();
      if (!bundleID || excludedBundleIDs_.count(*bundleID)) continue;
      if (settingsManager && settingsManager->isBlacklisted(*bundleID)) continue;
      if (appHasAXWindows(app->processIdentifier())) stickyPIDs_.insert(app->processIdentifier());
    }
  }

  refreshApps();

  // Applications launched together with the system keep opening windows for a few seconds.
  std::weak_ptr<AppTracker> weak = weak_from_this();
  for (double delay : {0.5, 2.0, 4.0}) {
    scheduler_.mainAfter(delay, [weak] {
      if (auto tracker = weak.lock()) tracker->refreshApps();
    });
  }

  startSafetyTimer();
  subscribeToWorkspace();
}

void AppTracker::startSafetyTimer() {
  if (refreshTimer_) refreshTimer_->invalidate();
  std::weak_ptr<AppTracker> weak = weak_from_this();
  refreshTimer_ = scheduler_.scheduleRepeating(kSafetyRefreshInterval, kSafetyRefreshTolerance, [weak] {
    auto tracker = weak.lock();
    if (tracker && !tracker->pendingRefresh_) tracker->refreshApps();
  });
}

void AppTracker::subscribeToWorkspace() {
  std::weak_ptr<AppTracker> weak = weak_from_this();
  auto onMain = [this](WorkspaceNotificationName name) {
    return workspace_.notifications(name).receiveOnMain(scheduler_);
  };
  auto handle = [weak](void (AppTracker::*handler)(const WorkspaceNotification&)) {
    return [weak, handler](const WorkspaceNotification& notification) {
      if (auto tracker = weak.lock()) ((*tracker).*handler)(notification);
    };
  };

  onMain(WorkspaceNotificationName::screensDidSleep)
      .sink([weak](const WorkspaceNotification&) {
        auto tracker = weak.lock();
        if (!tracker) return;
        if (tracker->refreshTimer_) tracker->refreshTimer_->invalidate();
        tracker->refreshTimer_.reset();
      })
      .store(cancellables_);
  onMain(WorkspaceNotificationName::screensDidWake)
      .sink([weak](const WorkspaceNotification&) {
        auto tracker = weak.lock();
        if (!tracker || tracker->refreshTimer_) return;
        tracker->startSafetyTimer();
        tracker->refreshApps();
      })
      .store(cancellables_);
  onMain(WorkspaceNotificationName::didActivateApplication)
      .sink(handle(&AppTracker::handleActivated))
      .store(cancellables_);
  onMain(WorkspaceNotificationName::didDeactivateApplication)
      .sink(handle(&AppTracker::handleDeactivated))
      .store(cancellables_);
  onMain(WorkspaceNotificationName::didLaunchApplication)
      .sink(handle(&AppTracker::handleLaunched))
      .store(cancellables_);
  onMain(WorkspaceNotificationName::activeSpaceDidChange)
      .throttle(scheduler_, kSpaceChangeThrottle, true)
      .sink([weak](const WorkspaceNotification&) {
        if (auto tracker = weak.lock()) tracker->scheduleThrottledRefresh();
      })
      .store(cancellables_);
  onMain(WorkspaceNotificationName::didHideApplication)
      .sink(handle(&AppTracker::handleHiddenOrUnhidden))
      .store(cancellables_);
  onMain(WorkspaceNotificationName::didUnhideApplication)
      .sink(handle(&AppTracker::handleHiddenOrUnhidden))
      .store(cancellables_);
  onMain(WorkspaceNotificationName::didTerminateApplication)
      .sink(handle(&AppTracker::handleAppTerminated))
      .store(cancellables_);
}

void AppTracker::stop() {
  isRunning_ = false;
  if (refreshTimer_) refreshTimer_->invalidate();
  refreshTimer_.reset();
  if (axThrottleWorkItem_) axThrottleWorkItem_->cancel();
  axThrottleWorkItem_.reset();
  if (moveResizeWorkItem_) moveResizeWorkItem_->cancel();
  moveResizeWorkItem_.reset();
  pendingRefresh_ = false;
  cancellables_.clear();
  stickyValidationDueAt_.clear();
  removeAllObservers();
  trackedPIDs_.clear();
}

void AppTracker::removeAllObservers() {
  std::vector<int32_t> pids;
  pids.reserve(axObservers_.size());
  for (const auto& [pid, observer] : axObservers_) pids.push_back(pid);
  for (int32_t pid : pids) removeAXObserver(pid);
}

void AppTracker::removeAXObserver(int32_t pid) {
  auto it = axObservers_.find(pid);
  if (it == axObservers_.end()) return;
  auto observer = std::move(it->second);
  axObservers_.erase(it);
  observer->removeFromMainRunLoop();
  std::erase_if(windowElementMap_, [pid](const auto& item) { return item.second.pid == pid; });
}

void AppTracker::forceRefresh() {
  refreshApps();
}

void AppTracker::invalidateRefreshGeneration() {
  raiseRefreshGeneration();
}

uint64_t AppTracker::raiseRefreshGeneration() {
  ++refreshGeneration_;
  queueGeneration_->store(refreshGeneration_, std::memory_order_relaxed);
  return refreshGeneration_;
}

void AppTracker::pendingFocusChanged() {
  invalidateRefreshGeneration();
  if (windowManager && windowManager->pendingFocus())
    fastUpdateActiveState(windowManager->pendingFocus()->pid);
}

void AppTracker::scheduleThrottledRefresh() {
  scheduler_.assertMainThread("AppTracker.scheduleThrottledRefresh");
  // A launch's pass that has not started yet will see whatever this request is about.
  if (!isRunning_ || pendingRefresh_ || launchRefreshScheduled_) return;
  if (axThrottleWorkItem_) axThrottleWorkItem_->cancel();
  std::weak_ptr<AppTracker> weak = weak_from_this();
  pendingRefresh_ = true;
  axThrottleWorkItem_ = scheduler_.mainAfter(kThrottleDelay, [weak] {
    auto tracker = weak.lock();
    if (!tracker || !tracker->isRunning_) return;
    tracker->pendingRefresh_ = false;
    tracker->axThrottleWorkItem_.reset();
    tracker->refreshApps();
  });
}

void AppTracker::scheduleCoalescedRefresh() {
  if (pendingRefresh_) return;
  pendingRefresh_ = true;
  std::weak_ptr<AppTracker> weak = weak_from_this();
  scheduler_.mainAsync([weak] {
    auto tracker = weak.lock();
    if (!tracker) return;
    tracker->pendingRefresh_ = false;
    tracker->refreshApps();
  });
}

void AppTracker::handleActivated(const WorkspaceNotification& notification) {
  if (notification.application) fastUpdateActiveState(notification.application->processIdentifier());
  scheduleThrottledRefresh();
}

void AppTracker::handleDeactivated(const WorkspaceNotification& notification) {
  if (notification.application) {
    int32_t pid = notification.application->processIdentifier();
    const auto* focus = windowManager ? &windowManager->pendingFocus() : nullptr;
    // A window of this application is being focused: its activation is on the way, keep its flags.
    bool focusing = focus && *focus && (*focus)->pid == pid;
    if (!focusing) {
      auto entries = apps.get();
      for (const auto& entry : entries)
        if (entry->pid == pid && entry->isActive.get()) entry->isActive = false;
    }
  }
  scheduleThrottledRefresh();
}

void AppTracker::handleLaunched(const WorkspaceNotification& notification) {
  if (notification.application) recentlyRemovedPIDs_.erase(notification.application->processIdentifier());
  // Applications launched together report one by one, each notification already queued behind the
  // one before; the pass waits for the next turn of the main queue and then sees all of them, so a
  // burst costs one pass instead of one full window-list snapshot per launch.
  if (launchRefreshScheduled_) return;
  launchRefreshScheduled_ = true;
  std::weak_ptr<AppTracker> weak = weak_from_this();
  scheduler_.mainAsync([weak] {
    auto tracker = weak.lock();
    if (!tracker) return;
    tracker->launchRefreshScheduled_ = false;
    tracker->refreshApps();
  });
}

void AppTracker::handleHiddenOrUnhidden(const WorkspaceNotification& notification) {
  if (notification.application) {
    int32_t pid = notification.application->processIdentifier();
    bool hidden = notification.application->isHidden();
    auto entries = apps.get();
    for (const auto& entry : entries)
      if (entry->pid == pid && entry->isHidden.get() != hidden) entry->isHidden = hidden;
  }
  scheduleThrottledRefresh();
}

void AppTracker::fastUpdateActiveState(int32_t activatedPID) {
  scheduler_.assertMainThread("AppTracker.fastUpdateActiveState");
  auto entries = apps.get();
  auto setActive = [](TrackedApp& entry, bool active) {
    if (entry.isActive.get() != active) entry.isActive = active;
  };

  if (groupsWindows()) {
    for (const auto& entry : entries) setActive(*entry, entry->pid == activatedPID);
    return;
  }

  std::optional<int64_t> frontWindow;
  const auto* focus = windowManager ? &windowManager->pendingFocus() : nullptr;
  if (focus && *focus && (*focus)->pid == activatedPID) {
    frontWindow = (*focus)->windowNumber;
  } else {
    frontWindow = frontWindowFromWindowList(activatedPID);
  }
  for (const auto& entry : entries) {
    bool active;
    if (entry->pid != activatedPID) {
      active = false;
    } else if (!entry->windowNumber) {
      active = true;
    } else {
      active = !frontWindow || *entry->windowNumber == *frontWindow;
    }
    setActive(*entry, active);
  }
}

std::optional<int64_t> AppTracker::frontWindowFromWindowList(int32_t pid) {
  auto rows = windowServer_.copyWindowListRows(
      platform::kWindowListOptionOnScreenOnly | platform::kWindowListExcludeDesktopElements,
      platform::kNullWindowID);
  if (!rows) return std::nullopt;
  return frontWindowInRows(*rows, pid);
}

void AppTracker::handleAppTerminated(const WorkspaceNotification& notification) {
  scheduler_.assertMainThread("AppTracker.handleAppTerminated");
  if (!notification.application) {
    refreshApps();
    return;
  }
  int32_t pid = notification.application->processIdentifier();
  const auto& entries = apps.get();
  bool listed = std::any_of(entries.begin(), entries.end(), [pid](const auto& e) { return e->pid == pid; });
  if (!listed && !stickyPIDs_.count(pid)) return;

  stickyPIDs_.erase(pid);
  stickyValidationDueAt_.erase(pid);
  lastKnownWindows_.erase(pid);
  lastKnownBundleIDs_.erase(pid);
  iconCache_.erase(pid);
  axTimedOutPIDs_.erase(pid);
  removeAXObserver(pid);
  trackedPIDs_.erase(pid);
  std::erase_if(windowElementMap_, [pid](const auto& item) { return item.second.pid == pid; });

  recentlyRemovedPIDs_.insert(pid);
  std::weak_ptr<AppTracker> weak = weak_from_this();
  scheduler_.mainAfter(kRecentlyRemovedDuration, [weak, pid] {
    if (auto tracker = weak.lock()) tracker->recentlyRemovedPIDs_.erase(pid);
  });

  // A pass that started before the termination would bring the entries back.
  raiseRefreshGeneration();

  // One publication, also for a sticky process that had no entry: subscribers learn of the removal
  // the same way whatever the list held.
  std::vector<TrackedAppPtr> remaining;
  remaining.reserve(entries.size());
  for (const auto& entry : entries)
    if (entry->pid != pid) remaining.push_back(entry);
  apps = std::move(remaining);
}

std::vector<int64_t> AppTracker::windowNumbers(int32_t pid) {
  scheduler_.assertMainThread("AppTracker.windowNumbers");
  // A discovery of its own, so a pass running on the queue is never disturbed; it honours (and
  // records) the time-out back-off, which belongs to the main thread.
  TimeoutMap timeouts;
  if (auto it = axTimedOutPIDs_.find(pid); it != axTimedOutPIDs_.end()) timeouts.insert(*it);
  WindowDiscovery discovery(accessibility_, accessibilityHelper_, scheduler_,
                            accessibilityHelper_.isTrusted(), std::move(timeouts));
  auto numbers = discovery.getStandardWindowNumbers(pid, {}).order;
  if (auto it = discovery.timeouts().find(pid); it != discovery.timeouts().end())
    axTimedOutPIDs_[pid] = it->second;
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

}  // namespace pelko
