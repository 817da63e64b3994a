#pragma once

#include <string_view>

#include "platform/Alerts.h"

namespace pelko {

// The alert after the diagnostics were copied: a confirmation, followed by `followUp` when it is not
// empty (what the text is for), or a warning when the clipboard did not take the text.
platform::AlertContent diagnosticsCopyResultAlert(bool copied, std::string_view followUp);

}  // namespace pelko
