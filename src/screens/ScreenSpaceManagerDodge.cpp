// Dodge mode of the screen-space manager: instead of resizing a window that covers the bar, the bar is
// hidden, and it comes back once no window covers the place it would take. Events check the window they
// are about; a slow repeating check catches windows that went away without telling anyone.
#include "foundation/DebugLog.h"
#include "platform/Workspace.h"
#include "screens/ScreenSpaceManager.h"
#include "settings/SettingsManager.h"
#include "tracking/AccessibilityHelper.h"

namespace pelko {

namespace {
constexpr double kDodgeCheckInterval = 2.0;
constexpr double kDodgeCheckTolerance = 0.5;
constexpr double kMinimumWindowSide = 150;
constexpr float kAXTimeout = 0.3f;
constexpr const char* kDockBundleID = "com.apple.dock";

bool largeEnough(const Rect& r) {
  return r.width() >= kMinimumWindowSide && r.height() >= kMinimumWindowSide;
}
}  // namespace

bool ScreenSpaceManager::isDodgeMode() const {
  return settingsManager_->autoHide.get() && settingsManager_->autoHideDodgeWindows.get();
}

bool ScreenSpaceManager::isHiddenForDodging() const {
  return isDodgeMode() && autoHideManager_ && autoHideManager_->isTaskbarHidden() && !isHiddenForFullscreen_;
}

void ScreenSpaceManager::hideTaskbarForDodging() {
  if (autoHideManager_) autoHideManager_->hideTaskbar(true);
  ensureDodgeFallbackTimer();
}

std::optional<Rect> ScreenSpaceManager::expectedTaskbarCG() const {
  if (screen_.displayID == 0) {
    debugLog("ScreenSpaceManager: expectedTaskbarCG failed - screen number unavailable");
    return std::nullopt;
  }
  const SettingsManager& settings = *settingsManager_;
  // A floating bar fits its content, so only the panel knows its length; a docked one has a fixed place.
  const Rect frame =
      settings.floatingBar.get() && panel_
          ? panel_->frame()
          : TaskbarPanel::frameForPosition(settings.position.get(), settings.barThickness(), screen_,
                                           settings.marginHorizontal.get(), settings.marginVertical.get());
  return widenedByWindowGap(appKitRectToCG(frame));
}

bool ScreenSpaceManager::anyWindowOverlapsExpectedTaskbar(const Rect& expected) const {
  auto windowList = copyWindowList();
  if (!windowList) return false;
  // Without a display number nothing lies on this monitor, so a dodging bar comes back.
  const Rect display = screen_.displayID != 0 ? deps_.windowServer.displayBounds(screen_.displayID) : Rect();
  const int32_t own = deps_.accessibilityHelper.ownPID();
  for (const auto& row : *windowList) {
    if (!row.layer || !row.ownerPID || !row.bounds) continue;
    if ((*row.layer != 0 && *row.layer != 3) || *row.ownerPID == own) continue;
    const Rect& bounds = *row.bounds;
    if (largeEnough(bounds) && bounds.intersects(display) && bounds.intersects(expected)) return true;
  }
  return false;
}

void ScreenSpaceManager::dodgeCheckFromEvent(const platform::AXElement& element) {
  auto expected = expectedTaskbarCG();
  if (!expected) return;
  // The window the event is about still covers the bar: no need to look at the others.
  if (auto bounds = deps_.accessibilityHelper.axBounds(element);
      bounds && largeEnough(*bounds) && bounds->intersects(*expected)) {
    ensureDodgeFallbackTimer();
    return;
  }
  if (anyWindowOverlapsExpectedTaskbar(*expected)) {
    ensureDodgeFallbackTimer();
    return;
  }
  debugLog("SSM: dodge event check - no overlap, showing taskbar");
  stopDodgeCheckTimer();
  if (autoHideManager_) autoHideManager_->showTaskbar(true);
}

void ScreenSpaceManager::dodgeCheckFrontmost() {
  auto front = deps_.workspace.frontmostApplication();
  if (!front || front->bundleIdentifier() == std::optional<std::string>(kDockBundleID)) return;
  if (isExcludedPID(front->processIdentifier())) return;
  auto focused = accessibility_.copyAttributeValue(
      deps_.accessibilityHelper.appElement(front->processIdentifier(), kAXTimeout),
      platform::ax::kFocusedWindow);
  if (!focused.ok() || !focused.value || !focused.value->asElement()) return;
  dodgeCheckFromEvent(*focused.value->asElement());
}

void ScreenSpaceManager::ensureDodgeFallbackTimer() {
  if (dodgeCheckTimer_) return;
  dodgeCheckTimer_ = deps_.scheduler.scheduleRepeating(kDodgeCheckInterval, kDodgeCheckTolerance,
                                                       lifetime_.guard([this] { dodgeCheckTick(); }));
}

void ScreenSpaceManager::dodgeCheckTick() {
  if (!isDodgeMode() || !autoHideManager_) {
    stopDodgeCheckTimer();
    return;
  }
  if (!autoHideManager_->isTaskbarHidden()) {
    // The auto-hide manager puts a hide off while the pointer is on the bar or the bar has only just
    // come back, and in dodge mode no hide timer retries it: this check does, for as long as a window
    // covers the bar, so the bar goes once the pointer leaves it.
    auto expected = isHiddenForFullscreen_ ? std::nullopt : expectedTaskbarCG();
    if (expected && anyWindowOverlapsExpectedTaskbar(*expected))
      autoHideManager_->hideTaskbar(true);
    else
      stopDodgeCheckTimer();
    return;
  }
  if (isHiddenForFullscreen_) return;
  auto expected = expectedTaskbarCG();
  if (!expected || anyWindowOverlapsExpectedTaskbar(*expected)) return;
  debugLog("SSM: dodge check - no overlap, showing taskbar");
  stopDodgeCheckTimer();
  autoHideManager_->showTaskbar(true);
}

void ScreenSpaceManager::stopDodgeCheckTimer() {
  if (dodgeCheckTimer_) std::exchange(dodgeCheckTimer_, nullptr)->invalidate();
}

}  // namespace pelko
