#include "tracking/AccessibilityHelper.h"

#include <memory>

#include "foundation/DebugLog.h"
#include "platform/Accessibility.h"
#include "platform/AppShell.h"
#include "platform/Permissions.h"
#include "platform/Workspace.h"

namespace pelko {

using platform::AXElement;

AccessibilityHelper::AccessibilityHelper(Scheduler& scheduler, platform::Permissions& permissions,
                                         platform::Accessibility& accessibility,
                                         platform::Workspace& workspace, platform::AppShell& appShell,
                                         AlertRunner alertRunner)
    : scheduler_(scheduler),
      permissions_(permissions),
      accessibility_(accessibility),
      workspace_(workspace),
      appShell_(appShell),
      alertRunner_(std::move(alertRunner)) {}

bool AccessibilityHelper::isTrusted() const {
  return permissions_.isAccessibilityTrusted(false);
}

bool AccessibilityHelper::requestAccessIfNeeded() {
  return permissions_.isAccessibilityTrusted(true);
}

bool AccessibilityHelper::hasScreenRecordingPermission() const {
  return permissions_.preflightScreenCaptureAccess();
}

AXElement AccessibilityHelper::appElement(int32_t pid, float timeoutSeconds) const {
  AXElement element = accessibility_.createApplicationElement(pid);
  (void)accessibility_.setMessagingTimeout(element, timeoutSeconds);
  return element;
}

std::optional<Point> AccessibilityHelper::axPosition(const AXElement& element) const {
  auto result = accessibility_.copyAttributeValue(element, platform::ax::kPosition);
  if (!result.ok() || !result.value) return std::nullopt;
  const Point* point = result.value->asPoint();
  if (!point) return std::nullopt;
  return *point;
}

std::optional<Size> AccessibilityHelper::axSize(const AXElement& element) const {
  auto result = accessibility_.copyAttributeValue(element, platform::ax::kSize);
  if (!result.ok() || !result.value) return std::nullopt;
  const Size* size = result.value->asSize();
  if (!size) return std::nullopt;
  return *size;
}

std::optional<Rect> AccessibilityHelper::axBounds(const AXElement& element) const {
  auto position = axPosition(element);
  if (!position) return std::nullopt;
  auto size = axSize(element);
  if (!size) return std::nullopt;
  return Rect(*position, *size);
}

void AccessibilityHelper::openAccessibilitySettings() {
  (void)workspace_.openURL(kAccessibilityPaneURL);
}

void AccessibilityHelper::openScreenRecordingSettings() {
  (void)workspace_.openURL(kScreenRecordingPaneURL);
}

AccessibilityAlert AccessibilityHelper::accessRequiredAlert() {
  return {"Accessibility Access Required",
          "Pelko needs accessibility access to manage windows and track active applications. Please grant "
          "access in System Settings > Privacy & Security > Accessibility.",
          "Open System Settings", "Later"};
}

AccessibilityAlert AccessibilityHelper::accessRevokedAlert() {
  return {"Accessibility Access Revoked",
          "Pelko's accessibility access has been revoked. Window management features will not work until "
          "access is restored in System Settings.",
          "Open System Settings", "Dismiss"};
}

namespace {
void runAlert(const AlertRunner& runner, platform::Workspace& workspace, const AccessibilityAlert& alert) {
  if (!runner) {
    debugLog("AccessibilityHelper: no alert service for \"" + alert.messageText + "\"");
    return;
  }
  if (runner(alert)) (void)workspace.openURL(AccessibilityHelper::kAccessibilityPaneURL);
}
}  // namespace

void AccessibilityHelper::showAccessibilityAlert() {
  runAlert(alertRunner_, workspace_, accessRequiredAlert());
}

RepeatingTimerPtr AccessibilityHelper::startTrustMonitor(double interval) {
  // The alert says that access "has been revoked": it is for trust that was there and is gone. A process
  // that was never trusted is told so by the first-run guide and the start-up prompt, not by this alert
  // over them; it is warned once it was trusted and then lost the trust. The flag lives as long as the
  // timer's task, which holds only the services, not the helper, so it stays sound for as long as the
  // caller keeps the timer.
  auto wasTrusted = std::make_shared<bool>(permissions_.isAccessibilityTrusted(false));
  Scheduler* scheduler = &scheduler_;
  platform::Permissions* permissions = &permissions_;
  platform::Workspace* workspace = &workspace_;
  AlertRunner runner = alertRunner_;
  return scheduler_.scheduleRepeating(interval, 5.0, [=] {
    if (permissions->isAccessibilityTrusted(false)) {
      *wasTrusted = true;
      return;
    }
    if (!*wasTrusted) return;
    *wasTrusted = false;
    scheduler->mainAsync([runner, workspace] { runAlert(runner, *workspace, accessRevokedAlert()); });
  });
}

int32_t AccessibilityHelper::ownPID() const {
  std::call_once(ownPIDOnce_, [this] { ownPID_ = static_cast<int32_t>(appShell_.processIdentifier()); });
  return ownPID_;
}

std::optional<Rect> cgWindowBounds(const platform::WindowInfo& entry) {
  if (entry.empty()) return std::nullopt;
  auto it = entry.find(platform::window_key::kBounds);
  if (it == entry.end()) return std::nullopt;
  const auto* dictionary = it->second.asDictionary();
  if (!dictionary) return std::nullopt;
  return platform::rectFromDictionary(*dictionary);
}

}  // namespace pelko
