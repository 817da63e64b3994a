#include "platform/AppShell.h"
#include "platform/Clipboard.h"
#include "platform/Screens.h"
#include "settings/LaunchAtLoginHelper.h"
#include "settings/SettingsManager.h"
#include "shell/AppDelegate.h"
#include "shell/DiagnosticsReport.h"
#include "tracking/AccessibilityHelper.h"
#include "tracking/AppTracker.h"

namespace pelko {

std::string AppDelegate::diagnosticsReport() const {
  const SettingsManager& settings = *settingsManager_;
  DiagnosticsReport report;
  report.generatedAt = env_.scheduler.wallClockNow();
  report.shortVersion = env_.appShell.versionString();
  report.build = env_.appShell.buildString();
  report.systemVersion = env_.appShell.operatingSystemVersionString();
  report.accessibilityTrusted = accessibilityHelper_->isTrusted();
  report.screenRecordingGranted = accessibilityHelper_->hasScreenRecordingPermission();
  report.screensConnected = env_.screens.screens().size();
  report.trackedApps = appTracker_ ? appTracker_->apps.get().size() : 0;
  report.position = std::string(rawValue(settings.position.get()));
  report.style = std::string(rawValue(settings.style.get()));
  report.autoHide = settings.autoHide;
  report.showThumbnails = settings.showThumbnails;
  report.showSystemTray = settings.showSystemTray;
  report.fullyHideDock = settings.fullyHideDock;
  report.dockHiddenRuntime = dockIsHidden_;
  report.launchAtLogin = settings.launchAtLogin;
  report.launchAtLoginPendingApproval = launchAtLoginHelper_ && launchAtLoginHelper_->requiresApproval();
  report.floatingBar = settings.floatingBar;
  report.taskbarSize = settings.taskbarSize;
  report.barThickness = settings.barThickness();
  report.monitorMode = std::string(rawValue(settings.multiMonitorMode.get()));
  report.blacklistedApps = settings.blacklistedBundleIDs.get().size();
  report.customAppOrder = settings.customAppOrder.get().size();
  return report.text();
}

bool AppDelegate::copyDiagnosticsToPasteboard() {
  // One write that either replaces the contents or leaves them: clearing first would lose the user's
  // clipboard when the write then fails.
  return env_.clipboard && env_.clipboard->writeText(diagnosticsReport());
}

}  // namespace pelko
