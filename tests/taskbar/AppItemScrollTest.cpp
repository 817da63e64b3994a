#include <QApplication>
#include <QWheelEvent>

#include "TaskbarTestWorld.h"
#include "support/AppItemViewTestAccess.h"
#include "taskbar/AppItemScrollCycling.h"

namespace pelko::test {
namespace {

TEST(AppItemWindowCycleTest, StepsAndWrapsInBothDirectionsByWheelDeltaInPoints) {
  const std::vector<int64_t> windows{10, 20, 30};
  const std::tuple<std::optional<int64_t>, double, std::optional<int64_t>> cases[] = {
      {std::nullopt, -5, 20}, {std::nullopt, 5, 30},  // no current window: from the first
      {20, -5, 30},           {20, 5, 10},            // down: next; up: previous
      {30, -5, 10},           {10, 5, 30},            // wrap around at both ends
      {99, -5, 20},                                   // gone from the list: as the first
  };
  for (const auto& [current, delta, expected] : cases)
    EXPECT_EQ(AppItemScrollCycling::windowAfterScroll(windows, current, delta), expected)
        << current.value_or(-1) << delta;
  EXPECT_EQ(AppItemScrollCycling::windowAfterScroll({10}, 10, -5), std::nullopt);
  EXPECT_EQ(AppItemView::scrollingDeltaY(0, -120), -15);      // one wheel notch down
  EXPECT_EQ(AppItemView::scrollingDeltaY(-2.5, -120), -2.5);  // a trackpad's pixel delta wins
}

class AppItemScrollTest : public AppItemTest {
 protected:
  void SetUp() override {
    pid = launch("com.example.editor", "Editor");
    w1 = open(pid, "One");
    w2 = open(pid, "Two");
    w3 = open(pid, "Three");
    item = makeItem(appEntry(pid));
    // As the bar's view controller has it: the button reports, the cycle decides.
    item->onScroll = [this](double deltaY) {
      return cycling.scroll({scheduler, *settings, *tracker, *windowManager, accessibilityHelper},
                            *item->trackedApp(), deltaY);
    };
  }
  // One scroll step, `wait` seconds after the last.
  bool step(double delta, double wait = 0.2) {
    scheduler.advance(wait);
    const bool handled = item->scrollWheel(delta);
    scheduler.runUntilIdle();
    return handled;
  }
  int64_t focused() const { return mac.focusedWindow(pid); }

  int32_t pid = 0;
  platform::WindowID w1 = 0, w2 = 0, w3 = 0;
  AppItemScrollCycling cycling;
  std::unique_ptr<AppItemView> item;
};

TEST_F(AppItemScrollTest, ScrollingCyclesThroughEveryWindowOnePerFlickActivatingAndRaisingEach) {
  ASSERT_EQ(focused(), w3);  // the last window opened has the focus
  // From the application's focused window on, and on from where it got to; steps closer than 0.15 s
  // are swallowed (handled, but nothing moves).
  const std::tuple<double, double, platform::WindowID> steps[] = {
      {-10, 0.2, w1}, {-10, 0.1, w1}, {-10, 0.05, w2}, {-10, 0.2, w3},
      {-10, 0.2, w1}, {10, 0.2, w3},  {10, 0.2, w2},   {10, 0.2, w1}};
  for (const auto& [delta, wait, expected] : steps) {
    EXPECT_TRUE(step(delta, wait));
    EXPECT_EQ(focused(), expected) << delta << " after " << wait;
  }
  EXPECT_EQ(AppItemViewTestAccess::lastScrollFocusedWindow(cycling), w1);

  // A window entry starts from its own window.
  item->configure(windowEntry(pid, w2, std::string("Two"), "Editor Two"), false);
  EXPECT_TRUE(step(-10));
  EXPECT_EQ(focused(), w3);

  // Each step activates the application and raises the window, even one that refuses the focus.
  ASSERT_EQ(mac.frontmostPID(), launch("com.example.mail", "Mail"));
  mac.clearActions();
  EXPECT_TRUE(step(-10));
  EXPECT_EQ(mac.frontmostPID(), pid);
  const auto actions = mac.actionTexts();
  EXPECT_NE(std::find(actions.begin(), actions.end(), "AXRaise window=" + std::to_string(w1)), actions.end());

  ASSERT_EQ(mac.frontmostPID(), launch("com.example.notes", "Notes"));
  mac.setRefusesAttributeWrites(pid, platform::AXError::cannotComplete);
  mac.setActionError(pid, "AXRaise", platform::AXError::cannotComplete);
  EXPECT_TRUE(step(-10));
  EXPECT_EQ(mac.frontmostPID(), pid);
  EXPECT_EQ(focused(), w1);
}

TEST_F(AppItemScrollTest, ScrollsThatCannotCycleGoToTheBar) {
  // Wheel events arrive as points; one that does not cycle travels on to the bar.
  auto wheel = [&](QPoint pixels, QPoint angle) {
    scheduler.advance(1);
    QWheelEvent event({10, 10}, {10, 10}, pixels, angle, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(item.get(), &event);
    scheduler.runUntilIdle();
    return event.isAccepted();
  };
  EXPECT_TRUE(wheel(QPoint(), QPoint(0, -120)));
  EXPECT_EQ(focused(), w1);
  EXPECT_FALSE(wheel(QPoint(0, -2), QPoint(0, -16)));
  for (double small : {3.0, -3.0, 0.0}) EXPECT_FALSE(step(small)) << small;
  const int32_t single = launch("com.example.notes", "Notes");
  open(single, "Only");
  item->configure(appEntry(single, "Notes"), false);
  EXPECT_FALSE(step(-10)) << "one window";
  item->configure(appEntry(pid), false);
  settings->groupWindows = false;
  EXPECT_FALSE(step(-10)) << "ungrouped";
  settings->groupWindows = true;
  mac.permissions().accessibilityTrusted = false;
  EXPECT_FALSE(step(-10)) << "no windows known without accessibility";
  mac.permissions().accessibilityTrusted = true;
  item->onScroll = nullptr;
  EXPECT_FALSE(step(-10)) << "nobody to decide";
  EXPECT_EQ(focused(), w1);
}

TEST_F(AppItemScrollTest, TheBarCyclesTheWindowsOfTheButtonTheWheelTurnsOverOnePerFlick) {
  auto bar = makeController(true);
  auto panel = makePanel(*bar);
  const auto entry = appEntry(pid);
  bar->updateFilteredApps({entry});
  scheduler.advance(1);
  AppItemView* button = bar->itemView(entry->id);
  ASSERT_NE(button, nullptr);
  const std::tuple<double, platform::WindowID> steps[] = {{0.2, w1}, {0.1, w1}, {0.1, w2}};
  for (const auto& [wait, expected] : steps) {
    scheduler.advance(wait);
    EXPECT_TRUE(button->scrollWheel(-10));
    scheduler.runUntilIdle();
    EXPECT_EQ(focused(), expected) << "after " << wait;
  }
  EXPECT_FALSE(button->scrollWheel(2)) << "a small scroll is the bar's";
}

}  // namespace
}  // namespace pelko::test
