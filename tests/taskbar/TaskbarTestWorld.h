#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "foundation/VirtualScheduler.h"
#include "platform/FileSystem.h"
#include "platform/sim/InMemoryUserDefaults.h"
#include "platform/sim/SimAppearance.h"
#include "platform/sim/SimLoginItems.h"
#include "platform/sim/SimOwnWindows.h"
#include "platform/sim/SimulatedMac.h"
#include "settings/LaunchAtLoginHelper.h"
#include "settings/SettingsManager.h"
#include "taskbar/AppItemView.h"
#include "taskbar/TaskbarPanel.h"
#include "taskbar/TaskbarViewController.h"
#include "tracking/AccessibilityHelper.h"
#include "tracking/AppTracker.h"
#include "tracking/TrackedApp.h"
#include "tracking/WindowManager.h"

namespace pelko::test {

// The launch-at-login helper writes nowhere the bar tests look.
class NullFileSystem final : public platform::FileSystem {
 public:
  bool fileExists(const std::string&) const override { return false; }
  std::optional<std::string> readFile(const std::string&) const override { return std::nullopt; }
  bool createDirectories(const std::string&) override { return true; }
  bool writeFileAtomically(const std::string&, const std::string&) override { return true; }
  bool removeFile(const std::string&) override { return false; }
};

// A simulated Mac with the settings store, tracker and window manager one bar works with.
class TaskbarTest : public ::testing::Test {
 protected:
  VirtualScheduler scheduler;
  sim::SimulatedMac mac{scheduler};
  sim::SimOwnWindows ownWindows{mac};
  sim::InMemoryUserDefaults defaults;
  sim::SimAppearance appearance;
  sim::SimLoginItems loginItems;
  NullFileSystem fileSystem;
  LaunchAtLoginHelper launchAtLogin{loginItems, fileSystem, mac.appShell()};
  std::shared_ptr<SettingsManager> settings = std::make_shared<SettingsManager>(
      SettingsManager::Dependencies{defaults, mac.permissions(), appearance, launchAtLogin, scheduler});
  AccessibilityHelper accessibilityHelper{scheduler, mac.permissions(), mac.accessibility(), mac.workspace(),
                                          mac.appShell()};
  std::shared_ptr<WindowManager> windowManager =
      WindowManager::create(scheduler, mac.workspace(), mac.windowServer(), accessibilityHelper);
  std::shared_ptr<AppTracker> tracker = AppTracker::create(AppTracker::Dependencies{scheduler,
                                                                                    mac.workspace(),
                                                                                    mac.windowServer(),
                                                                                    mac.accessibility(),
                                                                                    accessibilityHelper,
                                                                                    &mac.screens(),
                                                                                    {}});

  TaskbarViewController::Environment environment() {
    return {scheduler, mac.workspace(), appearance, accessibilityHelper};
  }
  std::unique_ptr<TaskbarViewController> makeController(bool externallyManaged) {
    return std::make_unique<TaskbarViewController>(tracker, windowManager, settings, externallyManaged,
                                                   environment());
  }

  static TrackedAppPtr appEntry(int32_t pid, const std::string& name, bool active = false) {
    return std::make_shared<TrackedApp>("com.example." + name, name, AppImage{}, pid, active, false, false,
                                        std::nullopt, std::nullopt);
  }
  static TrackedAppPtr windowEntry(int32_t pid, const std::string& name, int64_t window, std::string title,
                                   bool active = false) {
    return std::make_shared<TrackedApp>("com.example." + name, name, AppImage{}, pid, active, false, false,
                                        std::move(title), window);
  }
};

}  // namespace pelko::test
