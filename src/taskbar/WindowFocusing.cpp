#include "taskbar/WindowFocusing.h"

#include "platform/Accessibility.h"
#include "tracking/AccessibilityHelper.h"

namespace pelko {

namespace {
std::optional<platform::AXElement> windowOf(platform::Accessibility& ax, const platform::AXElement& app,
                                            int64_t windowNumber) {
  const auto windows = ax.copyAttributeValue(app, platform::ax::kWindows);
  if (!windows.ok() || !windows.value || !windows.value->asElements()) return std::nullopt;
  for (const auto& window : *windows.value->asElements()) {
    const auto number = ax.windowNumber(window);
    if (number.ok() && static_cast<int64_t>(number.windowNumber) == windowNumber) return window;
  }
  return std::nullopt;
}
}  // namespace

std::optional<platform::AXElement> accessibilityWindow(AccessibilityHelper& helper, int32_t pid,
                                                       int64_t windowNumber) {
  return windowOf(helper.accessibility(), helper.appElement(pid), windowNumber);
}

std::optional<int64_t> focusedWindowNumber(AccessibilityHelper& helper, int32_t pid) {
  if (!helper.isTrusted()) return std::nullopt;
  auto& ax = helper.accessibility();
  const auto focused = ax.copyAttributeValue(helper.appElement(pid), platform::ax::kFocusedWindow);
  if (!focused.ok() || !focused.value || !focused.value->asElement()) return std::nullopt;
  const auto number = ax.windowNumber(*focused.value->asElement());
  if (!number.ok()) return std::nullopt;
  return static_cast<int64_t>(number.windowNumber);
}

void focusSpecificWindow(AccessibilityHelper& helper, int32_t pid, int64_t windowNumber) {
  if (!helper.isTrusted()) return;
  auto& ax = helper.accessibility();
  const platform::AXElement app = helper.appElement(pid);
  const auto window = windowOf(ax, app, windowNumber);
  if (!window) return;
  (void)ax.setAttributeValue(app, platform::ax::kMainWindow, *window);
  (void)ax.setAttributeValue(app, platform::ax::kFocusedWindow, *window);
  (void)ax.performAction(*window, platform::ax::kRaiseAction);
}

}  // namespace pelko
