#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "foundation/Cancellable.h"
#include "foundation/OwnerLifetime.h"
#include "foundation/Scheduler.h"
#include "platform/EventMonitors.h"
#include "platform/RunningApplication.h"
#include "platform/Screens.h"
#include "screens/ScreenSpaceSharedState.h"
#include "screens/ScreenState.h"
#include "settings/SettingEnumerations.h"
#include "taskbar/TaskbarShellActions.h"
#include "taskbar/TaskbarViewController.h"
#include "ui/Animator.h"

namespace pelko {

class AccessibilityHelper;
class AppTracker;
class SettingsManager;
class SystemTrayManager;
struct ThumbnailServices;
class TrackedApp;
class WindowManager;

namespace platform {
class Alerts;
class Appearance;
class DistributedNotifications;
class ProcessExistence;
class OwnWindows;
class Trash;
class WindowServer;
class Workspace;
}  // namespace platform

// Puts one taskbar on every monitor the multi-monitor mode asks for and keeps the set of bars in step
// with the screens, the settings and the tracker's entry list. It owns one ScreenState per displayed
// monitor, keyed by display number, and hands every bar the entries that belong on its monitor.
//
// Every rebuild replaces all bars: the new panels are ordered in before the old ones go, so the screen
// never shows a gap. A burst of screen changes re-places the bars at once for each change and rebuilds
// them once, 300 ms after the last. Main thread only.
class MonitorManager {
 public:
  struct Dependencies {
    Scheduler& scheduler;
    platform::Screens& screens;
    platform::WindowServer& windowServer;
    // What the bars' buttons need.
    platform::Workspace& workspace;
    platform::Appearance& appearance;
    AccessibilityHelper& accessibilityHelper;
    // What the bars' trash buttons need.
    platform::Trash& trash;
    platform::Alerts& alerts;
    // Lists the panels among this process's windows; optional.
    platform::OwnWindows* ownWindows = nullptr;
    // What the screen-space managers watch besides the workspace; optional.
    platform::DistributedNotifications* distributedNotifications = nullptr;
    platform::ProcessExistence* processExistence = nullptr;
    // What the bars' thumbnails share; none: the bars show no thumbnails.
    ThumbnailServices* thumbnails = nullptr;
    // What the bars' menus ask of the application shell.
    TaskbarShellActions shellActions{};
  };

  static constexpr double kAppsThrottle = 0.1;
  static constexpr double kDisplayIDGenerationThrottle = 0.1;
  static constexpr double kScreenChangeDebounce = 0.3;
  static constexpr double kMissionControlReshowDelay = 0.1;
  static constexpr double kMissionControlFadeIn = 0.25;
  static constexpr double kFullscreenTimerInterval = 10.0;
  static constexpr double kFullscreenTimerTolerance = 2.0;

  // Builds nothing yet. Every bar's tray shows `systemTrayManager`.
  MonitorManager(std::shared_ptr<AppTracker> appTracker, std::shared_ptr<WindowManager> windowManager,
                 std::shared_ptr<SystemTrayManager> systemTrayManager,
                 std::shared_ptr<SettingsManager> settingsManager, const Dependencies& dependencies);
  // Stops first.
  ~MonitorManager();
  MonitorManager(const MonitorManager&) = delete;
  MonitorManager& operator=(const MonitorManager&) = delete;

  // Builds the bars and subscribes to the tracker, the screens and the multi-monitor mode. Call once;
  // after stop() it may be called again.
  void start();
  // Removes every bar and subscription.
  void stop();
  bool isRunning() const { return running_; }

  // Replaces every bar and gives the new ones the tracker's current entries (position and floating-bar
  // changes, the restart action).
  void rebuildAll();
  // Moves every bar whose screen is still there to where the current settings and screen put it.
  void repositionAllPanels();
  void forEachViewController(const std::function<void(TaskbarViewController&)>& body) const;
  void updateSharingType(WindowSharingType type);
  void forEachScreenSpaceManager(const std::function<void(ScreenSpaceManager&)>& body) const;
  // The excluded applications every screen-space manager leaves alone, kept across rebuilds.
  void updateBlacklistedBundleIDs(const std::vector<std::string>& bundleIDs);
  const ScreenSpaceSharedState& screenSpaceSharedState() const { return screenSpaceShared_; }

  // ---- Looking at the bars (the application shell, tests) ----
  // The displays with a bar, ascending.
  std::vector<platform::DisplayID> displayIDs() const;
  TaskbarPanel* panel(platform::DisplayID display) const;
  TaskbarViewController* viewController(platform::DisplayID display) const;
  std::optional<platform::ScreenInfo> screen(platform::DisplayID display) const;
  ScreenSpaceManager* screenSpaceManager(platform::DisplayID display) const;
  // Every bar is ordered out while Mission Control shows.
  bool mcPanelsHidden() const { return mcPanelsHidden_; }
  bool hasFullscreenTimer() const { return fullscreenTimer_ != nullptr; }
  // Raised by every rebuild.
  uint64_t rebuildGeneration() const { return rebuildGeneration_; }

  // The screens that get a bar in `mode`: the main screen (else the first) alone in "primary only",
  // every screen otherwise.
  static std::vector<platform::ScreenInfo> targetScreens(
      MultiMonitorMode mode, const std::vector<platform::ScreenInfo>& screens,
      const std::optional<platform::ScreenInfo>& mainScreen);
  // The entries of the bar on `display`, in list order. `mainDisplay` is the window server's main
  // display; entries without a display belong to it.
  static std::vector<std::shared_ptr<TrackedApp>> appsForDisplay(
      MultiMonitorMode mode, const std::vector<std::shared_ptr<TrackedApp>>& apps,
      platform::DisplayID display, platform::DisplayID mainDisplay);

 private:
  void rebuildScreenStates();
  void updateAllScreens(const std::vector<std::shared_ptr<TrackedApp>>& apps);
  WindowSharingType sharingTypeFromSettings() const;
  void subscribeToWorkspace();
  void hideAllPanelsForMC();
  void showAllPanelsAfterMC();
  void updateFullscreenTimers();
  // Asks every bar whether a full-screen window covers it.
  void fullscreenSweep();
  void onActiveSpaceChanged();
  void onResizeSettingChanged(bool enabled);

  // ---- Auto-hide, the pointer and key monitors, the floating bar ----
 public:
  // Where the bars' auto-hide watches the pointer and keys; set before start(). None: no monitors.
  void setEventMonitors(platform::EventMonitors* monitors) { eventMonitors_ = monitors; }
  AutoHideManager* autoHideManager(platform::DisplayID display) const;
  bool hasMouseMonitors() const { return globalMouseMonitor_ || localMouseMonitor_; }
  bool hasKeyMonitors() const { return globalKeyMonitor_ || localKeyMonitor_; }
  static constexpr double kFloatingRecoveryDelay = 0.5;
  static constexpr double kFloatingMinimumLength = 10;

 private:
  void subscribeToAutoHideSettings();
  std::unique_ptr<AutoHideManager> makeAutoHideManager(TaskbarPanel* panel,
                                                       TaskbarViewController* viewController,
                                                       const platform::ScreenInfo& screen);
  void updateEventMonitorsFromSettings(bool mouse, bool keys);
  void updateMouseMonitors();
  void installMouseMonitors();
  void removeMouseMonitors();
  void broadcastMouseMoved();
  void installKeyMonitors();
  void removeKeyMonitors();
  bool handleKeyDown(const platform::Event& event);
  void revealOnAppSwitch(const platform::RunningApplicationPtr& app);
  void revealOnNewWindow(size_t appCount);
  // The floating bar.
  void installContentSizeHandler(TaskbarViewController& viewController, TaskbarPanel& panel,
                                 const platform::ScreenInfo& screen);
  void onContentSizeChanged(TaskbarPanel* panel, const platform::ScreenInfo& screen, double contentLength);
  void applyPendingFrame(platform::DisplayID display, uint64_t generation);
  void layOutFloatingBar(ScreenState& state);
  void floatingRebuildPasses();
  void floatingRebuildDelayedPasses(uint64_t generation);
  void resetFloatingBookkeeping();

  platform::EventMonitors* eventMonitors_ = nullptr;
  std::optional<platform::MonitorToken> globalMouseMonitor_, localMouseMonitor_;
  std::optional<platform::MonitorToken> globalKeyMonitor_, localKeyMonitor_;
  size_t previousAppCount_ = 0;
  std::map<platform::DisplayID, Rect> pendingFrames_;
  std::set<platform::DisplayID> pendingFrameScheduled_;
  std::map<platform::DisplayID, uint64_t> asyncFrameGeneration_;

  std::shared_ptr<AppTracker> appTracker_;
  std::shared_ptr<WindowManager> windowManager_;
  std::shared_ptr<SystemTrayManager> systemTrayManager_;
  std::shared_ptr<SettingsManager> settingsManager_;
  Dependencies deps_;
  // Declared before the states: every screen-space manager refers to it until it goes.
  ScreenSpaceSharedState screenSpaceShared_;
  Animator animator_;
  std::map<platform::DisplayID, ScreenState> screenStates_;
  bool mcPanelsHidden_ = false;
  WorkItemPtr mcShowWorkItem_;
  RepeatingTimerPtr fullscreenTimer_;
  uint64_t fullscreenCheckGeneration_ = 0;
  CancellableBag cancellables_;
  uint64_t rebuildGeneration_ = 0;
  bool running_ = false;
  OwnerLifetime lifetime_;
};

}  // namespace pelko
