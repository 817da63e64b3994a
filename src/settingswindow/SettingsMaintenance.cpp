#include "settingswindow/SettingsMaintenance.h"

#include "shell/DiagnosticsReport.h"

namespace pelko {

std::string fallbackDiagnosticsReport(double wallClockSecondsSinceEpoch) {
  return "Pelko Diagnostics\nGenerated: " + DiagnosticsReport::iso8601(wallClockSecondsSinceEpoch) +
         "\nApp state unavailable (AppDelegate not found).";
}

platform::AlertContent diagnosticsCopyAlert(bool copied) {
  platform::AlertContent alert;
  if (copied) {
    alert.style = platform::AlertContent::Style::informational;
    alert.messageText = "Diagnostics Copied";
    alert.informativeText = "Diagnostic details were copied to your clipboard. Paste them into bug reports.";
  } else {
    alert.style = platform::AlertContent::Style::warning;
    alert.messageText = "Copy Failed";
    alert.informativeText = "Pelko could not copy diagnostics to the clipboard.";
  }
  alert.buttons = {"OK"};
  return alert;
}

}  // namespace pelko
