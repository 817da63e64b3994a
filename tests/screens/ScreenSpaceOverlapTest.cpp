#include <functional>

#include "screens/ScreenSpaceTestWorld.h"
#include "settings/SettingsManager.h"

namespace pelko::test {
namespace {

using Context = ScreenSpaceManager::CheckContext;

// Each row makes one reason to skip hold. An expired Mission Control resume time is set in every row: the
// fallback gate clears it only when it gets that far, which tells which rows stop before it.
TEST_F(ScreenSpaceTest, SkipGateAnswersInItsOrder) {
  struct Row {
    const char* name;
    std::function<void()> setUp;
    bool skips;
    bool reachesMissionControlStep;
  };
  const Row rows[] = {
      {"resizing off", [this] { settings->autoResizeWindows = false; }, true, false},
      {"auto-hidden", [this] { autoHide.hidden = true; }, true, false},
      {"auto-hide without resizing", [this] { settings->autoHide = true; }, true, false},
      {"untrusted", [this] { mac.permissions().accessibilityTrusted = false; }, true, false},
      {"after wake", [this] { shared.postWakeResumeTime = scheduler.now() + 1.9; }, true, false},
      {"Mission Control seen", [this] { shared.mcLastDetectedTime = scheduler.now() - 1.9; }, true, false},
      {"Dock in front",
       [this] {
         mac.activate(mac.launchApp({.bundleID = "com.apple.dock", .name = "Dock"}));
         scheduler.runUntilIdle();
       },
       true, true},
      {"nothing", [] {}, false, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    settings->autoResizeWindows = true;
    settings->autoHide = false;
    autoHide.hidden = false;
    mac.permissions().accessibilityTrusted = true;
    shared = ScreenSpaceSharedState();
    make(true);
    row.setUp();
    shared.postMCResumeTime = scheduler.now() - 5.1;
    EXPECT_EQ(manager->shouldSkipOverlapCheck(Context::fallback), row.skips);
    EXPECT_EQ(!shared.postMCResumeTime.has_value(), row.reachesMissionControlStep);
    if (auto dock = mac.dockPID()) mac.quitApp(*dock);
    mac.launchApp({.bundleID = "com.example.front", .name = "Front"});
    scheduler.runUntilIdle();
  }
  // The panel going away and the full-screen hide skip too.
  make();
  panel.reset();
  EXPECT_TRUE(manager->shouldSkipOverlapCheck(Context::axEvent));
}

TEST_F(ScreenSpaceTest, MissionControlAndWakeCooldowns) {
  make();
  struct Row {
    const char* name;
    std::optional<double> ScreenSpaceSharedState::*field;
    double setOffset;  // relative to now
    Context context;
    double lastSkippedAge, firstAllowedAge;
  };
  const Row rows[] = {
      {"resume, events", &ScreenSpaceSharedState::postMCResumeTime, 0, Context::axEvent, 1.95, 2.0},
      {"resume, frontmost", &ScreenSpaceSharedState::postMCResumeTime, 0, Context::frontmost, 1.95, 2.0},
      {"resume, scan", &ScreenSpaceSharedState::postMCResumeTime, 0, Context::fallback, 4.95, 5.0},
      {"detected, scan", &ScreenSpaceSharedState::mcLastDetectedTime, 0, Context::fallback, 1.95, 2.0},
      {"wake, events", &ScreenSpaceSharedState::postWakeResumeTime, 2.0, Context::axEvent, 1.95, 2.0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    shared = ScreenSpaceSharedState();
    const double start = scheduler.now();
    shared.*row.field = start + row.setOffset;
    scheduler.advance(row.lastSkippedAge);
    EXPECT_TRUE(manager->shouldSkipOverlapCheck(row.context));
    scheduler.advance(row.firstAllowedAge - row.lastSkippedAge);
    EXPECT_FALSE(manager->shouldSkipOverlapCheck(row.context));
  }
  // The wake cooldown comes from the screens waking.
  start();
  mac.wakeScreens();
  scheduler.runUntilIdle();
  ASSERT_TRUE(shared.postWakeResumeTime.has_value());
  EXPECT_DOUBLE_EQ(*shared.postWakeResumeTime, scheduler.now() + 2.0);
}

TEST_F(ScreenSpaceTest, ScanShrinksAnOverlappingWindowOnceAndKeepsItsOriginalFrame) {
  const int32_t pid = launch("Editor", false);
  const auto window = openOverlapping(pid);
  start();
  scheduler.advance(1.0);
  EXPECT_EQ(frameOf(window), Rect(100, 100, 800, 932));
  EXPECT_EQ(manager->resizedWindowInfo().at(window).originalBounds, Rect(100, 100, 800, 1000));
  EXPECT_EQ(countLog("SSM: fallback resizing wn=" + std::to_string(window)), 1);
  scheduler.advance(3.0);
  EXPECT_EQ(sizeWrites(window), 1);
}

TEST_F(ScreenSpaceTest, WindowsThatAreSmallOwnOrExcludedAreNeverResized) {
  const int32_t pid = launch("Editor", false);
  const auto narrow = openOverlapping(pid, Rect(100, 900, 149, 400));
  const auto low = openOverlapping(pid, Rect(300, 950, 400, 149));
  const auto touching = openOverlapping(pid, Rect(800, 600, 400, 437));  // 5 pt into the bar
  const auto own =
      mac.openWindow(mac.appShell().pid, {.title = "settings", .bounds = Rect(900, 500, 600, 600)});
  const int32_t excluded = launch("Remote", false);
  const auto viewer = openOverlapping(excluded);
  shared.updateBlacklistedBundleIDs({"com.example.Remote"});
  start();
  scheduler.advance(3.0);
  for (auto window : {narrow, low, touching, own, viewer}) EXPECT_EQ(sizeWrites(window), 0) << window;
  EXPECT_FALSE(manager->resizedWindowInfo().count(own));
  EXPECT_FALSE(manager->hasObserver(excluded));
  EXPECT_FALSE(manager->hasObserver(mac.appShell().pid));
}

TEST_F(ScreenSpaceTest, AWindowThatKeepsFightingIsResizedFiveTimesThenLeftAloneForThirtySeconds) {
  const int32_t pid = launch("Stubborn", false);
  mac.setRestoresFrameAfterWrite(pid, true);
  const auto window = openOverlapping(pid);
  start();
  double firstResize = 0;
  while (sizeWrites(window) == 0) scheduler.advance(0.05);
  firstResize = scheduler.now();
  scheduler.advance(29.9 - (scheduler.now() - firstResize));
  EXPECT_EQ(sizeWrites(window), 5);
  EXPECT_EQ(frameOf(window), Rect(100, 100, 800, 1000));
  // Thirty seconds after the first resize, a fresh round of five.
  scheduler.advance(1.2);
  EXPECT_EQ(sizeWrites(window), 10);
}

TEST_F(ScreenSpaceTest, DebouncesWaitForQuietBeforeChecking) {
  const int32_t pid = launch("Editor");
  const auto window = openOverlapping(pid);
  scheduler.runUntilIdle();
  make().startMonitoring();
  // The first look at the frontmost window comes 0.3 s after start.
  scheduler.advance(0.29);
  EXPECT_EQ(sizeWrites(window), 0);
  scheduler.advance(0.02);
  EXPECT_EQ(sizeWrites(window), 1);

  // A burst of moves ends in one check 0.12 s after the last (between the scans at 1 s and 2 s).
  scheduler.advance(0.8);
  for (int i = 0; i < 3; ++i) {
    mac.moveWindow(window, Point(110 + i, 200));
    scheduler.advance(0.05);
  }
  scheduler.advance(0.06);  // 0.11 s after the last move
  EXPECT_EQ(sizeWrites(window), 1);
  scheduler.advance(0.02);
  EXPECT_EQ(sizeWrites(window), 2);

  // Two activations in quick succession: one frontmost check, 0.05 s after the second.
  const int32_t other = launch("Other");
  scheduler.runUntilIdle();
  log.clear();
  mac.activate(pid);
  scheduler.advance(0.02);
  mac.activate(other);
  scheduler.advance(0.04);
  EXPECT_EQ(countLog("SSM: checkFrontmostWindow checking"), 0);
  scheduler.advance(0.02);
  EXPECT_EQ(countLog("SSM: checkFrontmostWindow checking"), 1);
  EXPECT_EQ(countLog("SSM: checkFrontmostWindow checking pid=" + std::to_string(other)), 1);
}

TEST_F(ScreenSpaceTest, FailingApplicationsAreSetAsideForTenAndFifteenSeconds) {
  struct Row {
    const char* name;
    std::function<void(int32_t, bool)> fail;
    std::map<int32_t, double> ScreenSpaceSharedState::*list;
    double retry;
  };
  const Row rows[] = {
      {"API disabled",
       [&](int32_t p, bool on) {
         mac.setAXError(p, on ? std::optional(platform::AXError::apiDisabled) : std::nullopt);
       },
       &ScreenSpaceSharedState::axDisabledPIDs, 10.0},
      {"cannot complete", [&](int32_t p, bool on) { mac.setHung(p, on); },
       &ScreenSpaceSharedState::axTimedOutPIDs, 15.0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const int32_t pid = launch(row.name, false);
    openOverlapping(pid);
    row.fail(pid, true);
    start();
    scheduler.advance(1.0);
    ASSERT_TRUE((shared.*row.list).count(pid));
    const double recorded = (shared.*row.list).at(pid);
    row.fail(pid, false);  // it answers again, but is not asked before its time is up
    EXPECT_TRUE(manager->isAXDisabled(pid));
    scheduler.advance(row.retry - (scheduler.now() - recorded) - 0.05);
    EXPECT_TRUE(manager->isAXDisabled(pid));
    scheduler.advance(0.1);
    EXPECT_FALSE(manager->isAXDisabled(pid));
    mac.quitApp(pid);
  }
  // A process that ended leaves the list at the next tick.
  const int32_t gone = launch("Gone", false);
  shared.axDisabledPIDs[gone] = scheduler.now();
  mac.quitApp(gone);
  shared.axDisabledPIDs[gone] = scheduler.now();  // the quit notification already cleared it once
  scheduler.advance(1.0);
  EXPECT_FALSE(shared.axDisabledPIDs.count(gone));
}

// Each owner's Accessibility windows are read once per scan: for each of 8 windows at most its number,
// two bounds reads, two writes and two reads back, plus one list for all. Reading the list again for
// each window costs 8 lists and up to 36 number reads instead.
TEST_F(ScreenSpaceTest, ScanReadsEachOwnersWindowsOnce) {
  const int32_t pid = launch("Many", false);
  for (int i = 0; i < 8; ++i) openOverlapping(pid, Rect(100 + 10 * i, 100, 800, 1000));
  make().fallbackCheck();
  EXPECT_LE(mac.axRequestCount(pid), 1 + 8 * 7);
}

}  // namespace
}  // namespace pelko::test
