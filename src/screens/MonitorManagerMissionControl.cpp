// The monitor manager's reactions that concern every bar at once: Mission Control, the full-screen
// sweeps and the window-resizing switches.
#include "foundation/DebugLog.h"
#include "platform/Workspace.h"
#include "screens/MonitorManager.h"
#include "settings/SettingsManager.h"
#include "taskbar/TaskbarViewController.h"

namespace pelko {

using platform::WorkspaceNotification;
using platform::WorkspaceNotificationName;

namespace {
constexpr const char* kDockBundleID = "com.apple.dock";
bool isDock(const WorkspaceNotification& n) {
  return n.application && n.application->bundleIdentifier() == std::optional<std::string>(kDockBundleID);
}
}  // namespace

void MonitorManager::subscribeToWorkspace() {
  Scheduler& scheduler = deps_.scheduler;
  auto on = [&](WorkspaceNotificationName name, std::function<void(const WorkspaceNotification&)> action) {
    deps_.workspace.notifications(name)
        .receiveOnMain(scheduler)
        .sink(lifetime_.guard(std::move(action)))
        .store(cancellables_);
  };
  on(WorkspaceNotificationName::activeSpaceDidChange,
     [this](const WorkspaceNotification&) { onActiveSpaceChanged(); });
  on(WorkspaceNotificationName::didActivateApplication, [this](const WorkspaceNotification& n) {
    if (n.application) fullscreenSweep();
  });
  on(WorkspaceNotificationName::didDeactivateApplication, [this](const WorkspaceNotification& n) {
    if (n.application) fullscreenSweep();
  });
  on(WorkspaceNotificationName::didActivateApplication, [this](const WorkspaceNotification& n) {
    if (!n.application) return;
    if (isDock(n)) {
      debugLog("MM: Dock activated notification received");
      hideAllPanelsForMC();
    } else if (mcPanelsHidden_) {
      debugLog("MM: non-Dock app activated while panels hidden, showing panels");
      showAllPanelsAfterMC();
    }
  });
  on(WorkspaceNotificationName::didDeactivateApplication, [this](const WorkspaceNotification& n) {
    if (!isDock(n)) return;
    debugLog("MM: Dock deactivated notification received");
    showAllPanelsAfterMC();
  });
  settingsManager_->hideInFullscreen.publisher()
      .dropFirst()
      .receiveOnMain(scheduler)
      .sink(lifetime_.guard([this](const bool&) {
        updateFullscreenTimers();
        fullscreenSweep();
      }))
      .store(cancellables_);
  for (Setting<bool>* setting :
       {&settingsManager_->autoHideResizeWindows, &settingsManager_->autoResizeWindows})
    setting->publisher()
        .dropFirst()
        .receiveOnMain(scheduler)
        .sink(lifetime_.guard([this](const bool& enabled) { onResizeSettingChanged(enabled); }))
        .store(cancellables_);
}

// ---- Mission Control ----

void MonitorManager::hideAllPanelsForMC() {
  debugLog(std::string("MM: hideAllPanelsForMC() called, mcPanelsHidden=") +
           (mcPanelsHidden_ ? "true" : "false"));
  if (mcShowWorkItem_) std::exchange(mcShowWorkItem_, nullptr)->cancel();
  if (mcPanelsHidden_ || screenStates_.empty()) return;
  mcPanelsHidden_ = true;
  for (auto& [display, state] : screenStates_) {
    if (TaskbarViewController* bar = state.viewController()) bar->dismissAllThumbnails();
    if (TaskbarPanel* panel = state.panel()) {
      panel->setCollectionBehavior(collection_behavior::kStationary | collection_behavior::kIgnoresCycle);
      panel->orderOut();
    }
    if (TaskbarAutoHide* autoHide = state.autoHideManager()) autoHide->cancelHideTimer();
  }
  debugLog("MM: all panels hidden for MC");
}

void MonitorManager::showAllPanelsAfterMC() {
  debugLog("MM: showAllPanelsAfterMC() called");
  if (mcShowWorkItem_) mcShowWorkItem_->cancel();
  const uint64_t generation = rebuildGeneration_;
  const OwnerLifetime::Watch alive = lifetime_.watch();
  mcShowWorkItem_ = deps_.scheduler.mainAfter(kMissionControlReshowDelay, [this, alive, generation] {
    debugLog("MM: showAllPanelsAfterMC work item executing");
    if (!alive.ownerAlive() || !mcPanelsHidden_) {
      debugLog("MM: showAllPanelsAfterMC BAIL: self=nil or panels not hidden");
      return;
    }
    if (rebuildGeneration_ != generation) {
      debugLog("MM: showAllPanelsAfterMC BAIL: stale generation");
      return;
    }
    mcPanelsHidden_ = false;
    const bool reduceMotion = deps_.workspace.accessibilityDisplayShouldReduceMotion();
    for (auto& [display, state] : screenStates_) {
      TaskbarPanel* panel = state.panel();
      if (!panel) continue;
      panel->setCollectionBehavior(collection_behavior::kTaskbar);
      ScreenSpaceManager* screenSpace = state.screenSpaceManager();
      TaskbarAutoHide* autoHide = state.autoHideManager();
      if (screenSpace && screenSpace->isHiddenForFullscreen()) continue;
      if (autoHide && autoHide->isTaskbarHidden()) {
        autoHide->repositionTriggerZone();
        continue;
      }
      panel->setWindowOpacity(reduceMotion ? 1 : 0);
      panel->orderFront();
      if (!reduceMotion) {
        QPointer<TaskbarPanel> target = panel;
        animator_.animate({0, 1, kMissionControlFadeIn, Easing::easeOut, false}, [target](double alpha) {
          if (target) target->setWindowOpacity(alpha);
        });
      }
      if (autoHide) autoHide->resetHideTimer();
      if (screenSpace) screenSpace->onTaskbarShown();
    }
  });
}

// ---- Full screen ----

void MonitorManager::fullscreenSweep() {
  for (auto& [display, state] : screenStates_) {
    ScreenSpaceManager* manager = state.screenSpaceManager();
    if (!manager) continue;
    const bool wasHidden = manager->isHiddenForFullscreen();
    manager->checkFullscreen();
    // A panel left over a window that has just gone full screen would float above it.
    if (!wasHidden && manager->isHiddenForFullscreen())
      if (TaskbarViewController* bar = state.viewController()) bar->dismissAllThumbnails();
  }
}

void MonitorManager::updateFullscreenTimers() {
  if (fullscreenTimer_) std::exchange(fullscreenTimer_, nullptr)->invalidate();
  if (!settingsManager_->hideInFullscreen.get()) return;
  fullscreenTimer_ = deps_.scheduler.scheduleRepeating(kFullscreenTimerInterval, kFullscreenTimerTolerance,
                                                       lifetime_.guard([this] { fullscreenSweep(); }));
}

void MonitorManager::onActiveSpaceChanged() {
  const uint64_t generation = ++fullscreenCheckGeneration_;
  fullscreenSweep();
  for (double delay : {0.15, 0.8})
    deps_.scheduler.mainAfter(delay, lifetime_.guard([this, generation] {
      if (fullscreenCheckGeneration_ == generation) fullscreenSweep();
    }));
}

void MonitorManager::onResizeSettingChanged(bool enabled) {
  forEachScreenSpaceManager([enabled](ScreenSpaceManager& manager) {
    if (enabled)
      manager.onTaskbarShown();
    else
      manager.restoreResizedWindows();
  });
}

}  // namespace pelko
