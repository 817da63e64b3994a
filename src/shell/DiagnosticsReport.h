#pragma once

#include <optional>
#include <string>

namespace pelko {

// A plain-text snapshot of the application's state for bug reports: what goes in, and the text.
struct DiagnosticsReport {
  double generatedAt = 0;  // seconds since the Unix epoch
  std::optional<std::string> shortVersion;
  std::optional<std::string> build;
  std::string systemVersion;
  bool accessibilityTrusted = false;
  bool screenRecordingGranted = false;
  size_t screensConnected = 0;
  size_t trackedApps = 0;
  std::string position;
  std::string style;
  bool autoHide = false;
  bool showThumbnails = false;
  bool showSystemTray = false;
  bool fullyHideDock = false;
  bool dockHiddenRuntime = false;
  bool launchAtLogin = false;
  bool launchAtLoginPendingApproval = false;
  bool floatingBar = false;
  double taskbarSize = 0;
  double barThickness = 0;
  std::string monitorMode;
  size_t blacklistedApps = 0;
  size_t customAppOrder = 0;

  // One line each, joined with "\n", no line feed at the end.
  std::string text() const;

  // Internet date-time in UTC to the second ("2026-01-31T09:05:00Z").
  static std::string iso8601(double secondsSinceEpoch);
};

}  // namespace pelko
