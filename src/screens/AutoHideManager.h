#pragma once

#include <QPointer>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "foundation/Cancellable.h"
#include "foundation/OwnerLifetime.h"
#include "foundation/Scheduler.h"
#include "platform/Screens.h"
#include "screens/AutoHideEdgeWindow.h"
#include "screens/TaskbarAutoHide.h"
#include "settings/SettingEnumerations.h"
#include "taskbar/TaskbarPanel.h"
#include "ui/Animator.h"

namespace pelko {

class ScreenSpaceManager;
class SettingsManager;
class TaskbarViewController;

namespace platform {
class Appearance;
class EventMonitors;
class Workspace;
}  // namespace platform

// Hides one monitor's bar while it is not needed and brings it back. While auto-hide is on, a hide
// timer runs as long as the bar is shown and restarts with every pointer movement on the monitor; a
// hidden bar leaves a thin trigger zone on its edge (and, when asked, a tinted peek strip) that reveals
// it when the pointer enters, optionally after an activation delay. The bar slides, fades, shrinks or
// simply goes, at the user's speed; a deadline ends an animation whose completion never comes. Other
// components reveal and hide the bar through showTaskbar() and hideTaskbar(). Main thread only.
class AutoHideManager final : public TaskbarAutoHide {
 public:
  struct Dependencies {
    Scheduler& scheduler;
    platform::Workspace& workspace;
    platform::Screens& screens;
    // Where the pointer is; none: the pointer is never over the bar.
    platform::EventMonitors* eventMonitors = nullptr;
    // The peek strip's tint; none: a plain blue.
    platform::Appearance* appearance = nullptr;
  };

  enum class State { shown, hiding, hidden, showing };

  static constexpr double kInitialHideDelay = 0.3;
  static constexpr double kShowGracePeriod = 0.8;
  static constexpr double kMinimumHideTolerance = 0.05;
  static constexpr double kMinimumShowDelayTolerance = 0.02;
  // A zero delay would retry a postponed hide on every pass of the main queue.
  static constexpr double kMinimumHideDelay = 0.05;
  static constexpr double kReducedMotionDuration = 0.01;
  static constexpr double kReducedMotionDeadline = 0.16;
  static constexpr double kDeadlineSlack = 0.15;
  static constexpr double kDeadlineTolerance = 0.05;
  static constexpr double kPeekStripThickness = 3;
  static constexpr double kPeekStripAlpha = 0.5;

  AutoHideManager(TaskbarPanel* panel, std::shared_ptr<SettingsManager> settingsManager,
                  platform::ScreenInfo screen, const Dependencies& dependencies);
  ~AutoHideManager() override;
  AutoHideManager(const AutoHideManager&) = delete;
  AutoHideManager& operator=(const AutoHideManager&) = delete;

  // Weak links, set by the monitor manager right after construction.
  void setScreenSpaceManager(ScreenSpaceManager* manager) { screenSpaceManager_ = manager; }
  void setViewController(TaskbarViewController* viewController);
  // Called whenever the bar becomes hidden or stops being hidden.
  std::function<void()> onHiddenChanged;
  // The monitor as it is now.
  void updateScreen(const platform::ScreenInfo& screen) { screen_ = screen; }

  // ---- What the other managers call ----
  bool isTaskbarHidden() const override { return isTaskbarHidden_; }
  void showTaskbar(bool animated = true) override;
  void hideTaskbar(bool animated = true) override;
  void toggleTaskbar();
  void fullscreenStateChanged(bool isFullscreen) override;
  void resetHideTimer() override;
  void cancelHideTimer() override;
  void repositionTriggerZone() override;
  void handleMouseMoved();
  // With smart delay on: the next hide waits twice as long.
  void markUserInteraction();
  void stopAutoHide();

  // The trigger zone's pointer callbacks.
  void mouseEntered();
  void mouseExited();

  // ---- Looking in (tests, diagnostics) ----
  State state() const;
  bool isAnimating() const { return isAnimating_; }
  int64_t animationGeneration() const { return animationGeneration_; }
  const OneShotTimerPtr& hideTimer() const { return hideTimer_; }
  const OneShotTimerPtr& showDelayTimer() const { return showDelayTimer_; }
  const OneShotTimerPtr& animationDeadlineTimer() const { return animationDeadlineTimer_; }
  bool userInteracted() const { return userInteracted_; }
  AutoHideEdgeWindow* triggerPanel() const { return triggerPanel_; }
  AutoHideEdgeWindow* peekPanel() const { return peekPanel_; }
  // The key of the running layer animation ("showSlide", "hideFade", ...), empty when none runs.
  const std::string& runningAnimationKey() const { return animationKey_; }
  // The running layer animation; cancelling it drops its completion, as a lost one would be.
  AnimationHandle runningAnimation() const { return animation_; }

  // The frame a hidden bar is moved to, just past the screen edge.
  static Rect hiddenFrame(TaskbarPosition position, double thickness, const platform::ScreenInfo& screen,
                          const std::optional<Rect>& floatingPanelFrame);
  static Rect triggerZoneFrame(TaskbarPosition position, bool dragReveal, const platform::ScreenInfo& screen);
  static Rect peekStripFrame(TaskbarPosition position, const platform::ScreenInfo& screen,
                             const std::optional<Rect>& floatingPanelFrame);
  // A floating bar of content length `contentLength` centred along its edge between the margins.
  static Rect centredFloatingFrame(TaskbarPosition position, const Rect& frame, const Rect& screenFrame,
                                   double contentLength, double marginH, double marginV);

 private:
  void subscribe();
  void startAutoHide();
  bool isMouseOverTaskbar(const Point& location) const;
  std::optional<Point> pointerLocation() const;
  // A movement on this monitor while the bar is shown: the delay starts again.
  void pointerMoved(const Point& location);
  void restartHideTimer(const std::optional<Point>& pointer);
  double mediaTime() const;
  bool reduceMotion() const;

  // The sequences.
  Rect targetFrame() const;
  void startDeadlineTimer(int64_t gen, bool forHide);
  void finishShowAnimation(int64_t gen);
  void finishHideAnimation(int64_t gen);
  void hiddenEnd();
  void cleanupAnimationState();
  void animateLayer(const std::string& key, double duration, const CubicBezier& curve,
                    std::function<void(double)> update, std::function<void()> completion);
  void abandonAnimation();
  void setHidden(bool hidden);

  // The edge windows.
  void createTriggerZone();
  void createPeekStrip();
  void removeTriggerZone();
  void removePeekStrip();
  double mainScreenHeight() const;
  std::optional<Rect> floatingPanelFrame() const;
  bool isHiddenForFullscreen() const;

  QPointer<TaskbarPanel> panel_;
  std::shared_ptr<SettingsManager> settingsManager_;
  platform::ScreenInfo screen_;
  Dependencies deps_;
  Animator animator_;
  ScreenSpaceManager* screenSpaceManager_ = nullptr;
  QPointer<TaskbarViewController> viewController_;

  bool isTaskbarHidden_ = false;
  bool isAnimating_ = false;
  int64_t animationGeneration_ = 0;
  OneShotTimerPtr animationDeadlineTimer_;
  OneShotTimerPtr hideTimer_;
  // Where the pointer was when the hide timer was last armed.
  std::optional<Point> pointerAtArming_;
  OneShotTimerPtr showDelayTimer_;
  bool userInteracted_ = false;
  WorkItemPtr initialHideWorkItem_;
  double lastShowTime_ = 0;
  QPointer<AutoHideEdgeWindow> triggerPanel_;
  QPointer<AutoHideEdgeWindow> peekPanel_;
  AnimationHandle animation_;
  std::string animationKey_;
  CancellableBag cancellables_;
  OwnerLifetime lifetime_;
};

}  // namespace pelko
