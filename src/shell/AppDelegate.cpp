#include "shell/AppDelegate.h"

#include <algorithm>
#include <cstdio>

#include "foundation/ControlCharacters.h"
#include "foundation/DebugLog.h"
#include "platform/Alerts.h"
#include "platform/Permissions.h"
#include "platform/ProcessControl.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "settings/LaunchAtLoginHelper.h"
#include "settings/SettingsManager.h"
#include "shell/CrashMarker.h"
#include "shell/SingleInstanceLock.h"
#include "taskbar/SystemTrayManager.h"
#include "tracking/AccessibilityHelper.h"
#include "tracking/AppTracker.h"
#include "tracking/WindowManager.h"

namespace pelko {

namespace {

// The tracking services' alerts, shown through the application's alert service.
AlertRunner alertRunnerFor(platform::Alerts& alerts) {
  return [&alerts](const AccessibilityAlert& alert) {
    platform::AlertContent content;
    content.style = platform::AlertContent::Style::warning;
    content.messageText = alert.messageText;
    content.informativeText = alert.informativeText;
    content.buttons = {alert.firstButton, alert.secondButton};
    content.cancelButton = 1;
    return alerts.runModal(content, {}) == 0;
  };
}

}  // namespace

std::shared_ptr<AppDelegate> AppDelegate::create(Environment environment) {
  auto delegate = std::shared_ptr<AppDelegate>(new AppDelegate(std::move(environment)));
  // The shared application's delegate: a click on this program's own entry in the bar reaches it.
  delegate->env_.appShell.setDelegate(delegate.get());
  return delegate;
}

void AppDelegate::showSettingsWindow() {
  if (!settingsWindowController_) {
    if (!env_.makeSettingsWindow || !settingsManager_) return;
    settingsWindowController_ = env_.makeSettingsWindow(
        {settingsManager_, *accessibilityHelper_, weakSelf(), launchAtLoginHelper_.get()});
    if (!settingsWindowController_) return;
  }
  settingsWindowController_->showSettings();
}

void AppDelegate::toggleSettingsWindowFromTaskbar() {
  if (!settingsWindowController_) {
    showSettingsWindow();
    return;
  }
  settingsWindowController_->toggleFromTaskbar();
}

AppDelegate::AppDelegate(Environment environment) : env_(std::move(environment)) {
  accessibilityHelper_ =
      std::make_unique<AccessibilityHelper>(env_.scheduler, env_.permissions, env_.accessibility,
                                            env_.workspace, env_.appShell, alertRunnerFor(env_.alerts));
  lastKnownScreenRecordingPermission_ = accessibilityHelper_->hasScreenRecordingPermission();
}

AppDelegate::~AppDelegate() {
  if (env_.appShell.delegate() == this) env_.appShell.setDelegate(nullptr);
  cancellables_.clear();
  for (auto* timer :
       {&accessibilityTrustTimer_, &screenRecordingPermissionTimer_, &dockVisibilityMonitorTimer_}) {
    if (*timer) (*timer)->invalidate();
  }
  if (appTracker_) appTracker_->stop();
  if (taskbars_) taskbars_->stop();
  if (systemTrayManager_) systemTrayManager_->stop();
  if (settingsManager_) settingsManager_->onBatchResetComplete = nullptr;
  if (windowManager_) windowManager_->onPendingFocusChanged = nullptr;
}

void AppDelegate::applicationDidFinishLaunching() {
  env_.scheduler.assertMainThread("AppDelegate::applicationDidFinishLaunching");
  if (std::exchange(didStart_, true)) return;

  // A restore-only run: give the Dock back and end, before anything else exists.
  if (std::find(env_.arguments.begin(), env_.arguments.end(), kRestoreDockArgument) != env_.arguments.end()) {
    DockManager::emergencyRestoreDock(env_.dockServices);
    env_.processControl.exit(0);
    return;
  }

  // One running copy per user. A copy killed a moment ago may still hold the lock through a child it
  // was starting; the lock is asked for again for a short while before another copy counts as running.
  instanceLockDeadline_ = env_.scheduler.now() + kInstanceLockWait;
  claimSingleInstanceThenStart();
}

void AppDelegate::claimSingleInstanceThenStart() {
  SingleInstanceLock::Outcome outcome;
  std::string reason;
  instanceLock_ = SingleInstanceLock::tryAcquire(env_.instanceLockPath, outcome, reason);
  switch (outcome) {
    case SingleInstanceLock::Outcome::acquired:
      finishLaunching();
      return;
    case SingleInstanceLock::Outcome::unavailable:
      // Running unguarded could let two copies change the Dock at once.
      std::fprintf(stderr, "Pelko: cannot take the single-instance lock %s: %s\n",
                   withControlCharactersHidden(env_.instanceLockPath).c_str(),
                   withControlCharactersHidden(reason).c_str());
      std::fflush(stderr);
      env_.processControl.exit(1);
      return;
    case SingleInstanceLock::Outcome::heldByAnother:
      // A start with URLs hands them to the copy that runs, and is done.
      if (forwardURLsToRunningCopy()) return;
      if (env_.scheduler.now() < instanceLockDeadline_) {
        env_.scheduler.mainAfter(kInstanceLockRetryInterval, [weak = weakSelf()] {
          if (auto self = weak.lock()) self->claimSingleInstanceThenStart();
        });
        return;
      }
      break;
  }
  platform::AlertContent alert;
  alert.style = platform::AlertContent::Style::warning;
  alert.messageText = "Pelko is Already Running";
  alert.informativeText = "Another instance of Pelko is already running. This instance will now quit.";
  alert.buttons = {"OK"};
  env_.alerts.runModal(alert, {});
  terminate();
}

void AppDelegate::finishLaunching() {
  // A logout can end the session while the rest of this runs, the Dock already hidden: from here on a
  // signal is handled on the main queue, once this is done, and cleans up as at any other time.
  installSignalHandlers();

  // The settings file is this copy's from here on, and nothing has read a setting yet.
  const SettingsFileReport settingsFile =
      env_.readSettingsFile ? env_.readSettingsFile() : SettingsFileReport{};

  // What the previous run left behind: a crash, damaged settings, a Dock still hidden.
  reportPreviousCrash();
  reportDamagedSettings(settingsFile);
  recoverDockIfNeeded();

  // The managers, each built on the ones before it.
  createSettings();
  dockManager_ =
      std::make_unique<DockManager>(env_.scheduler, env_.workspace, env_.windowServer, env_.dockServices);
  createTracking();
  if (env_.powerSources && env_.localeTimeZone) {
    systemTrayManager_ =
        SystemTrayManager::create({env_.scheduler, env_.workspace, *env_.powerSources, *env_.localeTimeZone});
  }

  // Permissions: asked for once, then watched, since the user grants them in another window.
  askForAccessibility();
  accessibilityTrustTimer_ = accessibilityHelper_->startTrustMonitor();
  startScreenRecordingMonitor();

  // The first bars.
  createTaskbars();

  // The Dock: hidden now if the user wants it so, and watched in case something brings it back.
  if (settingsManager_->fullyHideDock) setDockHidden(true);
  startDockVisibilityMonitor();

  // Following the applications, and the tray's clock and battery.
  appTracker_->start();
  if (systemTrayManager_) systemTrayManager_->start();

  // Reactions to settings and the screens waking.
  subscribeToSettings();
  subscribeToScreensDidWake();
  // The menus, the status item and the updater; then URLs, which may ask for any of them.
  startFrontEnds();
  debugLog("AppDelegate: start-up complete");
}

std::unique_ptr<SingleInstanceLock> AppDelegate::takeInstanceLock() {
  return std::move(instanceLock_);
}

void AppDelegate::reportPreviousCrash() {
  if (auto marker = CrashMarker::take(env_.userDefaults)) {
    debugLog("AppDelegate: Previous session crashed: " + *marker);
  }
}

// Said once, in the run that found the damage: the file is out of the way afterwards, and without the
// alert the user would only see the first-run guide again and wonder where their settings went. A file
// that could not be opened is not damaged: the user is told its cause, which is theirs to mend (its
// permissions, most often), not sent looking for damage inside it. A file left in place says so, and
// that changes are not saved: the user would otherwise lose them at the next start without a word.
void AppDelegate::reportDamagedSettings(const SettingsFileReport& settingsFile) {
  using Found = SettingsFileReport::Found;
  if (settingsFile.found == Found::whole) return;
  const std::string cause = withControlCharactersHidden(settingsFile.cause);
  const std::string keptAs = withControlCharactersHidden(settingsFile.keptAs);
  const std::string leftInPlace = "It could not be moved aside (" +
                                  withControlCharactersHidden(settingsFile.notKeptAsideBecause) +
                                  ") and was left as it is: ";
  const std::string notSaved = "changes are not saved while Pelko runs.";
  std::string text;
  switch (settingsFile.found) {
    case Found::whole:
      return;
    case Found::damaged:
      text = "The settings file was damaged. " +
             (keptAs.empty() ? leftInPlace +
                                   "the settings that could be read from it are used, the others start from "
                                   "their defaults, and " +
                                   notSaved
                             : "It was kept as " + keptAs +
                                   "; settings that could not be read start from their defaults.");
      break;
    case Found::unreadable:
      text = "The settings file could not be read (" + cause + "). " +
             (keptAs.empty() ? leftInPlace + "the settings start from their defaults, and " + notSaved
                             : "It was kept as " + keptAs + "; the settings start from their defaults.");
      break;
    case Found::unfollowableLink:
      text = "The settings file is a link, and what it names could not be read (" + cause +
             "). The link was left as it is: the settings start from their defaults, and " + notSaved;
      break;
  }
  platform::AlertContent alert;
  alert.style = platform::AlertContent::Style::warning;
  alert.messageText = "Pelko's Settings Could Not Be Read";
  alert.informativeText = text;
  alert.buttons = {"OK"};
  alert.cancelButton = 0;
  env_.alerts.runModal(alert, {});
}

void AppDelegate::recoverDockIfNeeded() {
  if (!DockManager::needsRecovery(env_.dockServices)) return;
  // The settings do not exist yet: the stored value is read raw. Only an explicit "no" restores the
  // Dock; an absent value means the default, which keeps it hidden. A "no" is what the settings will
  // read as false (a Boolean, or the number 0 as the defaults system bridges it), so that this run
  // never leaves the Dock hidden while its own setting says to show it.
  auto stored = env_.userDefaults.storedObject(kFullyHideDockKey);
  bool storedFalse = false;
  if (stored) {
    if (const bool* flag = stored->asBool()) {
      storedFalse = !*flag;
    } else if (auto number = stored->numberValue()) {
      storedFalse = *number == 0;
    }
  }
  if (storedFalse) {
    DockManager::emergencyRestoreDock(env_.dockServices);
  } else {
    debugLog("AppDelegate: Recovery needed but user wants dock hidden, skipping restore");
  }
}

void AppDelegate::createSettings() {
  launchAtLoginHelper_ =
      std::make_unique<LaunchAtLoginHelper>(env_.loginItems, env_.fileSystem, env_.appShell);
  settingsManager_ = std::make_shared<SettingsManager>(SettingsManager::Dependencies{
      env_.userDefaults, env_.permissions, env_.appearance, *launchAtLoginHelper_, env_.scheduler});
  settingsManager_->clearAccessibilityPermissionDeclineIfNeeded();
  settingsManager_->clearScreenRecordingPermissionDeclineIfNeeded();
  if (!accessibilityHelper_->hasScreenRecordingPermission()) settingsManager_->showThumbnails = false;
}

void AppDelegate::createTracking() {
  appTracker_ = AppTracker::create(
      AppTracker::Dependencies{env_.scheduler, env_.workspace, env_.windowServer, env_.accessibility,
                               *accessibilityHelper_, &env_.screens, [weak = weakSelf()] {
                                 auto self = weak.lock();
                                 if (!self || !self->settingsWindowController_)
                                   return std::vector<AppTracker::OwnWindow>{};
                                 return self->settingsWindowController_->ownWindows();
                               }});
  appTracker_->settingsManager = settingsManager_.get();

  windowManager_ =
      WindowManager::create(env_.scheduler, env_.workspace, env_.windowServer, *accessibilityHelper_);
  appTracker_->windowManager = windowManager_;
  std::weak_ptr<AppTracker> weakTracker = appTracker_;
  windowManager_->onPendingFocusChanged = [weakTracker] {
    auto tracker = weakTracker.lock();
    if (!tracker) return;
    tracker->invalidateRefreshGeneration();
    if (tracker->windowManager && tracker->windowManager->pendingFocus()) {
      tracker->fastUpdateActiveState(tracker->windowManager->pendingFocus()->pid);
    }
  };
}

void AppDelegate::askForAccessibility() {
  // On the first run the onboarding asks for the permissions itself; no system prompt is shown here.
  if (!env_.userDefaults.boolForKey(kOnboardingCompleteKey)) {
    scheduleFirstRunOnboarding();
    return;
  }
  if (!settingsManager_->shouldPromptForAccessibilityPermission()) return;
  if (accessibilityHelper_->requestAccessIfNeeded()) return;
  env_.scheduler.mainAfter(kAccessibilityAlertDelay, [weak = weakSelf()] {
    auto self = weak.lock();
    if (!self || !self->settingsManager_->shouldPromptForAccessibilityPermission()) return;
    self->accessibilityHelper_->showAccessibilityAlert();
  });
}

void AppDelegate::startScreenRecordingMonitor() {
  lastKnownScreenRecordingPermission_ = accessibilityHelper_->hasScreenRecordingPermission();
  if (screenRecordingPermissionTimer_) screenRecordingPermissionTimer_->invalidate();
  screenRecordingPermissionTimer_ = env_.scheduler.scheduleRepeating(
      kScreenRecordingCheckInterval, kScreenRecordingCheckTolerance, [weak = weakSelf()] {
        if (auto self = weak.lock()) self->screenRecordingTick();
      });
}

void AppDelegate::screenRecordingTick() {
  bool granted = accessibilityHelper_->hasScreenRecordingPermission();
  if (granted == lastKnownScreenRecordingPermission_) return;
  lastKnownScreenRecordingPermission_ = granted;
  if (granted) settingsManager_->clearScreenRecordingPermissionDeclineIfNeeded();
  screenRecordingChanges_.send(granted);
  if (!granted && settingsManager_->showThumbnails) {
    settingsManager_->showThumbnails = false;
    debugLog("AppDelegate: Screen Recording permission revoked, disabling thumbnails");
  }
}

void AppDelegate::createTaskbars() {
  if (!env_.makeTaskbars) return;
  // The menus hold the delegate weakly: a bar may outlive it by a pass of the event loop.
  TaskbarShellActions actions;
  if (env_.makeSettingsWindow)
    actions.openSettings = [weak = weakSelf()] {
      if (auto self = weak.lock()) self->openSettings();
    };
  actions.restoreDockAndQuit = [weak = weakSelf()] {
    if (auto self = weak.lock()) self->restoreDockAndQuit();
  };
  actions.terminate = [weak = weakSelf()] {
    if (auto self = weak.lock()) self->terminate();
  };
  taskbars_ =
      env_.makeTaskbars(TaskbarsContext{appTracker_, windowManager_, settingsManager_, *accessibilityHelper_,
                                        systemTrayManager_, std::move(actions)});
  if (!taskbars_) return;
  taskbars_->updateBlacklistedBundleIDs(settingsManager_->blacklistedBundleIDs.get());
  taskbars_->start();
}

void AppDelegate::subscribeToScreensDidWake() {
  env_.workspace.notifications(platform::WorkspaceNotificationName::screensDidWake)
      .receiveOnMain(env_.scheduler)
      .sink([weak = weakSelf()](const platform::WorkspaceNotification&) {
        if (auto self = weak.lock()) self->screensDidWake();
      })
      .store(cancellables_);
}

}  // namespace pelko
