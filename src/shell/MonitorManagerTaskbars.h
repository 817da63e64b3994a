#pragma once

#include <memory>

#include "foundation/Scheduler.h"
#include "screens/MonitorManager.h"
#include "shell/Taskbars.h"

namespace pelko {

// The bars of the running program: the monitor manager and the view controllers of its bars.
class MonitorManagerTaskbars final : public Taskbars {
 public:
  // A bar that never comes on screen (its window system shows nothing) holds `whenOnScreen` up no longer.
  static constexpr double kOnScreenWait = 2.0;

  MonitorManagerTaskbars(std::unique_ptr<MonitorManager> monitorManager, Scheduler& scheduler);
  ~MonitorManagerTaskbars() override;

  void start() override { monitorManager_->start(); }
  void stop() override { monitorManager_->stop(); }
  void rebuildAll() override { monitorManager_->rebuildAll(); }
  void repositionAllPanels() override { monitorManager_->repositionAllPanels(); }
  void updateLayout(TaskbarPosition position) override;
  void updateEveryBar(BarUpdate update) override;
  void setExcludedFromCapture(bool excluded) override;
  void updateBlacklistedBundleIDs(const std::vector<std::string>& bundleIDs) override {
    monitorManager_->updateBlacklistedBundleIDs(bundleIDs);
  }
  void removeBlacklistedObservers() override {
    monitorManager_->forEachScreenSpaceManager([](ScreenSpaceManager& m) { m.removeBlacklistedObservers(); });
  }

  std::vector<Rect> barFrames() const override;
  // Waits for the first expose of every visible bar's window.
  void whenOnScreen(std::function<void()> run) override;

  MonitorManager& monitorManager() const { return *monitorManager_; }

 private:
  class ExposeWatcher;

  std::unique_ptr<MonitorManager> monitorManager_;
  Scheduler& scheduler_;
  std::vector<std::unique_ptr<ExposeWatcher>> watchers_;
};

}  // namespace pelko
