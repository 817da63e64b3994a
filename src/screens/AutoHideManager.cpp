#include "screens/AutoHideManager.h"

#include <algorithm>

#include "platform/Appearance.h"
#include "platform/EventMonitors.h"
#include "platform/Workspace.h"
#include "screens/ScreenSpaceManager.h"
#include "settings/SettingsManager.h"
#include "taskbar/TaskbarContainerView.h"
#include "taskbar/TaskbarViewController.h"
#include "taskbar/ThumbnailPanel.h"

namespace pelko {

AutoHideManager::AutoHideManager(TaskbarPanel* panel, std::shared_ptr<SettingsManager> settingsManager,
                                 platform::ScreenInfo screen, const Dependencies& dependencies)
    : panel_(panel),
      settingsManager_(std::move(settingsManager)),
      screen_(std::move(screen)),
      deps_(dependencies),
      animator_(dependencies.scheduler) {
  subscribe();
  if (settingsManager_->autoHide.get()) startAutoHide();
}

AutoHideManager::~AutoHideManager() {
  // The owner may be tearing down its own bookkeeping right now: it hears nothing more.
  onHiddenChanged = nullptr;
  cancellables_.clear();
  stopAutoHide();
  removeTriggerZone();
  removePeekStrip();
}

void AutoHideManager::setViewController(TaskbarViewController* viewController) {
  viewController_ = viewController;
}

double AutoHideManager::mediaTime() const {
  return deps_.scheduler.now();
}

bool AutoHideManager::reduceMotion() const {
  return deps_.workspace.accessibilityDisplayShouldReduceMotion();
}

AutoHideManager::State AutoHideManager::state() const {
  if (isTaskbarHidden_) return isAnimating_ ? State::hiding : State::hidden;
  return isAnimating_ ? State::showing : State::shown;
}

void AutoHideManager::setHidden(bool hidden) {
  const bool changed = isTaskbarHidden_ != hidden;
  isTaskbarHidden_ = hidden;
  if (changed && onHiddenChanged) onHiddenChanged();
}

// ---- Subscriptions ----

void AutoHideManager::subscribe() {
  Scheduler& scheduler = deps_.scheduler;
  SettingsManager& settings = *settingsManager_;
  // Every handler runs on a later pass, after the setting holds its new value.
  auto on = [&](auto& setting, auto action) {
    setting.publisher()
        .dropFirst()
        .receiveOnMain(scheduler)
        .sink(lifetime_.guard([this, action](const auto& value) { action(value); }))
        .store(cancellables_);
  };
  auto autoHideOn = [this] { return settingsManager_->autoHide.get(); };

  on(settings.autoHide, [this](bool on) { on ? startAutoHide() : stopAutoHide(); });
  on(settings.autoHideDelay, [this](double) { resetHideTimer(); });
  on(settings.autoHideDodgeWindows, [this, autoHideOn](bool) {
    if (autoHideOn()) resetHideTimer();
  });
  on(settings.autoHideFullscreenOnly, [this, autoHideOn](bool on) {
    if (!autoHideOn()) return;
    if (on && !(screenSpaceManager_ && screenSpaceManager_->isFullscreenActive())) {
      cancelHideTimer();
      if (isTaskbarHidden_) showTaskbar(false);
    } else {
      resetHideTimer();
    }
  });
  on(settings.autoHidePinned, [this, autoHideOn](bool pinned) {
    if (!autoHideOn()) return;
    if (pinned) {
      cancelHideTimer();
      if (isTaskbarHidden_) showTaskbar(true);
    } else {
      resetHideTimer();
    }
  });
  on(settings.autoHidePeekReveal, [this, autoHideOn](bool peek) {
    if (!autoHideOn() || !isTaskbarHidden_) return;
    if (peek)
      createPeekStrip();
    else
      removePeekStrip();
  });
  on(settings.autoHideDragReveal, [this](bool) { repositionTriggerZone(); });
  on(settings.autoHideActivationDelay, [this](double) {
    if (showDelayTimer_) showDelayTimer_->invalidate();
    showDelayTimer_.reset();
  });
  on(settings.autoHideAnimation, [this](AutoHideAnimation) {
    if (isAnimating_) abandonAnimation();
  });

  deps_.workspace.notifications(platform::WorkspaceNotificationName::screensDidWake)
      .receiveOnMain(scheduler)
      .sink(lifetime_.guard([this](const platform::WorkspaceNotification&) {
        if (!settingsManager_->autoHide.get()) return;
        if (animationDeadlineTimer_) animationDeadlineTimer_->invalidate();
        animationDeadlineTimer_.reset();
        isAnimating_ = false;
        cleanupAnimationState();
        showTaskbar(false);
      }))
      .store(cancellables_);
}

void AutoHideManager::abandonAnimation() {
  ++animationGeneration_;
  cleanupAnimationState();
  isAnimating_ = false;
}

// ---- Starting and stopping ----

void AutoHideManager::startAutoHide() {
  resetHideTimer();
  if (initialHideWorkItem_) initialHideWorkItem_->cancel();
  // The first hide checks nothing else: pinned, dodging and full-screen-only bars go too.
  initialHideWorkItem_ = deps_.scheduler.mainAfter(kInitialHideDelay, lifetime_.guard([this] {
    if (settingsManager_->autoHide.get() && !isTaskbarHidden_) hideTaskbar(true);
  }));
}

void AutoHideManager::stopAutoHide() {
  for (OneShotTimerPtr* timer : {&hideTimer_, &showDelayTimer_}) {
    if (*timer) (*timer)->invalidate();
    timer->reset();
  }
  if (initialHideWorkItem_) initialHideWorkItem_->cancel();
  initialHideWorkItem_.reset();
  if (animationDeadlineTimer_) animationDeadlineTimer_->invalidate();
  animationDeadlineTimer_.reset();
  if (isAnimating_) abandonAnimation();
  removeTriggerZone();
  removePeekStrip();
  if (!isTaskbarHidden_) return;
  if (screenSpaceManager_ && screenSpaceManager_->isHiddenForFullscreen()) {
    // A show is refused while a full-screen window keeps the bar away; the screen-space manager brings
    // the bar back when full screen ends, and it only does so for a bar auto-hide no longer holds.
    setHidden(false);
    if (panel_) {
      panel_->setAlphaValue(1);
      panel_->setFrame(targetFrame());
    }
    return;
  }
  showTaskbar(false);
}

// ---- The hide timer ----

void AutoHideManager::cancelHideTimer() {
  if (hideTimer_) hideTimer_->invalidate();
  hideTimer_.reset();
}

void AutoHideManager::resetHideTimer() {
  restartHideTimer(pointerLocation());
}

std::optional<Point> AutoHideManager::pointerLocation() const {
  if (!deps_.eventMonitors) return std::nullopt;
  return deps_.eventMonitors->mouseLocation();
}

void AutoHideManager::restartHideTimer(const std::optional<Point>& pointer) {
  pointerAtArming_ = pointer;
  const SettingsManager& settings = *settingsManager_;
  const bool fullscreenAllows = !settings.autoHideFullscreenOnly.get() ||
                                (screenSpaceManager_ && screenSpaceManager_->isFullscreenActive());
  if (!settings.autoHide.get() || isTaskbarHidden_ || settings.autoHidePinned.get() ||
      settings.autoHideDodgeWindows.get() || !fullscreenAllows) {
    cancelHideTimer();
    return;
  }
  double delay = settings.autoHideDelay.get();
  if (settings.autoHideSmartDelay.get() && userInteracted_) delay *= 2;
  delay = std::max(delay, kMinimumHideDelay);
  const double tolerance = std::max(delay / 10, kMinimumHideTolerance);
  // Every pointer move restarts the delay: the armed timer moves its deadline instead of being replaced.
  if (hideTimer_ && hideTimer_->isValid() && hideTimer_->tolerance() == tolerance) {
    hideTimer_->restart(delay);
    return;
  }
  cancelHideTimer();
  hideTimer_ = deps_.scheduler.scheduleOneShot(delay, tolerance, lifetime_.guard([this] {
    hideTimer_.reset();
    // The pointer may have moved since the timer was armed with that move's event still queued behind
    // this timer: the move is the last movement, and the delay counts from it, not from the one before.
    const std::optional<Point> pointer = pointerLocation();
    if (pointer && pointerAtArming_ && *pointer != *pointerAtArming_ && screen_.frame.contains(*pointer)) {
      pointerMoved(*pointer);
      return;
    }
    userInteracted_ = false;
    hideTaskbar(true);
  }));
}

void AutoHideManager::markUserInteraction() {
  if (!settingsManager_->autoHideSmartDelay.get()) return;
  userInteracted_ = true;
  resetHideTimer();
}

// ---- The pointer ----

void AutoHideManager::handleMouseMoved() {
  if (isTaskbarHidden_ || !settingsManager_->autoHide.get() || !deps_.eventMonitors) return;
  const Point location = deps_.eventMonitors->mouseLocation();
  if (screen_.frame.contains(location)) pointerMoved(location);
}

void AutoHideManager::pointerMoved(const Point& location) {
  if (settingsManager_->autoHideSmartDelay.get() && isMouseOverTaskbar(location)) userInteracted_ = true;
  restartHideTimer(location);
}

bool AutoHideManager::isMouseOverTaskbar(const Point& location) const {
  if (!panel_) return false;
  if (panel_->frame().contains(location)) return true;
  if (!viewController_) return false;
  const ThumbnailPanel* thumbnails = viewController_->visibleThumbnailPanel();
  return thumbnails && thumbnails->frame().contains(location);
}

void AutoHideManager::mouseEntered() {
  if (!isTaskbarHidden_) return;
  const double delay = settingsManager_->autoHideActivationDelay.get();
  if (!(delay > 0)) {
    showTaskbar(true);
    return;
  }
  if (showDelayTimer_) showDelayTimer_->invalidate();
  showDelayTimer_ = deps_.scheduler.scheduleOneShot(
      delay, std::max(delay / 10, kMinimumShowDelayTolerance), lifetime_.guard([this] {
        showDelayTimer_.reset();
        if (settingsManager_->autoHide.get() && isTaskbarHidden_) showTaskbar(true);
      }));
}

void AutoHideManager::mouseExited() {
  if (showDelayTimer_) showDelayTimer_->invalidate();
  showDelayTimer_.reset();
}

void AutoHideManager::fullscreenStateChanged(bool isFullscreen) {
  if (!settingsManager_->autoHide.get() || !settingsManager_->autoHideFullscreenOnly.get()) return;
  if (isFullscreen) {
    resetHideTimer();
    return;
  }
  cancelHideTimer();
  if (isTaskbarHidden_) showTaskbar(true);
}

void AutoHideManager::toggleTaskbar() {
  if (isTaskbarHidden_)
    showTaskbar(true);
  else
    hideTaskbar(true);
}

// ---- The trigger zone and the peek strip ----

double AutoHideManager::mainScreenHeight() const {
  auto all = deps_.screens.screens();
  return all.empty() ? 0 : all.front().frame.height();
}

std::optional<Rect> AutoHideManager::floatingPanelFrame() const {
  if (!settingsManager_->floatingBar.get() || !panel_) return std::nullopt;
  return panel_->frame();
}

Rect AutoHideManager::triggerZoneFrame(TaskbarPosition position, bool dragReveal,
                                       const platform::ScreenInfo& screen) {
  const double t = dragReveal ? 10 : 2;
  const Rect& f = screen.frame;
  const Rect& v = screen.visibleFrame;
  switch (position) {
    case TaskbarPosition::bottom:
      return Rect(f.minX(), f.minY(), f.width(), t);
    case TaskbarPosition::top:
      return Rect(v.minX(), v.maxY() - t, v.width(), t);
    case TaskbarPosition::left:
      return Rect(v.minX(), v.minY(), t, v.height());
    case TaskbarPosition::right:
      return Rect(f.maxX() - t, v.minY(), t, v.height());
  }
  return Rect();
}

Rect AutoHideManager::peekStripFrame(TaskbarPosition position, const platform::ScreenInfo& screen,
                                     const std::optional<Rect>& floating) {
  const double t = kPeekStripThickness;
  const Rect& f = screen.frame;
  const Rect& v = screen.visibleFrame;
  switch (position) {
    case TaskbarPosition::bottom:
      return Rect(floating ? floating->minX() : f.minX(), f.minY(), floating ? floating->width() : f.width(),
                  t);
    case TaskbarPosition::top:
      return Rect(floating ? floating->minX() : v.minX(), v.maxY() - t,
                  floating ? floating->width() : v.width(), t);
    case TaskbarPosition::left:
      return Rect(v.minX(), floating ? floating->minY() : v.minY(), t,
                  floating ? floating->height() : v.height());
    case TaskbarPosition::right:
      return Rect(f.maxX() - t, floating ? floating->minY() : v.minY(), t,
                  floating ? floating->height() : v.height());
  }
  return Rect();
}

void AutoHideManager::removeTriggerZone() {
  if (!triggerPanel_) return;
  AutoHideEdgeWindow* window = triggerPanel_;
  triggerPanel_ = nullptr;
  window->onMouseEntered = nullptr;
  window->onMouseExited = nullptr;
  window->orderOut();
  // The zone may be the window whose pointer callback is running right now.
  window->deleteLater();
}

void AutoHideManager::removePeekStrip() {
  if (!peekPanel_) return;
  AutoHideEdgeWindow* window = peekPanel_;
  peekPanel_ = nullptr;
  window->orderOut();
  window->deleteLater();
}

bool AutoHideManager::isHiddenForFullscreen() const {
  return screenSpaceManager_ && screenSpaceManager_->isHiddenForFullscreen();
}

void AutoHideManager::createTriggerZone() {
  removeTriggerZone();
  // Nothing of the bar goes over a full-screen window; the screen-space manager asks again when it ends.
  if (isHiddenForFullscreen()) return;
  const SettingsManager& settings = *settingsManager_;
  AutoHideEdgeWindow::Description description;
  description.frame = triggerZoneFrame(settings.position.get(), settings.autoHideDragReveal.get(), screen_);
  description.level = AutoHideEdgeWindow::kTriggerZoneLevel;
  auto* window = new AutoHideEdgeWindow(description, mainScreenHeight());
  window->onMouseEntered = lifetime_.guard([this] { mouseEntered(); });
  window->onMouseExited = lifetime_.guard([this] { mouseExited(); });
  window->orderFront();
  triggerPanel_ = window;
}

void AutoHideManager::createPeekStrip() {
  if (!settingsManager_->autoHidePeekReveal.get()) return;
  removePeekStrip();
  if (isHiddenForFullscreen()) return;
  AutoHideEdgeWindow::Description description;
  description.frame = peekStripFrame(settingsManager_->position.get(), screen_, floatingPanelFrame());
  description.level = AutoHideEdgeWindow::kPeekStripLevel;
  const Color accent =
      deps_.appearance ? deps_.appearance->controlAccentColor() : Color{0, 122 / 255.0, 1, 1};
  description.background = QColor::fromRgbF(accent.red, accent.green, accent.blue, kPeekStripAlpha);
  description.ignoresMouseEvents = true;
  auto* window = new AutoHideEdgeWindow(description, mainScreenHeight());
  window->orderFront();
  peekPanel_ = window;
  // The strip's level is below the zone's: the zone stays in front for the pointer.
  if (triggerPanel_) triggerPanel_->orderFront();
}

void AutoHideManager::repositionTriggerZone() {
  if (!settingsManager_->autoHide.get() || !isTaskbarHidden_) return;
  // The end of a hide still on screen creates both windows anyway.
  if (isAnimating_ && panel_ && panel_->isOrderedIn()) return;
  createTriggerZone();
  removePeekStrip();
  createPeekStrip();
}

}  // namespace pelko
