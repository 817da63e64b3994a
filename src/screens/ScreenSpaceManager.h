#pragma once

#include <QPointer>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Cancellable.h"
#include "foundation/Geometry.h"
#include "foundation/OwnerLifetime.h"
#include "foundation/Scheduler.h"
#include "platform/AXElement.h"
#include "platform/Accessibility.h"
#include "platform/RunningApplication.h"
#include "platform/Screens.h"
#include "platform/WindowServer.h"
#include "screens/ScreenSpaceSharedState.h"
#include "screens/TaskbarAutoHide.h"
#include "settings/SettingEnumerations.h"
#include "taskbar/TaskbarPanel.h"
#include "ui/Animator.h"

namespace pelko {

class AccessibilityHelper;
class SettingsManager;
class WindowManager;

namespace platform {
class DistributedNotifications;
class ProcessExistence;
class Workspace;
}  // namespace platform

// Keeps other applications' windows out of one monitor's bar: it follows the frontmost application,
// launches and quits, Accessibility window events, screen wake and Mission Control, and scans every
// on-screen window once a second. A window overlapping the bar is shrunk or moved through Accessibility,
// left alone while it stays where it was put, or given up on for a while when it keeps fighting back.
// It also hides the bar while a full-screen window covers the monitor, pauses around Mission Control,
// puts resized windows back and re-places the panel. With auto-hide set to dodge windows, an overlapping
// window hides the bar instead of being resized. Main thread only.
class ScreenSpaceManager {
 public:
  struct Dependencies {
    Scheduler& scheduler;
    platform::Workspace& workspace;
    platform::WindowServer& windowServer;
    platform::Screens& screens;
    AccessibilityHelper& accessibilityHelper;
    // Where Mission Control announces itself; none: only the other two signs are watched.
    platform::DistributedNotifications* distributedNotifications = nullptr;
    // Whether a remembered process still runs; none: only time ages the failure lists.
    platform::ProcessExistence* processExistence = nullptr;
  };

  enum class CheckContext { axEvent, frontmost, fallback };

  // The bar geometry in window-server coordinates.
  struct TaskbarGeometry {
    Rect taskbarCG;
    // The area windows must stay out of: the bar widened by the window gap toward the screen's inside.
    Rect effectiveTaskbarCG;
    TaskbarPosition barPosition = TaskbarPosition::bottom;
    Rect displayBounds;
  };

  struct ResizeCount {
    int count = 0;
    double firstResizedAt = 0;
  };
  // Where a window was before its first resize, and the bounds of its display at that moment, so that
  // putting it back can follow the display when the arrangement changed meanwhile.
  struct ResizedWindow {
    int32_t pid = 0;
    Rect originalBounds;
    Rect displayBounds;
  };

  ScreenSpaceManager(TaskbarPanel* panel, std::shared_ptr<SettingsManager> settingsManager,
                     std::shared_ptr<WindowManager> windowManager, platform::ScreenInfo screen,
                     ScreenSpaceSharedState& shared, const Dependencies& dependencies);
  ~ScreenSpaceManager();
  ScreenSpaceManager(const ScreenSpaceManager&) = delete;
  ScreenSpaceManager& operator=(const ScreenSpaceManager&) = delete;

  // The monitor's auto-hide manager; may stay null.
  void setAutoHideManager(TaskbarAutoHide* autoHide) { autoHideManager_ = autoHide; }
  const platform::ScreenInfo& screen() const { return screen_; }
  // The monitor as it is now (its frame changes with the arrangement).
  void updateScreen(const platform::ScreenInfo& screen) { screen_ = screen; }

  void startMonitoring();
  // Stops everything; resized windows stay where they are.
  void stopMonitoring();
  // Drops the observers of applications that are excluded now.
  void removeBlacklistedObservers();

  void scheduleDebouncedCheck(double delay = 0.05);
  void scheduleDebouncedElementCheck(const platform::AXElement& element, double delay = 0.12);

  bool isHiddenForFullscreen() const { return isHiddenForFullscreen_; }
  bool isFullscreenActive() const { return isFullscreenActive_; }
  void checkFullscreen();
  void onMissionControlEnter();
  void onTaskbarShown();
  void restoreResizedWindows();
  void repositionPanel();

  // The checks, run by events and timers; callable directly.
  void checkWindowElement(const platform::AXElement& element);
  void checkFrontmostWindow();
  void fallbackCheck();
  bool shouldSkipOverlapCheck(CheckContext context);
  bool shouldBackOff(int64_t windowNumber);
  void recordResize(int64_t windowNumber);
  std::optional<TaskbarGeometry> taskbarGeometry() const;
  Rect appKitRectToCG(const Rect& rect) const;
  bool detectMissionControlViaOverlays(const std::optional<std::vector<platform::WindowListRow>>& windowList);
  bool isAppFullscreenOnDisplay(int32_t pid, const Rect& displayBounds);
  bool isAXDisabled(int32_t pid);

  // Dodge mode (auto-hide with window dodging): an overlapping window hides the bar, which comes back
  // once nothing covers the place it would take.
  void dodgeCheckFromEvent(const platform::AXElement& element);
  void ensureDodgeFallbackTimer();
  // `taskbar` (window-server coordinates) with the window gap added on the windows' side.
  Rect widenedByWindowGap(Rect taskbar) const;
  std::optional<Rect> expectedTaskbarCG() const;
  bool anyWindowOverlapsExpectedTaskbar(const Rect& expected) const;
  std::optional<std::string> bundleID(int32_t pid);

  // ---- Looking in (tests, diagnostics) ----
  const std::map<int64_t, ResizedWindow>& resizedWindowInfo() const { return resizedWindowInfo_; }
  bool hasObserver(int32_t pid) const { return appObservers_.count(pid) > 0; }
  std::optional<int32_t> frontmostPID() const { return frontmostPID_; }
  bool hasDodgeCheckTimer() const { return dodgeCheckTimer_ != nullptr; }

 private:
  static constexpr const char* kDockBundleID = "com.apple.dock";

  // One application's Accessibility windows with their numbers, read at most once per scan: numbers are
  // asked for in list order and only as far as a search needs.
  struct OwnerWindows {
    platform::AXError error = platform::AXError::success;
    std::vector<platform::AXElement> windows;
    std::vector<std::optional<int64_t>> numbers;
    size_t numbered = 0;
  };

  void onFrontmostAppChanged(const platform::RunningApplicationPtr& app);
  void installObserversForRegularApps();
  void installAppObserver(int32_t pid);
  void removeAppObserver(int32_t pid);
  void removeAllAppObservers();
  void axObserverCallback(const platform::AXElement& element, const std::string& notification);
  void registerWindowNotifications(const platform::AXElement& window);
  std::optional<platform::AXElement> registerFocusedWindowNotifications(int32_t pid);
  std::optional<platform::AXElement> focusedWindowElement(int32_t pid);
  // The application's Accessibility element, with the time-out every request of this manager uses.
  platform::AXElement appElement(int32_t pid) const;

  // The resize itself, shared by every check; `logLine` is the calling check's line.
  void resizeStep(const platform::AXElement& window, int64_t windowNumber, const Rect& bounds, int32_t pid,
                  const TaskbarGeometry& geometry, bool floating, const std::string& logLine);
  void checkSiblingWindows(int32_t pid, int64_t focusedWindowNumber, const TaskbarGeometry& geometry,
                           std::optional<std::vector<platform::WindowListRow>> windowList);
  std::optional<std::vector<platform::WindowListRow>> copyWindowList() const;
  std::optional<int64_t> windowNumberOf(const platform::AXElement& element) const;
  std::optional<platform::AXElement> findWindow(OwnerWindows& owner, int64_t windowNumber) const;
  OwnerWindows readOwnerWindows(int32_t pid) const;
  bool isTrusted() const;
  bool isExcludedPID(int32_t pid);
  void ageFailureLists();

  void showPanelAfterFullscreen();

  bool isDodgeMode() const;
  // The bar is hidden because a window covered it, not for a full-screen window.
  bool isHiddenForDodging() const;
  void hideTaskbarForDodging();
  void dodgeCheckFrontmost();
  void dodgeCheckTick();
  void stopDodgeCheckTimer();

  QPointer<TaskbarPanel> panel_;
  std::shared_ptr<SettingsManager> settingsManager_;
  std::shared_ptr<WindowManager> windowManager_;
  platform::ScreenInfo screen_;
  ScreenSpaceSharedState& shared_;
  Dependencies deps_;
  platform::Accessibility& accessibility_;
  TaskbarAutoHide* autoHideManager_ = nullptr;
  Animator animator_;

  bool isHiddenForFullscreen_ = false;
  bool isFullscreenActive_ = false;
  std::map<int64_t, Rect> alreadyResizedWindows_;
  std::map<int64_t, ResizeCount> windowResizeCounts_;
  std::map<int64_t, ResizedWindow> resizedWindowInfo_;
  RepeatingTimerPtr fallbackTimer_;
  RepeatingTimerPtr dodgeCheckTimer_;
  std::map<int32_t, platform::AXObserverPtr> appObservers_;
  std::optional<int32_t> frontmostPID_;
  WorkItemPtr debouncedCheckWorkItem_;
  std::optional<platform::AXElement> debouncedElement_;
  CancellableBag registrations_;
  OwnerLifetime lifetime_;
};

}  // namespace pelko
