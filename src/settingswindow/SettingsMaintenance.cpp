#include "settingswindow/SettingsMaintenance.h"

#include "shell/DiagnosticsCopyAlert.h"
#include "shell/DiagnosticsReport.h"

namespace pelko {

std::string fallbackDiagnosticsReport(double wallClockSecondsSinceEpoch) {
  return "Pelko Diagnostics\nGenerated: " + DiagnosticsReport::iso8601(wallClockSecondsSinceEpoch) +
         "\nApp state unavailable (AppDelegate not found).";
}

platform::AlertContent diagnosticsCopyAlert(bool copied) {
  return diagnosticsCopyResultAlert(copied, "Paste them into bug reports.");
}

}  // namespace pelko
