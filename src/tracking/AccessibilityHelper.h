#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "foundation/Geometry.h"
#include "foundation/Scheduler.h"
#include "platform/AXElement.h"
#include "platform/WindowServer.h"

namespace pelko {

namespace platform {
class Accessibility;
class AppShell;
class Permissions;
class Workspace;
}  // namespace platform

// The text and buttons of one of the two Accessibility alerts (warning style). The first button opens
// the Accessibility pane of System Settings; the second does nothing.
struct AccessibilityAlert {
  std::string messageText;
  std::string informativeText;
  std::string firstButton;
  std::string secondButton;
};

// Runs an alert modally and answers whether the user chose its first button. The application shell
// supplies it (its alert service); without one, no alert is shown.
using AlertRunner = std::function<bool(const AccessibilityAlert&)>;

// Accessibility trust and element helpers shared by the tracker, the window manager and the user
// interface. Stateless apart from the own process identifier, which is read once; safe to call from the
// tracker's work queue except for the alerts, the pane openings and the trust monitor (main thread).
class AccessibilityHelper {
 public:
  static constexpr float kDefaultMessagingTimeout = 1.0f;
  static constexpr double kDefaultTrustMonitorInterval = 30;
  static constexpr const char* kAccessibilityPaneURL =
      "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";
  static constexpr const char* kScreenRecordingPaneURL =
      "x-apple.systempreferences:com.apple.preference.security?Privacy_ScreenCapture";

  AccessibilityHelper(Scheduler& scheduler, platform::Permissions& permissions,
                      platform::Accessibility& accessibility, platform::Workspace& workspace,
                      platform::AppShell& appShell, AlertRunner alertRunner = {});

  bool isTrusted() const;
  // Asks the system for trust (it shows its own prompt when the process is not trusted yet).
  bool requestAccessIfNeeded();
  bool hasScreenRecordingPermission() const;

  // The application element of `pid`, with its messaging time-out set (the outcome is not checked).
  platform::AXElement appElement(int32_t pid, float timeoutSeconds = kDefaultMessagingTimeout) const;

  std::optional<Point> axPosition(const platform::AXElement& element) const;
  std::optional<Size> axSize(const platform::AXElement& element) const;
  // Position and size together; the size is not read when the position cannot be.
  std::optional<Rect> axBounds(const platform::AXElement& element) const;

  void openAccessibilitySettings();
  void openScreenRecordingSettings();
  void showAccessibilityAlert();

  // Checks trust every `interval` seconds (tolerance 5 s) and warns once each time trust the process had
  // (when the monitor started, or at a later tick) is lost; a process never trusted is not warned. The
  // caller keeps the timer and invalidates it at quit.
  RepeatingTimerPtr startTrustMonitor(double interval = kDefaultTrustMonitorInterval);

  // This process's identifier, read on first use and fixed afterwards.
  int32_t ownPID() const;

  platform::Accessibility& accessibility() const { return accessibility_; }
  platform::AppShell& appShell() const { return appShell_; }

  static AccessibilityAlert accessRequiredAlert();
  static AccessibilityAlert accessRevokedAlert();

 private:
  Scheduler& scheduler_;
  platform::Permissions& permissions_;
  platform::Accessibility& accessibility_;
  platform::Workspace& workspace_;
  platform::AppShell& appShell_;
  AlertRunner alertRunner_;
  mutable std::once_flag ownPIDOnce_;
  mutable int32_t ownPID_ = 0;
};

// The bounds of one entry of the window server's window list, in window-server coordinates; nothing
// when the entry has no bounds dictionary or the dictionary does not describe a rectangle.
std::optional<Rect> cgWindowBounds(const platform::WindowInfo& entry);

}  // namespace pelko
