#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/OwnWindows.h"
#include "platform/sim/SimOwnWindows.h"
#include "screens/MonitorManager.h"
#include "support/SimulatedSystem.h"
#include "taskbar/TaskbarAccessoryServices.h"
#include "tracking/TrackedApp.h"

namespace pelko::test {

// The panels' own windows in the simulated window server, with the order in which they came and went.
class RecordingOwnWindows final : public platform::OwnWindows {
 public:
  explicit RecordingOwnWindows(sim::SimulatedMac& mac) : inner_(mac) {}
  platform::WindowID orderIn(const platform::OwnWindowDescription& window) override {
    auto id = inner_.orderIn(window);
    log.push_back("in " + std::to_string(id));
    return id;
  }
  void setBounds(platform::WindowID window, const Rect& bounds) override { inner_.setBounds(window, bounds); }
  void orderOut(platform::WindowID window) override {
    log.push_back("out " + std::to_string(window));
    inner_.orderOut(window);
  }
  std::vector<std::string> log;

 private:
  sim::SimOwnWindows inner_;
};

// A simulated Mac whose main display (1) is 1920 x 1080, with the settings, tracker and window manager
// the bars work with, and a monitor manager over them. The tracker is not started: tests publish entry
// lists themselves.
// Screens a test names itself: as a faulty port might report them, or none at all.
class FixedScreens final : public platform::Screens {
 public:
  explicit FixedScreens(std::vector<platform::ScreenInfo> screens) : screens_(std::move(screens)) {}
  std::vector<platform::ScreenInfo> screens() override { return screens_; }
  std::optional<platform::ScreenInfo> mainScreen() override {
    return screens_.empty() ? std::nullopt : std::optional(screens_.front());
  }
  Publisher<platform::ScreenParametersChange> screenParametersChanged() override {
    return changes.publisher();
  }
  Subject<platform::ScreenParametersChange> changes;

 private:
  std::vector<platform::ScreenInfo> screens_;
};

class MonitorManagerTest : public ::testing::Test, protected SimulatedSystem {
 protected:
  RecordingOwnWindows ownWindows{mac};
  TaskbarAccessoryServices accessories{scheduler, mac.workspace()};
  std::unique_ptr<MonitorManager> manager;

  static constexpr platform::DisplayID kMain = 1;

  void TearDown() override {
    manager.reset();
    flushDeletes();
  }

  // Over the simulated Mac's screens unless given others.
  std::unique_ptr<MonitorManager> makeManager(platform::Screens* screens = nullptr,
                                              ThumbnailServices* thumbnails = nullptr) {
    return std::make_unique<MonitorManager>(
        tracker, windowManager, accessories.systemTrayManager, settings,
        MonitorManager::Dependencies{scheduler, screens ? *screens : mac.screens(), mac.windowServer(),
                                     mac.workspace(), appearance, accessibilityHelper, accessories.trash,
                                     accessories.alerts, &ownWindows, &mac.distributedNotifications(),
                                     &mac.processExistence(), thumbnails});
  }
  // Starts a manager and lets the first hand-out of the entries arrive.
  void start() {
    manager = makeManager();
    manager->start();
    settle();
  }
  // Runs what is due now, without moving the clock.
  void settle() {
    scheduler.runUntilIdle();
    flushDeletes();
  }
  void advance(double seconds) {
    scheduler.advance(seconds);
    flushDeletes();
  }
  static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

  // Displays tests add: one to the right, one to the left, lower.
  platform::DisplayID addRight() {
    return mac.addDisplay({.bounds = Rect(1920, 0, 1280, 1024), .scale = 1.0, .name = "Right"});
  }
  platform::DisplayID addLeft() {
    return mac.addDisplay({.bounds = Rect(-1440, 200, 1440, 900), .scale = 2.0, .name = "Left"});
  }

  static TrackedAppPtr entry(const std::string& name, std::optional<uint32_t> display, int32_t pid = 0) {
    static int32_t nextPID = 700;
    auto app = std::make_shared<TrackedApp>("com.example." + name, name, AppImage{}, pid ? pid : nextPID++,
                                            false, false, false, std::nullopt, std::nullopt);
    app->displayID = display;
    return app;
  }

  // The names of the entries the bar on `display` was last handed.
  std::vector<std::string> namesOn(platform::DisplayID display) const {
    std::vector<std::string> names;
    auto* controller = manager->viewController(display);
    if (!controller) return {"<no bar>"};
    for (const auto& app : controller->lastFilteredApps()) names.push_back(app->name);
    return names;
  }
  // This process's windows in the window server's list: the panels that are ordered in.
  std::vector<platform::WindowID> ownWindowNumbers() {
    std::vector<platform::WindowID> numbers;
    for (auto number : mac.windowOrder())
      if (mac.window(number)->owner == mac.appShell().pid) numbers.push_back(number);
    return numbers;
  }
};

}  // namespace pelko::test
