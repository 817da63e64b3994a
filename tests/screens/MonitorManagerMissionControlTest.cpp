#include "platform/sim/SimEventMonitors.h"
#include "platform/sim/SimMemoryPressure.h"
#include "screens/MonitorManagerTestWorld.h"
#include "settings/SettingsManager.h"
#include "taskbar/AppItemView.h"
#include "taskbar/TaskbarViewController.h"
#include "taskbar/ThumbnailServices.h"

namespace pelko::test {
namespace {

class MonitorManagerMissionControlTest : public MonitorManagerTest {
 protected:
  TaskbarPanel* bar() const { return manager->panel(kMain); }
  ScreenSpaceManager* screenSpace() const { return manager->screenSpaceManager(kMain); }
};

TEST_F(MonitorManagerMissionControlTest, BarsLeaveForMissionControlAndFadeBackAfterIt) {
  for (bool reduceMotion : {false, true}) {
    SCOPED_TRACE(reduceMotion ? "reduce motion" : "fade");
    mac.setReduceMotion(reduceMotion);
    const int32_t editor = mac.launchApp("com.example.editor", "Editor");
    start();
    mac.setMissionControlSignals({false, true, false});
    mac.showMissionControl();
    settle();
    EXPECT_TRUE(manager->mcPanelsHidden());
    EXPECT_FALSE(bar()->isOrderedIn());
    EXPECT_EQ(bar()->collectionBehavior(), 80u);

    mac.hideMissionControl();  // the Dock deactivates and the editor comes back
    ASSERT_EQ(mac.frontmostPID(), editor);
    advance(0.09);
    EXPECT_FALSE(bar()->isOrderedIn());
    advance(0.02);
    EXPECT_TRUE(bar()->isOrderedIn());
    EXPECT_EQ(bar()->collectionBehavior(), 81u);
    EXPECT_DOUBLE_EQ(bar()->windowOpacity(), reduceMotion ? 1.0 : 0.0);
    advance(0.26);
    EXPECT_DOUBLE_EQ(bar()->windowOpacity(), 1.0);
    manager.reset();
    mac.quitApp(editor);
    settle();
  }
}

// No screens at all, so no bars: Mission Control leaves nothing to bring back.
TEST_F(MonitorManagerMissionControlTest, MissionControlWithoutScreensHidesNothing) {
  FixedScreens none({});
  manager = makeManager(&none);
  manager->start();
  settle();
  ASSERT_TRUE(manager->displayIDs().empty());
  mac.setMissionControlSignals({false, true, false});
  mac.showMissionControl();
  settle();
  EXPECT_FALSE(manager->mcPanelsHidden());
}

TEST_F(MonitorManagerMissionControlTest, ABarHiddenForFullScreenStaysHiddenAfterMissionControl) {
  settings->hideInFullscreen = true;
  const int32_t player = mac.launchApp("com.example.player", "Player");
  mac.setFullScreen(mac.openWindow(player, {.title = "movie"}), true);
  start();
  ASSERT_TRUE(screenSpace()->isHiddenForFullscreen());
  mac.setMissionControlSignals({false, true, false});
  mac.showMissionControl();
  settle();
  ASSERT_TRUE(manager->mcPanelsHidden());
  mac.hideMissionControl();
  advance(0.5);
  EXPECT_FALSE(manager->mcPanelsHidden());
  EXPECT_TRUE(screenSpace()->isHiddenForFullscreen());
  EXPECT_FALSE(bar()->isOrderedIn());
}

// A panel left up would float over Mission Control, or over a window that has just gone full screen.
TEST_F(MonitorManagerMissionControlTest, MissionControlAndAWindowGoingFullScreenDismissTheThumbnails) {
  sim::SimEventMonitors eventMonitors;
  sim::SimMemoryPressure memoryPressure{scheduler};
  ThumbnailServices thumbnails{scheduler, mac.windowServer(), mac.screens(), eventMonitors, memoryPressure};
  const int32_t pid = mac.launchApp("com.example.editor", "Editor");
  std::vector<platform::WindowID> windows;
  for (const char* title : {"One", "Two"}) windows.push_back(mac.openWindow(pid, {.title = title}));
  manager = makeManager(nullptr, &thumbnails);
  manager->start();
  auto editor = entry("Editor", kMain, pid);
  tracker->apps = {editor};
  settle();
  TaskbarViewController* bar = manager->viewController(kMain);
  auto showThumbnails = [&] {
    bar->itemView(editor->id)->showThumbnailsForDragHover();
    settle();
    return bar->visibleThumbnailPanel() != nullptr;
  };
  ASSERT_TRUE(showThumbnails());
  mac.setMissionControlSignals({false, true, false});
  mac.showMissionControl();
  settle();
  EXPECT_EQ(bar->visibleThumbnailPanel(), nullptr);
  mac.hideMissionControl();
  advance(1);

  ASSERT_TRUE(showThumbnails());
  mac.setFullScreen(windows[1], true);
  advance(10);  // the full-screen timer's sweep
  EXPECT_EQ(bar->visibleThumbnailPanel(), nullptr);
  manager.reset();
  advance(1);
}

TEST_F(MonitorManagerMissionControlTest, ARebuildWhileTheDockIsInFrontHidesTheNewBarsAgain) {
  start();
  mac.setMissionControlSignals({false, true, false});
  mac.showMissionControl();
  settle();
  manager->rebuildAll();
  settle();
  EXPECT_TRUE(manager->mcPanelsHidden());
  EXPECT_FALSE(bar()->isOrderedIn());
}

// A full-screen window already in front when the bars are built sends them away at once.
TEST_F(MonitorManagerMissionControlTest, RebuildEndsWithAFullScreenSweep) {
  const int32_t pid = mac.launchApp("com.example.player", "Player");
  const auto window = mac.openWindow(pid, {.title = "movie"});
  mac.setFullScreen(window, true);
  settle();
  start();
  EXPECT_TRUE(screenSpace()->isHiddenForFullscreen());
  EXPECT_FALSE(bar()->isOrderedIn());
}

TEST_F(MonitorManagerMissionControlTest, SpaceChangesSweepAtOnceAndAfterPointOneFiveAndPointEightSeconds) {
  const int32_t pid = mac.launchApp("com.example.player", "Player");
  const auto window = mac.openWindow(pid, {.title = "movie", .bounds = Rect(100, 100, 640, 480)});
  start();
  auto fullScreen = [&](bool on) {
    mac.setFullScreen(window, on);  // no activation: only a sweep notices
    settle();
  };
  mac.switchSpace(2);
  mac.moveWindowToSpace(window, 2);
  settle();
  fullScreen(true);
  advance(0.14);
  EXPECT_FALSE(screenSpace()->isHiddenForFullscreen());
  advance(0.02);
  EXPECT_TRUE(screenSpace()->isHiddenForFullscreen());
  fullScreen(false);
  advance(0.63);
  EXPECT_TRUE(screenSpace()->isHiddenForFullscreen());
  advance(0.02);
  EXPECT_FALSE(screenSpace()->isHiddenForFullscreen());

  // A second change 0.5 s after the first leaves only its own delayed sweeps.
  mac.switchSpace(1);
  settle();
  advance(0.5);
  mac.switchSpace(2);
  settle();
  advance(0.2);  // its own 0.15 s sweep finds nothing
  fullScreen(true);
  advance(0.15);  // past where the first change's 0.8 s sweep would have run
  EXPECT_FALSE(screenSpace()->isHiddenForFullscreen());
  advance(0.5);  // its own 0.8 s sweep
  EXPECT_TRUE(screenSpace()->isHiddenForFullscreen());
}

TEST_F(MonitorManagerMissionControlTest, TheFullScreenTimerRunsEveryTenSecondsWhileTheSettingIsOn) {
  const int32_t pid = mac.launchApp("com.example.player", "Player");
  const auto window = mac.openWindow(pid, {.title = "movie", .bounds = Rect(100, 100, 640, 480)});
  start();
  EXPECT_TRUE(manager->hasFullscreenTimer());
  mac.setFullScreen(window, true);
  settle();
  advance(9.9);
  EXPECT_FALSE(screenSpace()->isHiddenForFullscreen());
  advance(0.2);
  EXPECT_TRUE(screenSpace()->isHiddenForFullscreen());

  settings->hideInFullscreen = false;
  settle();
  EXPECT_FALSE(manager->hasFullscreenTimer());
  EXPECT_FALSE(screenSpace()->isHiddenForFullscreen());
  EXPECT_TRUE(bar()->isOrderedIn());
}

TEST_F(MonitorManagerMissionControlTest, SwitchingResizingOffPutsWindowsBack) {
  const int32_t pid = mac.launchApp({.bundleID = "com.example.editor", .name = "Editor", .activate = false});
  const auto window = mac.openWindow(pid, {.title = "w", .bounds = Rect(100, 100, 800, 1000)});
  start();
  advance(1.0);
  ASSERT_LT(mac.window(window)->bounds.height(), 1000);
  settings->autoResizeWindows = false;
  settle();
  EXPECT_EQ(mac.window(window)->bounds, Rect(100, 100, 800, 1000));
}

}  // namespace
}  // namespace pelko::test
