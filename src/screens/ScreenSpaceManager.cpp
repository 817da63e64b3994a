#include "screens/ScreenSpaceManager.h"

#include <utility>

#include "foundation/DebugLog.h"
#include "platform/DistributedNotifications.h"
#include "platform/ProcessExistence.h"
#include "platform/Workspace.h"
#include "settings/SettingsManager.h"
#include "tracking/AccessibilityHelper.h"
#include "tracking/WindowManager.h"

namespace pelko {

using platform::AXElement;
using platform::AXError;
using platform::WorkspaceNotificationName;
namespace ax = platform::ax;

namespace {
constexpr const char* kWillShowSpaces = "com.apple.spaces.willShowSpaces";
constexpr float kAXTimeout = 0.3f;
constexpr double kFallbackInterval = 1.0;
constexpr double kFallbackTolerance = 0.3;
constexpr double kWakeCooldown = 2.0;
}  // namespace

ScreenSpaceManager::ScreenSpaceManager(TaskbarPanel* panel, std::shared_ptr<SettingsManager> settingsManager,
                                       std::shared_ptr<WindowManager> windowManager,
                                       platform::ScreenInfo screen, ScreenSpaceSharedState& shared,
                                       const Dependencies& dependencies)
    : panel_(panel),
      settingsManager_(std::move(settingsManager)),
      windowManager_(std::move(windowManager)),
      screen_(std::move(screen)),
      shared_(shared),
      deps_(dependencies),
      accessibility_(dependencies.accessibilityHelper.accessibility()),
      animator_(dependencies.scheduler) {}

ScreenSpaceManager::~ScreenSpaceManager() {
  stopMonitoring();
}

// ---- Start and stop ----

void ScreenSpaceManager::startMonitoring() {
  Scheduler& scheduler = deps_.scheduler;
  auto notifications = [&](WorkspaceNotificationName name) {
    return deps_.workspace.notifications(name).receiveOnMain(scheduler);
  };
  notifications(WorkspaceNotificationName::didActivateApplication)
      .sink(lifetime_.guard(
          [this](const platform::WorkspaceNotification& n) { onFrontmostAppChanged(n.application); }))
      .store(registrations_);
  if (deps_.distributedNotifications) {
    deps_.distributedNotifications->notifications(kWillShowSpaces)
        .receiveOnMain(scheduler)
        .sink(lifetime_.guard([this](const platform::DistributedNotification&) {
          debugLog("SSM: willShowSpaces distributed notification fired");
          onMissionControlEnter();
        }))
        .store(registrations_);
  }
  notifications(WorkspaceNotificationName::screensDidWake)
      .sink(lifetime_.guard([this](const platform::WorkspaceNotification&) {
        debugLog("SSM: screen wake detected, setting post-wake cooldown");
        shared_.postWakeResumeTime = deps_.scheduler.now() + kWakeCooldown;
      }))
      .store(registrations_);

  fallbackTimer_ = scheduler.scheduleRepeating(kFallbackInterval, kFallbackTolerance,
                                               lifetime_.guard([this] { fallbackCheck(); }));

  installObserversForRegularApps();

  notifications(WorkspaceNotificationName::didLaunchApplication)
      .sink(lifetime_.guard([this](const platform::WorkspaceNotification& n) {
        if (!n.application) return;
        if (n.application->activationPolicy() != platform::ActivationPolicy::regular) return;
        if (n.application->bundleIdentifier() == std::optional<std::string>(kDockBundleID)) return;
        installAppObserver(n.application->processIdentifier());
      }))
      .store(registrations_);
  notifications(WorkspaceNotificationName::didTerminateApplication)
      .sink(lifetime_.guard([this](const platform::WorkspaceNotification& n) {
        if (!n.application) return;
        const int32_t pid = n.application->processIdentifier();
        removeAppObserver(pid);
        shared_.axDisabledPIDs.erase(pid);
        shared_.axTimedOutPIDs.erase(pid);
        shared_.pidBundleIDCache.erase(pid);
      }))
      .store(registrations_);

  if (auto front = deps_.workspace.frontmostApplication();
      front && front->bundleIdentifier() != std::optional<std::string>(kDockBundleID)) {
    frontmostPID_ = front->processIdentifier();
    scheduleDebouncedCheck(0.3);
  }
}

void ScreenSpaceManager::stopMonitoring() {
  registrations_.clear();
  if (fallbackTimer_) std::exchange(fallbackTimer_, nullptr)->invalidate();
  stopDodgeCheckTimer();
  removeAllAppObservers();
  if (debouncedCheckWorkItem_) std::exchange(debouncedCheckWorkItem_, nullptr)->cancel();
  debouncedElement_.reset();
  alreadyResizedWindows_.clear();
  resizedWindowInfo_.clear();
  windowResizeCounts_.clear();
}

// ---- Following the frontmost application ----

void ScreenSpaceManager::onFrontmostAppChanged(const platform::RunningApplicationPtr& app) {
  if (!app) return;
  const int32_t pid = app->processIdentifier();
  const auto bundle = app->bundleIdentifier();
  debugLog("SSM: onFrontmostAppChanged -> " + app->localizedName().value_or("?") + " (" +
           bundle.value_or("?") + ") pid=" + std::to_string(pid));
  if (bundle == std::optional<std::string>(kDockBundleID)) {
    debugLog("SSM: Dock became frontmost (MC/Expose)");
    onMissionControlEnter();
    return;
  }
  if (!frontmostPID_) {
    shared_.postMCResumeTime = deps_.scheduler.now();
    debugLog("SSM: MC exit detected, post-MC cooldown started, reinstalling observers");
    installObserversForRegularApps();
  }
  frontmostPID_ = pid;
  installAppObserver(pid);
  scheduleDebouncedCheck(0.05);
}

void ScreenSpaceManager::installObserversForRegularApps() {
  const int32_t own = deps_.accessibilityHelper.ownPID();
  for (const auto& app : deps_.workspace.runningApplications()) {
    if (app->activationPolicy() != platform::ActivationPolicy::regular) continue;
    if (app->processIdentifier() == own) continue;
    if (app->bundleIdentifier() == std::optional<std::string>(kDockBundleID)) continue;
    installAppObserver(app->processIdentifier());
  }
}

// ---- Observers ----

void ScreenSpaceManager::installAppObserver(int32_t pid) {
  if (appObservers_.count(pid) || isAXDisabled(pid)) return;
  if (auto bundle = bundleID(pid); bundle && shared_.isExcluded(*bundle)) return;
  auto created = accessibility_.createObserver(
      pid, lifetime_.guard([this](const AXElement& element, const std::string& notification) {
        axObserverCallback(element, notification);
      }));
  if (!created.ok() || !created.observer) return;
  platform::AXObserverPtr observer = created.observer;
  const AXElement app = appElement(pid);
  (void)observer->addNotification(app, ax::kWindowCreatedNotification);
  (void)observer->addNotification(app, ax::kFocusedWindowChangedNotification);
  auto windows = accessibility_.copyAttributeValue(app, ax::kWindows);
  if (windows.ok()) {
    if (windows.value && windows.value->asElements())
      for (const AXElement& window : *windows.value->asElements()) {
        (void)observer->addNotification(window, ax::kWindowMovedNotification);
        (void)observer->addNotification(window, ax::kWindowResizedNotification);
      }
  } else if (windows.error == AXError::cannotComplete) {
    shared_.axTimedOutPIDs[pid] = deps_.scheduler.now();
  } else if (windows.error == AXError::apiDisabled) {
    shared_.axDisabledPIDs[pid] = deps_.scheduler.now();
    return;
  }
  observer->addToMainRunLoop();
  appObservers_[pid] = std::move(observer);
}

void ScreenSpaceManager::removeAppObserver(int32_t pid) {
  auto it = appObservers_.find(pid);
  if (it == appObservers_.end()) return;
  it->second->removeFromMainRunLoop();
  appObservers_.erase(it);
}

void ScreenSpaceManager::removeAllAppObservers() {
  for (auto& [pid, observer] : appObservers_) observer->removeFromMainRunLoop();
  appObservers_.clear();
  frontmostPID_.reset();
}

void ScreenSpaceManager::removeBlacklistedObservers() {
  std::vector<int32_t> excluded;
  for (const auto& [pid, observer] : appObservers_)
    if (auto bundle = bundleID(pid); bundle && shared_.isExcluded(*bundle)) excluded.push_back(pid);
  for (int32_t pid : excluded) removeAppObserver(pid);
}

void ScreenSpaceManager::axObserverCallback(const AXElement& element, const std::string& notification) {
  const bool created = notification == ax::kWindowCreatedNotification;
  const bool focusChanged = notification == ax::kFocusedWindowChangedNotification;
  if (created || focusChanged) {
    auto role = accessibility_.copyAttributeValue(element, ax::kRole);
    const bool isWindow =
        role.ok() && role.value && role.value->asString() && *role.value->asString() == ax::kWindowRole;
    if (isWindow) {
      registerWindowNotifications(element);
      checkWindowElement(element);
      return;
    }
    auto window = focusChanged ? registerFocusedWindowNotifications(element.pid())
                               : focusedWindowElement(element.pid());
    if (window) checkWindowElement(*window);
    return;
  }
  if (notification == ax::kWindowMovedNotification || notification == ax::kWindowResizedNotification) {
    scheduleDebouncedElementCheck(element, 0.12);
    return;
  }
  checkWindowElement(element);
}

void ScreenSpaceManager::registerWindowNotifications(const AXElement& window) {
  auto it = appObservers_.find(window.pid());
  if (it == appObservers_.end()) return;
  (void)it->second->addNotification(window, ax::kWindowMovedNotification);
  (void)it->second->addNotification(window, ax::kWindowResizedNotification);
}

std::optional<AXElement> ScreenSpaceManager::registerFocusedWindowNotifications(int32_t pid) {
  if (!appObservers_.count(pid)) return std::nullopt;
  auto window = focusedWindowElement(pid);
  if (window) registerWindowNotifications(*window);
  return window;
}

AXElement ScreenSpaceManager::appElement(int32_t pid) const {
  return deps_.accessibilityHelper.appElement(pid, kAXTimeout);
}

std::optional<AXElement> ScreenSpaceManager::focusedWindowElement(int32_t pid) {
  auto result = accessibility_.copyAttributeValue(appElement(pid), ax::kFocusedWindow);
  if (!result.ok() || !result.value || !result.value->asElement()) return std::nullopt;
  return *result.value->asElement();
}

// ---- Debouncing ----

void ScreenSpaceManager::scheduleDebouncedCheck(double delay) {
  if (debouncedCheckWorkItem_) debouncedCheckWorkItem_->cancel();
  debouncedCheckWorkItem_ =
      deps_.scheduler.mainAfter(delay, lifetime_.guard([this] { checkFrontmostWindow(); }));
}

void ScreenSpaceManager::scheduleDebouncedElementCheck(const AXElement& element, double delay) {
  debouncedElement_ = element;
  if (debouncedCheckWorkItem_) debouncedCheckWorkItem_->cancel();
  debouncedCheckWorkItem_ = deps_.scheduler.mainAfter(delay, lifetime_.guard([this] {
    auto element = std::exchange(debouncedElement_, std::nullopt);
    if (element) checkWindowElement(*element);
  }));
}

// ---- Shared look-ups ----

std::optional<std::string> ScreenSpaceManager::bundleID(int32_t pid) {
  if (auto it = shared_.pidBundleIDCache.find(pid); it != shared_.pidBundleIDCache.end()) return it->second;
  auto app = deps_.workspace.runningApplication(pid);
  if (!app) return std::nullopt;
  auto bundle = app->bundleIdentifier();
  if (bundle) shared_.pidBundleIDCache[pid] = *bundle;
  return bundle;
}

bool ScreenSpaceManager::isExcludedPID(int32_t pid) {
  auto bundle = bundleID(pid);
  return bundle && shared_.isExcluded(*bundle);
}

bool ScreenSpaceManager::isAXDisabled(int32_t pid) {
  const double now = deps_.scheduler.now();
  if (auto it = shared_.axDisabledPIDs.find(pid); it != shared_.axDisabledPIDs.end()) {
    if (now - it->second >= 10.0)
      shared_.axDisabledPIDs.erase(it);
    else
      return true;
  }
  if (auto it = shared_.axTimedOutPIDs.find(pid); it != shared_.axTimedOutPIDs.end()) {
    if (now - it->second >= 15.0) {
      shared_.axTimedOutPIDs.erase(it);
      return false;
    }
    return true;
  }
  return false;
}

void ScreenSpaceManager::ageFailureLists() {
  const double now = deps_.scheduler.now();
  auto age = [&](std::map<int32_t, double>& list, double retry) {
    for (auto it = list.begin(); it != list.end();) {
      const bool gone = deps_.processExistence && !deps_.processExistence->processExists(it->first);
      it = (now - it->second >= retry || gone) ? list.erase(it) : std::next(it);
    }
  };
  age(shared_.axDisabledPIDs, 10.0);
  age(shared_.axTimedOutPIDs, 15.0);
}

bool ScreenSpaceManager::isTrusted() const {
  return deps_.accessibilityHelper.isTrusted();
}

std::optional<std::vector<platform::WindowListRow>> ScreenSpaceManager::copyWindowList() const {
  return deps_.windowServer.copyWindowListRows(
      platform::kWindowListOptionOnScreenOnly | platform::kWindowListExcludeDesktopElements,
      platform::kNullWindowID);
}

std::optional<int64_t> ScreenSpaceManager::windowNumberOf(const AXElement& element) const {
  auto result = accessibility_.windowNumber(element);
  if (!result.ok()) return std::nullopt;
  return static_cast<int64_t>(result.windowNumber);
}

ScreenSpaceManager::OwnerWindows ScreenSpaceManager::readOwnerWindows(int32_t pid) const {
  OwnerWindows owner;
  auto result = accessibility_.copyAttributeValue(appElement(pid), ax::kWindows);
  owner.error = result.error;
  if (!result.ok()) return owner;
  if (!result.value || !result.value->asElements()) {
    owner.error = AXError::noValue;
    return owner;
  }
  owner.windows = *result.value->asElements();
  owner.numbers.resize(owner.windows.size());
  return owner;
}

std::optional<AXElement> ScreenSpaceManager::findWindow(OwnerWindows& owner, int64_t windowNumber) const {
  for (size_t i = 0; i < owner.numbered; ++i)
    if (owner.numbers[i] == windowNumber) return owner.windows[i];
  while (owner.numbered < owner.windows.size()) {
    const size_t i = owner.numbered++;
    owner.numbers[i] = windowNumberOf(owner.windows[i]);
    if (owner.numbers[i] == windowNumber) return owner.windows[i];
  }
  return std::nullopt;
}

}  // namespace pelko
