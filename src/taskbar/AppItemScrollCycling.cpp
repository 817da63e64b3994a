#include "taskbar/AppItemScrollCycling.h"

#include <algorithm>
#include <cmath>

#include "foundation/Scheduler.h"
#include "settings/SettingsManager.h"
#include "taskbar/WindowFocusing.h"
#include "tracking/AppTracker.h"
#include "tracking/TrackedApp.h"
#include "tracking/WindowManager.h"

namespace pelko {

std::optional<int64_t> AppItemScrollCycling::windowAfterScroll(const std::vector<int64_t>& windows,
                                                               std::optional<int64_t> current,
                                                               double deltaY) {
  const auto count = static_cast<int64_t>(windows.size());
  if (count < 2) return std::nullopt;
  int64_t index = 0;
  if (current) {
    auto it = std::find(windows.begin(), windows.end(), *current);
    if (it != windows.end()) index = it - windows.begin();
  }
  const int64_t step = deltaY > 0 ? -1 : 1;
  return windows[static_cast<size_t>((index + step + count) % count)];
}

bool AppItemScrollCycling::scroll(const World& world, const TrackedApp& entry, double deltaY) {
  if (!world.settings.groupWindows.get()) return false;
  if (!(std::abs(deltaY) > kScrollThreshold)) return false;

  const double now = world.scheduler.now();
  if (now - lastScrollTime_ < kScrollInterval - 1e-9) return true;  // swallowed: one step per flick
  lastScrollTime_ = now;
  if (entry.id != lastScrollEntryID_) {
    lastScrollFocusedWindow_.reset();
    lastScrollEntryID_ = entry.id;
  }

  const int32_t pid = entry.pid;
  std::vector<int64_t> windows;
  for (auto number : world.tracker.windowNumbers(pid)) windows.push_back(static_cast<int64_t>(number));
  if (windows.size() < 2) return false;

  auto contains = [&](int64_t number) {
    return std::find(windows.begin(), windows.end(), number) != windows.end();
  };
  // Start from where the cycle stands: the window this button brought forward last, else this entry's
  // own window, else the one the application has focused. Starting from the first window every time
  // would only ever reach the second or the last.
  std::optional<int64_t> current;
  if (lastScrollFocusedWindow_ && contains(*lastScrollFocusedWindow_)) {
    current = lastScrollFocusedWindow_;
  } else if (entry.windowNumber) {
    current = entry.windowNumber;
  } else if (auto focused = focusedWindowNumber(world.accessibilityHelper, pid);
             focused && contains(*focused)) {
    current = focused;
  }
  const auto target = windowAfterScroll(windows, current, deltaY);
  if (!target) return false;

  world.windowManager.activate(pid);
  focusSpecificWindow(world.accessibilityHelper, pid, *target);
  lastScrollFocusedWindow_ = target;
  return true;
}

}  // namespace pelko
