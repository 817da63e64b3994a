#pragma once

#include <QPointer>
#include <memory>

#include "taskbar/AppItemEnvironment.h"
#include "taskbar/ForceQuitPopover.h"

namespace pelko {

class AppItemView;

namespace platform {
class RunningApplication;
}  // namespace platform

// The confirmation before an item button force-quits its application: a popover beside the button,
// kept on the screen, whose confirmation force-terminates the application it was opened for, which by
// then may have ended (and its process identifier gone to another one). Owned by its button; main
// thread only.
class AppItemForceQuit {
 public:
  AppItemForceQuit(AppItemView& button, const AppItemEnvironment& environment);
  AppItemForceQuit(const AppItemForceQuit&) = delete;
  AppItemForceQuit& operator=(const AppItemForceQuit&) = delete;

  // Opens the popover for the button's entry, in place of one still open.
  void open();
  void confirm();
  void cancel();
  ForceQuitPopover* popover() const { return popover_.data(); }

 private:
  void closePopover();

  AppItemView& button_;
  const AppItemEnvironment env_;
  QPointer<ForceQuitPopover> popover_;
  std::shared_ptr<platform::RunningApplication> pendingApp_;
};

}  // namespace pelko
