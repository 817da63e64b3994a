// Full screen, Mission Control and putting windows back: the screen-space manager's duties
// beyond the overlap checks.
#include <algorithm>

#include "foundation/DebugLog.h"
#include "platform/ProcessExistence.h"
#include "platform/Workspace.h"
#include "screens/ScreenSpaceManager.h"
#include "settings/SettingsManager.h"
#include "tracking/AccessibilityHelper.h"

namespace pelko {

using platform::AXElement;
using platform::AXError;
namespace ax = platform::ax;

namespace {
constexpr double kFullscreenTolerance = 2;
constexpr double kOverlaySide = 200;
constexpr double kFadeIn = 0.15;
constexpr double kRescanDelay = 0.1;
}  // namespace

// ---- Full screen ----

bool ScreenSpaceManager::isAppFullscreenOnDisplay(int32_t pid, const Rect& displayBounds) {
  if (isAXDisabled(pid)) return false;
  const OwnerWindows owner = readOwnerWindows(pid);
  if (owner.error == AXError::cannotComplete) shared_.axTimedOutPIDs[pid] = deps_.scheduler.now();
  for (const AXElement& window : owner.windows) {
    auto fullScreen = accessibility_.copyAttributeValue(window, ax::kFullScreen);
    if (!fullScreen.ok() || !fullScreen.value || !fullScreen.value->isTrue()) continue;
    auto position = deps_.accessibilityHelper.axPosition(window);
    if (!position || displayBounds.contains(*position)) return true;
  }
  return false;
}

void ScreenSpaceManager::checkFullscreen() {
  if (!panel_) return;
  if (!isTrusted()) {
    // Without trust nothing can be told about other windows; a bar hidden for full screen must not stay
    // out until trust comes back.
    if (isHiddenForFullscreen_) {
      isHiddenForFullscreen_ = false;
      showPanelAfterFullscreen();
    }
    return;
  }
  const Rect displayBounds = deps_.windowServer.displayBounds(screen_.displayID);
  bool fullscreen = false;
  auto front = deps_.workspace.frontmostApplication();
  const int32_t own = deps_.accessibilityHelper.ownPID();
  if (front && front->processIdentifier() != own)
    fullscreen = isAppFullscreenOnDisplay(front->processIdentifier(), displayBounds);
  if (!fullscreen && screen_.displayID != 0) {
    if (auto list = copyWindowList()) {
      fullscreen = std::any_of(list->begin(), list->end(), [&](const platform::WindowListRow& row) {
        if (!row.ownerPID || *row.ownerPID == own || row.layer != int64_t{0} || !row.bounds) return false;
        const Rect& b = *row.bounds;
        return std::abs(b.origin.x - displayBounds.origin.x) <= kFullscreenTolerance &&
               std::abs(b.origin.y - displayBounds.origin.y) <= kFullscreenTolerance &&
               std::abs(b.size.width - displayBounds.size.width) <= kFullscreenTolerance &&
               std::abs(b.size.height - displayBounds.size.height) <= kFullscreenTolerance;
      });
    }
  }
  const bool changed = fullscreen != isFullscreenActive_;
  isFullscreenActive_ = fullscreen;
  if (settingsManager_->hideInFullscreen.get() && fullscreen) {
    if (!isHiddenForFullscreen_) {
      isHiddenForFullscreen_ = true;
      panel_->setCollectionBehavior(collection_behavior::kStationary | collection_behavior::kIgnoresCycle);
      panel_->orderOut();
      // An auto-hidden bar's trigger zone and peek strip go with it.
      if (autoHideManager_) autoHideManager_->repositionTriggerZone();
    }
  } else if (isHiddenForFullscreen_) {
    isHiddenForFullscreen_ = false;
    showPanelAfterFullscreen();
  }
  // Told last: leaving full screen reveals an auto-hidden bar, which a bar still marked as hidden for
  // full screen would refuse.
  if (changed && autoHideManager_) autoHideManager_->fullscreenStateChanged(fullscreen);
}

void ScreenSpaceManager::showPanelAfterFullscreen() {
  if (!panel_) return;
  if (autoHideManager_ && autoHideManager_->isTaskbarHidden()) {
    // The bar stays hidden by auto-hide; its trigger zone and peek strip come back.
    autoHideManager_->repositionTriggerZone();
    return;
  }
  panel_->setCollectionBehavior(collection_behavior::kTaskbar);
  panel_->setWindowOpacity(0);
  panel_->orderFront();
  QPointer<TaskbarPanel> panel = panel_;
  animator_.animate({0, 1, kFadeIn, Easing::easeOut, false}, [panel](double alpha) {
    if (panel) panel->setWindowOpacity(alpha);
  });
  if (autoHideManager_) autoHideManager_->resetHideTimer();
}

// ---- Mission Control ----

bool ScreenSpaceManager::detectMissionControlViaOverlays(
    const std::optional<std::vector<platform::WindowListRow>>& windowList) {
  int32_t& dock = shared_.cachedDockPID;
  const bool cachedAlive =
      dock >= 1 && (!deps_.processExistence || deps_.processExistence->processExists(dock));
  if (!cachedAlive) {
    dock = -1;
    for (const auto& app : deps_.workspace.runningApplications())
      if (app->bundleIdentifier() == std::optional<std::string>(kDockBundleID)) {
        dock = app->processIdentifier();
        break;
      }
    if (dock < 1) return false;
  }
  std::optional<std::vector<platform::WindowListRow>> copied;
  const auto* list = windowList ? &*windowList : nullptr;
  if (!list) {
    copied = copyWindowList();
    if (!copied) return false;
    list = &*copied;
  }
  return std::any_of(list->begin(), list->end(), [dock](const platform::WindowListRow& row) {
    return row.ownerPID == dock && row.layer == int64_t{0} && (!row.name || row.name->empty()) &&
           row.bounds && row.bounds->width() >= kOverlaySide && row.bounds->height() >= kOverlaySide;
  });
}

void ScreenSpaceManager::onMissionControlEnter() {
  debugLog("SSM: onMissionControlEnter()");
  removeAllAppObservers();
  if (debouncedCheckWorkItem_) std::exchange(debouncedCheckWorkItem_, nullptr)->cancel();
  debouncedElement_.reset();
  stopDodgeCheckTimer();
  frontmostPID_.reset();
  const double now = deps_.scheduler.now();
  shared_.mcLastDetectedTime = now;
  shared_.postMCResumeTime = now;
}

// ---- Showing, putting back, re-placing ----

void ScreenSpaceManager::onTaskbarShown() {
  debugLog("SSM: onTaskbarShown() - clearing caches, running immediate check");
  alreadyResizedWindows_.clear();
  windowResizeCounts_.clear();
  shared_.postMCResumeTime.reset();
  shared_.mcLastDetectedTime.reset();
  deps_.scheduler.mainAfter(kRescanDelay, lifetime_.guard([this] { fallbackCheck(); }));
}

void ScreenSpaceManager::restoreResizedWindows() {
  debugLog("SSM: restoreResizedWindows() - restoring " + std::to_string(resizedWindowInfo_.size()) +
           " windows");
  // Without trust nothing can be moved: the records wait for trust to return.
  if (!isTrusted()) return;
  // Frames are absolute: when the display moved (the main display went away, say) the window follows its
  // display, and stays inside it.
  const Rect display = deps_.windowServer.displayBounds(screen_.displayID);
  for (const auto& [wn, info] : resizedWindowInfo_) {
    if (display.isEmpty()) {
      debugLog("SSM: restoreResizedWindows skipping wn=" + std::to_string(wn) + " (display gone)");
      continue;
    }
    Rect target = info.originalBounds;
    target.origin.x += display.origin.x - info.displayBounds.origin.x;
    target.origin.y += display.origin.y - info.displayBounds.origin.y;
    // A window may hang over its display's edge, as it did before; only one that would lose its title
    // bar off the display is pulled back into it.
    if (!display.contains(target.origin)) {
      target.size.width = std::min(target.size.width, display.width());
      target.size.height = std::min(target.size.height, display.height());
      target.origin.x = std::clamp(target.origin.x, display.minX(), display.maxX() - target.size.width);
      target.origin.y = std::clamp(target.origin.y, display.minY(), display.maxY() - target.size.height);
    }

    OwnerWindows owner = readOwnerWindows(info.pid);
    if (owner.error != AXError::success) continue;
    auto window = findWindow(owner, wn);
    if (!window) continue;
    const std::string number = std::to_string(wn);
    if (AXError error = accessibility_.setAttributeValue(*window, ax::kPosition, target.origin);
        error != AXError::success)
      debugLog("SSM: restoreResizedWindows failed to set position for wn=" + number + " (error " +
               std::to_string(platform::code(error)) + ")");
    if (AXError error = accessibility_.setAttributeValue(*window, ax::kSize, target.size);
        error != AXError::success)
      debugLog("SSM: restoreResizedWindows failed to set size for wn=" + number + " (error " +
               std::to_string(platform::code(error)) + ")");
  }
  resizedWindowInfo_.clear();
  alreadyResizedWindows_.clear();
}

void ScreenSpaceManager::repositionPanel() {
  if ((autoHideManager_ && autoHideManager_->isTaskbarHidden()) || !panel_) return;
  debugLog("SSM: repositionPanel() - restoring " + std::to_string(resizedWindowInfo_.size()) +
           " windows before reposition");
  restoreResizedWindows();
  const SettingsManager& s = *settingsManager_;
  const TaskbarPosition position = s.position.get();
  const double t = s.barThickness(), mH = s.marginHorizontal.get(), mV = s.marginVertical.get();
  if (!s.floatingBar.get()) {
    panel_->updatePosition(position, t, screen_, mH, mV);
    panel_->syncContentViewFrame();
    return;
  }
  double w = panel_->frame().width(), h = panel_->frame().height();
  const bool horizontal = position == TaskbarPosition::bottom || position == TaskbarPosition::top;
  if ((horizontal && h >= w) || (!horizontal && w > h)) {
    const Rect fitted = TaskbarPanel::frameForPosition(position, t, screen_, mH, mV);
    w = fitted.width();
    h = fitted.height();
  }
  const Rect& S = screen_.frame;
  const Rect& V = screen_.visibleFrame;
  Rect frame;
  switch (position) {
    case TaskbarPosition::bottom:
      frame = Rect(S.midX() - w / 2, S.minY() + mV, w, t);
      break;
    case TaskbarPosition::top:
      frame = Rect(S.midX() - w / 2, V.maxY() - t - mV, w, t);
      break;
    case TaskbarPosition::left:
      frame = Rect(V.minX() + mH, S.midY() - h / 2, t, h);
      break;
    case TaskbarPosition::right:
      frame = Rect(V.maxX() - t - mH, S.midY() - h / 2, t, h);
      break;
  }
  if (frame.minX() < S.minX()) frame.origin.x = S.minX();
  if (frame.maxX() > S.maxX()) frame.origin.x = S.maxX() - frame.width();
  if (frame.minY() < S.minY()) frame.origin.y = S.minY();
  if (frame.maxY() > S.maxY()) frame.origin.y = S.maxY() - frame.height();
  panel_->setFrame(frame);
  panel_->syncContentViewFrame();
}

}  // namespace pelko
