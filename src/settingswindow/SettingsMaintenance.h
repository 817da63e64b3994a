#pragma once

#include <string>

#include "platform/Alerts.h"

namespace pelko {

// The report copied when the settings window runs without the application shell: it says so, rather
// than describing a state it cannot see.
std::string fallbackDiagnosticsReport(double wallClockSecondsSinceEpoch);

// The sheet after "Copy Debug Snapshot": a confirmation, or a warning when the clipboard did not take
// the text.
platform::AlertContent diagnosticsCopyAlert(bool copied);

}  // namespace pelko
