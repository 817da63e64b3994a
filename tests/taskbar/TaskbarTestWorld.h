#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/sim/SimOwnWindows.h"
#include "support/SimulatedSystem.h"
#include "taskbar/AppItemView.h"
#include "taskbar/TaskbarAccessoryServices.h"
#include "taskbar/TaskbarContainerView.h"
#include "taskbar/TaskbarPanel.h"
#include "taskbar/TaskbarViewController.h"
#include "tracking/TrackedApp.h"

namespace pelko::test {

// A simulated Mac with the settings store, tracker and window manager a bar and its buttons work with.
class TaskbarTest : public ::testing::Test, protected SimulatedSystem {
 protected:
  sim::SimOwnWindows ownWindows{mac};
  TaskbarAccessoryServices accessories{scheduler, mac.workspace()};

  std::unique_ptr<TaskbarViewController> makeController(bool externallyManaged) {
    return std::make_unique<TaskbarViewController>(
        tracker, windowManager, accessories.systemTrayManager, settings, externallyManaged,
        TaskbarViewController::Environment{scheduler, mac.workspace(), appearance, accessibilityHelper,
                                           accessories.trash, accessories.alerts});
  }
  AppItemEnvironment environment() {
    return AppItemEnvironment{scheduler, mac.workspace(), appearance, accessibilityHelper};
  }
  // A button with all three collaborators attached, as the bar makes them.
  std::unique_ptr<AppItemView> makeItem() {
    auto item = std::make_unique<AppItemView>(environment());
    item->settingsManager = settings;
    item->appTracker = tracker;
    item->windowManager = windowManager;
    return item;
  }

  int32_t launch(const std::string& bundleID, const std::string& name) {
    const int32_t pid = mac.launchApp(bundleID, name);
    scheduler.runUntilIdle();
    return pid;
  }
  platform::WindowID open(int32_t pid, const std::string& title) {
    const auto window = mac.openWindow(pid, {.title = title});
    scheduler.runUntilIdle();
    return window;
  }

  static TrackedAppPtr appEntry(int32_t pid, const std::string& name = "Editor", bool active = false) {
    return std::make_shared<TrackedApp>("com.example." + name, name, AppImage{}, pid, active, false, false,
                                        std::nullopt, std::nullopt);
  }
  static TrackedAppPtr windowEntry(int32_t pid, int64_t window, std::optional<std::string> title,
                                   const std::string& name = "Editor", bool active = false) {
    return std::make_shared<TrackedApp>("com.example." + name, name, AppImage{}, pid, active, false, false,
                                        std::move(title), window);
  }
};

using AppItemTest = TaskbarTest;

}  // namespace pelko::test
