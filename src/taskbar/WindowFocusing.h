#pragma once

#include <cstdint>
#include <optional>

#include "platform/AXElement.h"

namespace pelko {

class AccessibilityHelper;

// Acting on one window of another application through Accessibility, as the item buttons, their
// thumbnails and the bar's scroll cycling do. Errors are not reported: each caller has activated the
// application already, which is the best fallback.

// The first of the application's Accessibility windows with the window number; none without one.
std::optional<platform::AXElement> accessibilityWindow(AccessibilityHelper& helper, int32_t pid,
                                                       int64_t windowNumber);
// The window number of the application's focused window; none without trust or a readable one.
std::optional<int64_t> focusedWindowNumber(AccessibilityHelper& helper, int32_t pid);
// Makes the window the application's main and focused window and raises it; nothing without trust.
void focusSpecificWindow(AccessibilityHelper& helper, int32_t pid, int64_t windowNumber);

}  // namespace pelko
