// The overlap checks of the screen-space manager: the skip gate, the back-off, the element and
// frontmost checks, the once-a-second scan and the pass over the frontmost application's other windows.
#include <set>
#include <sstream>
#include <unordered_map>

#include "foundation/DebugLog.h"
#include "platform/Workspace.h"
#include "screens/ScreenSpaceManager.h"
#include "settings/SettingsManager.h"
#include "tracking/AccessibilityHelper.h"
#include "tracking/WindowManager.h"

namespace pelko {

using platform::AXElement;
using platform::AXError;
namespace ax = platform::ax;

namespace {
constexpr double kMinimumWindowSide = 150;
constexpr double kBackOffWindow = 30.0;
constexpr int kMaximumResizes = 4;
constexpr double kMissionControlCooldown = 2.0;
constexpr double kFallbackMissionControlCooldown = 5.0;

std::string text(const Rect& r) {
  std::ostringstream out;
  out << "(" << r.origin.x << ", " << r.origin.y << ", " << r.size.width << ", " << r.size.height << ")";
  return out.str();
}

bool largeEnough(const Rect& r) {
  return r.width() >= kMinimumWindowSide && r.height() >= kMinimumWindowSide;
}

// A window only touching the bar within 5 pt vertically does not count.
bool overlapsBeyondTolerance(const Rect& bounds, const Rect& bar) {
  const Rect inset = bounds.insetBy(0, 5);
  return inset.size.height > 0 && inset.intersects(bar);
}
}  // namespace

// ---- Geometry ----

Rect ScreenSpaceManager::appKitRectToCG(const Rect& rect) const {
  double height = deps_.windowServer.displayBounds(deps_.windowServer.mainDisplayID()).height();
  if (!(height > 0)) {
    auto main = deps_.screens.mainScreen();
    height = main ? main->frame.height() : screen_.frame.height();
  }
  return Rect(rect.origin.x, height - rect.maxY(), rect.width(), rect.height());
}

Rect ScreenSpaceManager::widenedByWindowGap(Rect taskbar) const {
  // The gap is kept free on the side the windows are: above a bottom bar, beside a left one.
  const double gap = settingsManager_->windowGap.get();
  if (gap <= 0) return taskbar;
  switch (settingsManager_->position.get()) {
    case TaskbarPosition::bottom:
      taskbar.origin.y -= gap;
      taskbar.size.height += gap;
      break;
    case TaskbarPosition::top:
      taskbar.size.height += gap;
      break;
    case TaskbarPosition::left:
      taskbar.size.width += gap;
      break;
    case TaskbarPosition::right:
      taskbar.origin.x -= gap;
      taskbar.size.width += gap;
      break;
  }
  return taskbar;
}

std::optional<ScreenSpaceManager::TaskbarGeometry> ScreenSpaceManager::taskbarGeometry() const {
  if (!panel_ || screen_.displayID == 0) return std::nullopt;
  TaskbarGeometry geometry;
  geometry.displayBounds = deps_.windowServer.displayBounds(screen_.displayID);
  geometry.taskbarCG = appKitRectToCG(panel_->frame());
  geometry.barPosition = settingsManager_->position.get();
  geometry.effectiveTaskbarCG = widenedByWindowGap(geometry.taskbarCG);
  return geometry;
}

// ---- The gate and the back-off ----

bool ScreenSpaceManager::shouldSkipOverlapCheck(CheckContext context) {
  const SettingsManager& settings = *settingsManager_;
  const double now = deps_.scheduler.now();
  if (!settings.autoResizeWindows.get()) return true;
  if (isHiddenForFullscreen_) return true;
  if (autoHideManager_ && autoHideManager_->isTaskbarHidden()) return true;
  // Dodging needs the event checks even where nothing is resized; those checks stop before any resize.
  if (settings.autoHide.get() && !settings.autoHideResizeWindows.get() &&
      (context == CheckContext::fallback || !isDodgeMode()))
    return true;
  if (!panel_) return true;
  if (!isTrusted()) return true;
  if (shared_.postWakeResumeTime && now < *shared_.postWakeResumeTime) return true;
  if (shared_.mcLastDetectedTime && now - *shared_.mcLastDetectedTime < kMissionControlCooldown) return true;
  if (shared_.postMCResumeTime) {
    const double cooldown =
        context == CheckContext::fallback ? kFallbackMissionControlCooldown : kMissionControlCooldown;
    if (now - *shared_.postMCResumeTime < cooldown) return true;
    if (context == CheckContext::fallback) shared_.postMCResumeTime.reset();
  }
  if (auto front = deps_.workspace.frontmostApplication();
      front && front->bundleIdentifier() == std::optional<std::string>(kDockBundleID))
    return true;
  return false;
}

void ScreenSpaceManager::recordResize(int64_t windowNumber) {
  const double now = deps_.scheduler.now();
  auto it = windowResizeCounts_.find(windowNumber);
  if (it != windowResizeCounts_.end() && now - it->second.firstResizedAt < kBackOffWindow)
    ++it->second.count;
  else
    windowResizeCounts_[windowNumber] = {1, now};
}

bool ScreenSpaceManager::shouldBackOff(int64_t windowNumber) {
  auto it = windowResizeCounts_.find(windowNumber);
  if (it == windowResizeCounts_.end()) return false;
  if (deps_.scheduler.now() - it->second.firstResizedAt >= kBackOffWindow) {
    windowResizeCounts_.erase(it);
    alreadyResizedWindows_.erase(windowNumber);
    return false;
  }
  return it->second.count > kMaximumResizes;
}

// ---- The resize ----

void ScreenSpaceManager::resizeStep(const AXElement& window, int64_t windowNumber, const Rect& bounds,
                                    int32_t pid, const TaskbarGeometry& geometry, bool floating,
                                    const std::string& logLine) {
  if (!resizedWindowInfo_.count(windowNumber))
    resizedWindowInfo_[windowNumber] = {pid, bounds, geometry.displayBounds};
  debugLog(logLine);
  windowManager_->resizeWindowToAvoidTaskbar(window, bounds, geometry.effectiveTaskbarCG,
                                             geometry.barPosition, floating);
  recordResize(windowNumber);
  alreadyResizedWindows_[windowNumber] = deps_.accessibilityHelper.axBounds(window).value_or(bounds);
}

// ---- Element check ----

void ScreenSpaceManager::checkWindowElement(const AXElement& element) {
  if (isHiddenForDodging()) return dodgeCheckFromEvent(element);
  if (shouldSkipOverlapCheck(CheckContext::axEvent)) return;
  auto bounds = deps_.accessibilityHelper.axBounds(element);
  if (!bounds) return;
  auto geometry = taskbarGeometry();
  if (!geometry) return;
  if (!bounds->intersects(geometry->displayBounds) || !largeEnough(*bounds)) return;
  if (isExcludedPID(element.pid())) return;
  if (isDodgeMode()) {
    if (bounds->intersects(geometry->effectiveTaskbarCG)) hideTaskbarForDodging();
    return;
  }
  auto wn = windowNumberOf(element);
  if (!wn) return;
  if (!bounds->intersects(geometry->effectiveTaskbarCG)) {
    alreadyResizedWindows_.erase(*wn);
    return;
  }
  if (auto it = alreadyResizedWindows_.find(*wn); it != alreadyResizedWindows_.end() && it->second == *bounds)
    return;
  if (shouldBackOff(*wn)) return;
  resizeStep(element, *wn, *bounds, element.pid(), *geometry, false,
             "SSM: >>> RESIZE (event) wn=" + std::to_string(*wn) + " pid=" + std::to_string(element.pid()) +
                 " bounds=" + text(*bounds));
}

// ---- Frontmost check ----

void ScreenSpaceManager::checkFrontmostWindow() {
  if (isHiddenForDodging()) return dodgeCheckFrontmost();
  if (shouldSkipOverlapCheck(CheckContext::frontmost)) return;
  auto windowList = copyWindowList();
  if (detectMissionControlViaOverlays(windowList)) {
    debugLog("SSM: checkFrontmostWindow BAIL: MC overlays detected");
    onMissionControlEnter();
    return;
  }
  auto front = deps_.workspace.frontmostApplication();
  if (!front) return;
  const int32_t pid = front->processIdentifier();
  if (pid == deps_.accessibilityHelper.ownPID() || isAXDisabled(pid)) return;
  if (isExcludedPID(pid)) return;
  debugLog("SSM: checkFrontmostWindow checking pid=" + std::to_string(pid) + " (" +
           front->localizedName().value_or("?") + ")");
  auto focused = accessibility_.copyAttributeValue(appElement(pid), ax::kFocusedWindow);
  if (focused.error == AXError::cannotComplete) {
    shared_.axTimedOutPIDs[pid] = deps_.scheduler.now();
    return;
  }
  if (focused.error == AXError::apiDisabled) {
    shared_.axDisabledPIDs[pid] = deps_.scheduler.now();
    removeAppObserver(pid);
    return;
  }
  if (!focused.ok() || !focused.value || !focused.value->asElement()) return;
  const AXElement window = *focused.value->asElement();
  auto wn = windowNumberOf(window);
  if (!wn) return;
  auto bounds = deps_.accessibilityHelper.axBounds(window);
  if (!bounds) return;
  auto geometry = taskbarGeometry();
  if (!geometry) return;
  if (!bounds->intersects(geometry->displayBounds) || !largeEnough(*bounds)) return;
  const std::string number = std::to_string(*wn);
  if (!bounds->intersects(geometry->effectiveTaskbarCG)) {
    debugLog("SSM: checkFrontmostWindow: wn=" + number + " not overlapping taskbar");
    alreadyResizedWindows_.erase(*wn);
    return;
  }
  if (isDodgeMode()) {
    debugLog("SSM: dodge mode - hiding taskbar due to overlap wn=" + number);
    return hideTaskbarForDodging();
  }
  if (auto it = alreadyResizedWindows_.find(*wn);
      it != alreadyResizedWindows_.end() && it->second == *bounds) {
    debugLog("SSM: checkFrontmostWindow: wn=" + number + " still at post-resize bounds (skip)");
  } else if (shouldBackOff(*wn)) {
    debugLog("SSM: checkFrontmostWindow: wn=" + number + " backed off (app fighting)");
  } else {
    resizeStep(window, *wn, *bounds, pid, *geometry, false,
               "SSM: >>> RESIZE frontmost wn=" + number + " pid=" + std::to_string(pid) +
                   " bounds=" + text(*bounds) + " taskbar=" + text(geometry->effectiveTaskbarCG));
  }
  checkSiblingWindows(pid, *wn, *geometry, std::move(windowList));
}

// ---- Sibling pass ----

void ScreenSpaceManager::checkSiblingWindows(int32_t pid, int64_t focusedWindowNumber,
                                             const TaskbarGeometry& geometry,
                                             std::optional<std::vector<platform::WindowListRow>> windowList) {
  if (!windowList) windowList = copyWindowList();
  if (!windowList) return;
  std::set<int64_t> candidates;
  for (const auto& row : *windowList) {
    if (row.ownerPID != pid || !row.number || !row.layer || !row.bounds) continue;
    if (*row.number == focusedWindowNumber || (*row.layer != 0 && *row.layer != 3)) continue;
    const Rect& bounds = *row.bounds;
    if (!bounds.intersects(geometry.displayBounds) || !largeEnough(bounds)) continue;
    if (!overlapsBeyondTolerance(bounds, geometry.effectiveTaskbarCG)) continue;
    if (shouldBackOff(*row.number)) continue;
    candidates.insert(*row.number);
  }
  if (candidates.empty()) return;
  OwnerWindows owner = readOwnerWindows(pid);
  if (owner.error != AXError::success) return;
  for (size_t i = 0; i < owner.windows.size(); ++i) {
    auto wn = windowNumberOf(owner.windows[i]);
    if (!wn || !candidates.count(*wn)) continue;
    auto bounds = deps_.accessibilityHelper.axBounds(owner.windows[i]);
    if (!bounds) continue;
    if (!bounds->intersects(geometry.effectiveTaskbarCG)) {
      alreadyResizedWindows_[*wn] = *bounds;
      continue;
    }
    resizeStep(owner.windows[i], *wn, *bounds, pid, geometry, false,
               "SSM: >>> RESIZE sibling wn=" + std::to_string(*wn) + " pid=" + std::to_string(pid));
  }
}

// ---- The once-a-second scan ----

void ScreenSpaceManager::fallbackCheck() {
  debugLog("SSM: fallbackCheck() called");
  if (shouldSkipOverlapCheck(CheckContext::fallback) || !panel_) return;
  auto windowList = copyWindowList();
  if (!windowList) return;
  if (detectMissionControlViaOverlays(windowList)) {
    debugLog("SSM: fallbackCheck BAIL: MC overlays detected");
    onMissionControlEnter();
    return;
  }
  auto geometry = taskbarGeometry();
  if (!geometry) return;
  const std::optional<platform::WindowID> panelNumber = panel_->windowNumber();
  const int32_t own = deps_.accessibilityHelper.ownPID();
  std::set<int64_t> seen;
  // Each owner's Accessibility windows are read once per scan, however many of its windows need them.
  std::unordered_map<int32_t, OwnerWindows> owners;

  for (const auto& row : *windowList) {
    if (!row.number || !row.layer || !row.ownerPID || !row.bounds) continue;
    const int64_t wn = *row.number;
    const int32_t pid = *row.ownerPID;
    if ((panelNumber && wn == static_cast<int64_t>(*panelNumber)) || (*row.layer != 0 && *row.layer != 3) ||
        pid == own)
      continue;
    seen.insert(wn);
    if (isExcludedPID(pid)) continue;
    const Rect& listed = *row.bounds;
    if (!listed.intersects(geometry->displayBounds) || !largeEnough(listed)) continue;
    if (!overlapsBeyondTolerance(listed, geometry->effectiveTaskbarCG)) continue;
    if (isAXDisabled(pid)) continue;

    auto found = owners.find(pid);
    if (found == owners.end()) found = owners.emplace(pid, readOwnerWindows(pid)).first;
    OwnerWindows& owner = found->second;
    if (owner.error == AXError::apiDisabled) {
      shared_.axDisabledPIDs[pid] = deps_.scheduler.now();
      removeAppObserver(pid);
      continue;
    }
    if (owner.error == AXError::cannotComplete) {
      shared_.axTimedOutPIDs[pid] = deps_.scheduler.now();
      continue;
    }
    if (owner.error != AXError::success) continue;
    auto window = findWindow(owner, wn);
    if (!window) continue;
    auto bounds = deps_.accessibilityHelper.axBounds(*window);
    if (!bounds) continue;
    if (!bounds->intersects(geometry->effectiveTaskbarCG)) {
      alreadyResizedWindows_.erase(wn);
      continue;
    }
    if (auto it = alreadyResizedWindows_.find(wn);
        it != alreadyResizedWindows_.end() && it->second == *bounds)
      continue;
    if (shouldBackOff(wn)) continue;
    resizeStep(*window, wn, *bounds, pid, *geometry, *row.layer != 0,
               "SSM: fallback resizing wn=" + std::to_string(wn) + " pid=" + std::to_string(pid));
  }

  auto forget = [&seen](auto& map) {
    for (auto it = map.begin(); it != map.end();) it = seen.count(it->first) ? std::next(it) : map.erase(it);
  };
  forget(alreadyResizedWindows_);
  forget(resizedWindowInfo_);
  forget(windowResizeCounts_);
  ageFailureLists();
}

}  // namespace pelko
