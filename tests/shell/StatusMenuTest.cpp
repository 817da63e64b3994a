// The status item's menu and what each of its rows does.

#include <gtest/gtest.h>

#include "FrontEndsWorld.h"
#include "shell/MonitorManagerTaskbars.h"
#include "taskbar/TaskbarViewController.h"

namespace pelko::testing {
namespace {

TEST(StatusMenuTest, TenRowsWithThreeFullStopsSeparatorsAndCommandKeys) {
  FrontEndsWorld world;
  world.start();
  std::vector<std::string> rows;
  for (const auto& item : world.statusItem.menu) {
    rows.push_back(item.isSeparator
                       ? "---"
                       : item.title + (item.keyEquivalent.empty() ? "" : " ^" + item.keyEquivalent));
    EXPECT_EQ(item.action == nullptr, item.isSeparator) << item.title;
  }
  EXPECT_EQ(rows, (std::vector<std::string>{"About Pelko", "Check for Updates...", "Feedback & Support...",
                                            "---", "Settings... ^,", "Run Onboarding...", "Restart Pelko ^r",
                                            "Copy Diagnostics ^d", "---", "Restore Dock & Quit ^q"}));
  EXPECT_EQ(world.statusItem.toolTip, "Pelko - Taskbar for macOS");
  EXPECT_TRUE(world.statusItem.installedImage->isTemplate);
}

TEST(StatusMenuTest, WithoutAStatusAreaItSaysSoOnceAndRunsOn) {
  FrontEndsWorld world;
  world.statusItem.hasStatusArea = false;
  world.start();
  EXPECT_FALSE(world.delegate->hasStatusItem());
  EXPECT_EQ(world.countLog("AppDelegate: no status area to show the status item in; running without the "
                           "status menu"),
            1u);
  EXPECT_EQ(world.updater.startCount, 1) << "start-up goes on to the updater";
}

TEST(StatusMenuTest, EachRowReachesItsAction) {
  FrontEndsWorld world;
  const ShellTestWorld::Dictionary usersDock = {{"autohide", false}, {"tilesize", 48.0}};
  world.setDockDomain(usersDock);
  world.start();
  world.bars.clear();
  auto& item = world.statusItem;

  item.choose("Settings...");
  EXPECT_EQ(world.settingsWindow->shown, 0) << "opened on a later pass of the main queue";
  world.scheduler.runUntilIdle();
  item.choose("Settings...");
  world.scheduler.runUntilIdle();
  item.choose("About Pelko");
  item.choose("About Pelko");
  EXPECT_EQ(world.settingsWindow->made, 1) << "the open window is brought forward, not made again";
  EXPECT_EQ(world.settingsWindow->shown, 2);
  EXPECT_EQ(world.aboutWindow->made, 1);
  EXPECT_EQ(world.aboutWindow->shown, 2);

  item.choose("Run Onboarding...");
  item.choose("Feedback & Support...");
  item.choose("Check for Updates...");
  item.choose("Restart Pelko");
  EXPECT_EQ(world.onboardingWindow->shown, 1);
  EXPECT_EQ(world.feedbackPagesOpened, 1);
  EXPECT_EQ(world.updater.checkCount, 1);
  EXPECT_EQ(world.rebuilds(), 1);

  ASSERT_TRUE(world.delegate->isDockHidden());
  item.choose("Restore Dock & Quit");
  world.scheduler.runUntilIdle();
  EXPECT_EQ(world.processControl.exitStatuses, std::vector<int>{0});
  EXPECT_EQ(world.dockDomain(), usersDock);
  EXPECT_FALSE(world.delegate->dockVisibilityMonitorTimer());
}

// The bars' menus reach the same shell: "Pelko Settings..." and "Quit Pelko".
TEST(StatusMenuTest, TheBarsMenusOpenTheSettingsAndRestoreTheDockAndQuit) {
  FrontEndsWorld world;
  const ShellTestWorld::Dictionary usersDock = {{"autohide", false}, {"tilesize", 48.0}};
  world.setDockDomain(usersDock);
  world.withRealBars = true;
  world.start();
  MonitorManager& monitors = world.realBars->monitorManager();
  const TaskbarShellActions& actions = monitors.viewController(monitors.displayIDs().front())->shellActions;
  ASSERT_TRUE(actions.openSettings && actions.restoreDockAndQuit);
  actions.openSettings();
  world.scheduler.runUntilIdle();
  EXPECT_EQ(world.settingsWindow->shown, 1);
  actions.restoreDockAndQuit();
  world.scheduler.runUntilIdle();
  EXPECT_EQ(world.processControl.exitStatuses, std::vector<int>{0});
  EXPECT_EQ(world.dockDomain(), usersDock);
}

TEST(StatusMenuTest, CopyDiagnosticsConfirmsAndAFailedCopyLeavesTheClipboardAsItWas) {
  FrontEndsWorld world;
  world.start();
  world.clipboard.contents = "what the user had copied";
  world.clipboard.failingWrites = 1;
  world.statusItem.choose("Copy Diagnostics");
  EXPECT_EQ(world.clipboard.contents, "what the user had copied");
  world.statusItem.choose("Copy Diagnostics");
  EXPECT_EQ(world.clipboard.contents, world.delegate->diagnosticsReport());
  using Style = platform::AlertContent::Style;
  EXPECT_EQ(world.alerts.shown,
            (std::vector<platform::AlertContent>{
                {Style::warning, "Copy Failed", "Pelko could not copy diagnostics to the clipboard.", {"OK"}},
                {Style::informational,
                 "Diagnostics Copied",
                 "Diagnostic details were copied to your clipboard.",
                 {"OK"}}}));
  // The application's own alerts: above every window of ours, the About window among them.
  EXPECT_EQ(world.alerts.owners, (std::vector<platform::AlertOwner>(2)));
  // The settings window's copy answers instead of showing an alert.
  world.clipboard.contents = "again";
  world.clipboard.failingWrites = 1;
  EXPECT_FALSE(world.delegate->copyDiagnosticsToPasteboard());
  EXPECT_EQ(world.clipboard.contents, "again");
  EXPECT_EQ(world.alerts.shown.size(), 2u);
}

}  // namespace
}  // namespace pelko::testing
