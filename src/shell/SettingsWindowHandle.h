#pragma once

#include <vector>

#include "tracking/AppTracker.h"

namespace pelko {

// The settings window as the shell drives it; the shell makes it on first use through a factory the
// program hands it, so the shell never depends on the window's own layer.
class SettingsWindowHandle {
 public:
  virtual ~SettingsWindowHandle() = default;
  virtual void showSettings() = 0;
  // A click on this program's own entry in the bar: shows the window, or puts it away when in front.
  virtual void toggleFromTaskbar() = 0;
  // The program's own windows, for the tracker: the settings window while it exists.
  virtual std::vector<AppTracker::OwnWindow> ownWindows() const = 0;
};

}  // namespace pelko
