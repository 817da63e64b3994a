// The diagnostics report, and the update check that brings the application forward while the update
// framework shows its window.

#include <gtest/gtest.h>

#include "FrontEndsWorld.h"

namespace pelko::testing {
namespace {

TEST(DiagnosticsReportTest, TwentyTwoLinesDescribeTheRunningApplication) {
  FrontEndsWorld world;
  world.mac.appShell().version = "2.3.1";
  world.mac.appShell().build = std::nullopt;
  world.mac.permissions().screenCaptureGranted = false;
  world.mac.addDisplay({.bounds = Rect(1920, 0, 1280, 800)});
  world.mac.openWindow(world.mac.launchApp("com.example.editor", "Editor"));
  world.mac.openWindow(world.mac.launchApp("com.example.mail", "Mail"));
  world.start();
  auto& settings = world.settings();
  settings.position = TaskbarPosition::left;
  settings.style = TaskbarStyle::iconsOnly;
  settings.autoHide = true;
  settings.showSystemTray = true;
  settings.floatingBar = true;
  settings.taskbarSize = 104.9;
  settings.multiMonitorMode = MultiMonitorMode::primaryOnly;
  settings.blacklistedBundleIDs = StringList{"com.example.a", "com.example.b", "com.example.c"};
  world.settle(1.0);
  world.scheduler.shiftWallClock(-1.0);  // the report's time: 1 800 001 000 s after the epoch

  EXPECT_EQ(world.delegate->diagnosticsReport(),
            "Pelko Diagnostics\n"
            "Generated: 2027-01-15T08:16:40Z\n"
            "App: v2.3.1 (unknown)\n"
            "macOS: Version 14.5 (Build 23F79)\n"
            "Accessibility: granted\n"
            "Screen Recording: missing\n"
            "Screens Connected: 2\n"
            "Tracked Apps: 2\n"
            "Position: left\n"
            "Style: icons\n"
            "Auto-Hide: true\n"
            "Show Thumbnails: false\n"
            "Show System Tray: true\n"
            "Fully Hide Dock: true\n"
            "Dock Hidden Runtime: true\n"
            "Launch at Login: false\n"
            "Launch at Login Pending Approval: false\n"
            "Floating Bar: true\n"
            "Taskbar Size: 104% (50 pt)\n"
            "Monitor Mode: primaryOnly\n"
            "Blacklisted Apps: 3\n"
            "Custom App Order: 0");
}

class UpdateCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world.start();
    activations = &world.mac.appShell().activateOwnProcessCount;
    *activations = 0;
  }
  // The activations seen at each moment after the check.
  std::vector<int> activationsAt(const std::vector<double>& moments) {
    std::vector<int> seen;
    double passed = 0;
    for (double moment : moments) {
      world.settle(moment - passed);
      passed = moment;
      seen.push_back(*activations);
    }
    return seen;
  }

  FrontEndsWorld world;
  int* activations = nullptr;
};

TEST_F(UpdateCheckTest, WhileTheUpdateWindowShowsTheApplicationComesForwardAtEachPass) {
  world.updater.checkWindowSeconds = 1.5;
  world.delegate->checkForUpdates();
  EXPECT_EQ(world.updater.checkCount, 1);
  EXPECT_EQ(*activations, 1) << "activated before the check";
  // The window closes at 1.5 s: the pass at 2.0 s finds nothing.
  EXPECT_EQ(activationsAt({0.29, 0.3, 0.99, 1.0, 2.0}), (std::vector<int>{1, 2, 2, 3, 3}));
}

TEST_F(UpdateCheckTest, AVisibleSheetAlsoCountsButHiddenOrOtherWindowsDoNot) {
  auto& windows = world.mac.appShell().windowList;
  windows = {{"SUUpdateAlert", false, false}, {"SettingsWindow", true, false}, {"NSPanel", false, true}};
  world.delegate->checkForUpdates();
  EXPECT_EQ(activationsAt({2.0}), std::vector<int>{1});
  windows.push_back({"NSPanel", true, true});
  world.delegate->checkForUpdates();
  EXPECT_EQ(activationsAt({0.3, 1.0, 2.0}), (std::vector<int>{3, 4, 5}));
}

}  // namespace
}  // namespace pelko::testing
