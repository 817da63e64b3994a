#include <QApplication>
#include <QWheelEvent>

#include "AppItemTestWorld.h"

namespace pelko::testing {
namespace {

TEST(AppItemWindowCycleTest, StepsAndWrapsInBothDirections) {
  const std::vector<int64_t> windows{10, 20, 30};
  struct Case {
    std::optional<int64_t> current;
    double delta;
    std::optional<int64_t> expected;
  };
  const Case cases[] = {
      {std::nullopt, -5, 20}, {std::nullopt, 5, 30},  // no current window: from the first
      {20, -5, 30},           {20, 5, 10},            // down: next; up: previous
      {30, -5, 10},           {10, 5, 30},            // wrap around at both ends
      {99, -5, 20},                                   // gone from the list: as the first
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AppItemView::windowAfterScroll(windows, c.current, c.delta), c.expected)
        << "current " << c.current.value_or(-1) << " delta " << c.delta;
  }
  EXPECT_EQ(AppItemView::windowAfterScroll({10}, 10, -5), std::nullopt);
  EXPECT_EQ(AppItemView::windowAfterScroll({}, std::nullopt, -5), std::nullopt);
}

TEST(AppItemWindowCycleTest, WheelDeltaInPoints) {
  EXPECT_EQ(AppItemView::scrollingDeltaY(0, 120), 15);        // one wheel notch up
  EXPECT_EQ(AppItemView::scrollingDeltaY(0, -120), -15);      // one notch down
  EXPECT_EQ(AppItemView::scrollingDeltaY(-2.5, -120), -2.5);  // a trackpad's pixel delta wins
}

class AppItemScrollTest : public AppItemTest {
 protected:
  void SetUp() override {
    pid = launch("com.example.editor", "Editor");
    w1 = open(pid, "One");
    w2 = open(pid, "Two");
    w3 = open(pid, "Three");
    item = makeItem();
    item->configure(appEntry(pid), false);
    item->configureIconsOnly(34, false);
  }

  // One qualifying scroll step, spaced beyond the pacing interval.
  bool step(double delta) {
    scheduler.advance(0.2);
    const bool handled = item->scrollWheel(delta);
    scheduler.runUntilIdle();
    return handled;
  }
  int64_t focused() const { return mac.focusedWindow(pid); }

  int32_t pid = 0;
  platform::WindowID w1 = 0, w2 = 0, w3 = 0;
  std::unique_ptr<AppItemView> item;
};

TEST_F(AppItemScrollTest, ScrollingCyclesThroughEveryWindowAndWrapsBothWays) {
  ASSERT_EQ(tracker->windowNumbers(pid), (std::vector<int64_t>{w1, w2, w3}));
  ASSERT_EQ(focused(), w3);  // the last window opened has the focus
  // The cycle starts from the application's focused window and keeps going from where it got to:
  // down is the next window, up the previous one.
  const std::pair<double, platform::WindowID> steps[] = {{-10, w1}, {-10, w2}, {-10, w3}, {-10, w1},
                                                         {10, w3},  {10, w2},  {10, w1}};
  for (const auto& [delta, expected] : steps) {
    EXPECT_TRUE(step(delta));
    EXPECT_EQ(focused(), expected) << "after a step of " << delta;
  }
  EXPECT_EQ(item->lastScrollFocusedWindow(), w1);
}

TEST_F(AppItemScrollTest, EachStepActivatesTheApplicationAndRaisesTheWindow) {
  const int32_t other = launch("com.example.mail", "Mail");
  ASSERT_EQ(mac.frontmostPID(), other);
  mac.clearActions();
  EXPECT_TRUE(step(-10));
  EXPECT_EQ(mac.frontmostPID(), pid);
  const auto actions = mac.actionTexts();
  auto has = [&](const std::string& text) {
    return std::find(actions.begin(), actions.end(), text) != actions.end();
  };
  EXPECT_TRUE(has("AXRaise window=" + std::to_string(w1))) << ::testing::PrintToString(actions);
}

TEST_F(AppItemScrollTest, StepsCloserThanThePacingIntervalAreSwallowed) {
  EXPECT_TRUE(step(-10));
  EXPECT_EQ(focused(), w1);
  scheduler.advance(0.1);
  EXPECT_TRUE(item->scrollWheel(-10));  // swallowed: handled, but nothing moves
  scheduler.runUntilIdle();
  EXPECT_EQ(focused(), w1);
  scheduler.advance(0.05);  // 0.15 s after the accepted step
  EXPECT_TRUE(item->scrollWheel(-10));
  scheduler.runUntilIdle();
  EXPECT_EQ(focused(), w2);
}

TEST_F(AppItemScrollTest, ScrollsThatCannotCycleGoToTheBar) {
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
  item->appTracker.reset();
  EXPECT_FALSE(step(-10)) << "no tracker";
  EXPECT_EQ(focused(), w3);
}

TEST_F(AppItemScrollTest, WindowEntryStartsFromItsOwnWindow) {
  item->configure(windowEntry(pid, w2, std::string("Two")), false);
  EXPECT_TRUE(step(-10));
  EXPECT_EQ(focused(), w3);
  EXPECT_TRUE(step(-10));
  EXPECT_EQ(focused(), w1);
}

TEST_F(AppItemScrollTest, WindowThatRefusesFocusStillGetsItsApplicationActivated) {
  const int32_t other = launch("com.example.mail", "Mail");
  ASSERT_EQ(mac.frontmostPID(), other);
  mac.setRefusesAttributeWrites(pid, platform::AXError::cannotComplete);
  mac.setActionError(pid, "AXRaise", platform::AXError::cannotComplete);
  EXPECT_TRUE(step(-10));
  EXPECT_EQ(mac.frontmostPID(), pid);
  EXPECT_EQ(focused(), w3);
}

TEST_F(AppItemScrollTest, WheelEventsThatAreNotCyclingTravelOnToTheBar) {
  const QPointF at(10, 10);
  scheduler.advance(1);
  QWheelEvent notch(at, item->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(item.get(), &notch);
  scheduler.runUntilIdle();
  EXPECT_TRUE(notch.isAccepted());
  EXPECT_EQ(focused(), w1);

  scheduler.advance(1);
  QWheelEvent tiny(at, item->mapToGlobal(at), QPoint(0, -2), QPoint(0, -16), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
  QApplication::sendEvent(item.get(), &tiny);
  EXPECT_FALSE(tiny.isAccepted());
  EXPECT_EQ(focused(), w1);
}

}  // namespace
}  // namespace pelko::testing
