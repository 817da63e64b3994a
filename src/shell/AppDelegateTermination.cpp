#include <csignal>

#include "platform/ProcessControl.h"
#include "platform/UrlDelivery.h"
#include "platform/UserDefaults.h"
#include "shell/AppDelegate.h"
#include "shell/CrashMarker.h"
#include "taskbar/SystemTrayManager.h"
#include "tracking/AppTracker.h"

namespace pelko {

void AppDelegate::terminate() {
  quitHasBegun_ = true;
  if (applicationShouldTerminate() != TerminateReply::terminateNow) return;
  applicationWillTerminate();
  env_.processControl.exit(0);
}

AppDelegate::TerminateReply AppDelegate::applicationShouldTerminate() {
  shouldRestoreDockOnQuit_ = true;
  return TerminateReply::terminateNow;
}

void AppDelegate::applicationWillTerminate() {
  cleanup();
}

void AppDelegate::cleanup() {
  quitHasBegun_ = true;
  if (env_.urlDelivery) env_.urlDelivery->stopReceiving();
  cancellables_.clear();
  for (auto* timer :
       {&accessibilityTrustTimer_, &screenRecordingPermissionTimer_, &dockVisibilityMonitorTimer_}) {
    if (*timer) (*timer)->invalidate();
    timer->reset();
  }
  if (appTracker_) appTracker_->stop();
  if (taskbars_) taskbars_->stop();
  if (systemTrayManager_) systemTrayManager_->stop();
  if (shouldRestoreDockOnQuit_ && dockIsHidden_) setDockHidden(false);
  // The way-out form: values kept held by a thread that failed holding them do not keep the run from
  // ending.
  env_.userDefaults.synchronizeOnTheWayOut();
}

void AppDelegate::installSignalHandlers() {
  // The handler holds only what outlives the delegate, so a signal after the delegate is gone still
  // ends the process with its number.
  platform::ProcessControl* processControl = &env_.processControl;
  processControl->deliverOnMainQueue({SIGTERM, SIGINT, SIGHUP},
                                     [weak = weakSelf(), processControl](int signal) {
                                       if (auto self = weak.lock()) self->cleanup();
                                       processControl->exit(signal);
                                     });
  processControl->exitImmediatelyOn(SIGABRT, 6);

  platform::UserDefaults* defaults = &env_.userDefaults;
  processControl->setUncaughtExceptionHandler(
      [defaults](const platform::UncaughtException& exception) { CrashMarker::store(*defaults, exception); });
}

}  // namespace pelko
