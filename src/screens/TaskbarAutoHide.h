#pragma once

namespace pelko {

// What the screen-space and monitor managers ask of one bar's auto-hide manager. The managers hold it
// as a plain pointer that may be null (no auto-hide manager on that bar), and check it before each use.
class TaskbarAutoHide {
 public:
  virtual ~TaskbarAutoHide() = default;
  virtual bool isTaskbarHidden() const = 0;
  virtual void showTaskbar(bool animated) = 0;
  virtual void hideTaskbar(bool animated) = 0;
  virtual void fullscreenStateChanged(bool isFullscreen) = 0;
  virtual void resetHideTimer() = 0;
  virtual void cancelHideTimer() = 0;
  virtual void repositionTriggerZone() = 0;
};

}  // namespace pelko
