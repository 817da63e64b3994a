#include <algorithm>
#include <functional>

#include "screens/ScreenSpaceTestWorld.h"
#include "settings/SettingsManager.h"

namespace pelko::test {
namespace {

// Auto-hide set to dodge windows. Where the shown bar would be: 34 pt along the bottom of the 1920 x 1080
// display, (0, 1046, 1920, 34) in window-server coordinates.
class ScreenSpaceDodgeTest : public ScreenSpaceTest {
 protected:
  int32_t editor = 0;

  void SetUp() override {
    ScreenSpaceTest::SetUp();
    settings->autoHide = true;
    settings->autoHideDodgeWindows = true;
    editor = launch("Editor");
    scheduler.runUntilIdle();
  }
  // Hidden by a window opened after the first look at the frontmost window (0.3 s after start).
  platform::WindowID hiddenByWindow() {
    autoHide = FakeAutoHide();
    start(true);
    const auto window = openOverlapping(editor);
    scheduler.advance(0.4);
    EXPECT_TRUE(autoHide.hidden && manager->hasDodgeCheckTimer());
    return window;
  }
  void closeAll(std::initializer_list<platform::WindowID> windows) {
    for (auto window : windows) mac.closeWindow(window);
    manager.reset();
  }
};

TEST_F(ScreenSpaceDodgeTest, AnOverlappingWindowHidesTheBarInsteadOfBeingResized) {
  // Found by the first look at the frontmost window with resizing off, then by its event with resizing on.
  for (bool byEvent : {false, true}) {
    settings->autoHideResizeWindows = byEvent;
    autoHide = FakeAutoHide();
    log.clear();
    platform::WindowID window = byEvent ? 0 : openOverlapping(editor);
    start(true);
    if (byEvent) window = openOverlapping(editor);
    scheduler.advance(3.0);
    EXPECT_EQ(autoHide.calls, std::vector<std::string>{"hide animated"}) << byEvent;
    EXPECT_EQ(countLog("SSM: dodge mode - hiding taskbar due to overlap wn="), byEvent ? 0 : 1);
    EXPECT_EQ(sizeWrites(window), 0);
    closeAll({window});
  }
}

TEST_F(ScreenSpaceDodgeTest, TheBarReturnsAtTheNextEventOrAtTheLatestAtTheNextTwoSecondTick) {
  const auto window = hiddenByWindow();
  // A viewer gets no observer, so only the repeating check notices it moving; it still keeps the bar away.
  shared.updateBlacklistedBundleIDs({"com.example.Viewer"});
  const auto viewer = openOverlapping(launch("Viewer", false), Rect(1000, 300, 600, 800));
  mac.moveWindow(window, Point(100, 0));
  scheduler.advance(0.2);
  mac.moveWindow(viewer, Point(1000, 0));
  scheduler.advance(0.1);
  EXPECT_TRUE(autoHide.hidden);
  scheduler.advance(1.9);
  EXPECT_FALSE(autoHide.hidden || manager->hasDodgeCheckTimer());
  EXPECT_EQ(countLog("SSM: dodge check - no overlap, showing taskbar"), 1);
  // Hidden again, moving the only covering window away shows it at once.
  mac.moveWindow(window, Point(100, 100));
  scheduler.advance(0.2);
  mac.moveWindow(window, Point(100, 0));
  scheduler.advance(0.2);
  EXPECT_FALSE(autoHide.hidden || manager->hasDodgeCheckTimer());
  EXPECT_EQ(countLog("SSM: dodge event check - no overlap, showing taskbar"), 1);
}

TEST_F(ScreenSpaceDodgeTest, WhatStillCoversTheBarOrItsGapKeepsItHidden) {
  settings->windowGap = 10;
  const std::pair<Rect, bool> rows[] = {{Rect(1000, 100, 800, 940), true},    // in the 10 pt gap strip
                                        {Rect(1000, 100, 800, 936), false},   // ending where the strip begins
                                        {Rect(1000, 930, 150, 150), true},    // 150 x 150 on the bar
                                        {Rect(1000, 900, 149, 180), false}};  // 149 wide
  for (const auto& [remainingBounds, staysHidden] : rows) {
    const auto window = hiddenByWindow();
    EXPECT_EQ(manager->expectedTaskbarCG(), Rect(0, 1036, 1920, 44));
    const auto remaining = mac.openWindow(editor, {.title = "r", .bounds = remainingBounds});
    mac.moveWindow(window, Point(100, 0));
    scheduler.advance(4.0);
    EXPECT_EQ(autoHide.hidden, staysHidden) << remainingBounds.size.height;
    closeAll({window, remaining});
  }
}

TEST_F(ScreenSpaceDodgeTest, TheRepeatingCheckEndsWithDodgingOffTheBarShownMissionControlOrStop) {
  const std::pair<std::function<void(platform::WindowID)>, bool> rows[] = {
      {[this](platform::WindowID) { settings->autoHideDodgeWindows = false; }, false},
      {[this](platform::WindowID window) {
         autoHide.hidden = false;  // shown, with nothing over it any more
         mac.moveWindow(window, Point(100, 0));
       },
       false},
      {[this](platform::WindowID) { manager->onMissionControlEnter(); }, true},
      {[this](platform::WindowID) { manager->stopMonitoring(); }, true}};
  for (const auto& [act, endsAtOnce] : rows) {
    settings->autoHideDodgeWindows = true;
    const auto window = hiddenByWindow();
    act(window);
    EXPECT_EQ(manager->hasDodgeCheckTimer(), !endsAtOnce);
    scheduler.advance(2.0);
    EXPECT_FALSE(manager->hasDodgeCheckTimer());
    EXPECT_EQ(std::count(autoHide.calls.begin(), autoHide.calls.end(), "show animated"), 0);
    closeAll({window});
  }
  // After Mission Control, the next look at a window still covering the bar starts the check again.
  hiddenByWindow();
  manager->onMissionControlEnter();
  manager->checkFrontmostWindow();
  EXPECT_TRUE(manager->hasDodgeCheckTimer());
}

// A click on the covering window's button activates it with the pointer on the bar: the auto-hide
// manager puts the hide off, and in dodge mode no hide timer would try again.
TEST_F(ScreenSpaceDodgeTest, AHidePutOffByThePointerOnTheBarHappensOnceThePointerLeaves) {
  start(true);
  autoHide.pointerOnBar = true;
  const auto window = openOverlapping(editor);
  scheduler.advance(0.4);
  EXPECT_FALSE(autoHide.hidden);
  EXPECT_TRUE(manager->hasDodgeCheckTimer());
  scheduler.advance(6.0);
  EXPECT_FALSE(autoHide.hidden);
  EXPECT_GE(std::count(autoHide.calls.begin(), autoHide.calls.end(), "hide animated"), 3)
      << "tried each tick";
  autoHide.pointerOnBar = false;
  scheduler.advance(2.0);
  EXPECT_TRUE(autoHide.hidden);
  EXPECT_TRUE(manager->hasDodgeCheckTimer()) << "now watching for the window to leave";
  EXPECT_EQ(std::count(autoHide.calls.begin(), autoHide.calls.end(), "show animated"), 0);
  closeAll({window});
}

TEST_F(ScreenSpaceDodgeTest, FullScreenHoldsTheBarHiddenUntilItEnds) {
  const auto window = hiddenByWindow();
  const auto movie = mac.openWindow(editor, {.title = "movie", .bounds = Rect(200, 200, 640, 480)});
  mac.setFullScreen(movie, true);
  manager->checkFullscreen();
  mac.moveWindow(window, Point(100, 0));
  mac.setFullScreen(movie, false);  // nothing covers the bar now, but full screen was not re-checked
  scheduler.advance(6.0);
  EXPECT_TRUE(autoHide.hidden && manager->hasDodgeCheckTimer());
  manager->checkFullscreen();
  scheduler.advance(2.0);
  EXPECT_FALSE(autoHide.hidden);
}

}  // namespace
}  // namespace pelko::test
