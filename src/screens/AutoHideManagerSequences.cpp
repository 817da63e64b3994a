// The show and hide sequences of the auto-hide manager: where the bar goes, how its content container
// animates, and the deadline that ends an animation whose completion never comes.

#include <algorithm>
#include <functional>
#include <string>

#include <QPointer>

#include "foundation/DebugLog.h"
#include "platform/EventMonitors.h"
#include "screens/AutoHideManager.h"
#include "screens/ScreenSpaceManager.h"
#include "settings/SettingsManager.h"
#include "taskbar/TaskbarContainerView.h"
#include "taskbar/TaskbarViewController.h"

namespace pelko {

namespace {

constexpr CubicBezier kShowCurve{0.25, 1, 0.5, 1};
constexpr CubicBezier kHideCurve{0.5, 0, 0.75, 0};
constexpr CubicBezier kEaseOut{0, 0, 0.58, 1};
constexpr CubicBezier kEaseIn{0.42, 0, 1, 1};
constexpr double kShrunkScale = 0.01;

struct StyleGeometry {
  double translationX = 0, translationY = 0;
  double anchorX = 0.5, anchorY = 0.5;
  double scaleX = 1, scaleY = 1;
};

StyleGeometry styleGeometry(TaskbarPosition position, double thickness) {
  switch (position) {
    case TaskbarPosition::bottom:
      return {0, -thickness, 0.5, 0, 1, kShrunkScale};
    case TaskbarPosition::top:
      return {0, thickness, 0.5, 1, 1, kShrunkScale};
    case TaskbarPosition::left:
      return {-thickness, 0, 0, 0.5, kShrunkScale, 1};
    case TaskbarPosition::right:
      return {thickness, 0, 1, 0.5, kShrunkScale, 1};
  }
  return {};
}

double lerp(double from, double to, double progress) {
  return from + (to - from) * progress;
}

// How the bar's layer moves between shown and hidden in one style: a show runs from `start` to the
// shown layer, a hide from the shown layer (`start`) to the hidden one.
struct LayerTransition {
  PanelLayer start;
  std::string key;
  double duration = 0;
  CubicBezier curve;
  std::function<void(double)> update;
};

LayerTransition layerTransition(AutoHideAnimation style, bool hiding, const StyleGeometry& geometry,
                                double speed, QPointer<TaskbarPanel> panel) {
  // A scaled bar shrinks towards its screen edge, so both ends keep the edge as the anchor.
  const bool scaled = style == AutoHideAnimation::scale || style == AutoHideAnimation::instant;
  PanelLayer shown;
  if (scaled) {
    shown.anchorX = geometry.anchorX;
    shown.anchorY = geometry.anchorY;
  }
  PanelLayer hidden = shown;
  const char* name = "Scale";
  switch (style) {
    case AutoHideAnimation::slide:
      hidden.translationX = geometry.translationX;
      hidden.translationY = geometry.translationY;
      name = "Slide";
      break;
    case AutoHideAnimation::fade:
      hidden.opacity = 0;
      name = "Fade";
      break;
    case AutoHideAnimation::scale:
    case AutoHideAnimation::instant:
      hidden.scaleX = geometry.scaleX;
      hidden.scaleY = geometry.scaleY;
      break;
  }
  const PanelLayer from = hiding ? shown : hidden;
  const PanelLayer to = hiding ? hidden : shown;

  LayerTransition transition;
  transition.start = from;
  transition.key = std::string(hiding ? "hide" : "show") + name;
  const bool slide = style == AutoHideAnimation::slide;
  const bool fade = style == AutoHideAnimation::fade;
  transition.duration = (hiding ? (slide ? 0.2 : 0.18) : (slide ? 0.25 : 0.2)) / speed;
  transition.curve = fade ? (hiding ? kEaseIn : kEaseOut) : (hiding ? kHideCurve : kShowCurve);
  // Only the style's own properties are written: the rest of the layer is whatever the panel holds.
  transition.update = [panel, from, to, slide, fade](double p) {
    if (!panel) return;
    PanelLayer layer = panel->layer();
    if (slide) {
      layer.translationX = lerp(from.translationX, to.translationX, p);
      layer.translationY = lerp(from.translationY, to.translationY, p);
    } else if (fade) {
      layer.opacity = lerp(from.opacity, to.opacity, p);
    } else {
      layer.scaleX = lerp(from.scaleX, to.scaleX, p);
      layer.scaleY = lerp(from.scaleY, to.scaleY, p);
    }
    panel->setLayer(layer);
  };
  return transition;
}

}  // namespace

Rect AutoHideManager::hiddenFrame(TaskbarPosition position, double t, const platform::ScreenInfo& screen,
                                  const std::optional<Rect>& floating) {
  const Rect& f = screen.frame;
  const Rect& v = screen.visibleFrame;
  switch (position) {
    case TaskbarPosition::bottom:
      return Rect(floating ? floating->minX() : f.minX(), f.minY() - t,
                  floating ? floating->width() : f.width(), t);
    case TaskbarPosition::top:
      return Rect(floating ? floating->minX() : v.minX(), v.maxY(), floating ? floating->width() : v.width(),
                  t);
    case TaskbarPosition::left:
      return Rect(v.minX() - t, floating ? floating->minY() : v.minY(), t,
                  floating ? floating->height() : v.height());
    case TaskbarPosition::right:
      return Rect(v.maxX(), floating ? floating->minY() : v.minY(), t,
                  floating ? floating->height() : v.height());
  }
  return Rect();
}

Rect AutoHideManager::centredFloatingFrame(TaskbarPosition position, const Rect& frame, const Rect& s,
                                           double contentLength, double marginH, double marginV) {
  if (isHorizontal(position)) {
    const double length = std::min(s.width() - 2 * marginH, contentLength);
    double x = s.minX() + s.width() / 2 - length / 2;
    x = std::min(x, s.maxX() - marginH - length);
    x = std::max(x, s.minX() + marginH);
    return Rect(x, frame.minY(), length, frame.height());
  }
  const double length = std::min(s.height() - 2 * marginV, contentLength);
  double y = s.minY() + s.height() / 2 - length / 2;
  y = std::min(y, s.maxY() - marginV - length);
  y = std::max(y, s.minY() + marginV);
  return Rect(frame.minX(), y, frame.width(), length);
}

Rect AutoHideManager::targetFrame() const {
  const SettingsManager& settings = *settingsManager_;
  const TaskbarPosition position = settings.position.get();
  const Rect frame =
      TaskbarPanel::frameForPosition(position, settings.barThickness(), screen_,
                                     settings.marginHorizontal.get(), settings.marginVertical.get());
  if (!settings.floatingBar.get() || !viewController_) return frame;
  const double length = viewController_->estimatedContentSize();
  // Nothing measured yet: the bar keeps its full length until its contents report one.
  if (!(length > 0)) return frame;
  return centredFloatingFrame(position, frame, screen_.frame, length, settings.marginHorizontal.get(),
                              settings.marginVertical.get());
}

void AutoHideManager::animateLayer(const std::string& key, double duration, const CubicBezier& curve,
                                   std::function<void(double)> update, std::function<void()> completion) {
  AnimationSetup setup;
  setup.from = 0;
  setup.to = 1;
  setup.duration = reduceMotion() ? kReducedMotionDuration : duration;
  animationKey_ = key;
  animation_ = animator_.animate(setup, curve, std::move(update), std::move(completion));
}

void AutoHideManager::cleanupAnimationState() {
  if (!panel_ || !panel_->contentView()) return;
  // A removed animation reports its completion at once; the raised generation makes it do nothing.
  AnimationHandle running = std::exchange(animation_, AnimationHandle());
  animationKey_.clear();
  running.finish();
  if (!panel_) return;
  panel_->setLayer(PanelLayer());
  panel_->setAlphaValue(1);
}

// ---- Show ----

void AutoHideManager::showTaskbar(bool animated) {
  if (screenSpaceManager_ && screenSpaceManager_->isHiddenForFullscreen()) return;
  if (!panel_) return;
  const SettingsManager& settings = *settingsManager_;
  setHidden(false);
  isAnimating_ = animated;
  lastShowTime_ = mediaTime();
  if (settings.autoHideResizeWindows.get() && screenSpaceManager_) screenSpaceManager_->onTaskbarShown();
  const int64_t g = ++animationGeneration_;
  cleanupAnimationState();
  removeTriggerZone();
  removePeekStrip();
  if (!panel_) return;

  const Rect target = targetFrame();
  const AutoHideAnimation style = settings.autoHideAnimation.get();
  TaskbarPanel& panel = *panel_;
  if (!animated || style == AutoHideAnimation::instant) {
    panel.setAlphaValue(1);
    panel.setFrame(target);
    panel.syncContentViewFrame();
    panel.orderFront();
    isAnimating_ = false;
    resetHideTimer();
    return;
  }

  panel.setFrame(target);
  panel.syncContentViewFrame();
  panel.setAlphaValue(1);
  panel.orderFront();
  const double speed = settings.autoHideAnimationSpeed.get();
  const StyleGeometry geometry = styleGeometry(settings.position.get(), settings.barThickness());
  QPointer<TaskbarPanel> weakPanel(&panel);
  auto completion = lifetime_.guard([this, g] {
    if (animationGeneration_ != g) return;
    if (panel_) panel_->setLayer(PanelLayer());
    animation_ = AnimationHandle();
    animationKey_.clear();
    finishShowAnimation(g);
  });

  LayerTransition transition = layerTransition(style, false, geometry, speed, weakPanel);
  panel.setLayer(transition.start);
  startDeadlineTimer(g, false);
  animateLayer(transition.key, transition.duration, transition.curve, std::move(transition.update),
               std::move(completion));
  resetHideTimer();
}

void AutoHideManager::finishShowAnimation(int64_t gen) {
  if (gen != animationGeneration_) return;
  if (animationDeadlineTimer_) animationDeadlineTimer_->invalidate();
  animationDeadlineTimer_.reset();
  isAnimating_ = false;
  if (settingsManager_->floatingBar.get() && panel_) {
    panel_->syncContentViewFrame();
    if (viewController_) {
      viewController_->resetContentSizeTracking();
      viewController_->viewDidLayout();
    }
  }
}

// ---- Hide ----

void AutoHideManager::hideTaskbar(bool animated) {
  if (!panel_ || isTaskbarHidden_) return;
  const bool pointerOverBar = deps_.eventMonitors && isMouseOverTaskbar(deps_.eventMonitors->mouseLocation());
  if (isAnimating_ || mediaTime() - lastShowTime_ < kShowGracePeriod || pointerOverBar) {
    resetHideTimer();
    return;
  }
  if (viewController_) viewController_->dismissAllThumbnails();
  if (!panel_) return;

  const SettingsManager& settings = *settingsManager_;
  const TaskbarPosition position = settings.position.get();
  const double thickness = settings.barThickness();
  const std::optional<Rect> floating = floatingPanelFrame();
  const Rect hidden = hiddenFrame(position, thickness, screen_, floating);
  const Rect start =
      floating ? *floating
               : TaskbarPanel::frameForPosition(position, thickness, screen_, settings.marginHorizontal.get(),
                                                settings.marginVertical.get());
  setHidden(true);
  isAnimating_ = animated;
  const int64_t g = ++animationGeneration_;
  const AutoHideAnimation style = settings.autoHideAnimation.get();
  if (!animated || style == AutoHideAnimation::instant) {
    isAnimating_ = false;
    hiddenEnd();
    return;
  }

  TaskbarPanel& panel = *panel_;
  panel.setFrame(start);
  const double speed = settings.autoHideAnimationSpeed.get();
  const StyleGeometry geometry = styleGeometry(position, thickness);
  QPointer<TaskbarPanel> weakPanel(&panel);
  auto completion = lifetime_.guard([this, g, style, weakPanel, hidden] {
    if (animationGeneration_ != g) return;
    if (weakPanel) {
      weakPanel->setLayer(PanelLayer());
      if (style == AutoHideAnimation::slide) weakPanel->setFrame(hidden);
    }
    animation_ = AnimationHandle();
    animationKey_.clear();
    finishHideAnimation(g);
  });

  LayerTransition transition = layerTransition(style, true, geometry, speed, weakPanel);
  panel.setLayer(transition.start);
  startDeadlineTimer(g, true);
  animateLayer(transition.key, transition.duration, transition.curve, std::move(transition.update),
               std::move(completion));
}

void AutoHideManager::hiddenEnd() {
  isAnimating_ = false;
  if (panel_) panel_->orderOut();
  createTriggerZone();
  createPeekStrip();
  if (settingsManager_->autoHideResizeWindows.get() && screenSpaceManager_)
    screenSpaceManager_->restoreResizedWindows();
}

void AutoHideManager::finishHideAnimation(int64_t gen) {
  if (gen != animationGeneration_) return;
  if (animationDeadlineTimer_) animationDeadlineTimer_->invalidate();
  animationDeadlineTimer_.reset();
  isAnimating_ = false;
  if (isTaskbarHidden_) hiddenEnd();
}

// ---- The deadline ----

void AutoHideManager::startDeadlineTimer(int64_t gen, bool forHide) {
  if (animationDeadlineTimer_) animationDeadlineTimer_->invalidate();
  const double speed = settingsManager_->autoHideAnimationSpeed.get();
  const double duration = reduceMotion() ? kReducedMotionDeadline : 0.25 / speed + kDeadlineSlack;
  animationDeadlineTimer_ =
      deps_.scheduler.scheduleOneShot(duration, kDeadlineTolerance, lifetime_.guard([this, gen, forHide] {
        if (animationGeneration_ != gen) return;
        debugLog("AutoHide: animation deadline fired (gen=" + std::to_string(gen) +
                 ", hidden=" + (isTaskbarHidden_ ? "true" : "false") + "), forcing isAnimating=false");
        ++animationGeneration_;
        isAnimating_ = false;
        animationDeadlineTimer_.reset();
        cleanupAnimationState();
        if (!panel_) return;
        panel_->setAlphaValue(1);
        if (isTaskbarHidden_ && forHide) hiddenEnd();
      }));
}

}  // namespace pelko
