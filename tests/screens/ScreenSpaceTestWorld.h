#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <memory>
#include <string>
#include <vector>

#include "foundation/DebugLog.h"
#include "platform/sim/SimOwnWindows.h"
#include "screens/ScreenSpaceManager.h"
#include "screens/TaskbarAutoHide.h"
#include "support/SimulatedSystem.h"
#include "taskbar/TaskbarPanel.h"

namespace pelko::test {

// An auto-hide manager as state: whether the bar is hidden, and what it was asked.
class FakeAutoHide final : public TaskbarAutoHide {
 public:
  bool hidden = false;
  // As the real one does, a hide is put off while the pointer is on the bar.
  bool pointerOnBar = false;
  std::vector<std::string> calls;
  bool isTaskbarHidden() const override { return hidden; }
  void showTaskbar(bool animated) override {
    hidden = false;
    calls.push_back(animated ? "show animated" : "show");
  }
  void hideTaskbar(bool animated) override {
    if (!pointerOnBar) hidden = true;
    calls.push_back(animated ? "hide animated" : "hide");
  }
  void fullscreenStateChanged(bool isFullscreen) override {
    calls.push_back(isFullscreen ? "fullscreen on" : "fullscreen off");
  }
  void resetHideTimer() override { calls.push_back("resetHideTimer"); }
  void cancelHideTimer() override { calls.push_back("cancelHideTimer"); }
  void repositionTriggerZone() override { calls.push_back("repositionTriggerZone"); }
};

// One bar along the bottom of the simulated Mac's 1920 x 1080 main display, 48 pt thick: in window-server
// coordinates it covers (0, 1032, 1920, 48). A window at (100, 100, 800, 1000) overlaps it by 68 pt.
class ScreenSpaceTest : public ::testing::Test, protected SimulatedSystem {
 protected:
  sim::SimOwnWindows ownWindows{mac};
  ScreenSpaceSharedState shared;
  FakeAutoHide autoHide;
  std::unique_ptr<TaskbarPanel> panel;
  std::unique_ptr<ScreenSpaceManager> manager;
  std::vector<std::string> log;
  DebugLogSink previousSink;

  void SetUp() override {
    previousSink = setDebugLogSink([this](std::string_view line) { log.emplace_back(line); });
    panel = std::make_unique<TaskbarPanel>(Rect(0, 0, 1920, 48), mac.screens(), &ownWindows, &scheduler);
    panel->setFrame(Rect(0, 0, 1920, 48));
    panel->orderFront();
  }
  void TearDown() override {
    manager.reset();
    panel.reset();
    setDebugLogSink(previousSink);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  ScreenSpaceManager::Dependencies dependencies(AccessibilityHelper& helper) {
    return {scheduler,
            mac.workspace(),
            mac.windowServer(),
            mac.screens(),
            helper,
            &mac.distributedNotifications(),
            &mac.processExistence()};
  }
  ScreenSpaceManager& make(bool linkAutoHide = false) {
    manager = std::make_unique<ScreenSpaceManager>(panel.get(), settings, windowManager,
                                                   mac.screens().screens().front(), shared,
                                                   dependencies(accessibilityHelper));
    if (linkAutoHide) manager->setAutoHideManager(&autoHide);
    return *manager;
  }
  ScreenSpaceManager& start(bool linkAutoHide = false) {
    make(linkAutoHide).startMonitoring();
    scheduler.runUntilIdle();
    return *manager;
  }

  int32_t launch(const std::string& name, bool activate = true) {
    return mac.launchApp({.bundleID = "com.example." + name, .name = name, .activate = activate});
  }
  platform::WindowID openOverlapping(int32_t pid, Rect bounds = Rect(100, 100, 800, 1000)) {
    return mac.openWindow(pid, {.title = "w", .bounds = bounds});
  }
  Rect frameOf(platform::WindowID window) const { return mac.window(window)->bounds; }
  int countLog(const std::string& prefix) const {
    int n = 0;
    for (const auto& line : log) n += line.rfind(prefix, 0) == 0;
    return n;
  }
  int sizeWrites(platform::WindowID window) const {
    int n = 0;
    for (const auto& action : mac.actionTexts())
      n += action.rfind("set AXSize window=" + std::to_string(window), 0) == 0;
    return n;
  }
};

}  // namespace pelko::test
