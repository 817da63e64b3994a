#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <algorithm>
#include <functional>

#include "support/AppItemViewTestAccess.h"
#include "taskbar/AppItemThumbnails.h"
#include "taskbar/BadgeView.h"
#include "taskbar/ThumbnailCard.h"
#include "taskbar/ThumbnailTestWorld.h"
#include "ui/PlainText.h"

namespace pelko::test {
namespace {

class AppItemThumbnailTest : public ThumbnailTest {
 protected:
  void SetUp() override {
    connectTracker();
    settings->thumbnailDelay = 0.45;
    pid = mac.launchApp("com.example.Editor", "Editor");
    for (int i = 0; i < 3; ++i)
      windows.push_back(
          mac.openWindow(pid, {.title = "Doc " + std::to_string(i), .bounds = {100, 100, 600, 400}}));
    tracker->start();
    scheduler.runUntilIdle();
  }
  void TearDown() override {
    tracker->stop();
    ThumbnailTest::TearDown();
  }

  // A bar of its own over this world's applications, fed by the tracker or (`externallyManaged`) by
  // whoever calls updateFilteredApps.
  std::unique_ptr<TaskbarViewController> makeBar(bool externallyManaged = false) {
    return std::make_unique<TaskbarViewController>(
        tracker, windowManager, accessories.systemTrayManager, settings, externallyManaged,
        TaskbarViewController::Environment{scheduler, mac.workspace(), appearance, accessibilityHelper,
                                           accessories.trash, accessories.alerts, &services});
  }
  bool shows(const AppItemView& item) {
    return item.activeThumbnailPanel() && item.activeThumbnailPanel()->isPanelVisible();
  }
  // Hovers `item` for the delay and lets the capture arrive.
  void hover(AppItemView& item, double seconds = 0.45) {
    item.mouseEntered();
    scheduler.advance(seconds);
    scheduler.runUntilIdle();
  }
  bool performed(const std::string& action) {
    const auto texts = mac.actionTexts();
    return std::find(texts.begin(), texts.end(), action) != texts.end();
  }
  std::string w(size_t index) const { return std::to_string(windows[index]); }

  int32_t pid = 0;
  std::vector<platform::WindowID> windows;
};

TEST_F(AppItemThumbnailTest, AWindowShownLessThanThreeSecondsAgoShowsWithoutDelay) {
  auto item = makeThumbnailItem(windowEntry(pid, windows[0], "Doc 0"));
  item->mouseEntered();
  scheduler.advance(0.44);
  EXPECT_FALSE(item->activeThumbnailPanel());
  scheduler.advance(0.01);
  scheduler.runUntilIdle();
  ASSERT_TRUE(shows(*item));
  EXPECT_EQ(item->activeThumbnailPanel()->cards().at(0)->windowNumber(), windows[0]);

  // Seconds since the window's panel was last shown, and whether it shows again at once.
  const struct {
    double since;
    bool atOnce;
  } cases[] = {{2.0, true}, {2.99, true}, {3.0, false}, {5.0, false}};
  for (const auto& c : cases) {
    item->cancelThumbnail();
    services.lastCaptureTimestamps.clear();
    hover(*item);
    item->cancelThumbnail();
    scheduler.advance(c.since);
    item->mouseEntered();
    scheduler.runUntilIdle();
    EXPECT_EQ(item->activeThumbnailPanel() != nullptr, c.atOnce) << c.since;
    scheduler.advance(0.45);
    EXPECT_TRUE(item->activeThumbnailPanel()) << c.since;
  }

  // An application entry always waits the whole delay.
  auto app = makeThumbnailItem(appEntry(pid), 200);
  hover(*app);
  app->cancelThumbnail();
  app->mouseEntered();
  scheduler.runUntilIdle();
  EXPECT_FALSE(app->activeThumbnailPanel());
}

TEST(CaptureTimestampsTest, PrunedFromTwentyOneEntriesToTheRecentOnesAndAtMostFifty) {
  std::unordered_map<int64_t, double> times;
  for (int64_t n = 0; n < 21; ++n) times[n] = n < 18 ? 96.9 : 98.0;  // 18 shown 3.1 s before 100
  AppItemThumbnails::pruneCaptureTimestamps(times, 100);
  EXPECT_EQ(times.size(), 3u);
  AppItemThumbnails::pruneCaptureTimestamps(times, 200);
  EXPECT_EQ(times.size(), 3u) << "below 21 nothing is pruned";
  for (int64_t n = 0; n < 60; ++n) times[n] = 100 + n * 0.01;
  AppItemThumbnails::pruneCaptureTimestamps(times, 100.5);
  EXPECT_EQ(times.size(), 50u);
  EXPECT_FALSE(times.count(9)) << "the oldest went";
  EXPECT_TRUE(times.count(10));
}

TEST_F(AppItemThumbnailTest, LeavingBeforeTheDelayShowsNothing) {
  auto item = makeThumbnailItem(windowEntry(pid, windows[0], "Doc 0"));
  item->mouseEntered();
  EXPECT_EQ(eventMonitors.localMonitorCount(), 1u) << "the scroll monitor";
  scheduler.advance(0.3);
  item->mouseExited();
  scheduler.advance(1);
  EXPECT_FALSE(item->activeThumbnailPanel());
  EXPECT_EQ(listedPanels(), 0u);
  EXPECT_EQ(eventMonitors.localMonitorCount(), 0u);
}

TEST_F(AppItemThumbnailTest, AReplacedShowIsCancelledSoADoubleEnterShowsOnceAndNotAfterLeaving) {
  auto item = makeThumbnailItem(windowEntry(pid, windows[0], "Doc 0"));
  int willShow = 0;
  item->onThumbnailWillShow = [&] { ++willShow; };
  item->mouseEntered();
  scheduler.advance(0.2);
  item->mouseEntered();
  item->mouseExited();
  scheduler.advance(1);
  EXPECT_FALSE(item->activeThumbnailPanel()) << "the first show was still queued";
  EXPECT_EQ(listedPanels(), 0u);
  EXPECT_EQ(willShow, 0);

  item->mouseEntered();
  scheduler.advance(0.2);
  item->mouseEntered();
  scheduler.advance(1);
  EXPECT_EQ(willShow, 1);
  EXPECT_EQ(eventMonitors.localMonitorCount(), 1u) << "one scroll monitor";
}

TEST_F(AppItemThumbnailTest, ThePanelStaysWhileThePointerRoamsToItAndGoesBeyondEightPoints) {
  auto item = makeThumbnailItem(windowEntry(pid, windows[0], "Doc 0"));
  hover(*item);
  ASSERT_TRUE(shows(*item));
  const Rect frame = item->activeThumbnailPanel()->frame();
  EXPECT_EQ(frame.minY(), 34 + 4) << "4 points above the item";
  eventMonitors.movePointer({120, 35}, true);  // across the item's top edge, toward the panel
  item->mouseExited();
  EXPECT_EQ(eventMonitors.globalMonitorCount(), 1u);

  eventMonitors.movePointer({120, 36});  // between item and panel, within 8 points of the panel
  eventMonitors.movePointer({frame.midX(), frame.midY()}, true);
  eventMonitors.movePointer({frame.maxX() + 7.9, frame.midY()});
  EXPECT_TRUE(shows(*item));
  // Back on the item: its own exit governs again.
  item->mouseEntered();
  EXPECT_EQ(eventMonitors.globalMonitorCount(), 0u);
  eventMonitors.movePointer({120, 35}, true);
  item->mouseExited();
  eventMonitors.movePointer({120, 20});  // on the item
  EXPECT_TRUE(shows(*item));
  eventMonitors.movePointer({frame.maxX() + 8.1, frame.midY()});
  EXPECT_FALSE(item->activeThumbnailPanel());
  scheduler.advance(0.08);
  EXPECT_EQ(listedPanels(), 0u);
  EXPECT_EQ(eventMonitors.localMonitorCount() + eventMonitors.globalMonitorCount(), 0u);
}

// A pointer that leaves the button in one leap and then rests sends no move to be watched: where it
// landed is looked at as it leaves.
TEST_F(AppItemThumbnailTest, APointerThatLeapsAwayEndsThePanelAsItLeaves) {
  auto item = makeThumbnailItem(windowEntry(pid, windows[0], "Doc 0"));
  hover(*item);
  ASSERT_TRUE(shows(*item));
  eventMonitors.movePointer({900, 600});
  item->mouseExited();
  EXPECT_FALSE(item->activeThumbnailPanel());
  EXPECT_EQ(eventMonitors.globalMonitorCount(), 0u);
}

TEST_F(AppItemThumbnailTest, AScrollInOurWindowsCancelsAPendingOrShownThumbnail) {
  auto item = makeThumbnailItem(windowEntry(pid, windows[0], "Doc 0"));
  platform::Event scroll;
  scroll.type = platform::EventType::scrollWheel;
  scroll.scrollingDeltaY = 5;
  item->mouseEntered();
  EXPECT_TRUE(eventMonitors.post(scroll, true)) << "passed on unchanged";
  scheduler.advance(1);
  EXPECT_FALSE(item->activeThumbnailPanel());

  item->mouseEntered();
  scheduler.advance(1);
  ASSERT_TRUE(shows(*item));
  eventMonitors.post(scroll, false);
  EXPECT_TRUE(shows(*item)) << "a scroll elsewhere is not ours";
  eventMonitors.post(scroll, true);
  EXPECT_FALSE(item->activeThumbnailPanel());
}

TEST_F(AppItemThumbnailTest, AWindowSearchShowsLargeOnScreenWindowsUnlessThePointerLeftMeanwhile) {
  // Without trust the tracker knows no windows of the application: the window list is searched.
  mac.permissions().accessibilityTrusted = false;
  mac.openWindow(pid, {.title = "Palette", .bounds = {0, 0, 50, 300}});
  auto item = makeThumbnailItem(appEntry(pid));
  item->showThumbnailsForDragHover();
  item->mouseExited();
  scheduler.runUntilIdle();
  EXPECT_FALSE(item->activeThumbnailPanel());
  EXPECT_EQ(listedPanels(), 0u);
  deleteLaterNow();

  item->showThumbnailsForDragHover();
  scheduler.runUntilIdle();
  ASSERT_TRUE(shows(*item));
  std::vector<int64_t> shown;
  for (auto* card : item->activeThumbnailPanel()->cards()) shown.push_back(card->windowNumber());
  EXPECT_EQ(shown, (std::vector<int64_t>{windows[0], windows[1], windows[2]}));
}

TEST_F(AppItemThumbnailTest, AFileRestingOnAnApplicationWithSeveralWindowsShowsThemUntilTheDragEnds) {
  auto item = makeThumbnailItem(appEntry(pid));
  mac.clearActions();
  item->dragHoverEntered();
  scheduler.advance(0.29);
  scheduler.runUntilIdle();
  EXPECT_FALSE(item->activeThumbnailPanel());
  scheduler.advance(0.01);
  scheduler.runUntilIdle();
  ASSERT_TRUE(shows(*item));
  EXPECT_EQ(item->activeThumbnailPanel()->cards().size(), 3u);
  EXPECT_TRUE(mac.actionTexts().empty()) << "thumbnails instead of bringing a window forward";
  item->dragHoverEnded();
  EXPECT_FALSE(item->activeThumbnailPanel());

  // With one window, thumbnails or not, that window comes forward instead.
  const int32_t single = mac.launchApp("com.example.Mail", "Mail");
  const auto inbox = mac.openWindow(single, {.title = "Inbox", .bounds = {100, 100, 600, 400}});
  scheduler.runUntilIdle();
  auto one = makeThumbnailItem(appEntry(single, "Mail"), 200);
  mac.clearActions();
  one->dragHoverEntered();
  scheduler.advance(0.3);
  scheduler.runUntilIdle();
  EXPECT_FALSE(one->activeThumbnailPanel());
  EXPECT_TRUE(performed("AXRaise window=" + std::to_string(inbox)));
}

// Each of these ends a thumbnail still waiting for its delay and one already shown: a menu or the
// force-quit popover would otherwise open over the panel, and a binding would leave it showing what
// the button no longer stands for.
TEST_F(AppItemThumbnailTest, AMenuForceQuitACommandPressOrABindingEndsAPendingOrShownThumbnail) {
  const std::pair<const char*, std::function<void(AppItemView&)>> enders[] = {
      {"right click", [](AppItemView& item) { item.rightMouseDown(item.mapToGlobal(QPoint(20, 17))); }},
      {"Force Quit", [](AppItemView& item) { item.menuForceQuit(); }},
      {"Command press", [](AppItemView& item) { item.mouseDown(true); }},
      {"the same entry bound again", [](AppItemView& item) { item.configure(item.trackedApp(), true); }},
  };
  for (const auto& [what, end] : enders)
    for (bool shown : {false, true}) {
      SCOPED_TRACE(std::string(what) + (shown ? ", shown" : ", pending"));
      services.lastCaptureTimestamps.clear();
      auto item = makeThumbnailItem(windowEntry(pid, windows[0], "Doc 0"));
      item->mouseEntered();
      scheduler.advance(shown ? 0.45 : 0.2);
      scheduler.runUntilIdle();
      ASSERT_EQ(shows(*item), shown);
      end(*item);
      scheduler.advance(1);
      scheduler.runUntilIdle();
      EXPECT_FALSE(item->activeThumbnailPanel());
      EXPECT_EQ(listedPanels(), 0u);
      EXPECT_FALSE(AppItemViewTestAccess::isThumbnailScheduled(*item));
      deleteLaterNow();
    }
}

// An application entry's display name is the focused window's title; cards of windows that have no
// title of their own, or are not on screen to have one read, carry the application's name instead.
TEST_F(AppItemThumbnailTest, CardsOfMinimizedOrUntitledWindowsCarryTheApplicationsName) {
  const int32_t writer = mac.launchApp("com.example.Writer", "Writer");
  std::vector<platform::WindowID> opened;
  for (const char* title : {"notes.txt", "todo.md", "draft.txt", ""})
    opened.push_back(mac.openWindow(writer, {.title = title, .bounds = {100, 100, 600, 400}}));
  mac.minimize(opened[2]);
  scheduler.runUntilIdle();
  auto entry = std::make_shared<TrackedApp>("com.example.Writer", "Writer", AppImage{}, writer, false, false,
                                            false, std::optional<std::string>("todo.md"), std::nullopt);
  ASSERT_EQ(entry->displayName(), "todo.md");
  auto item = makeThumbnailItem(entry);
  hover(*item);
  ASSERT_TRUE(shows(*item));
  std::vector<std::string> titles;
  for (auto* card : item->activeThumbnailPanel()->cards()) titles.push_back(card->title().toStdString());
  EXPECT_EQ(titles, (std::vector<std::string>{"notes.txt", "todo.md", "Writer", "Writer"}));

  // One button per window: the untitled window's card too.
  auto untitled = makeThumbnailItem(windowEntry(writer, opened[3], "", "Writer"), 200);
  hover(*untitled);
  ASSERT_TRUE(shows(*untitled));
  EXPECT_EQ(untitled->activeThumbnailPanel()->cards().at(0)->title().toStdString(), "Writer");
}

// Titles and names from another program reach a card, its accessible name and an icon tile's initial
// on one line and without the marks that reorder text, as they reach every other text.
TEST_F(AppItemThumbnailTest, HostileTitlesReachCardsAndTileInitialsFiltered) {
  const struct {
    const char* raw;
    const char* card;
    const char* initial;  // of an application of that name without an icon
  } cases[] = {
      {"report\u202Etxt.exe\u202C", "reporttxt.exe", "R"},
      {"\u202Bembedded\u202C \u2067isolated\u2069", "embedded isolated", "E"},
      {"bell\u0007 escape\u001B[2J next\u0085line", "bell escape[2J nextline", "B"},
      {"line one\nline two\r\nthree\u2028four", "line one line two  three four", "L"},
      {"\u200Fmarked", "\u200Fmarked", "M"},
      {"\n\t\u200B\u202Eindented", "  \u200Bindented", "I"},
  };
  const int32_t writer = mac.launchApp("com.example.Writer", "Writer");
  for (const auto& c : cases) mac.openWindow(writer, {.title = c.raw, .bounds = {100, 100, 600, 400}});
  scheduler.runUntilIdle();
  auto item = makeThumbnailItem(appEntry(writer, "Writer"));
  hover(*item);
  ASSERT_TRUE(shows(*item));
  const auto cards = item->activeThumbnailPanel()->cards();
  ASSERT_EQ(cards.size(), std::size(cases));
  for (size_t i = 0; i < cards.size(); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.card);
    EXPECT_EQ(cards[i]->title().toStdString(), c.card);
    EXPECT_EQ(cards[i]->shownTitle().toStdString(), c.card) << "drawn whole: the card is wide enough";
    EXPECT_EQ(cards[i]->accessibleName().toStdString(), c.card);

    auto tile = makeItem(appEntry(600 + static_cast<int32_t>(i), c.raw));
    EXPECT_EQ(AppItemViewTestAccess::iconInitial(*tile).toStdString(), c.initial);
    // The button of an application of that name reads the same to a screen reader.
    EXPECT_EQ(tile->accessibleName().toStdString(), c.card);
    EXPECT_EQ(tile->accessibleDescription().toStdString(), std::string("Click to activate ") + c.card);
  }
  // A name of nothing but invisible marks has no letter to show.
  EXPECT_EQ(AppItemViewTestAccess::iconInitial(*makeItem(appEntry(700, "\u200E\u202E "))).toStdString(), "");

  QDir artifacts(QCoreApplication::applicationDirPath() + "/../artifacts");
  artifacts.mkpath(".");
  EXPECT_TRUE(cards[0]->grab().save(artifacts.filePath("hostile-card.png")));
}

TEST_F(AppItemThumbnailTest, ClickingACardRestoresAndRaisesItsWindowOrWithoutTrustActivates) {
  auto item = makeThumbnailItem(windowEntry(pid, windows[1], "Doc 1"));
  mac.minimize(windows[1]);
  hover(*item);
  ASSERT_TRUE(shows(*item));
  mac.clearActions();
  ThumbnailCard* card = item->activeThumbnailPanel()->cards().at(0);
  card->mouseDown({30, 30});
  card->mouseUp({30, 30});
  EXPECT_FALSE(item->activeThumbnailPanel());
  EXPECT_FALSE(mac.window(windows[1])->minimized);
  EXPECT_TRUE(performed("set AXMinimized window=" + w(1) + " false"));
  EXPECT_TRUE(performed("AXRaise window=" + w(1)));
  EXPECT_TRUE(performed("set AXFrontmost pid=" + std::to_string(pid) + " true"));
  EXPECT_EQ(mac.frontmostPID(), pid);
  deleteLaterNow();

  mac.permissions().accessibilityTrusted = false;
  mac.launchApp("com.example.Other", "Other");
  scheduler.advance(5);
  hover(*item);
  mac.clearActions();
  item->activeThumbnailPanel()->cards().at(0)->mouseUp({30, 30});
  EXPECT_EQ(mac.actionTexts(),
            (std::vector<std::string>{"activate pid=" + std::to_string(pid) + " options=0"}));
}

TEST_F(AppItemThumbnailTest, TheCloseControlPressesTheWindowsCloseButtonOrWithoutTrustOnlyDismisses) {
  auto item = makeThumbnailItem(windowEntry(pid, windows[2], "Doc 2"));
  for (bool trusted : {false, true}) {
    mac.permissions().accessibilityTrusted = trusted;
    hover(*item, 5);
    ASSERT_TRUE(shows(*item));
    mac.clearActions();
    ThumbnailCard* card = item->activeThumbnailPanel()->cards().at(0);
    card->closeClicked();
    EXPECT_FALSE(item->activeThumbnailPanel());
    EXPECT_EQ(mac.window(windows[2]).has_value(), !trusted);
    EXPECT_EQ(performed("AXPress AXCloseButton window=" + w(2)), trusted);
    item->cancelThumbnail();
  }
}

// Closing a window other than the front one of a grouped application changes no entry, nor does a new
// window; the button's count follows both all the same, on a bar fed by the tracker and on one the
// monitor manager feeds.
TEST_F(AppItemThumbnailTest, TheCountFollowsWindowsClosedOnTheirCardsAndANewWindow) {
  mac.permissions().accessibilityTrusted = true;
  for (bool externallyManaged : {false, true}) {
    SCOPED_TRACE(externallyManaged ? "externally managed" : "fed by the tracker");
    while (mac.windowsOf(pid).size() < 3)
      mac.openWindow(pid, {.title = "Doc", .bounds = {100, 100, 600, 400}});
    scheduler.runUntilIdle();
    auto bar = makeBar(externallyManaged);
    auto panel = makePanel(*bar);
    if (externallyManaged) bar->updateFilteredApps(tracker->apps.get());
    scheduler.advance(1);
    ASSERT_EQ(bar->arrangedItems().size(), 1u);
    AppItemView& item = *bar->arrangedItems().front();
    auto shown = [&item] {
      const BadgeView& badge = *AppItemViewTestAccess::countBadge(item);
      return item.accessibleName().toStdString() +
             (badge.isVisibleTo(&item) ? " / badge " + std::to_string(badge.count()) : "");
    };
    ASSERT_EQ(shown(), "Editor, 3 windows / badge 3");
    const auto front = mac.windowsOf(pid).front();  // the window whose title the entry carries

    // Twice the close control of a card other than the front window's, as a fresh panel shows them.
    const struct {
      size_t cards;
      const char* after;
    } steps[] = {{3, "Editor, 2 windows / badge 2"}, {2, "Editor"}};
    for (const auto& step : steps) {
      scheduler.advance(3);
      hover(item, 5);
      ASSERT_TRUE(shows(item));
      const auto cards = item.activeThumbnailPanel()->cards();
      ASSERT_EQ(cards.size(), step.cards);
      ThumbnailCard* card = cards[1]->windowNumber() == front ? cards[0] : cards[1];
      const int64_t closed = card->windowNumber();
      card->closeClicked();
      scheduler.runUntilIdle();
      EXPECT_FALSE(mac.window(closed));
      EXPECT_EQ(shown(), step.after);
    }

    // A second window again.
    mac.openWindow(pid, {.title = "Doc 3", .bounds = {100, 100, 600, 400}});
    scheduler.runUntilIdle();
    EXPECT_EQ(shown(), "Editor, 2 windows / badge 2");
    scheduler.advance(1);
  }
}

// Holds back the focus changes of the application's windows while it lives.
struct FocusKeeper : QObject {
  FocusKeeper() { qApp->installEventFilter(this); }
  ~FocusKeeper() override { qApp->removeEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::FocusIn:
      case QEvent::FocusOut:
      case QEvent::WindowActivate:
      case QEvent::WindowDeactivate:
        return true;
      default:
        return false;
    }
  }
};

// The panel opens right by the button, where the button's tooltip (a long title wraps it over several
// lines) would cover the first card's title: the panel sends a shown tooltip away and keeps new ones off
// until it goes.
TEST_F(AppItemThumbnailTest, TheButtonsTooltipGoesWhileItsPanelShowsAndComesBackAfter) {
  auto item = makeThumbnailItem(windowEntry(pid, windows[0], "Doc 0"));
  ASSERT_EQ(item->toolTip(), plainToolTip("Editor - Doc 0"));
  // What the application sends a widget that the pointer rests on.
  auto restPointer = [&item] {
    QHelpEvent rest(QEvent::ToolTip, QPoint(10, 10), item->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(item.get(), &rest);
  };
  auto tipShows = [&item] { return QToolTip::isVisible() && QToolTip::text() == item->toolTip(); };
  // The button's window is activated as it comes up, which would end a tooltip shown before.
  QCoreApplication::processEvents();

  restPointer();
  ASSERT_TRUE(tipShows()) << "no tooltip before the panel";
  // The offscreen platform activates every window it shows, the panel too, where a window manager
  // leaves a panel that takes no focus alone; Qt ends a tooltip at any change of focus, which would
  // hide this one whatever the button did. The focus stays as a desktop keeps it.
  FocusKeeper keeper;
  hover(*item);
  ASSERT_TRUE(shows(*item));
  // Qt takes a shown tooltip off in a fade of its own.
  EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000)) << "the tooltip stayed";
  restPointer();
  EXPECT_FALSE(QToolTip::isVisible()) << "the tooltip came back over the panel";

  item->cancelThumbnail();
  restPointer();
  EXPECT_TRUE(tipShows()) << "no tooltip once the panel went";
  QToolTip::hideText();
}

TEST_F(AppItemThumbnailTest, AnotherButtonsPanelDismissesOursInTheSameBar) {
  auto otherPid = mac.launchApp("com.example.Mail", "Mail");
  mac.openWindow(otherPid, {.title = "Inbox"});
  scheduler.runUntilIdle();
  auto bar = makeBar();
  auto panel = makePanel(*bar);
  scheduler.advance(1);
  auto items = bar->arrangedItems();
  ASSERT_GE(items.size(), 2u);
  hover(*items[0]);
  ASSERT_TRUE(shows(*items[0]));
  EXPECT_EQ(bar->visibleThumbnailPanel(), items[0]->activeThumbnailPanel());
  hover(*items[1]);
  EXPECT_FALSE(items[0]->activeThumbnailPanel());
  EXPECT_TRUE(shows(*items[1]));
  EXPECT_EQ(bar->visibleThumbnailPanel(), items[1]->activeThumbnailPanel());
  bar->dismissAllThumbnails();
  EXPECT_FALSE(items[1]->activeThumbnailPanel());
  EXPECT_EQ(bar->visibleThumbnailPanel(), nullptr);
}

}  // namespace
}  // namespace pelko::test
