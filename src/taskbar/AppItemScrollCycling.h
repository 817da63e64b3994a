#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pelko {

class AccessibilityHelper;
class AppTracker;
class Scheduler;
class SettingsManager;
class TrackedApp;
class WindowManager;

// Cycling through a grouped application's windows with the scroll wheel over its button: each flick
// brings the next window (scrolling down) or the previous one (up) forward, wrapping around, from where
// the cycle stands. The bar's view controller keeps one per button and hands it the scrolls the button
// reports; the button itself only reports them. Main thread only.
class AppItemScrollCycling {
 public:
  // Scroll steps closer together than this are swallowed, so one flick moves one window.
  static constexpr double kScrollInterval = 0.15;
  // Vertical scroll deltas (points) at or below this are left to the bar.
  static constexpr double kScrollThreshold = 3.0;

  // What a step reads and acts on; all outlive the call.
  struct World {
    Scheduler& scheduler;
    const SettingsManager& settings;
    AppTracker& tracker;
    WindowManager& windowManager;
    AccessibilityHelper& accessibilityHelper;
  };

  // One scroll of `deltaY` points (positive: up) over the button of `entry`. Answers whether it was
  // taken, as a step or swallowed within a flick; false hands it on to the bar.
  bool scroll(const World& world, const TrackedApp& entry, double deltaY);

  // The window a scroll step moves to from `current` among `windows` (ascending window numbers):
  // scrolling up (positive delta) goes to the previous window, down to the next, wrapping around; a
  // current window not in the list counts as the first. Nothing with fewer than two windows.
  static std::optional<int64_t> windowAfterScroll(const std::vector<int64_t>& windows,
                                                  std::optional<int64_t> current, double deltaY);

 private:
  friend struct AppItemViewTestAccess;

  double lastScrollTime_ = 0;
  // The window the cycle brought forward last, for the entry it did so for: a button bound to another
  // entry starts afresh.
  std::optional<int64_t> lastScrollFocusedWindow_;
  std::string lastScrollEntryID_;
};

}  // namespace pelko
