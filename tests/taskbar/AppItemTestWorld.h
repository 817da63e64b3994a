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
#include "platform/sim/SimulatedMac.h"
#include "settings/LaunchAtLoginHelper.h"
#include "settings/SettingsManager.h"
#include "taskbar/AppItemView.h"
#include "tracking/AccessibilityHelper.h"
#include "tracking/AppTracker.h"
#include "tracking/TrackedApp.h"
#include "tracking/WindowManager.h"

namespace pelko::testing {

// Files in memory; the item tests never look at them, the settings store's login helper needs some.
class ItemTestFileSystem final : public platform::FileSystem {
 public:
  bool fileExists(const std::string& path) const override { return files.count(path) > 0; }
  std::optional<std::string> readFile(const std::string& path) const override {
    auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    return it->second;
  }
  bool createDirectories(const std::string&) override { return true; }
  bool writeFileAtomically(const std::string& path, const std::string& contents) override {
    files[path] = contents;
    return true;
  }
  bool removeFile(const std::string& path) override { return files.erase(path) > 0; }

  std::map<std::string, std::string> files;
};

// A simulated Mac with the settings store, the window manager and the tracker an item button works
// with, and a way to make buttons bound to them.
class AppItemTest : public ::testing::Test {
 protected:
  VirtualScheduler scheduler;
  sim::SimulatedMac mac{scheduler};
  sim::InMemoryUserDefaults defaults;
  sim::SimAppearance appearance;
  sim::SimLoginItems loginItems;
  ItemTestFileSystem fileSystem;
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
    sim::SimAppSpec spec;
    spec.bundleID = bundleID;
    spec.name = name;
    const int32_t pid = mac.launchApp(spec);
    scheduler.runUntilIdle();
    return pid;
  }
  platform::WindowID open(int32_t pid, const std::string& title) {
    sim::SimWindowSpec spec;
    spec.title = title;
    const auto window = mac.openWindow(pid, spec);
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
