#include "foundation/DebugLog.h"
#include "platform/Alerts.h"
#include "platform/AppShell.h"
#include "settings/SettingsManager.h"
#include "shell/AppDelegate.h"

namespace pelko {

void AppDelegate::suspendDockVisibilityMonitor(double seconds) {
  double until = env_.scheduler.now() + seconds;
  if (until > dockVisibilityMonitorSuppressedUntil_) dockVisibilityMonitorSuppressedUntil_ = until;
}

void AppDelegate::setDockHidden(bool hidden) {
  hasObservedExternalDockReveal_ = false;
  suspendDockVisibilityMonitor(hidden ? kSuspendAfterHide : kSuspendAfterRestore);
  if (dockIsHidden_ == hidden) return;
  if (dockManager_) {
    if (hidden) {
      dockManager_->hideDock();
    } else {
      dockManager_->restoreDock();
    }
  }
  dockIsHidden_ = hidden;
  dockVisibilityChanges_.send(hidden);
}

void AppDelegate::reapplyDockHiddenNow() {
  if (!settingsManager_ || !settingsManager_->fullyHideDock) return;
  hasObservedExternalDockReveal_ = false;
  suspendDockVisibilityMonitor(kSuspendAfterHide);
  // The Dock manager keeps the configuration it recorded before the first hide, so hiding again never
  // makes the hidden configuration the one a restore goes back to.
  if (dockManager_) dockManager_->hideDock();
  if (!dockIsHidden_) {
    dockIsHidden_ = true;
    dockVisibilityChanges_.send(true);
  }
}

void AppDelegate::startDockVisibilityMonitor() {
  if (dockVisibilityMonitorTimer_) dockVisibilityMonitorTimer_->invalidate();
  dockVisibilityMonitorTimer_ = env_.scheduler.scheduleRepeating(
      kDockVisibilityProbeInterval, kDockVisibilityProbeTolerance, [weak = weakSelf()] {
        if (auto self = weak.lock()) self->probeDockVisibilityIfNeeded();
      });
  suspendDockVisibilityMonitor(kSuspendAfterHide);
}

void AppDelegate::probeDockVisibilityIfNeeded() {
  auto shouldWatch = [this] {
    return settingsManager_ && settingsManager_->fullyHideDock && dockIsHidden_ && !shouldRestoreDockOnQuit_;
  };
  if (!shouldWatch()) {
    hasObservedExternalDockReveal_ = false;
    return;
  }
  if (env_.scheduler.now() < dockVisibilityMonitorSuppressedUntil_) return;
  if (isDockVisibilityProbeInFlight_ || isPresentingDockVisibilityAlert_) return;
  if (!dockManager_) return;

  isDockVisibilityProbeInFlight_ = true;
  dockManager_->dockVisibilitySnapshot(
      [weak = weakSelf(), shouldWatch](DockManager::VisibilitySnapshot snapshot) {
        auto self = weak.lock();
        if (!self) return;
        self->isDockVisibilityProbeInFlight_ = false;
        if (!shouldWatch()) {
          self->hasObservedExternalDockReveal_ = false;
          return;
        }
        if (snapshot.matchesPelkoHiddenConfiguration || !snapshot.isActuallyVisibleOnScreen) {
          self->hasObservedExternalDockReveal_ = false;
          return;
        }
        if (self->hasObservedExternalDockReveal_ || self->isPresentingDockVisibilityAlert_) return;
        self->hasObservedExternalDockReveal_ = true;
        debugLog("AppDelegate: Dock became visibly present while Fully Hide Dock is enabled");
        self->presentDockVisibilityAlert();
      });
}

void AppDelegate::presentDockVisibilityAlert() {
  if (std::exchange(isPresentingDockVisibilityAlert_, true)) return;
  env_.appShell.activateOwnProcess();

  platform::AlertContent alert;
  alert.style = platform::AlertContent::Style::warning;
  alert.messageText = "The macOS Dock Is Showing Again";
  alert.informativeText =
      "Pelko detected that the native Dock is actually visible on screen again. Do you want to hide it again "
      "or keep it visible?";
  alert.buttons = {"Hide Dock Again", "Keep Dock Visible"};
  // Ended without a choice (a quit while it is open): neither hidden again nor the setting changed.
  const int response = env_.alerts.runModal(alert, {});

  isPresentingDockVisibilityAlert_ = false;
  suspendDockVisibilityMonitor(kSuspendAfterHide);
  if (response == 0) {
    reapplyDockHiddenNow();
  } else if (response == 1) {
    hasObservedExternalDockReveal_ = false;
    // Restores the Dock through the setting's subscription.
    settingsManager_->fullyHideDock = false;
  }
}

void AppDelegate::screensDidWake() {
  auto shouldRecheck = [this] {
    return settingsManager_ && settingsManager_->fullyHideDock && dockIsHidden_;
  };
  if (!shouldRecheck()) return;
  suspendDockVisibilityMonitor(kSuspendAfterWake);
  env_.scheduler.mainAfter(kWakeCheckDelay, [weak = weakSelf(), shouldRecheck] {
    auto self = weak.lock();
    if (!self || !shouldRecheck() || !self->dockManager_) return;
    self->dockManager_->dockVisibilitySnapshot([weak](DockManager::VisibilitySnapshot snapshot) {
      auto self = weak.lock();
      if (!self || !self->settingsManager_->fullyHideDock) return;
      if (snapshot.matchesPelkoHiddenConfiguration) return;
      debugLog("AppDelegate: Dock config drifted after wake, re-hiding");
      self->reapplyDockHiddenNow();
    });
  });
}

}  // namespace pelko
