// The floating bar: each bar reports the length its contents need, and the monitor manager turns the
// reports into a centred panel frame, coalescing bursts per display and dropping frames a reposition
// has made stale. A rebuild lays the floating bars out at once and once more shortly after, and half a
// second later puts right any bar that was left invisible, transparent or collapsed.

#include <cmath>

#include "screens/MonitorManager.h"
#include "settings/SettingsManager.h"

namespace pelko {

void MonitorManager::installContentSizeHandler(TaskbarViewController& viewController, TaskbarPanel& panel,
                                               const platform::ScreenInfo& screen) {
  QPointer<TaskbarPanel> weakPanel(&panel);
  viewController.onContentSizeChanged = lifetime_.guard([this, weakPanel, screen](double contentLength) {
    if (weakPanel) onContentSizeChanged(weakPanel, screen, contentLength);
  });
}

void MonitorManager::onContentSizeChanged(TaskbarPanel* panel, const platform::ScreenInfo& screen,
                                          double contentLength) {
  const SettingsManager& settings = *settingsManager_;
  const TaskbarPosition position = settings.position.get();
  const Rect current = panel->frame();
  const Rect frame =
      AutoHideManager::centredFloatingFrame(position, current, screen.frame, contentLength,
                                            settings.marginHorizontal.get(), settings.marginVertical.get());
  const bool horizontal = isHorizontal(position);
  const double lengthChange =
      horizontal ? frame.width() - current.width() : frame.height() - current.height();
  const double originChange = horizontal ? frame.minX() - current.minX() : frame.minY() - current.minY();
  if (std::abs(lengthChange) <= 1 && std::abs(originChange) <= 1) return;

  const platform::DisplayID display = screen.displayID;
  pendingFrames_[display] = frame;
  const uint64_t generation = asyncFrameGeneration_[display];
  if (pendingFrameScheduled_.insert(display).second) {
    QPointer<TaskbarPanel> weakPanel(panel);
    deps_.scheduler.mainQueue().async(lifetime_.guard([this, weakPanel, display, generation] {
      if (weakPanel) applyPendingFrame(display, generation);
    }));
  }
  if (panel->alphaValue() < 1) panel->setAlphaValue(1);
}

void MonitorManager::applyPendingFrame(platform::DisplayID display, uint64_t generation) {
  pendingFrameScheduled_.erase(display);
  auto pending = pendingFrames_.find(display);
  if (pending == pendingFrames_.end()) return;
  const Rect frame = pending->second;
  pendingFrames_.erase(pending);
  if (asyncFrameGeneration_[display] != generation) return;
  TaskbarPanel* bar = panel(display);
  if (!bar) return;
  bar->setFrame(frame);
  bar->syncContentViewFrame();
}

void MonitorManager::layOutFloatingBar(ScreenState& state) {
  TaskbarViewController* viewController = state.viewController();
  if (!viewController) return;
  viewController->resetContentSizeTracking();
  viewController->viewDidLayout();
}

void MonitorManager::floatingRebuildPasses() {
  const SettingsManager& settings = *settingsManager_;
  const TaskbarPosition position = settings.position.get();
  for (auto& [display, state] : screenStates_) {
    TaskbarPanel* panel = state.panel();
    TaskbarViewController* viewController = state.viewController();
    if (!panel || !viewController) continue;
    const double estimate = viewController->estimatedContentSize();
    if (!(estimate > 0)) continue;
    panel->setFrame(AutoHideManager::centredFloatingFrame(position, panel->frame(), state.screen().frame,
                                                          estimate, settings.marginHorizontal.get(),
                                                          settings.marginVertical.get()));
    panel->syncContentViewFrame();
  }
  for (auto& [display, state] : screenStates_) layOutFloatingBar(state);
  for (const auto& [display, frame] : pendingFrames_) {
    TaskbarPanel* bar = panel(display);
    if (!bar) continue;
    bar->setFrame(frame);
    bar->syncContentViewFrame();
  }
  pendingFrames_.clear();
  pendingFrameScheduled_.clear();
}

void MonitorManager::floatingRebuildDelayedPasses(uint64_t generation) {
  deps_.scheduler.mainQueue().async(lifetime_.guard([this, generation] {
    if (rebuildGeneration_ != generation) return;
    for (auto& [display, state] : screenStates_) layOutFloatingBar(state);
  }));
  deps_.scheduler.mainAfter(kFloatingRecoveryDelay, lifetime_.guard([this, generation] {
    if (rebuildGeneration_ != generation) return;
    const bool floating = settingsManager_->floatingBar.get();
    for (auto& [display, state] : screenStates_) {
      TaskbarPanel* panel = state.panel();
      // Bars that auto-hide, full screen or Mission Control keep away are not missing.
      if (!panel || mcPanelsHidden_) continue;
      if (const AutoHideManager* autoHide = state.autoHideManager(); autoHide && autoHide->isTaskbarHidden())
        continue;
      if (const ScreenSpaceManager* space = state.screenSpaceManager();
          space && space->isHiddenForFullscreen())
        continue;
      const bool collapsed = floating && panel->frame().width() < kFloatingMinimumLength;
      if (panel->isOrderedIn() && panel->alphaValue() >= 1 && !collapsed) continue;
      layOutFloatingBar(state);
      panel->setAlphaValue(1);
      panel->orderFront();
    }
  }));
}

void MonitorManager::resetFloatingBookkeeping() {
  pendingFrames_.clear();
  pendingFrameScheduled_.clear();
  for (auto& [display, state] : screenStates_) ++asyncFrameGeneration_[display];
}

}  // namespace pelko
