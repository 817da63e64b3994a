#include "taskbar/AppItemDragHover.h"

#include <vector>

#include "taskbar/AppItemThumbnails.h"
#include "taskbar/AppItemView.h"
#include "taskbar/WindowFocusing.h"
#include "tracking/AppTracker.h"
#include "tracking/TrackedApp.h"
#include "tracking/WindowManager.h"

namespace pelko {

namespace {
constexpr double kDragHoverDelay = 0.3;
}  // namespace

AppItemDragHover::AppItemDragHover(AppItemView& button, AppItemThumbnails& thumbnails,
                                   const AppItemEnvironment& environment)
    : button_(button), thumbnails_(thumbnails), env_(environment) {}

AppItemDragHover::~AppItemDragHover() {
  forget();
}

void AppItemDragHover::entered() {
  hovering_ = true;
  thumbnails_.dropPendingShow();
  if (thumbnails_.activePanel())
    thumbnails_.stopWatchingPointer();
  else
    scheduleRestAction();
}

void AppItemDragHover::exited() {
  forget();
  // The panel stays while the drag moves onto it, and goes once it is left.
  if (thumbnails_.activePanel()) thumbnails_.watchPointer();
}

void AppItemDragHover::ended() {
  forget();
  button_.cancelThumbnail();
}

void AppItemDragHover::forget() {
  hovering_ = false;
  if (restWorkItem_) restWorkItem_->cancel();
  restWorkItem_.reset();
}

void AppItemDragHover::scheduleRestAction() {
  if (restWorkItem_) restWorkItem_->cancel();
  std::weak_ptr<AppItemDragHover> weak = weak_from_this();
  restWorkItem_ = env_.scheduler.mainAfter(kDragHoverDelay, [weak] {
    if (auto self = weak.lock()) self->restAction();
  });
}

void AppItemDragHover::restAction() {
  restWorkItem_.reset();
  const TrackedAppPtr app = button_.trackedApp();
  if (!app || !button_.settingsManager.lock()) return;
  std::vector<int64_t> windows;
  if (!app->isWindowEntry()) {
    if (auto tracker = button_.appTracker.lock()) windows = tracker->windowNumbers(app->pid);
    if (windows.size() > 1 && env_.thumbnails) {
      thumbnails_.show();
      return;
    }
  }
  if (auto manager = button_.windowManager.lock()) manager->activate(app->pid);
  std::optional<int64_t> target = app->windowNumber;
  if (!target && !windows.empty()) target = windows.front();
  if (target) focusSpecificWindow(env_.accessibilityHelper, app->pid, *target);
}

}  // namespace pelko
