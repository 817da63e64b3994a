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
  // The bar hidden by an overlapping window of the frontmost application, after the first look at the
  // frontmost window 0.3 s after start.
  platform::WindowID hiddenByWindow() {
    start(true);
    const auto window = openOverlapping(editor);
    scheduler.advance(0.4);
    EXPECT_TRUE(autoHide.hidden);
    EXPECT_TRUE(manager->hasDodgeCheckTimer());
    return window;
  }
  int shows() const {
    return static_cast<int>(std::count(autoHide.calls.begin(), autoHide.calls.end(), "show animated"));
  }
};

TEST_F(ScreenSpaceDodgeTest, AnOverlappingWindowHidesTheBarInsteadOfBeingResized) {
  struct Row {
    const char* name;
    bool openedBeforeStart;  // found by the first look at the frontmost window, else by its event
    bool resizeWindows;
  };
  const Row rows[] = {
      {"frontmost, resizing off", true, false},
      {"frontmost, resizing on", true, true},
      {"event, resizing off", false, false},
      {"event, resizing on", false, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    settings->autoHideResizeWindows = row.resizeWindows;
    autoHide = FakeAutoHide();
    log.clear();
    platform::WindowID window = 0;
    if (row.openedBeforeStart) window = openOverlapping(editor);
    start(true);
    if (!row.openedBeforeStart) window = openOverlapping(editor);
    scheduler.advance(0.4);
    EXPECT_EQ(autoHide.calls, std::vector<std::string>{"hide animated"});
    EXPECT_TRUE(manager->hasDodgeCheckTimer());
    EXPECT_EQ(countLog("SSM: dodge mode - hiding taskbar due to overlap wn=" + std::to_string(window)),
              row.openedBeforeStart ? 1 : 0);
    scheduler.advance(3.0);
    EXPECT_EQ(sizeWrites(window), 0);
    EXPECT_TRUE(autoHide.hidden);
    mac.closeWindow(window);
    manager.reset();
  }
}

TEST_F(ScreenSpaceDodgeTest, TheBarReturnsAtTheNextEventOrAtTheLatestAtTheNextTwoSecondTick) {
  const auto window = hiddenByWindow();
  // A viewer gets no observer, so only the repeating check notices it moving; it still keeps the bar away.
  shared.updateBlacklistedBundleIDs({"com.example.Viewer"});
  const int32_t viewerApp = launch("Viewer", false);
  const auto viewer = openOverlapping(viewerApp, Rect(1000, 300, 600, 800));
  scheduler.advance(0.2);
  mac.moveWindow(window, Point(100, 0));
  scheduler.advance(0.2);
  EXPECT_TRUE(autoHide.hidden);

  mac.moveWindow(viewer, Point(1000, 0));
  scheduler.advance(0.1);
  EXPECT_TRUE(autoHide.hidden);
  scheduler.advance(1.9);
  EXPECT_FALSE(autoHide.hidden);
  EXPECT_EQ(countLog("SSM: dodge check - no overlap, showing taskbar"), 1);
  EXPECT_FALSE(manager->hasDodgeCheckTimer());

  // Hidden again, the move of the only overlapping window shows it at once.
  mac.moveWindow(window, Point(100, 100));
  scheduler.advance(0.2);
  ASSERT_TRUE(autoHide.hidden);
  mac.moveWindow(window, Point(100, 0));
  scheduler.advance(0.2);
  EXPECT_FALSE(autoHide.hidden);
  EXPECT_EQ(countLog("SSM: dodge event check - no overlap, showing taskbar"), 1);
  EXPECT_FALSE(manager->hasDodgeCheckTimer());
  EXPECT_EQ(shows(), 2);
}

TEST_F(ScreenSpaceDodgeTest, WhatStillCoversTheBarOrItsGapKeepsItHidden) {
  settings->windowGap = 10;
  struct Row {
    const char* name;
    Rect remaining;
    bool staysHidden;
  };
  const Row rows[] = {
      {"in the 10 pt gap strip", Rect(1000, 100, 800, 940), true},
      {"ending where the strip begins", Rect(1000, 100, 800, 936), false},
      {"150 x 150 on the bar", Rect(1000, 930, 150, 150), true},
      {"149 wide", Rect(1000, 900, 149, 180), false},
      {"149 high", Rect(1000, 931, 400, 149), false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    autoHide = FakeAutoHide();
    const auto window = hiddenByWindow();
    EXPECT_EQ(manager->expectedTaskbarCG(), Rect(0, 1036, 1920, 44));
    const auto remaining = mac.openWindow(editor, {.title = "r", .bounds = row.remaining});
    scheduler.advance(0.2);
    mac.moveWindow(window, Point(100, 0));
    scheduler.advance(4.0);
    EXPECT_EQ(autoHide.hidden, row.staysHidden);
    EXPECT_EQ(manager->hasDodgeCheckTimer(), row.staysHidden);
    mac.closeWindow(window);
    mac.closeWindow(remaining);
    manager.reset();
  }
}

TEST_F(ScreenSpaceDodgeTest, TheRepeatingCheckEndsWithDodgingOffTheBarShownMissionControlOrStop) {
  struct Row {
    const char* name;
    std::function<void()> act;
    bool endsAtOnce;
  };
  const Row rows[] = {
      {"dodging switched off", [this] { settings->autoHideDodgeWindows = false; }, false},
      {"auto-hide switched off", [this] { settings->autoHide = false; }, false},
      {"bar shown by someone else", [this] { autoHide.showTaskbar(true); }, false},
      {"Mission Control", [this] { manager->onMissionControlEnter(); }, true},
      {"monitoring stopped", [this] { manager->stopMonitoring(); }, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    settings->autoHide = true;
    settings->autoHideDodgeWindows = true;
    autoHide = FakeAutoHide();
    const auto window = hiddenByWindow();
    row.act();
    EXPECT_EQ(manager->hasDodgeCheckTimer(), !row.endsAtOnce);
    scheduler.advance(2.0);
    EXPECT_FALSE(manager->hasDodgeCheckTimer());
    // The window still covers the bar: the check ended without showing it.
    EXPECT_EQ(shows(), row.name == std::string("bar shown by someone else") ? 1 : 0);
    mac.closeWindow(window);
    manager.reset();
  }
  // After Mission Control, the next look at a window still covering the bar starts the check again.
  hiddenByWindow();
  manager->onMissionControlEnter();
  manager->checkFrontmostWindow();
  EXPECT_TRUE(manager->hasDodgeCheckTimer());
}

TEST_F(ScreenSpaceDodgeTest, FullScreenHoldsTheBarHiddenUntilItEnds) {
  const auto window = hiddenByWindow();
  const auto movie = mac.openWindow(editor, {.title = "movie", .bounds = Rect(200, 200, 640, 480)});
  scheduler.advance(0.2);
  mac.setFullScreen(movie, true);
  manager->checkFullscreen();
  ASSERT_TRUE(manager->isHiddenForFullscreen());
  mac.moveWindow(window, Point(100, 0));
  mac.setFullScreen(movie, false);  // nothing covers the bar now, but full screen was not re-checked
  scheduler.advance(6.0);
  EXPECT_TRUE(autoHide.hidden);
  EXPECT_TRUE(manager->hasDodgeCheckTimer());
  manager->checkFullscreen();
  EXPECT_FALSE(manager->isHiddenForFullscreen());
  scheduler.advance(2.0);
  EXPECT_FALSE(autoHide.hidden);
  EXPECT_EQ(countLog("SSM: dodge check - no overlap, showing taskbar"), 1);
}

}  // namespace
}  // namespace pelko::test
