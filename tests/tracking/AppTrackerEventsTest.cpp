#include "TrackingTestWorld.h"

namespace pelko::testing {
namespace {

using AppTrackerEvents = AppTrackerTest;

TEST_F(AppTrackerEvents, LaunchShowsTheApplicationQuitRemovesItAtOnceAndABurstOfLaunchesRunsOnePass) {
  startAndSettle();
  int32_t editor = app("editor", {"Notes.txt"});
  settle();
  ASSERT_EQ(ids(), (Texts{idOf("editor", editor)}));
  EXPECT_TRUE(apps().front()->isActive.get());
  EXPECT_EQ(mac.liveObserverCount(editor), 1);

  uint64_t generation = Access::refreshGeneration(*tracker);
  mac.quitApp(editor);
  settle();
  EXPECT_TRUE(apps().empty());
  EXPECT_EQ(Access::observerCount(*tracker), 0u);
  EXPECT_EQ(mac.liveObserverCount(editor), 0);
  EXPECT_TRUE(Access::recentlyRemovedPIDs(*tracker).count(editor));
  // The termination discards passes in flight; the destroyed windows ask for one coalesced pass.
  EXPECT_GE(Access::refreshGeneration(*tracker), generation + 1);
  scheduler.advance(2.0);
  EXPECT_FALSE(Access::recentlyRemovedPIDs(*tracker).count(editor));

  // A burst of launches runs one pass that shows them all.
  generation = Access::refreshGeneration(*tracker);
  int published = listPublications;
  std::vector<std::string> expected;
  for (const char* name : {"a", "b", "c", "d", "e", "f", "g", "h"})
    expected.push_back(idOf(name, app(name, {"Window", "Other"})));
  int32_t last = mac.runningPIDs().back();
  settle();
  scheduler.advance(0.05);  // past any throttled request the activations made
  EXPECT_EQ(Access::refreshGeneration(*tracker), generation + 1);
  EXPECT_EQ(listPublications, published + 1);
  EXPECT_EQ(ids(), expected);
  EXPECT_TRUE(tracked("h", last)->isActive.get());

  // Of two passes requested before the queue runs, only the later one reads Accessibility.
  int requests = mac.axRequestCount(last);
  refresh();
  int onePass = mac.axRequestCount(last) - requests;
  ASSERT_GT(onePass, 0);
  tracker->forceRefresh();
  refresh();
  EXPECT_EQ(mac.axRequestCount(last) - requests, 2 * onePass);
}

TEST_F(AppTrackerEvents, TerminationOfAProcessWithoutAnEntry) {
  app("editor", {"Notes.txt"});
  int32_t helper = app("helper");  // no window: never tracked
  // On the hidden-app list: its window makes it sticky, but it never becomes an entry.
  settings->addToBlacklist("com.example.hidden");
  int32_t hidden = app("hidden", {"Window"});
  startAndSettle();
  ASSERT_TRUE(Access::stickyPIDs(*tracker).count(hidden));
  auto before = apps();
  ASSERT_EQ(before.size(), 1u);
  uint64_t generation = Access::refreshGeneration(*tracker);
  int published = listPublications;

  // An unknown process changes nothing.
  mac.quitApp(helper);
  settle();
  EXPECT_EQ(Access::refreshGeneration(*tracker), generation);
  EXPECT_EQ(listPublications, published);
  EXPECT_FALSE(Access::recentlyRemovedPIDs(*tracker).count(helper));

  // A sticky one publishes the list once.
  mac.quitApp(hidden);
  settle();
  EXPECT_EQ(listPublications, published + 1);
  EXPECT_EQ(apps(), before);
  EXPECT_FALSE(Access::stickyPIDs(*tracker).count(hidden));
  EXPECT_TRUE(Access::recentlyRemovedPIDs(*tracker).count(hidden));
  // Passes in flight are discarded and no new one is started.
  EXPECT_EQ(Access::refreshGeneration(*tracker), generation + 1);
}

TEST_F(AppTrackerEvents,
       ActivationDeactivationAndHidingFlipTheFlagsAtOnceAndABurstYieldsOnePassTwentyMillisecondsLater) {
  const auto [editor, browser] = startWithEditorAndBrowser("Notes.txt");
  auto editorEntry = tracked("editor", editor);
  auto browserEntry = tracked("browser", browser);
  ASSERT_TRUE(editorEntry && browserEntry);
  uint64_t generation = Access::refreshGeneration(*tracker);
  mac.activate(editor);
  settle();
  EXPECT_TRUE(editorEntry->isActive.get());
  EXPECT_FALSE(browserEntry->isActive.get());
  scheduler.advance(0.01);
  mac.activate(browser);
  settle();
  EXPECT_EQ(Access::refreshGeneration(*tracker), generation);
  EXPECT_TRUE(browserEntry->isActive.get());
  scheduler.advance(0.01);
  EXPECT_EQ(Access::refreshGeneration(*tracker), generation + 1);
  scheduler.advance(0.5);
  EXPECT_EQ(Access::refreshGeneration(*tracker), generation + 1);
  EXPECT_TRUE(browserEntry->isActive.get());
  EXPECT_FALSE(editorEntry->isActive.get());

  // The fast path marks exactly the activated process, also without settings (windows count as grouped).
  tracker->fastUpdateActiveState(editor);
  EXPECT_TRUE(editorEntry->isActive.get());
  EXPECT_FALSE(browserEntry->isActive.get());
  tracker->settingsManager = nullptr;
  tracker->fastUpdateActiveState(browser);
  EXPECT_FALSE(editorEntry->isActive.get());
  EXPECT_TRUE(browserEntry->isActive.get());

  // Hiding sets the flag at once.
  generation = Access::refreshGeneration(*tracker);
  mac.hide(editor);
  settle();
  EXPECT_TRUE(editorEntry->isHidden.get());
  EXPECT_EQ(Access::refreshGeneration(*tracker), generation);
  scheduler.advance(0.05);
  // A hidden application's windows leave the screen; the sticky set keeps its entry.
  EXPECT_EQ(tracked("editor", editor), editorEntry);
  EXPECT_TRUE(editorEntry->isHidden.get());
  mac.unhide(editor);
  settle();
  EXPECT_FALSE(editorEntry->isHidden.get());

  // A deactivation leaves the flag to the application the window manager is focusing.
  ASSERT_TRUE(browserEntry->isActive.get());
  windowManager->setPendingFocus(PendingFocus{browser, 12345});
  Access::deactivated(*tracker, mac.workspace().runningApplication(browser));
  EXPECT_TRUE(browserEntry->isActive.get());
  EXPECT_TRUE(Access::pendingRefresh(*tracker));
  windowManager->setPendingFocus(std::nullopt);
  Access::deactivated(*tracker, mac.workspace().runningApplication(browser));
  EXPECT_FALSE(browserEntry->isActive.get());
}

TEST_F(AppTrackerEvents,
       UngroupedActivationAndThePendingFocusCallbackMarkThePendingFocusWindowOrTheFrontWindow) {
  setGrouped(false);
  int32_t editor = app("editor");
  auto first = open(editor, "One");
  auto second = open(editor, "Two");
  auto tiny = open(editor, "Palette", Rect(0, 0, 50, 300));
  int32_t browser = app("browser");
  auto start = open(browser, "Start Page");
  startAndSettle();
  auto one = tracked("editor", editor, first);
  auto two = tracked("editor", editor, second);
  auto page = tracked("browser", browser, start);
  ASSERT_TRUE(one && two && page);
  EXPECT_FALSE(tracked("editor", editor, tiny));  // 50 points wide: no entry
  ASSERT_FALSE(one->isActive.get());

  // The pending-focus callback drops the running pass and shows the focus at once.
  tracker->forceRefresh();  // captured while the browser is in front
  windowManager->setPendingFocus(PendingFocus{editor, static_cast<int64_t>(first)});
  windowManager->onPendingFocusChanged();
  EXPECT_TRUE(one->isActive.get());
  EXPECT_FALSE(page->isActive.get());
  settle();
  // Had the forced pass applied, the browser would be active again.
  EXPECT_TRUE(one->isActive.get());
  EXPECT_FALSE(page->isActive.get());

  // The window manager is focusing the first window: whatever the window server says, it is the one.
  windowManager->setPendingFocus(PendingFocus{editor, static_cast<int64_t>(first)});
  tracker->fastUpdateActiveState(editor);
  EXPECT_TRUE(one->isActive.get());
  EXPECT_FALSE(two->isActive.get());

  // Without a pending focus the front layer-0 window wider and taller than 50 points is the one.
  windowManager->setPendingFocus(std::nullopt);
  mac.activate(editor);
  settle();
  EXPECT_TRUE(two->isActive.get());
  EXPECT_FALSE(one->isActive.get());

  // No front window to be had (the list cannot be read): every entry of the application is active.
  mac.setWindowListUnavailable(true);
  tracker->fastUpdateActiveState(editor);
  EXPECT_TRUE(one->isActive.get());
  EXPECT_TRUE(two->isActive.get());
}

TEST_F(AppTrackerEvents, SafetyTimerRefreshesEveryTenSecondsAndSpaceChangesAreThrottled) {
  int32_t editor = app("editor", {"One"});
  int32_t browser = app("browser");
  mac.openWindow(browser, {.title = "Elsewhere", .space = 2});
  startAndSettle();
  EXPECT_EQ(ids(), (Texts{idOf("editor", editor)}));
  uint64_t generation = Access::refreshGeneration(*tracker);
  scheduler.advance(5.6);  // ten seconds after start
  EXPECT_EQ(Access::refreshGeneration(*tracker), ++generation);
  mac.sleepScreens();
  settle();
  EXPECT_FALSE(Access::hasTimer(*tracker));
  scheduler.advance(30);
  EXPECT_EQ(Access::refreshGeneration(*tracker), generation);
  mac.wakeScreens();
  settle();
  EXPECT_TRUE(Access::hasTimer(*tracker));
  EXPECT_EQ(Access::refreshGeneration(*tracker), ++generation);

  // Waking while the timer exists neither makes a second timer nor refreshes.
  mac.wakeScreens();
  settle();
  EXPECT_EQ(Access::refreshGeneration(*tracker), generation);
  scheduler.advance(10);
  EXPECT_EQ(Access::refreshGeneration(*tracker), generation + 1);

  // Space changes are throttled to one delivery per 100 ms.
  generation = Access::refreshGeneration(*tracker);
  mac.switchSpace(2);
  settle();
  scheduler.advance(0.05);
  EXPECT_EQ(Access::refreshGeneration(*tracker), generation + 1);
  EXPECT_EQ(ids(), (Texts{idOf("browser", browser)}));

  mac.switchSpace(1);
  settle();
  mac.switchSpace(2);
  settle();
  mac.switchSpace(1);
  settle();
  // Within the first switch's 100 ms window: the latest switch waits for the window's end.
  scheduler.advance(0.04);
  EXPECT_EQ(Access::refreshGeneration(*tracker), generation + 1);
  scheduler.advance(0.16);
  EXPECT_EQ(Access::refreshGeneration(*tracker), generation + 2);
  EXPECT_EQ(ids(), (Texts{idOf("editor", editor)}));
}

TEST_F(AppTrackerEvents, StopAndDestructionRemoveObserversAndAPassInFlightDoesNotBringThemBack) {
  int32_t editor = app("editor", {"One"});
  startAndSettle();
  ASSERT_EQ(mac.liveObserverCount(editor), 1);
  ASSERT_GT(Access::windowElementCount(*tracker), 0u);

  tracker->forceRefresh();  // its queue phase has not run yet
  tracker->stop();
  settle();
  EXPECT_EQ(Access::observerCount(*tracker), 0u);
  EXPECT_EQ(Access::windowElementCount(*tracker), 0u);
  EXPECT_EQ(mac.liveObserverCount(editor), 0);
  EXPECT_EQ(apps().size(), 1u);  // the pass itself still applies

  // Requests while stopped do nothing, and the start-up refreshes still run without observers.
  uint64_t generation = Access::refreshGeneration(*tracker);
  mac.activate(editor);
  settle();
  scheduler.advance(30);
  EXPECT_EQ(Access::refreshGeneration(*tracker), generation);
  EXPECT_EQ(mac.liveObserverCount(editor), 0);

  // A new start registers them again with its first pass.
  tracker->start();
  settle();
  EXPECT_EQ(mac.liveObserverCount(editor), 1);

  // Destroying the tracker ends them; pending queue work, timers and notifications find no tracker.
  tracker->forceRefresh();
  tracker.reset();
  EXPECT_EQ(mac.liveObserverCount(editor), 0);
  open(editor, "Two");
  mac.activate(editor);
  scheduler.advance(30);
  EXPECT_EQ(mac.liveObserverCount(editor), 0);
}

TEST_F(AppTrackerEvents, WindowNumbersAreTheStandardWindowsInAscendingOrder) {
  int32_t editor = app("editor");
  auto a = open(editor, "A");
  auto b = open(editor, "B");
  mac.openWindow(editor, {.title = "Find", .subrole = "AXDialog"});
  auto c = mac.openWindow(editor, {.title = "No subrole", .subrole = std::nullopt});
  mac.minimize(a);
  EXPECT_EQ(tracker->windowNumbers(editor), (std::vector<int64_t>{a, b, c}));

  // A hung application answers nothing and is then left alone for the back-off.
  mac.setHung(editor, true);
  EXPECT_TRUE(tracker->windowNumbers(editor).empty());
  int requests = mac.axRequestCount(editor);
  EXPECT_TRUE(tracker->windowNumbers(editor).empty());
  EXPECT_EQ(mac.axRequestCount(editor), requests);
  mac.permissions().accessibilityTrusted = false;
  EXPECT_TRUE(tracker->windowNumbers(editor).empty());
}

}  // namespace
}  // namespace pelko::testing
