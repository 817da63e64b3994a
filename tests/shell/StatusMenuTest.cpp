// The status item and its menu, the main menu, and what each status-menu row does.

#include <gtest/gtest.h>

#include "FrontEndsWorld.h"
#include "shell/StatusMenuModel.h"

namespace pelko::testing {
namespace {

struct Row {
  std::string title;
  std::string key;
  bool separator;
};

std::vector<Row> rowsOf(const std::vector<platform::StatusMenuItem>& menu) {
  std::vector<Row> rows;
  for (const auto& item : menu) rows.push_back({item.title, item.keyEquivalent, item.isSeparator});
  return rows;
}

TEST(StatusMenuTest, TheMenuListsTenRowsWithThreeFullStopsAndCommandKeys) {
  FrontEndsWorld world;
  world.start();
  ASSERT_TRUE(world.statusItem.isInstalled());
  const std::vector<Row> expected = {
      {"About Pelko", "", false},
      {"Check for Updates...", "", false},
      {"Feedback & Support...", "", false},
      {"", "", true},
      {"Settings...", ",", false},
      {"Run Onboarding...", "", false},
      {"Restart Pelko", "r", false},
      {"Copy Diagnostics", "d", false},
      {"", "", true},
      {"Restore Dock & Quit", "q", false},
  };
  auto rows = rowsOf(world.statusItem.menu);
  ASSERT_EQ(rows.size(), expected.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].title, expected[i].title) << "row " << i + 1;
    EXPECT_EQ(rows[i].key, expected[i].key) << "row " << i + 1;
    EXPECT_EQ(rows[i].separator, expected[i].separator) << "row " << i + 1;
    EXPECT_EQ(rows[i].title.find("\xE2\x80\xA6"), std::string::npos) << "no ellipsis character";
    EXPECT_EQ(world.statusItem.menu[i].action != nullptr, !expected[i].separator) << "row " << i + 1;
  }
  EXPECT_EQ(world.statusItem.toolTip, "Pelko - Taskbar for macOS");
  EXPECT_EQ(world.statusItem.installCount, 1);
}

TEST(StatusMenuTest, TheIconIsAScreenOnAStandAsATemplateImage) {
  auto icon = StatusMenuModel::createMenuBarIcon();
  EXPECT_EQ(icon.width, 18);
  EXPECT_EQ(icon.height, 18);
  EXPECT_TRUE(icon.isTemplate);
  const std::vector<platform::StatusIconShape> expected = {
      {Rect(2, 1, 14, 9), 2.5, 1.4},
      {Rect(4.5, 3, 9, 1.2), 0.6, 0},
      {Rect(7.5, 10, 3, 2.5), 1.2, 0},
      {Rect(3, 13, 12, 3.5), 1.75, 0},
  };
  EXPECT_EQ(icon.shapes, expected);
}

TEST(StatusMenuTest, TheMainMenuHoldsOnlyTheEditingCommands) {
  FrontEndsWorld world;
  world.start();
  const std::vector<MenuRow> expected = {
      {"Undo", "undo:", "z"},
      {"Redo", "redo:", "Z"},
      {"", "", "", true},
      {"Cut", "cut:", "x"},
      {"Copy", "copy:", "c"},
      {"Paste", "paste:", "v"},
      {"Select All", "selectAll:", "a"},
  };
  EXPECT_EQ(world.delegate->mainMenu(), expected);
}

TEST(StatusMenuTest, WithoutAStatusAreaItSaysSoOnceAndRunsOn) {
  FrontEndsWorld world;
  world.statusItem.hasStatusArea = false;
  world.start();
  EXPECT_TRUE(world.delegate->hasFinishedLaunching());
  EXPECT_FALSE(world.delegate->hasStatusItem());
  EXPECT_EQ(world.countLog("AppDelegate: no status area to show the status item in; running without the "
                           "status menu"),
            1u);
  // The updater still starts after it.
  EXPECT_EQ(world.updater.startCount, 1);
}

TEST(StatusMenuTest, EachRowReachesItsAction) {
  FrontEndsWorld world;
  world.start();
  world.bars.clear();
  auto& item = world.statusItem;

  EXPECT_TRUE(item.choose("Settings..."));
  EXPECT_EQ(world.settingsWindow->shown, 0) << "opened on a later pass of the main queue";
  world.scheduler.runUntilIdle();
  EXPECT_TRUE(item.choose("Settings..."));
  world.scheduler.runUntilIdle();
  EXPECT_EQ(world.settingsWindow->made, 1) << "the open window is brought forward, not made again";
  EXPECT_EQ(world.settingsWindow->shown, 2);

  item.choose("About Pelko");
  item.choose("About Pelko");
  EXPECT_EQ(world.aboutWindow->made, 1);
  EXPECT_EQ(world.aboutWindow->shown, 2);

  item.choose("Run Onboarding...");
  EXPECT_EQ(world.onboardingWindow->shown, 1);
  item.choose("Feedback & Support...");
  EXPECT_EQ(world.feedbackPagesOpened, 1);
  item.choose("Check for Updates...");
  EXPECT_EQ(world.updater.checkCount, 1);
  item.choose("Restart Pelko");
  EXPECT_EQ(world.bars, std::vector<std::string>{"rebuildAll"});

  EXPECT_TRUE(world.processControl.exitStatuses.empty());
  item.choose("Restore Dock & Quit");
  EXPECT_EQ(world.processControl.exitStatuses, std::vector<int>{0});
  EXPECT_TRUE(world.delegate->shouldRestoreDockOnQuit());
}

TEST(StatusMenuTest, RestoreDockAndQuitPutsTheUsersDockBack) {
  FrontEndsWorld world;
  const ShellTestWorld::Dictionary usersDock = {{"autohide", false}, {"tilesize", 48.0}};
  world.setDockDomain(usersDock);
  world.start();
  ASSERT_TRUE(world.delegate->isDockHidden());
  ASSERT_TRUE(world.delegate->dockVisibilityMonitorTimer());
  world.statusItem.choose("Restore Dock & Quit");
  world.scheduler.runUntilIdle();
  EXPECT_EQ(world.dockDomain(), usersDock);
  EXPECT_FALSE(world.delegate->dockVisibilityMonitorTimer());
}

TEST(StatusMenuTest, CopyDiagnosticsConfirmsWithAnAlert) {
  FrontEndsWorld world;
  world.start();
  world.clipboard.contents = "what the user had copied";
  world.statusItem.choose("Copy Diagnostics");
  ASSERT_TRUE(world.clipboard.contents);
  EXPECT_EQ(world.clipboard.contents->substr(0, 18), "Pelko Diagnostics\n");
  ASSERT_EQ(world.alerts.shown.size(), 1u);
  EXPECT_EQ(world.alerts.shown[0],
            (platform::AlertContent{platform::AlertContent::Style::informational,
                                    "Diagnostics Copied",
                                    "Diagnostic details were copied to your clipboard.",
                                    {"OK"}}));
}

TEST(StatusMenuTest, AFailedCopyLeavesTheClipboardAsItWasAndSaysSo) {
  FrontEndsWorld world;
  world.start();
  world.clipboard.contents = "what the user had copied";
  world.clipboard.failingWrites = 1;
  world.statusItem.choose("Copy Diagnostics");
  EXPECT_EQ(world.clipboard.contents, "what the user had copied");
  ASSERT_EQ(world.alerts.shown.size(), 1u);
  EXPECT_EQ(world.alerts.shown[0],
            (platform::AlertContent{platform::AlertContent::Style::warning,
                                    "Copy Failed",
                                    "Pelko could not copy diagnostics to the clipboard.",
                                    {"OK"}}));
  // The settings window's copy answers instead of showing an alert.
  world.clipboard.failingWrites = 1;
  EXPECT_FALSE(world.delegate->copyDiagnosticsToPasteboard());
  EXPECT_EQ(world.clipboard.contents, "what the user had copied");
  EXPECT_TRUE(world.delegate->copyDiagnosticsToPasteboard());
  EXPECT_EQ(world.clipboard.contents, world.delegate->diagnosticsReport());
  EXPECT_EQ(world.alerts.shown.size(), 1u);
}

}  // namespace
}  // namespace pelko::testing
