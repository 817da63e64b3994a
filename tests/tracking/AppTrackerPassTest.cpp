#include "TrackingTestWorld.h"

namespace pelko::testing {
namespace {

class AppTrackerPass : public AppTrackerTest {
 protected:
  // With the tracker stopped, `pid` quits and comes back as another application's process.
  void reusePID(int32_t pid, const std::string& bundleID, std::optional<platform::AppIcon> icon = {}) {
    tracker->stop();
    mac.quitApp(pid);
    mac.launchApp({.bundleID = bundleID, .name = "Other", .icon = std::move(icon), .pid = pid});
  }
};

TEST_F(AppTrackerPass, GroupedModeMakesOneEntryPerApplicationInLaunchOrder) {
  int32_t editor = app("editor", {"Notes.txt", "Todo.txt"});
  int32_t browser = app("browser");
  open(browser, "Start Page", Rect(2000, 100, 800, 600));
  mac.addDisplay(sim::SimDisplaySetup{std::nullopt, Rect(1920, 0, 1920, 1080), 1.0, "Second"});
  startAndSettle();

  ASSERT_EQ(ids(), (Texts{idOf("editor", editor), idOf("browser", browser)}));
  auto editorEntry = apps()[0];
  auto browserEntry = apps()[1];
  EXPECT_EQ(editorEntry->windowTitle.get(), "Todo.txt");  // the front window's title
  EXPECT_FALSE(editorEntry->isActive.get());
  EXPECT_TRUE(browserEntry->isActive.get());
  EXPECT_EQ(editorEntry->displayID, 1u);
  EXPECT_EQ(browserEntry->displayID, 2u);
  EXPECT_EQ(editorEntry->icon.pixelsWide, 256);  // the main display's scale is 2
  EXPECT_EQ((Access::lastKnown(*tracker, editor)),
            (std::vector<AppTracker::CachedWindowInfo>{{"Todo.txt", mac.windowsOf(editor)[0]},
                                                       {"Notes.txt", mac.windowsOf(editor)[1]}}));
  // A custom order puts the applications it lists first.
  settings->customAppOrder = Texts{"com.example.browser"};
  refresh();
  EXPECT_EQ(ids(), (Texts{idOf("browser", browser), idOf("editor", editor)}));
}

TEST_F(AppTrackerPass, GroupedEntryIsMinimizedOnlyWhenEveryStandardWindowIsAndStaysWhileHung) {
  int32_t editor = app("editor");
  auto a = open(editor, "A");
  auto b = open(editor, "B");
  auto palette = mac.openWindow(editor, {.title = "Palette", .subrole = "AXFloatingWindow"});
  app("browser", {"Start Page"});
  startAndSettle();
  auto entry = tracked("editor", editor);
  ASSERT_TRUE(entry);

  // Minimizing is not among the notifications the tracker observes; the next pass shows it.
  mac.minimize(a);
  refresh();
  EXPECT_FALSE(entry->isMinimized.get());
  mac.minimize(b);
  refresh();
  // The floating palette is still on screen, but only standard windows count.
  EXPECT_TRUE(entry->isMinimized.get());
  EXPECT_EQ(tracked("editor", editor), entry);

  // With nothing on screen only the sticky set keeps it; hung, it counts as having windows.
  mac.closeWindow(palette);
  scheduler.advance(0.5);
  mac.setHung(editor, true);
  for (int i = 0; i < 8; ++i) {
    scheduler.advance(1);
    refresh();
    EXPECT_TRUE(tracked("editor", editor)) << i;
  }
}

TEST_F(AppTrackerPass, GroupedTitleFallsBackToAccessibilityThenToTheLastKnownTitle) {
  const auto [editor, browser] = startWithEditorAndBrowser("Doc");
  EXPECT_EQ(Access::lastKnown(*tracker, editor).front().title, "Doc");

  // Without screen capture the window list carries no names: Accessibility gives the title, and the
  // last-known list is not rewritten from an unnamed front window.
  mac.permissions().screenCaptureGranted = false;
  mac.setTitle(mac.windowsOf(editor).front(), "Doc (edited)");
  settle();
  auto rebuildGrouped = [this] {  // window entries first, so the grouped entry is built afresh
    setGrouped(false);
    refresh();
    setGrouped(true);
    refresh();
  };
  rebuildGrouped();
  auto entry = tracked("editor", editor);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->windowTitle.get(), "Doc (edited)");

  // Neither a name nor an Accessibility title: the first last-known title.
  mac.setAttributeReadError(editor, "AXTitle", platform::AXError::noValue);
  rebuildGrouped();
  entry = tracked("editor", editor);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->windowTitle.get(), Access::lastKnown(*tracker, editor).front().title);
  EXPECT_FALSE(Access::lastKnown(*tracker, editor).front().title.empty());
}

TEST_F(AppTrackerPass, UngroupedModeMakesOneEntryPerWindowWithItsState) {
  setGrouped(false);
  int32_t editor = app("editor");
  auto one = open(editor, "One");
  auto two = open(editor, "Two");
  auto three = open(editor, "Three");
  app("browser", {"Start Page"}, false);
  startAndSettle();
  mac.minimize(one);
  refresh();

  auto entries = apps();
  ASSERT_EQ(entries.size(), 4u);
  auto threeEntry = tracked("editor", editor, three);
  auto oneEntry = tracked("editor", editor, one);
  ASSERT_TRUE(threeEntry && oneEntry);
  EXPECT_TRUE(threeEntry->isActive.get());  // the focused window of the frontmost application
  EXPECT_FALSE(tracked("editor", editor, two)->isActive.get());
  // A minimized window is not on screen; Accessibility still lists it.
  EXPECT_TRUE(oneEntry->isMinimized.get());
  EXPECT_EQ(oneEntry->windowTitle.get(), "One");
  EXPECT_EQ(oneEntry->displayID, 1u);  // kept from the entry it had on screen
  EXPECT_EQ(Access::lastKnown(*tracker, editor).size(), 3u);
}

TEST_F(AppTrackerPass, UngroupedWithoutAccessibilityShowsAnApplicationEntryThenTheLastKnownWindows) {
  setGrouped(false);
  mac.permissions().accessibilityTrusted = false;  // no Accessibility: standard windows are unknown
  int32_t editor = app("editor", {"One"});
  startAndSettle();
  // Without a last-known list, one application entry stands for the application.
  ASSERT_EQ(ids(), (Texts{idOf("editor", editor)}));
  EXPECT_TRUE(apps().front()->isActive.get());
  EXPECT_EQ(Access::observerCount(*tracker), 0u);

  // Hiding the only application leaves nothing frontmost: no entry is active.
  mac.hide(editor);
  settle();
  scheduler.advance(0.1);
  auto entry = apps().front();
  entry->isActive = true;  // so only the pass can clear it
  refresh();
  EXPECT_EQ(apps().front(), entry);
  EXPECT_FALSE(entry->isActive.get());
  mac.unhide(editor);

  // With Accessibility the windows are known and remembered; once it goes, the remembered ones show.
  mac.permissions().accessibilityTrusted = true;
  auto second = open(editor, "Two");
  refresh();
  ASSERT_EQ(apps().size(), 2u);
  mac.permissions().accessibilityTrusted = false;
  refresh();
  ASSERT_EQ(apps().size(), 2u);
  for (const auto& remembered : apps()) {
    EXPECT_FALSE(remembered->isMinimized.get());
    EXPECT_TRUE(remembered->windowNumber);
  }
  EXPECT_TRUE(tracked("editor", editor, second));
}

TEST_F(AppTrackerPass, UngroupedWindowsKeepTheirPlacesAndNewOnesJoinTheirApplication) {
  setGrouped(false);
  int32_t a = app("a");
  auto a1 = open(a, "A1");
  auto a2 = open(a, "A2");
  int32_t b = app("b");
  auto b1 = open(b, "B1");
  startAndSettle();

  // Seed the order [A1, B1, A2], as a user might have arranged it over time.
  using E = AppTrackerTestAccess;
  Access::applyUpdate(*tracker, {E::entry("com.example.a", a, a1), E::entry("com.example.b", b, b1),
                                 E::entry("com.example.a", a, a2)});
  auto a3 = open(a, "A3");
  settle();
  scheduler.advance(0.5);
  EXPECT_EQ(ids(), (Texts{idOf("a", a, a1), idOf("a", a, a2), idOf("a", a, a3), idOf("b", b, b1)}));

  settings->groupByApp = false;
  Access::applyUpdate(*tracker, {E::entry("com.example.a", a, a1), E::entry("com.example.b", b, b1),
                                 E::entry("com.example.a", a, a2)});
  refresh();
  EXPECT_EQ(ids(), (Texts{idOf("a", a, a1), idOf("b", b, b1), idOf("a", a, a2), idOf("a", a, a3)}));
}

// The system itself appears only through its settings window.
TEST_F(AppTrackerPass, ApplicationsThatNeverBecomeEntries) {
  int32_t shown = app("shown", {"Window"});
  int32_t own = mac.appShell().pid;
  mac.openWindow(own, {.title = "About Pelko", .layer = platform::window_layer::kFloating});
  // Started first: the start seeds every regular application with an Accessibility window as sticky.
  startAndSettle();
  int32_t dock = mac.launchApp({.bundleID = "com.apple.dock", .name = "Dock"});
  open(dock, "Dock");
  app("hidden", {"Window"});
  settings->addToBlacklist("com.example.hidden");
  open(mac.launchApp({.bundleID = "com.example.menuextra", .policy = platform::ActivationPolicy::accessory}),
       "Popover");
  open(mac.launchApp({.name = "Anonymous"}), "Window");
  open(app("tiny"), "Sliver", Rect(0, 0, 1, 300));
  mac.openWindow(app("floater"), {.title = "Floating", .layer = platform::window_layer::kFloating});
  refresh();
  EXPECT_EQ(ids(), (Texts{idOf("shown", shown)}));

  auto window = mac.openWindow(own, {.title = "Pelko Settings", .layer = platform::window_layer::kFloating});
  refresh();
  // In the order of the running applications, where this process comes first.
  EXPECT_EQ(ids(), (Texts{idOf("com.pelko.app", own), idOf("shown", shown)}));

  // Miniaturized, the window is not in the on-screen list; the application still knows it.
  mac.minimize(window);
  ownWindows = {{"Pelko Settings", true, false}};
  refresh();
  EXPECT_TRUE(tracked("com.pelko.app", own));
  ownWindows = {{"Pelko Settings", false, false}};
  refresh();
  EXPECT_FALSE(tracked("com.pelko.app", own));
}

TEST_F(AppTrackerPass,
       StickyProcessStaysWhileAccessibilityListsAWindowAndIsRecheckedAtMostEveryOneAndAHalfSeconds) {
  int32_t editor = app("editor");
  auto window = open(editor, "Window");
  app("browser", {"Start Page"});
  startAndSettle();
  mac.minimize(window);
  refresh();  // re-checks the process: it still has a window
  auto entry = tracked("editor", editor);
  ASSERT_TRUE(entry);
  EXPECT_TRUE(entry->isMinimized.get());
  EXPECT_TRUE(Access::stickyPIDs(*tracker).count(editor));

  // Accessibility stops listing the window: the process leaves at its next due re-check.
  mac.setAttributeReadError(editor, "AXWindows", platform::AXError::noValue);
  scheduler.advance(1.4);
  refresh();
  EXPECT_EQ(tracked("editor", editor), entry);
  scheduler.advance(0.1);
  refresh();
  EXPECT_FALSE(tracked("editor", editor));
  EXPECT_FALSE(Access::stickyPIDs(*tracker).count(editor));
}

TEST_F(AppTrackerPass, AHungApplicationIsLeftAloneForFiveSeconds) {
  const auto [editor, browser] = startWithEditorAndBrowser("Notes");
  mac.setHung(editor, true);
  int before = mac.axRequestCount(editor);
  double waited = mac.hungWaitSeconds(editor);

  refresh();
  int afterFirst = mac.axRequestCount(editor);
  EXPECT_EQ(afterFirst, before + 1);  // one window-list read, at the pass's short time-out
  EXPECT_NEAR(mac.hungWaitSeconds(editor) - waited, 0.3, 1e-6);
  EXPECT_TRUE(tracked("editor", editor));  // it still owns an on-screen window

  for (int i = 0; i < 4; ++i) {
    scheduler.advance(1.2);
    refresh();
  }
  EXPECT_EQ(mac.axRequestCount(editor), afterFirst);
  EXPECT_TRUE(tracked("editor", editor));
  scheduler.advance(0.5);  // five seconds after the time-out
  refresh();
  EXPECT_EQ(mac.axRequestCount(editor), afterFirst + 1);
}

TEST_F(AppTrackerPass, OnlyTheLastOfOverlappingPassesApplies) {
  setGrouped(false);
  int32_t editor = app("editor", {"One"});
  tracker->forceRefresh();  // captures one window
  open(editor, "Two");
  refresh();  // captures both
  EXPECT_EQ(apps().size(), 2u);
  EXPECT_EQ(listPublications, 1);

  // A pass invalidated after its queue phase ran, before its result reaches the main queue, applies
  // nothing.
  open(editor, "Three");
  tracker->forceRefresh();
  scheduler.mainQueue().async([this] { tracker->invalidateRefreshGeneration(); });
  settle();
  EXPECT_EQ(apps().size(), 2u);
  EXPECT_EQ(listPublications, 1);
}

TEST_F(AppTrackerPass, AReusedProcessIdentifierShowsItsOwnApplicationsIcon) {
  int32_t editor = app("editor", {"Doc"});
  startAndSettle();
  ASSERT_EQ(apps().size(), 1u);
  EXPECT_EQ(apps().front()->icon.source.source, "/Applications/Editor.app");

  // The application quits while the tracker is stopped, and its pid goes to another application.
  reusePID(editor, "com.example.other",
           platform::AppIcon{"/Applications/Other.app", Color{0.9, 0.1, 0.1, 1.0}});
  open(editor, "Other window");
  refresh();
  ASSERT_EQ(ids(), (Texts{idOf("other", editor)}));
  EXPECT_EQ(apps().front()->icon.source.source, "/Applications/Other.app");
}

TEST_F(AppTrackerPass, AStaleStickyProcessLeavesWithItsLastKnownData) {
  setGrouped(false);
  mac.permissions().accessibilityTrusted = false;  // no re-checks: only staleness removes it
  int32_t editor = app("editor");
  auto window = open(editor, "Doc");
  startAndSettle();
  mac.permissions().accessibilityTrusted = true;
  refresh();
  mac.permissions().accessibilityTrusted = false;
  ASSERT_FALSE(Access::lastKnown(*tracker, editor).empty());
  mac.hide(editor);  // off screen: only the sticky set keeps it
  settle();
  scheduler.advance(0.2);
  EXPECT_TRUE(tracked("editor", editor, window));

  // The pid is reused by another application: the old one's data goes in the same pass.
  reusePID(editor, "com.example.other");
  settle();
  refresh();
  EXPECT_FALSE(Access::stickyPIDs(*tracker).count(editor));
  EXPECT_TRUE(Access::lastKnown(*tracker, editor).empty());
  EXPECT_TRUE(apps().empty());
}

}  // namespace
}  // namespace pelko::testing
