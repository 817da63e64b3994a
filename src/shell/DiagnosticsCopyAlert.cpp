#include "shell/DiagnosticsCopyAlert.h"

#include <string>

namespace pelko {

platform::AlertContent diagnosticsCopyResultAlert(bool copied, std::string_view followUp) {
  platform::AlertContent alert;
  if (copied) {
    alert.style = platform::AlertContent::Style::informational;
    alert.messageText = "Diagnostics Copied";
    alert.informativeText = "Diagnostic details were copied to your clipboard.";
    if (!followUp.empty()) alert.informativeText += " " + std::string(followUp);
  } else {
    alert.style = platform::AlertContent::Style::warning;
    alert.messageText = "Copy Failed";
    alert.informativeText = "Pelko could not copy diagnostics to the clipboard.";
  }
  alert.buttons = {"OK"};
  return alert;
}

}  // namespace pelko
