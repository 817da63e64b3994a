#include "TrackingTestWorld.h"

namespace pelko::testing {
namespace {

namespace ax = platform::ax;

class AppTrackerObservers : public AppTrackerTest {
 protected:
  // An editor with two windows and a browser in front, tracked and settled.
  void SetUp() override {
    editor = app("editor");
    first = open(editor, "One");
    second = open(editor, "Two");
    browser = app("browser", {"Start Page"});
  }
  uint64_t generation() const { return Access::refreshGeneration(*tracker); }
  platform::AXElement windowElement(platform::WindowID window) {
    auto windows = mac.accessibility().copyAttributeValue(
        mac.accessibility().createApplicationElement(editor), ax::kWindows);
    for (const auto& element : *windows.value->asElements())
      if (mac.accessibility().windowNumber(element).windowNumber == window) return element;
    return {};
  }

  int32_t editor = 0;
  int32_t browser = 0;
  platform::WindowID first = 0;
  platform::WindowID second = 0;
};

TEST_F(AppTrackerObservers, ATitleChangeReachesTheWindowEntryAtOnceANewWindowLeadsToTwoPasses) {
  setGrouped(false);
  startAndSettle();
  auto entry = tracked("editor", editor, first);
  ASSERT_TRUE(entry);
  uint64_t before = generation();
  mac.setTitle(first, "One (edited)");
  settle();
  EXPECT_EQ(entry->windowTitle.get(), "One (edited)");
  EXPECT_TRUE(entry->titleFreshFromFastPath);
  EXPECT_EQ(Access::lastKnown(*tracker, editor).back().title, "One (edited)");
  EXPECT_FALSE(Access::pendingRefresh(*tracker));
  EXPECT_EQ(generation(), before);  // no pass was needed

  refresh();
  EXPECT_EQ(entry->windowTitle.get(), "One (edited)");
  EXPECT_FALSE(entry->titleFreshFromFastPath);

  // The same title again changes nothing and asks for nothing.
  int changes = 0;
  auto watch = entry->objectWillChange().sink([&changes](const auto&) { ++changes; });
  Access::handleAXNotification(*tracker, std::string(ax::kTitleChangedNotification), windowElement(first));
  EXPECT_EQ(changes, 0);
  EXPECT_FALSE(Access::pendingRefresh(*tracker));

  // A new window leads to a pass after 20 and after 100 ms.
  before = generation();
  auto third = open(editor, "Three");
  scheduler.runUntilIdle();
  EXPECT_EQ(generation(), before);
  scheduler.advance(0.02);
  EXPECT_EQ(generation(), before + 1);
  EXPECT_TRUE(tracked("editor", editor, third));
  scheduler.advance(0.08);
  EXPECT_EQ(generation(), before + 2);
  // The new window is watched for its destruction too.
  mac.closeWindow(third);
  scheduler.runUntilIdle();
  EXPECT_FALSE(tracked("editor", editor, third));
}

TEST_F(AppTrackerObservers,
       UngroupedDestructionRemovesTheWindowAtOnceActivatesTheNextAndIsRememberedForFiftyOne) {
  setGrouped(false);
  // A standard window too small for an entry, but watched for its destruction all the same.
  auto tiny = open(editor, "Tiny", Rect(100, 100, 40, 40));
  mac.activate(editor);
  startAndSettle();
  ASSERT_FALSE(tracked("editor", editor, tiny));
  auto entries = apps();
  int published = listPublications;
  uint64_t before = generation();
  mac.closeWindow(tiny);
  settle();
  EXPECT_TRUE(Access::recentlyDestroyed(*tracker).count(tiny));
  EXPECT_EQ(listPublications, published + 1);  // the removal; the following pass changes nothing
  EXPECT_EQ(apps(), entries);
  EXPECT_EQ(generation(), before + 1);

  // The active window goes at once and the next one turns active.
  auto secondEntry = tracked("editor", editor, second);
  auto firstEntry = tracked("editor", editor, first);
  ASSERT_TRUE(secondEntry && firstEntry);
  ASSERT_TRUE(secondEntry->isActive.get());
  before = generation();
  published = listPublications;
  // When the next window turns active, and whether its closed sibling was still listed then.
  std::optional<uint64_t> activatedAt;
  bool closedStillListed = true;
  auto watch = firstEntry->isActive.publisher().dropFirst().sink([&](bool active) {
    if (!active || activatedAt) return;
    activatedAt = generation();
    closedStillListed = tracked("editor", editor, second) != nullptr;
  });

  mac.closeWindow(second);
  scheduler.runUntilIdle();
  EXPECT_FALSE(tracked("editor", editor, second));
  EXPECT_TRUE(firstEntry->isActive.get());
  EXPECT_EQ(activatedAt, before) << "activated by the destruction itself, before any pass";
  EXPECT_FALSE(closedStillListed);
  EXPECT_TRUE(Access::recentlyDestroyed(*tracker).count(second));
  EXPECT_GE(listPublications, published + 1);
  EXPECT_GE(generation(), before + 1);  // and a coalesced pass confirms it
  scheduler.advance(2.0);
  EXPECT_FALSE(Access::recentlyDestroyed(*tracker).count(second));

  // Destruction is watched on standard windows and those of unknown subrole, not on dialogs.
  auto dialogWindow = mac.openWindow(editor, {.title = "Dialog", .subrole = "AXDialog"});
  auto unknownWindow = mac.openWindow(editor, {.title = "Unknown", .subrole = std::nullopt});
  settle();
  scheduler.advance(0.2);
  ASSERT_TRUE(tracked("editor", editor, unknownWindow));
  EXPECT_FALSE(tracked("editor", editor, dialogWindow));

  mac.closeWindow(unknownWindow);
  scheduler.runUntilIdle();
  EXPECT_FALSE(tracked("editor", editor, unknownWindow));
  EXPECT_TRUE(Access::recentlyDestroyed(*tracker).count(unknownWindow));

  mac.closeWindow(dialogWindow);
  scheduler.runUntilIdle();
  EXPECT_FALSE(Access::recentlyDestroyed(*tracker).count(dialogWindow));

  // The memory of destroyed windows holds at most 51 numbers.
  std::vector<platform::WindowID> windows;
  for (int i = 0; i < 52; ++i) windows.push_back(open(editor, "W" + std::to_string(i)));
  settle();
  scheduler.advance(0.2);
  for (auto window : windows) mac.closeWindow(window);
  settle();
  EXPECT_EQ(Access::recentlyDestroyed(*tracker).size(), 51u);
  EXPECT_TRUE(Access::recentlyDestroyed(*tracker).count(windows.back()));
}

TEST_F(AppTrackerObservers, GroupedTitlesMovesAndDestructionsTheTitleAtOnceTheListThroughOneCoalescedPass) {
  startAndSettle();
  auto entry = tracked("editor", editor);
  ASSERT_TRUE(entry);
  mac.setTitle(first, "Back window renamed");
  settle();
  EXPECT_EQ(entry->windowTitle.get(), "Back window renamed");
  EXPECT_TRUE(entry->titleFreshFromFastPath);
  EXPECT_FALSE(Access::pendingRefresh(*tracker));

  auto title = entry->windowTitle.get();
  // An application element is no window.
  Access::handleAXNotification(*tracker, std::string(ax::kTitleChangedNotification),
                               mac.accessibility().createApplicationElement(editor));
  EXPECT_TRUE(Access::pendingRefresh(*tracker));
  scheduler.advance(0.05);
  EXPECT_FALSE(Access::pendingRefresh(*tracker));
  // An empty title.
  mac.setTitle(second, "");
  settle();
  EXPECT_TRUE(Access::pendingRefresh(*tracker));
  EXPECT_EQ(entry->windowTitle.get(), title);

  scheduler.advance(1);  // the pass it asked for
  // Moves are debounced to one pass 80 ms after the last.
  uint64_t before = generation();
  for (int i = 0; i < 3; ++i) {
    mac.moveWindow(first, Point{200.0 + i * 10, 200});
    scheduler.runUntilIdle();
    scheduler.advance(0.05);
  }
  EXPECT_EQ(generation(), before);
  scheduler.advance(0.03);
  EXPECT_EQ(generation(), before + 1);
  scheduler.advance(1);
  EXPECT_EQ(generation(), before + 1);

  // Destruction of unknown elements in one turn queues one refresh.
  auto unknown = mac.accessibility().createApplicationElement(editor);
  Access::handleAXNotification(*tracker, std::string(ax::kUIElementDestroyedNotification), unknown);
  Access::handleAXNotification(*tracker, std::string(ax::kUIElementDestroyedNotification), unknown);
  scheduler.runUntilIdle();
  EXPECT_EQ(generation(), before + 2);

  // A destroyed window of a grouped entry changes the list only through the following pass.
  int published = listPublications;
  mac.closeWindow(second);
  settle();
  EXPECT_EQ(listPublications, published);
  EXPECT_EQ(tracked("editor", editor), entry);
  EXPECT_EQ(generation(), before + 3);
  EXPECT_EQ(entry->windowTitle.get(), "Back window renamed");

  // A created window lifts the recent removal of its process.
  Access::terminated(*tracker, mac.workspace().runningApplication(editor));
  ASSERT_TRUE(Access::recentlyRemovedPIDs(*tracker).count(editor));
  EXPECT_FALSE(tracked("editor", editor));
  refresh();
  EXPECT_FALSE(tracked("editor", editor));  // kept out while recently removed

  // Its observer went with the termination; the first pass after the block registers it again.
  Access::handleAXNotification(*tracker, std::string(ax::kWindowCreatedNotification), windowElement(first));
  EXPECT_FALSE(Access::recentlyRemovedPIDs(*tracker).count(editor));
  scheduler.advance(0.2);
  EXPECT_TRUE(tracked("editor", editor));
  EXPECT_EQ(mac.liveObserverCount(editor), 1);
}

// A window of a grouped application that opens or closes changes no entry; the tracker announces its
// application at once when an observer tells it, and after a pass for an application it cannot observe.
// A window merely brought forward is no change.
TEST_F(AppTrackerObservers, GroupedWindowsOpeningOrClosingAreAnnouncedThoughNoEntryChanges) {
  const int32_t viewer = app("viewer", {"photo"});
  mac.setObserverCreationError(viewer, platform::AXError::cannotComplete);
  startAndSettle();
  std::vector<int32_t> announced;
  std::vector<uint64_t> passesBefore;  // the passes started by each announcement
  auto watch = tracker->windowsChanged.sink([&](int32_t pid) {
    announced.push_back(pid);
    passesBefore.push_back(generation());
  });
  const int published = listPublications;

  for (bool closing : {true, false}) {
    SCOPED_TRACE(closing ? "closed" : "opened");
    announced.clear();
    passesBefore.clear();
    const uint64_t before = generation();
    closing ? mac.closeWindow(second) : void(open(editor, "Three"));
    scheduler.advance(1);  // and the passes that follow
    ASSERT_FALSE(announced.empty());
    EXPECT_EQ(announced.front(), editor);
    EXPECT_EQ(passesBefore.front(), before) << "announced before any pass";
  }

  announced.clear();
  mac.raiseWindow(first);
  scheduler.advance(12);  // past a safety pass
  EXPECT_EQ(announced, std::vector<int32_t>{});

  // Without an observer only a pass tells: here the safety pass, every 10 s.
  const auto another = open(viewer, "another photo");
  settle();
  EXPECT_EQ(announced, std::vector<int32_t>{});
  scheduler.advance(12);
  EXPECT_EQ(announced, std::vector<int32_t>{viewer});
  announced.clear();
  mac.closeWindow(another);
  scheduler.advance(12);
  EXPECT_EQ(announced, std::vector<int32_t>{viewer});
  EXPECT_EQ(listPublications, published) << "no entry came or went";
}

}  // namespace
}  // namespace pelko::testing
