#pragma once

#include <QPointer>
#include <memory>

#include "platform/Screens.h"
#include "screens/AutoHideManager.h"
#include "screens/ScreenSpaceManager.h"
#include "taskbar/TaskbarContainerView.h"
#include "taskbar/TaskbarPanel.h"
#include "taskbar/TaskbarViewController.h"

namespace pelko {

// The bar of one displayed monitor, as the monitor manager keeps it, and its only owner: the view
// controller is a child of the panel and the panel shows the controller's root view, so closing the
// panel takes the whole bar with it. It also owns the bar's screen-space manager, which goes (and stops)
// before the panel is closed. A state closes its bar when it is destroyed. The panel is deleted
// on a later pass of the event loop, so a bar can be replaced from inside one of its own menus.
class ScreenState {
 public:
  ScreenState() = default;
  ScreenState(TaskbarPanel* panel, TaskbarViewController* viewController, platform::ScreenInfo screen);
  ~ScreenState();
  ScreenState(ScreenState&& other) noexcept;
  ScreenState& operator=(ScreenState&& other) noexcept;
  ScreenState(const ScreenState&) = delete;
  ScreenState& operator=(const ScreenState&) = delete;

  TaskbarPanel* panel() const { return panel_; }
  TaskbarViewController* viewController() const { return viewController_; }
  // The screen as it was when the bar was built or last re-placed.
  const platform::ScreenInfo& screen() const { return screen_; }
  void setScreen(const platform::ScreenInfo& screen);
  ScreenSpaceManager* screenSpaceManager() const { return screenSpaceManager_.get(); }
  void setScreenSpaceManager(std::unique_ptr<ScreenSpaceManager> manager);
  // The bar's auto-hide manager; null while the bar has none. It goes (and stops) first when the state
  // closes, before the screen-space manager it asks.
  AutoHideManager* autoHideManager() const { return autoHideManager_.get(); }
  void setAutoHideManager(std::unique_ptr<AutoHideManager> manager);
  platform::DisplayID displayID() const { return screen_.displayID; }

  // Makes the panel fully transparent, takes it off the screen and lets it go; idempotent.
  void close();

 private:
  QPointer<TaskbarPanel> panel_;
  QPointer<TaskbarViewController> viewController_;
  std::unique_ptr<ScreenSpaceManager> screenSpaceManager_;
  std::unique_ptr<AutoHideManager> autoHideManager_;
  platform::ScreenInfo screen_;
};

}  // namespace pelko
