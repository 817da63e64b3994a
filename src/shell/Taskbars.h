#pragma once

#include <functional>
#include <string>
#include <vector>

#include "foundation/Geometry.h"
#include "settings/SettingEnumerations.h"

namespace pelko {

// What the application shell asks of every bar when a setting changes.
enum class BarUpdate {
  itemSizes,          // reconfigureItemSizes()
  items,              // reconfigureItems()
  dismissThumbnails,  // dismissAllThumbnails()
  windowCounts,       // refreshWindowCounts()
  dimming,            // refreshDimming()
  activeIndicators,   // refreshActiveIndicators()
  border,             // updateBorder()
  backgroundOpacity,  // updateBackgroundOpacity()
  vibrancy,           // updateVibrancy()
  cornerRadius,       // updateCornerRadius()
};

// The bars of every monitor as the application shell drives them: the monitor manager with its bars
// and screen-space managers in the running program.
class Taskbars {
 public:
  virtual ~Taskbars() = default;

  // Builds one bar per monitor and starts following the screens and the tracker's list.
  virtual void start() = 0;
  virtual void stop() = 0;
  // Tears down and rebuilds every bar.
  virtual void rebuildAll() = 0;
  // Recomputes and applies every bar's frame.
  virtual void repositionAllPanels() = 0;
  // Rebuilds every bar's layout for `position`.
  virtual void updateLayout(TaskbarPosition position) = 0;
  virtual void updateEveryBar(BarUpdate update) = 0;
  // Keeps the bars out of screen captures, or lets captures read them.
  virtual void setExcludedFromCapture(bool excluded) = 0;
  // The applications whose windows the bars never move, shared by every bar and kept across rebuilds;
  // bars that move no windows have nothing to keep.
  virtual void updateBlacklistedBundleIDs(const std::vector<std::string>& /*bundleIDs*/) {}
  // Stops watching the windows of applications that are excluded now.
  virtual void removeBlacklistedObservers() {}
  // The frames of the bars that stand on screen now, in screen coordinates (an auto-hidden bar that is
  // out of sight takes no room); the program's own windows open clear of them.
  virtual std::vector<Rect> barFrames() const { return {}; }
  // Runs `run` once, on the main queue, after the bars first stood on screen (drawn); bars that show
  // nothing run it at once. For start-up work that may hold the main thread up and must not delay them.
  virtual void whenOnScreen(std::function<void()> run) { run(); }
};

}  // namespace pelko
