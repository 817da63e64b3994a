#include "taskbar/AppItemForceQuit.h"

#include "foundation/DebugLog.h"
#include "platform/Screens.h"
#include "platform/Workspace.h"
#include "settings/SettingsManager.h"
#include "taskbar/AppItemView.h"
#include "taskbar/ThumbnailPanel.h"
#include "taskbar/ThumbnailServices.h"
#include "tracking/TrackedApp.h"
#include "ui/ScreenCoordinates.h"

namespace pelko {

namespace {
// `frame` (Qt's global coordinates) moved inside the visible frame of the screen holding `anchor`, by
// the rule that keeps the thumbnail panel on screen.
QPoint keptOnScreen(const QRect& frame, const QRect& anchor, platform::Screens& screens) {
  const auto all = screens.screens();
  const double mainHeight = all.empty() ? 0 : all.front().frame.size.height;
  const Rect wanted = fromQtGlobal(frame, mainHeight);
  const Point kept = ThumbnailPanel::clampToScreen(
      wanted.origin, wanted.size, fromQtGlobal(anchor, mainHeight), all, screens.mainScreen());
  return toQtGlobal(Rect(kept, wanted.size), mainHeight).topLeft();
}
}  // namespace

AppItemForceQuit::AppItemForceQuit(AppItemView& button, const AppItemEnvironment& environment)
    : button_(button), env_(environment) {}

void AppItemForceQuit::open() {
  const auto& app = button_.trackedApp();
  if (!app) return;
  // The application itself, not its process identifier: by the time the user confirms, the
  // application may have ended and another one may have been given the same identifier.
  pendingApp_ = env_.workspace.runningApplication(app->pid);
  if (popover_) {
    popover_->hide();
    popover_->deleteLater();
  }
  auto* popover = new ForceQuitPopover(app->name, &button_);
  // The popover is the button's child: while it can be answered, the button is there.
  QPointer<AppItemView> self(&button_);
  popover->onConfirm = [self] {
    if (self) self->confirmForceQuitPopover();
  };
  popover->onCancel = [self] {
    if (self) self->cancelForceQuitPopover();
  };
  popover_ = popover;
  auto s = button_.settingsManager.lock();
  const QRect anchor(button_.mapToGlobal(QPoint(0, 0)), button_.size());
  popover->adjustSize();
  QPoint origin = ForceQuitPopover::placement(
      anchor, popover->size(), s ? std::optional<TaskbarPosition>(s->position.get()) : std::nullopt);
  // Centred on a button at the end of the bar, the popover would run past the screen's edge.
  if (env_.thumbnails)
    origin = keptOnScreen(QRect(origin, popover->size()), anchor, env_.thumbnails->screens);
  popover->move(origin);
  popover->show();
}

void AppItemForceQuit::closePopover() {
  if (popover_) {
    popover_->hide();
    popover_->deleteLater();
  }
  popover_ = nullptr;
}

void AppItemForceQuit::cancel() {
  pendingApp_.reset();
  closePopover();
}

void AppItemForceQuit::confirm() {
  auto app = std::move(pendingApp_);
  pendingApp_.reset();
  closePopover();
  if (!app) return;
  if (app->isTerminated()) {
    debugLog("Force Quit: pid " + std::to_string(app->processIdentifier()) +
             " has ended already; nothing to force quit");
    return;
  }
  (void)app->forceTerminate();
}

}  // namespace pelko
