#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "support/SimulatedSystem.h"
#include "taskbar/AppItemView.h"
#include "tracking/TrackedApp.h"

namespace pelko::testing {

// A simulated Mac with the settings store, the window manager and the tracker an item button works
// with, and a way to make buttons bound to them.
class AppItemTest : public ::testing::Test, protected test::SimulatedSystem {
 protected:
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
    sim::SimAppSetup setup;
    setup.bundleID = bundleID;
    setup.name = name;
    const int32_t pid = mac.launchApp(setup);
    scheduler.runUntilIdle();
    return pid;
  }
  platform::WindowID open(int32_t pid, const std::string& title) {
    sim::SimWindowSetup setup;
    setup.title = title;
    const auto window = mac.openWindow(pid, setup);
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

}  // namespace pelko::testing
