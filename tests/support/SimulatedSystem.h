#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "foundation/VirtualScheduler.h"
#include "platform/sim/InMemoryUserDefaults.h"
#include "platform/sim/SimAppearance.h"
#include "platform/sim/SimLoginItems.h"
#include "platform/sim/SimulatedMac.h"
#include "settings/LaunchAtLoginHelper.h"
#include "settings/SettingsManager.h"
#include "support/FakeFileSystem.h"
#include "tracking/AccessibilityHelper.h"
#include "tracking/AppTracker.h"
#include "tracking/WindowManager.h"

namespace pelko::test {

// A simulated Mac with the services the bar, the panels and the tracker are built on: the settings store
// (its login-item helper writing to files in memory), the Accessibility helper, the window manager and an
// application tracker. Nothing is started, and the tracker sees neither the settings nor the window
// manager until connectTracker(). A plain set of members, so that a test fixture can derive from it and a
// benchmark can hold one; the scheduler is the virtual one unless a test needs real threads.
template <class SchedulerType>
struct BasicSimulatedSystem {
  using OwnWindowsSource = std::function<std::vector<AppTracker::OwnWindow>()>;

  // `ownWindows` tells the tracker which windows are the application's own; none when not given.
  explicit BasicSimulatedSystem(OwnWindowsSource ownWindows = {})
      : tracker(makeTracker(std::move(ownWindows))) {}
  BasicSimulatedSystem(const BasicSimulatedSystem&) = delete;
  BasicSimulatedSystem& operator=(const BasicSimulatedSystem&) = delete;

  SchedulerType scheduler;
  sim::SimulatedMac mac{scheduler};
  sim::InMemoryUserDefaults defaults;
  sim::SimAppearance appearance;
  sim::SimLoginItems loginItems;
  FakeFileSystem fileSystem;
  LaunchAtLoginHelper launchAtLogin{loginItems, fileSystem, mac.appShell()};
  std::shared_ptr<SettingsManager> settings = std::make_shared<SettingsManager>(
      SettingsManager::Dependencies{defaults, mac.permissions(), appearance, launchAtLogin, scheduler});
  AccessibilityHelper accessibilityHelper{scheduler, mac.permissions(), mac.accessibility(), mac.workspace(),
                                          mac.appShell()};
  std::shared_ptr<WindowManager> windowManager =
      WindowManager::create(scheduler, mac.workspace(), mac.windowServer(), accessibilityHelper);
  std::shared_ptr<AppTracker> tracker;

  // Lets the tracker read the grouping setting and see the focus the window manager is waiting for.
  void connectTracker() {
    tracker->settingsManager = settings.get();
    tracker->windowManager = windowManager;
  }

 private:
  std::shared_ptr<AppTracker> makeTracker(OwnWindowsSource ownWindows) {
    return AppTracker::create(AppTracker::Dependencies{scheduler, mac.workspace(), mac.windowServer(),
                                                       mac.accessibility(), accessibilityHelper,
                                                       &mac.screens(), std::move(ownWindows)});
  }
};

using SimulatedSystem = BasicSimulatedSystem<VirtualScheduler>;

}  // namespace pelko::test
