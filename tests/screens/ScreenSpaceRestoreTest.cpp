#include "screens/ScreenSpaceTestWorld.h"
#include "settings/SettingsManager.h"

namespace pelko::test {
namespace {

TEST_F(ScreenSpaceTest, RestoringPutsWindowsBackOnceAndSkipsClosedOnes) {
  const int32_t pid = launch("Editor", false);
  const auto kept = openOverlapping(pid);
  const auto closed = openOverlapping(pid, Rect(1000, 200, 600, 900));
  start();
  scheduler.advance(1.0);
  ASSERT_EQ(frameOf(kept), Rect(100, 100, 800, 932));
  mac.closeWindow(closed);
  manager->restoreResizedWindows();
  EXPECT_EQ(frameOf(kept), Rect(100, 100, 800, 1000));
  EXPECT_TRUE(manager->resizedWindowInfo().empty());
  mac.clearActions();
  manager->restoreResizedWindows();
  EXPECT_TRUE(mac.actionTexts().empty());
}

TEST_F(ScreenSpaceTest, RestoringWithoutTrustKeepsTheRecordsForLater) {
  const int32_t pid = launch("Editor", false);
  const auto window = openOverlapping(pid);
  start();
  scheduler.advance(1.0);
  mac.permissions().accessibilityTrusted = false;
  manager->restoreResizedWindows();
  EXPECT_EQ(manager->resizedWindowInfo().size(), 1u);
  mac.permissions().accessibilityTrusted = true;
  manager->restoreResizedWindows();
  EXPECT_EQ(frameOf(window), Rect(100, 100, 800, 1000));
}

// The bar sits on a second display to the right; the main display then goes away, which shifts every
// coordinate by -1920. The window goes back to its place on its own display, not 1920 pt to its right.
TEST_F(ScreenSpaceTest, RestoringAfterADisplayWentFollowsTheDisplayOrLeavesTheWindow) {
  for (bool mainGoes : {false, true}) {
    SCOPED_TRACE(mainGoes ? "main display goes" : "the bar's display goes");
    const auto right = mac.addDisplay({.bounds = Rect(1920, 0, 1280, 1024), .scale = 1.0, .name = "Right"});
    platform::ScreenInfo screen;
    for (const auto& s : mac.screens().screens())
      if (s.displayID == right) screen = s;
    panel->setFrame(Rect(screen.frame.minX(), screen.frame.minY(), 1280, 48));
    const auto window = openOverlapping(launch("Editor", false), Rect(2000, 100, 800, 900));
    manager = std::make_unique<ScreenSpaceManager>(panel.get(), settings, windowManager, screen, shared,
                                                   dependencies(accessibilityHelper));
    manager->startMonitoring();
    scheduler.advance(1.0);
    ASSERT_EQ(frameOf(window), Rect(2000, 100, 800, 876));

    mac.removeDisplay(mainGoes ? 1 : right);
    scheduler.runUntilIdle();
    const Rect moved = frameOf(window);
    if (mainGoes) {
      ASSERT_EQ(moved, Rect(80, 100, 800, 876));
    }
    manager->restoreResizedWindows();
    // Back in its place on its display; with its display gone, left where the system put it.
    EXPECT_EQ(frameOf(window), mainGoes ? Rect(80, 100, 800, 900) : moved);
  }
}

TEST_F(ScreenSpaceTest, FullScreenHidesTheBarAndLosingTrustBringsItBack) {
  const int32_t pid = launch("Player");
  const auto window = mac.openWindow(pid, {.title = "movie", .bounds = Rect(200, 200, 640, 480)});
  scheduler.runUntilIdle();
  make(true);
  manager->checkFullscreen();
  EXPECT_FALSE(manager->isHiddenForFullscreen());

  mac.setFullScreen(window, true);
  manager->checkFullscreen();
  EXPECT_TRUE(manager->isHiddenForFullscreen());
  EXPECT_FALSE(panel->isOrderedIn());
  EXPECT_EQ(panel->collectionBehavior(), 80u);
  // The auto-hide manager is asked to take its edge windows away too.
  EXPECT_EQ(autoHide.calls, (std::vector<std::string>{"repositionTriggerZone", "fullscreen on"}));

  mac.permissions().accessibilityTrusted = false;
  manager->checkFullscreen();
  EXPECT_FALSE(manager->isHiddenForFullscreen());
  EXPECT_TRUE(panel->isOrderedIn());
  EXPECT_EQ(panel->collectionBehavior(), 81u);
  EXPECT_DOUBLE_EQ(panel->windowOpacity(), 0.0);
  scheduler.advance(0.2);
  EXPECT_DOUBLE_EQ(panel->windowOpacity(), 1.0);
}

TEST_F(ScreenSpaceTest, AFullScreenWindowCountsOnTheDisplayHoldingItOrWhereverItsPositionCannotBeRead) {
  const int32_t pid = launch("Player");
  const auto window = mac.openWindow(pid, {.title = "movie", .bounds = Rect(200, 200, 640, 480)});
  mac.setFullScreen(window, true);
  make();
  const Rect here = mac.windowServer().displayBounds(mac.screens().screens().front().displayID),
             elsewhere(1920, 0, 1280, 800);
  const std::tuple<bool, Rect, bool> rows[] = {
      {true, here, true}, {true, elsewhere, false}, {false, here, true}, {false, elsewhere, true}};
  for (const auto& [readable, display, fullScreen] : rows) {
    mac.setWindowAttributeReadError(window, "AXPosition",
                                    readable ? std::nullopt : std::optional(platform::AXError::noValue));
    EXPECT_EQ(manager->isAppFullscreenOnDisplay(pid, display), fullScreen) << readable << display.minX();
  }
}

TEST_F(ScreenSpaceTest, BorderlessWindowCoveringTheDisplayCountsAsFullScreen) {
  const int32_t pid = launch("Kiosk", false);
  const auto window = mac.openWindow(pid, {.title = "k", .bounds = Rect(1, -1, 1919, 1081)});
  make();
  manager->checkFullscreen();
  EXPECT_TRUE(manager->isFullscreenActive());
  mac.closeWindow(window);
  mac.openWindow(pid, {.title = "f", .bounds = Rect(0, 0, 1920, 1080), .layer = 3});
  manager->checkFullscreen();
  EXPECT_FALSE(manager->isFullscreenActive());
}

TEST_F(ScreenSpaceTest, MissionControlIsSeenThroughEachOfItsSigns) {
  struct Row {
    const char* name;
    sim::SimulatedMac::MissionControlSignals enabled;
    double within;
  };
  const Row rows[] = {
      {"notification", {true, false, false}, 0.0},
      {"Dock active", {false, true, false}, 0.0},
      {"overlays", {false, false, true}, 1.0},  // seen by the next scan
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    shared = ScreenSpaceSharedState();
    const int32_t pid = launch(std::string("App") + row.name);
    scheduler.runUntilIdle();
    start();
    ASSERT_TRUE(manager->hasObserver(pid));
    mac.setMissionControlSignals(row.enabled);
    mac.showMissionControl();
    scheduler.runUntilIdle();
    scheduler.advance(row.within);
    EXPECT_TRUE(shared.mcLastDetectedTime.has_value());
    EXPECT_FALSE(manager->hasObserver(pid));
    EXPECT_FALSE(manager->frontmostPID().has_value());
    mac.hideMissionControl();
    scheduler.runUntilIdle();
  }
}

TEST_F(ScreenSpaceTest, LeavingMissionControlReinstallsObserversAndStartsTheCooldown) {
  const int32_t pid = launch("Editor");
  scheduler.runUntilIdle();
  start();
  mac.setMissionControlSignals({false, true, false});
  mac.showMissionControl();
  scheduler.runUntilIdle();
  ASSERT_FALSE(manager->hasObserver(pid));
  mac.hideMissionControl();
  scheduler.runUntilIdle();
  EXPECT_TRUE(manager->hasObserver(pid));
  EXPECT_EQ(manager->frontmostPID(), pid);
  EXPECT_DOUBLE_EQ(shared.postMCResumeTime.value_or(-1), scheduler.now());
}

}  // namespace
}  // namespace pelko::test
