#include "shell/MonitorManagerTaskbars.h"

#include <QEvent>
#include <QPointer>
#include <QWindow>

#include "screens/AutoHideManager.h"
#include "taskbar/TaskbarPanel.h"

namespace pelko {

// Watches bar windows until each has been exposed once, then hands `run` to the main queue: a window
// is drawn while its first expose is handled, so the next pass of the main queue finds it on screen.
// The wait ends at the latest after kOnScreenWait.
class MonitorManagerTaskbars::ExposeWatcher final : public QObject {
 public:
  ExposeWatcher(Scheduler& scheduler, std::vector<QWindow*> windows, std::function<void()> run)
      : scheduler_(scheduler), run_(std::move(run)) {
    for (QWindow* window : windows) {
      if (window->isExposed()) continue;
      window->installEventFilter(this);
      waiting_.push_back(window);
    }
    QPointer<ExposeWatcher> self(this);
    timeout_ = scheduler_.scheduleOneShot(kOnScreenWait, 0.1, [self] {
      if (self) self->finish();
    });
    if (waiting_.empty()) finish();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose) {
      auto* window = static_cast<QWindow*>(watched);
      // Looked at once Qt has handled the expose, and drawn the window.
      QPointer<ExposeWatcher> self(this);
      QPointer<QWindow> exposed(window);
      scheduler_.mainAsync([self, exposed] {
        if (self && exposed && exposed->isExposed()) self->sawExposed(exposed);
      });
    }
    return false;
  }

 private:
  void sawExposed(QWindow* window) {
    window->removeEventFilter(this);
    std::erase_if(waiting_, [window](const QPointer<QWindow>& w) { return !w || w == window; });
    if (waiting_.empty()) finish();
  }
  void finish() {
    if (!run_) return;
    for (const QPointer<QWindow>& window : waiting_)
      if (window) window->removeEventFilter(this);
    waiting_.clear();
    if (timeout_) timeout_->invalidate();
    scheduler_.mainAsync(std::exchange(run_, nullptr));
  }

  Scheduler& scheduler_;
  std::function<void()> run_;
  std::vector<QPointer<QWindow>> waiting_;
  OneShotTimerPtr timeout_;
};

MonitorManagerTaskbars::MonitorManagerTaskbars(std::unique_ptr<MonitorManager> monitorManager,
                                               Scheduler& scheduler)
    : monitorManager_(std::move(monitorManager)), scheduler_(scheduler) {}

MonitorManagerTaskbars::~MonitorManagerTaskbars() = default;

void MonitorManagerTaskbars::whenOnScreen(std::function<void()> run) {
  std::vector<QWindow*> windows;
  for (platform::DisplayID display : monitorManager_->displayIDs()) {
    TaskbarPanel* panel = monitorManager_->panel(display);
    if (panel && panel->isVisible() && panel->windowHandle()) windows.push_back(panel->windowHandle());
  }
  watchers_.push_back(std::make_unique<ExposeWatcher>(scheduler_, std::move(windows), std::move(run)));
}

void MonitorManagerTaskbars::updateLayout(TaskbarPosition position) {
  monitorManager_->forEachViewController(
      [position](TaskbarViewController& bar) { bar.updateLayout(position); });
}

void MonitorManagerTaskbars::updateEveryBar(BarUpdate update) {
  monitorManager_->forEachViewController([update](TaskbarViewController& bar) {
    switch (update) {
      case BarUpdate::itemSizes:
        bar.reconfigureItemSizes();
        break;
      case BarUpdate::items:
        bar.reconfigureItems();
        break;
      case BarUpdate::activeIndicators:
        bar.refreshActiveIndicators();
        break;
      case BarUpdate::backgroundOpacity:
        bar.updateBackgroundOpacity();
        break;
      case BarUpdate::vibrancy:
        bar.updateVibrancy();
        break;
      case BarUpdate::windowCounts:
        bar.refreshWindowCounts();
        break;
      case BarUpdate::dimming:
        bar.refreshDimming();
        break;
      case BarUpdate::border:
        bar.updateBorder();
        break;
      case BarUpdate::cornerRadius:
        bar.updateCornerRadius();
        break;
      case BarUpdate::dismissThumbnails:
        bar.dismissAllThumbnails();
        break;
    }
  });
}

void MonitorManagerTaskbars::setExcludedFromCapture(bool excluded) {
  monitorManager_->updateSharingType(excluded ? WindowSharingType::none : WindowSharingType::readOnly);
}

std::vector<Rect> MonitorManagerTaskbars::barFrames() const {
  std::vector<Rect> frames;
  for (platform::DisplayID display : monitorManager_->displayIDs()) {
    const TaskbarPanel* panel = monitorManager_->panel(display);
    if (!panel || !panel->isOrderedIn()) continue;
    if (const AutoHideManager* autoHide = monitorManager_->autoHideManager(display);
        autoHide && autoHide->isTaskbarHidden())
      continue;
    frames.push_back(panel->frame());
  }
  return frames;
}

}  // namespace pelko
