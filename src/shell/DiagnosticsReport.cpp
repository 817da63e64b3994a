#include "shell/DiagnosticsReport.h"

#include <cmath>
#include <ctime>
#include <vector>

namespace pelko {

namespace {

std::string flag(bool value) {
  return value ? "true" : "false";
}

std::string granted(bool value) {
  return value ? "granted" : "missing";
}

// Truncated toward zero; a value that is not a finite number prints as 0.
std::string whole(double value) {
  if (!std::isfinite(value)) return "0";
  return std::to_string(static_cast<long long>(std::trunc(value)));
}

}  // namespace

std::string DiagnosticsReport::iso8601(double secondsSinceEpoch) {
  auto seconds = static_cast<std::time_t>(std::floor(secondsSinceEpoch));
  std::tm utc{};
  ::gmtime_r(&seconds, &utc);
  char buffer[32];
  std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return buffer;
}

std::string DiagnosticsReport::text() const {
  const std::vector<std::string> lines = {
      "Pelko Diagnostics",
      "Generated: " + iso8601(generatedAt),
      "App: v" + shortVersion.value_or("unknown") + " (" + build.value_or("unknown") + ")",
      "macOS: " + systemVersion,
      "Accessibility: " + granted(accessibilityTrusted),
      "Screen Recording: " + granted(screenRecordingGranted),
      "Screens Connected: " + std::to_string(screensConnected),
      "Tracked Apps: " + std::to_string(trackedApps),
      "Position: " + position,
      "Style: " + style,
      "Auto-Hide: " + flag(autoHide),
      "Show Thumbnails: " + flag(showThumbnails),
      "Show System Tray: " + flag(showSystemTray),
      "Fully Hide Dock: " + flag(fullyHideDock),
      "Dock Hidden Runtime: " + flag(dockHiddenRuntime),
      "Launch at Login: " + flag(launchAtLogin),
      "Launch at Login Pending Approval: " + flag(launchAtLoginPendingApproval),
      "Floating Bar: " + flag(floatingBar),
      "Taskbar Size: " + whole(taskbarSize) + "% (" + whole(barThickness) + " pt)",
      "Monitor Mode: " + monitorMode,
      "Blacklisted Apps: " + std::to_string(blacklistedApps),
      "Custom App Order: " + std::to_string(customAppOrder),
  };
  std::string report;
  for (const auto& line : lines) {
    if (!report.empty()) report += '\n';
    report += line;
  }
  return report;
}

}  // namespace pelko
