// The diagnostics report, and the update check that brings the application forward while the update
// framework shows its window.

#include <gtest/gtest.h>

#include "FrontEndsWorld.h"
#include "shell/DiagnosticsReport.h"

namespace pelko::testing {
namespace {

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(DiagnosticsReportTest, TwentyTwoLinesDescribeTheRunningApplication) {
  FrontEndsWorld world;
  world.mac.appShell().shortVersion = "2.3.1";
  world.mac.appShell().build = std::nullopt;
  world.mac.appShell().osVersion = "Version 14.5 (Build 23F79)";
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
  world.scheduler.shiftWallClock(-1.0);

  const std::vector<std::string> expected = {
      "Pelko Diagnostics",
      "Generated: 2027-01-15T08:16:40Z",
      "App: v2.3.1 (unknown)",
      "macOS: Version 14.5 (Build 23F79)",
      "Accessibility: granted",
      "Screen Recording: missing",
      "Screens Connected: 2",
      "Tracked Apps: 2",
      "Position: left",
      "Style: icons",
      "Auto-Hide: true",
      "Show Thumbnails: false",
      "Show System Tray: true",
      "Fully Hide Dock: true",
      "Dock Hidden Runtime: true",
      "Launch at Login: false",
      "Launch at Login Pending Approval: false",
      "Floating Bar: true",
      "Taskbar Size: 104% (50 pt)",
      "Monitor Mode: primaryOnly",
      "Blacklisted Apps: 3",
      "Custom App Order: 0",
  };
  std::string report = world.delegate->diagnosticsReport();
  EXPECT_EQ(linesOf(report), expected);
  EXPECT_NE(report.back(), '\n');
}

TEST(DiagnosticsReportTest, TwoReportsASecondApartDifferOnlyInTheirTime) {
  FrontEndsWorld world;
  world.start();
  auto first = linesOf(world.delegate->diagnosticsReport());
  world.settle(1.0);
  auto second = linesOf(world.delegate->diagnosticsReport());
  ASSERT_EQ(first.size(), 22u);
  ASSERT_EQ(second.size(), 22u);
  for (size_t i = 0; i < first.size(); ++i) {
    if (i == 1) {
      EXPECT_NE(first[i], second[i]);
    } else {
      EXPECT_EQ(first[i], second[i]) << "line " << i + 1;
    }
  }
}

TEST(DiagnosticsReportTest, TimesAreUtcToTheSecondAndSizesTruncate) {
  EXPECT_EQ(DiagnosticsReport::iso8601(1769850300.9), "2026-01-31T09:05:00Z");
  EXPECT_EQ(DiagnosticsReport::iso8601(0), "1970-01-01T00:00:00Z");
  DiagnosticsReport report;
  report.taskbarSize = 99.99;
  report.barThickness = 33.7;
  EXPECT_NE(report.text().find("\nTaskbar Size: 99% (33 pt)\n"), std::string::npos);
  report.shortVersion = std::nullopt;
  report.build = "77";
  EXPECT_NE(report.text().find("\nApp: vunknown (77)\n"), std::string::npos);
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

TEST_F(UpdateCheckTest, WhileTheUpdateWindowShowsTheApplicationComesForwardThreeTimes) {
  world.updater.checkWindowSeconds = 10;
  world.delegate->checkForUpdates();
  EXPECT_EQ(world.updater.checkCount, 1);
  EXPECT_EQ(*activations, 1) << "activated before the check";
  EXPECT_EQ(activationsAt({0.29, 0.3, 0.99, 1.0, 1.99, 2.0, 5.0}), (std::vector<int>{1, 2, 2, 3, 3, 4, 4}));
}

TEST_F(UpdateCheckTest, PassesAfterTheWindowClosedDoNothing) {
  world.updater.checkWindowSeconds = 1.5;
  world.delegate->checkForUpdates();
  EXPECT_EQ(activationsAt({0.3, 1.0, 2.0}), (std::vector<int>{2, 3, 3}));
}

TEST_F(UpdateCheckTest, AVisibleSheetAlsoBringsItForwardButHiddenOrOtherWindowsDoNot) {
  auto& windows = world.mac.appShell().windowList;
  windows = {{"SUUpdateAlert", false, false}, {"SettingsWindow", true, false}};
  world.delegate->checkForUpdates();
  EXPECT_EQ(activationsAt({2.0}), std::vector<int>{1});
  windows.push_back({"NSPanel", true, true});
  world.delegate->checkForUpdates();
  EXPECT_EQ(activationsAt({0.3, 1.0, 2.0}), (std::vector<int>{3, 4, 5}));
}

TEST_F(UpdateCheckTest, TheUpdaterStartsOnceAtStartUp) {
  EXPECT_EQ(world.updater.startCount, 1);
  EXPECT_EQ(world.updater.checkCount, 0);
}

}  // namespace
}  // namespace pelko::testing
