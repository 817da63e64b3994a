#include "screens/ScreenState.h"

#include <utility>

namespace pelko {

ScreenState::ScreenState(TaskbarPanel* panel, TaskbarViewController* viewController,
                         platform::ScreenInfo screen)
    : panel_(panel), viewController_(viewController), screen_(std::move(screen)) {
  if (viewController_ && panel_) viewController_->setParent(panel_);
}

ScreenState::~ScreenState() {
  close();
}

ScreenState::ScreenState(ScreenState&& other) noexcept
    : panel_(std::exchange(other.panel_, nullptr)),
      viewController_(std::exchange(other.viewController_, nullptr)),
      screenSpaceManager_(std::move(other.screenSpaceManager_)),
      autoHideManager_(std::move(other.autoHideManager_)),
      screen_(std::move(other.screen_)) {}

ScreenState& ScreenState::operator=(ScreenState&& other) noexcept {
  if (this != &other) {
    close();
    panel_ = std::exchange(other.panel_, nullptr);
    viewController_ = std::exchange(other.viewController_, nullptr);
    screenSpaceManager_ = std::move(other.screenSpaceManager_);
    autoHideManager_ = std::move(other.autoHideManager_);
    screen_ = std::move(other.screen_);
  }
  return *this;
}

void ScreenState::setScreen(const platform::ScreenInfo& screen) {
  screen_ = screen;
  if (screenSpaceManager_) screenSpaceManager_->updateScreen(screen);
  if (autoHideManager_) autoHideManager_->updateScreen(screen);
}

void ScreenState::setScreenSpaceManager(std::unique_ptr<ScreenSpaceManager> manager) {
  screenSpaceManager_ = std::move(manager);
  if (screenSpaceManager_) screenSpaceManager_->setAutoHideManager(autoHideManager_.get());
  if (autoHideManager_) autoHideManager_->setScreenSpaceManager(screenSpaceManager_.get());
}

void ScreenState::setAutoHideManager(std::unique_ptr<AutoHideManager> manager) {
  autoHideManager_ = std::move(manager);
  if (screenSpaceManager_) screenSpaceManager_->setAutoHideManager(autoHideManager_.get());
  if (autoHideManager_) {
    autoHideManager_->setScreenSpaceManager(screenSpaceManager_.get());
    autoHideManager_->setViewController(viewController_);
  }
}

void ScreenState::close() {
  if (screenSpaceManager_) screenSpaceManager_->setAutoHideManager(nullptr);
  autoHideManager_.reset();
  screenSpaceManager_.reset();  // stops it; the windows it resized stay where they are
  TaskbarPanel* panel = std::exchange(panel_, nullptr);
  TaskbarViewController* viewController = std::exchange(viewController_, nullptr);
  if (panel) {
    panel->setWindowOpacity(0);
    // Hidden rather than closed: a closed window could count as the application's last one.
    panel->orderOut();
    panel->deleteLater();  // the view controller, its child, goes with it
  } else if (viewController) {
    viewController->deleteLater();
  }
}

}  // namespace pelko
