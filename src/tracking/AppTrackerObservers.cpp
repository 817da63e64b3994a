#include <algorithm>

#include "settings/SettingsManager.h"
#include "tracking/AccessibilityHelper.h"
#include "tracking/AppTracker.h"

// Between passes the tracker learns of window changes from one Accessibility observer per application:
// a new title and a destroyed window are applied at once, the rest lead to a throttled, debounced or
// coalesced pass. A window created or destroyed is also announced at once through windowsChanged.

namespace pelko {

using platform::AXElement;
namespace ax = platform::ax;

void AppTracker::registerObserver(int32_t pid) {
  auto app = workspace_.runningApplication(pid);
  if (!app || app->isTerminated()) return;
  std::weak_ptr<AppTracker> weak = weak_from_this();
  auto created =
      accessibility_.createObserver(pid, [weak](const AXElement& element, const std::string& name) {
        if (auto tracker = weak.lock()) tracker->handleAXNotification(name, element);
      });
  if (created.error != platform::AXError::success || !created.observer) return;
  auto observer = created.observer;

  auto appElement = accessibilityHelper_.appElement(pid, kPassMessagingTimeout);
  for (auto name : {ax::kTitleChangedNotification, ax::kFocusedWindowChangedNotification,
                    ax::kMainWindowChangedNotification, ax::kWindowCreatedNotification,
                    ax::kWindowMovedNotification, ax::kWindowResizedNotification})
    observer->addNotification(appElement, name);
  observer->addToMainRunLoop();

  auto& slot = axObservers_[pid];
  if (slot) slot->removeFromMainRunLoop();
  slot = observer;
  registerWindowDestructionObservers(pid, observer);
}

void AppTracker::registerWindowDestructionObservers(int32_t pid, const platform::AXObserverPtr& observer) {
  auto windows = accessibility_.copyAttributeValue(
      accessibilityHelper_.appElement(pid, kPassMessagingTimeout), ax::kWindows);
  if (!windows.ok() || !windows.value || !windows.value->asElements()) return;
  for (const auto& window : *windows.value->asElements()) {
    // Every window created asks again for all of its application's windows: the ones already watched
    // cost no further calls to the application.
    if (windowElementMap_.count(window)) continue;
    auto subrole = accessibility_.copyAttributeValue(window, ax::kSubrole);
    if (subrole.ok() && subrole.value && subrole.value->asString() &&
        *subrole.value->asString() != ax::kStandardWindowSubrole)
      continue;
    auto number = accessibility_.windowNumber(window);
    if (!number.ok()) continue;
    windowElementMap_.emplace(window, WindowRef{pid, static_cast<int64_t>(number.windowNumber)});
    observer->addNotification(window, ax::kUIElementDestroyedNotification);
  }
}

void AppTracker::handleAXNotification(const std::string& notification, const AXElement& element) {
  scheduler_.assertMainThread("AppTracker.handleAXNotification");
  int32_t pid = element.pid();
  if (pid == 0) return;

  if (notification == ax::kUIElementDestroyedNotification) {
    auto it = windowElementMap_.find(element);
    if (it == windowElementMap_.end()) {
      scheduleCoalescedRefresh();
      return;
    }
    WindowRef window = it->second;
    windowElementMap_.erase(it);
    handleSpecificWindowDestroyed(window.pid, window.windowNumber);
    return;
  }
  if (notification == ax::kTitleChangedNotification) {
    handleTitleChanged(pid, element);
    return;
  }
  if (notification == ax::kWindowCreatedNotification) {
    recentlyRemovedPIDs_.erase(pid);
    if (auto it = axObservers_.find(pid); it != axObservers_.end())
      registerWindowDestructionObservers(pid, it->second);
    if (auto number = accessibility_.windowNumber(element); number.ok())
      recentlyDestroyedWindowNumbers_.erase(static_cast<int64_t>(number.windowNumber));
    // A new window often gets its title and size a moment after it appears.
    std::weak_ptr<AppTracker> weak = weak_from_this();
    scheduler_.mainAfter(kWindowCreatedRefreshDelay, [weak] {
      auto tracker = weak.lock();
      if (tracker && tracker->isRunning_) tracker->refreshApps();
    });
    scheduleThrottledRefresh();
    windowsChanged.send(pid);
    return;
  }
  if (notification == ax::kWindowMovedNotification || notification == ax::kWindowResizedNotification) {
    scheduleMoveResizeRefresh();
    return;
  }
  scheduleThrottledRefresh();
}

void AppTracker::scheduleMoveResizeRefresh() {
  if (moveResizeWorkItem_) moveResizeWorkItem_->cancel();
  std::weak_ptr<AppTracker> weak = weak_from_this();
  moveResizeWorkItem_ = scheduler_.mainAfter(kMoveResizeDebounce, [weak] {
    auto tracker = weak.lock();
    if (!tracker || !tracker->isRunning_) return;
    tracker->moveResizeWorkItem_.reset();
    tracker->refreshApps();
  });
}

void AppTracker::handleTitleChanged(int32_t pid, const AXElement& element) {
  auto role = accessibility_.copyAttributeValue(element, ax::kRole);
  auto title = accessibility_.copyAttributeValue(element, ax::kTitle);
  bool isWindow =
      role.ok() && role.value && role.value->asString() && *role.value->asString() == ax::kWindowRole;
  const std::string* newTitle = title.ok() && title.value ? title.value->asString() : nullptr;
  auto number = accessibility_.windowNumber(element);
  if (!isWindow || !newTitle || newTitle->empty() || !number.ok()) {
    scheduleThrottledRefresh();
    return;
  }
  auto windowNumber = static_cast<int64_t>(number.windowNumber);

  const auto& entries = apps.get();
  auto it = std::find_if(entries.begin(), entries.end(), [&](const TrackedAppPtr& entry) {
    return entry->pid == pid && (!entry->windowNumber || *entry->windowNumber == windowNumber);
  });
  if (it == entries.end()) {
    scheduleThrottledRefresh();
    return;
  }
  TrackedAppPtr entry = *it;
  if (entry->windowNumber) {
    if (entry->windowTitle.get() == *newTitle) return;
    entry->windowTitle = *newTitle;
    entry->titleFreshFromFastPath = true;
  } else if (entry->windowTitle.get() != *newTitle) {
    // With windows grouped, the application's entry shows the title of whichever window changed.
    entry->windowTitle = *newTitle;
    entry->titleFreshFromFastPath = true;
  }

  if (auto known = lastKnownWindows_.find(pid); known != lastKnownWindows_.end()) {
    const auto& windows = *known->second;
    auto cached = std::find_if(windows.begin(), windows.end(), [windowNumber](const auto& window) {
      return window.windowNumber == windowNumber;
    });
    if (cached != windows.end()) {
      auto updated = std::make_shared<std::vector<CachedWindowInfo>>(windows);
      (*updated)[static_cast<size_t>(cached - windows.begin())].title = *newTitle;
      known->second = std::move(updated);
    }
  }
}

void AppTracker::handleSpecificWindowDestroyed(int32_t pid, int64_t windowNumber) {
  bool grouped = groupsWindows();

  if (recentlyDestroyedWindowNumbers_.size() > kMaxRecentlyDestroyed)
    recentlyDestroyedWindowNumbers_.erase(recentlyDestroyedWindowNumbers_.begin());
  recentlyDestroyedWindowNumbers_.insert(windowNumber);
  std::weak_ptr<AppTracker> weak = weak_from_this();
  scheduler_.mainAfter(kRecentlyRemovedDuration, [weak, windowNumber] {
    if (auto tracker = weak.lock()) tracker->recentlyDestroyedWindowNumbers_.erase(windowNumber);
  });

  if (auto known = lastKnownWindows_.find(pid); known != lastKnownWindows_.end()) {
    auto remaining = std::make_shared<std::vector<CachedWindowInfo>>(*known->second);
    std::erase_if(*remaining,
                  [windowNumber](const auto& cached) { return cached.windowNumber == windowNumber; });
    known->second = std::move(remaining);
  }

  if (!grouped) {
    auto isDestroyed = [pid, windowNumber](const TrackedAppPtr& entry) {
      return entry->pid == pid && entry->windowNumber && *entry->windowNumber == windowNumber;
    };
    const auto& entries = apps.get();
    auto first = std::find_if(entries.begin(), entries.end(), isDestroyed);
    bool wasActive = first != entries.end() && (*first)->isActive.get();
    // The removal is one publication, whether or not the window had an entry.
    std::vector<TrackedAppPtr> remaining;
    remaining.reserve(entries.size());
    for (const auto& entry : entries)
      if (!isDestroyed(entry)) remaining.push_back(entry);
    apps = std::move(remaining);
    if (wasActive) {
      // The application's next window comes to the front when its active one closes.
      auto remainingEntries = apps.get();
      for (const auto& entry : remainingEntries) {
        if (entry->pid != pid) continue;
        if (!entry->isActive.get()) entry->isActive = true;
        break;
      }
    }
  }

  scheduleCoalescedRefresh();
  windowsChanged.send(pid);
}

}  // namespace pelko
