#pragma once

#include <functional>

namespace pelko {

// What a bar's menus ask of the application shell. Each may be empty: a menu leaves out the entry of an
// empty `openSettings`, and quitting falls back from `restoreDockAndQuit` to `terminate`.
struct TaskbarShellActions {
  std::function<void()> openSettings;
  // Restores the Dock (when this run hid it) and ends the application.
  std::function<void()> restoreDockAndQuit;
  // Ends the application without restoring the Dock.
  std::function<void()> terminate;
};

}  // namespace pelko
