#pragma once

#include <memory>

#include "screens/MonitorManager.h"
#include "shell/Taskbars.h"

namespace pelko {

// The bars of the running program: the monitor manager and the view controllers of its bars.
class MonitorManagerTaskbars final : public Taskbars {
 public:
  explicit MonitorManagerTaskbars(std::unique_ptr<MonitorManager> monitorManager)
      : monitorManager_(std::move(monitorManager)) {}

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

  MonitorManager& monitorManager() const { return *monitorManager_; }

 private:
  std::unique_ptr<MonitorManager> monitorManager_;
};

}  // namespace pelko
