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
  // `bar` in an ordered-in panel on the main screen at the position the settings give, as the monitor
  // manager places it.
  std::unique_ptr<TaskbarPanel> makePanel(TaskbarViewController& bar) {
    const Rect frame = TaskbarPanel::frameForPosition(settings->position.get(), settings->barThickness(),
                                                      mac.screens().screens().front(), 0, 0);
    auto panel = std::make_unique<TaskbarPanel>(frame, mac.screens(), &ownWindows);
    panel->setContentView(bar.view());
    panel->syncContentViewFrame();
    panel->orderFront();
    return panel;
  }
  AppItemEnvironment environment() {
    return AppItemEnvironment{scheduler, mac.workspace(), appearance, accessibilityHelper};
  }
  // A button with all three collaborators attached, as the bar makes them; given an entry, showing it
  // in the icons-only (or text) layout of a 34-point bar.
  std::unique_ptr<AppItemView> makeItem(TrackedAppPtr entry = nullptr, bool textMode = false) {
    auto item = std::make_unique<AppItemView>(environment());
    item->settingsManager = settings;
    item->appTracker = tracker;
    item->windowManager = windowManager;
    if (!entry) return item;
    item->configure(std::move(entry), false);
    textMode ? item->configureIconsTextRight(34, false) : item->configureIconsOnly(34, false);
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
