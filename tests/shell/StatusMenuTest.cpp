// The status item's menu and what each of its rows does.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QPainter>
#include <algorithm>
#include <cstdlib>

#include "FrontEndsWorld.h"
#include "shell/MonitorManagerTaskbars.h"
#include "shell/StatusMenuModel.h"
#include "taskbar/TaskbarViewController.h"
#include "ui/QtStatusItem.h"

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

// The icon a tray host shows, drawn by the program's own drawing of its own shapes, on a dark and on a
// light panel, for a desktop with dark text and one with light text: the screen, its bar, the stand
// and the base each stand out from the panel, and the screen's inside shows the panel.
TEST(StatusMenuTest, TheStatusIconReadsOnDarkAndLightPanels) {
  struct Case {
    const char* name;
    QColor panel;
    QColor text;
  };
  const std::vector<Case> cases = {{"dark panel, dark text", QColor(20, 20, 24), Qt::black},
                                   {"light panel, dark text", QColor(238, 238, 238), Qt::black},
                                   {"dark panel, light text", QColor(20, 20, 24), Qt::white},
                                   {"light panel, light text", QColor(238, 238, 238), Qt::white}};
  QDir dir(QCoreApplication::applicationDirPath() + "/../artifacts");
  dir.mkpath(".");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QImage icon = QtStatusItem::render(StatusMenuModel::createMenuBarIcon(), c.text, 2.0);
    ASSERT_EQ(icon.size(), QSize(36, 36));
    QImage onPanel(icon.size(), QImage::Format_RGB32);
    onPanel.fill(c.panel);
    QPainter(&onPanel).drawImage(0, 0, icon);
    onPanel.scaled(144, 144).save(dir.filePath(QString("status-icon-%1.png").arg(&c - cases.data())));
    auto contrast = [&](QPoint pixel) {
      return std::abs(qGray(onPanel.pixel(pixel)) - qGray(c.panel.rgb()));
    };
    // Each shape's ink, and its outline just outside it (pixels of half a point): the screen's left
    // edge, the bar inside it, the stand's left side, the base's bottom. Ink or outline stands out
    // from the panel, and the two from each other, so the shape shows on any panel.
    const std::vector<std::pair<QPoint, QPoint>> inkAndOutline = {
        {{4, 10}, {1, 10}}, {{18, 7}, {18, 9}}, {{18, 22}, {14, 23}}, {{18, 29}, {18, 33}}};
    for (const auto& [ink, outline] : inkAndOutline) {
      EXPECT_GT(std::max(contrast(ink), contrast(outline)), 150) << ink.x() << "," << ink.y();
      EXPECT_GT(std::abs(qGray(onPanel.pixel(ink)) - qGray(onPanel.pixel(outline))), 150)
          << ink.x() << "," << ink.y();
    }
    EXPECT_EQ(contrast({18, 14}), 0) << "the screen's inside";
    EXPECT_EQ(contrast({0, 35}), 0) << "a corner";
  }
}

// A tray host may start after the program: the item is kept, and shows once one appears.
TEST(StatusMenuTest, WithoutAStatusAreaTheItemIsKeptForOneThatAppearsLater) {
  FrontEndsWorld world;
  world.statusItem.hasStatusArea = false;
  world.start();
  EXPECT_FALSE(world.delegate->hasStatusItem());
  EXPECT_EQ(world.countLog("AppDelegate: no status area yet; the status item shows once one appears"), 1u);
  EXPECT_EQ(world.updater.startCount, 1) << "start-up goes on to the updater";
  world.statusItem.hasStatusArea = true;
  EXPECT_TRUE(world.statusItem.isShown());
  EXPECT_EQ(world.statusItem.installCount, 1);
  EXPECT_TRUE(world.statusItem.choose("About Pelko"));
}

// Asking for a status area may hold the main thread up: the bars come on screen first, the status item
// and then the updater after them.
TEST(StatusMenuTest, TheStatusItemAndTheUpdaterWaitForTheBarsOnScreen) {
  FrontEndsWorld world;
  world.barsOnScreen.hold = true;
  world.start();
  EXPECT_EQ(world.bars.front(), "start");
  EXPECT_FALSE(world.statusItem.isInstalled());
  EXPECT_EQ(world.updater.startCount, 0);
  world.urlDelivery.open({"pelko://settings"});
  world.scheduler.runUntilIdle();
  EXPECT_EQ(world.settingsWindow->shown, 1) << "URLs do not wait";
  ASSERT_EQ(world.barsOnScreen.waiting.size(), 1u);
  world.barsOnScreen.waiting.front()();
  EXPECT_TRUE(world.statusItem.isInstalled());
  EXPECT_EQ(world.updater.startCount, 1);
}

// The program's own bars count as on screen once each window has been exposed (drawn) once.
TEST(StatusMenuTest, RealBarsAreOnScreenAfterTheirFirstExpose) {
  FrontEndsWorld world;
  world.withRealBars = true;
  world.start();
  EXPECT_FALSE(world.statusItem.isInstalled()) << "before Qt has shown the bars";
  QCoreApplication::processEvents();
  world.scheduler.runUntilIdle();
  EXPECT_TRUE(world.statusItem.isInstalled()) << "on the expose, not after the 2 s time-out";
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
