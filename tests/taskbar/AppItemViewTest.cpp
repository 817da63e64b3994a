#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QWheelEvent>

#include "AppItemTestWorld.h"

namespace pelko::testing {
namespace {

// ---------------------------------------------------------------------------------------------------
// Layout modes

struct ModeCase {
  const char* name;
  LayoutMode mode;
  double thickness;
  double percent;
  QSize minimum;
  QSize maximum;
  QRect icon;
};

class AppItemLayoutModeTest : public AppItemTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(AppItemLayoutModeTest, SizesTheButtonAndItsIcon) {
  const auto& c = GetParam();
  auto item = makeItem();
  item->configure(appEntry(501), false);
  switch (c.mode) {
    case LayoutMode::iconsOnly:
      item->configureIconsOnly(c.thickness, false, c.percent);
      break;
    case LayoutMode::iconsTextRight:
      item->configureIconsTextRight(c.thickness, false, c.percent);
      break;
    case LayoutMode::vertical:
      item->configureVertical(c.thickness, TaskbarPosition::left, c.percent);
      break;
  }
  EXPECT_EQ(item->currentLayoutMode(), c.mode);
  EXPECT_EQ(item->minimumSize(), c.minimum);
  EXPECT_EQ(item->maximumSize(), c.maximum);
  EXPECT_EQ(item->iconFrame(), c.icon);
  EXPECT_EQ(item->labelView()->isVisibleTo(item.get()), c.mode == LayoutMode::iconsTextRight);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, AppItemLayoutModeTest,
    ::testing::Values(
        ModeCase{"iconsOnly", LayoutMode::iconsOnly, 34, 100, {34, 34}, {34, 34}, {4, 4, 26, 26}},
        ModeCase{"iconsOnlyLarge", LayoutMode::iconsOnly, 34, 200, {34, 34}, {34, 34}, {1, 1, 32, 32}},
        // Text mode: height fixed, width from min(176, 100) to the default limit of 176.
        ModeCase{"text", LayoutMode::iconsTextRight, 34, 100, {100, 34}, {176, 34}, {6, 7, 20, 20}},
        ModeCase{"vertical", LayoutMode::vertical, 48, 100, {48, 48}, {48, 48}, {13, 13, 22, 22}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AppItemTest, TextModeTakesTheTitleWidthAndFontFromTheSettings) {
  settings->itemTextSize = 14.0;
  settings->maxTaskWidth = 300.0;
  auto item = makeItem();
  auto entry = windowEntry(501, 7, std::string("A rather long window title that needs room"));
  item->configure(entry, false);
  item->configureIconsTextRight(34, false);
  EXPECT_EQ(item->labelView()->text(), "A rather long window title that needs room");
  // 14 points of the bar: 14 device-independent pixels, whatever the screen's logical dots per inch.
  EXPECT_NEAR(item->labelView()->font().pointSizeF() * item->logicalDpiY() / 72.0, 14, 1e-9);
  EXPECT_EQ(QFontInfo(item->labelView()->font()).pixelSize(), 14);
  EXPECT_EQ(item->maximumWidth(), 300);
  EXPECT_GT(item->width(), 100);
  EXPECT_LE(item->width(), 300);
  // The label starts 5 points after the 20-point icon and ends at least 6 points before the edge.
  const QRect label = item->labelView()->geometry();
  EXPECT_EQ(label.left(), 6 + 20 + 5);
  EXPECT_LE(label.right() + 1, item->width() - 6);
}

TEST_F(AppItemTest, RepeatedLayoutChangesNothingButTheIndicatorSettingRebuilds) {
  auto item = makeItem();
  item->configure(appEntry(501), false);
  item->configureIconsOnly(34, false);
  const int built = item->layoutRebuildCount();
  item->configureIconsOnly(34, false);
  EXPECT_EQ(item->layoutRebuildCount(), built);

  settings->activeIndicatorPosition = std::string("left");
  item->configureIconsOnly(34, false);
  EXPECT_EQ(item->layoutRebuildCount(), built + 1);
  EXPECT_EQ(item->indicatorFrame(), QRect(1, 10, 2, 14));

  // Binding another entry forgets the last layout, so the same call rebuilds.
  item->configure(appEntry(777, "Mail"), false);
  item->configureIconsOnly(34, false);
  EXPECT_EQ(item->layoutRebuildCount(), built + 2);
  // Re-binding the same entry keeps it.
  item->configure(item->trackedApp(), true);
  item->configureIconsOnly(34, false);
  EXPECT_EQ(item->layoutRebuildCount(), built + 2);
}

TEST_F(AppItemTest, EqualWidthTextButtonsLeaveTheWidthToTheBar) {
  auto item = makeItem();
  item->configure(appEntry(501), false);
  item->configureIconsTextRight(34, false);
  EXPECT_EQ(item->minimumWidth(), 100);

  item->configureIconsTextRight(34, true);
  EXPECT_EQ(item->minimumWidth(), 0);
  EXPECT_EQ(item->maximumWidth(), QWIDGETSIZE_MAX);

  // The bar's own width survives the button's later re-layouts.
  item->setFixedWidth(150);
  item->configureIconsTextRight(34, true, 150);
  EXPECT_EQ(item->minimumWidth(), 150);
  EXPECT_EQ(item->maximumWidth(), 150);
}

TEST_F(AppItemTest, WithoutSettingsTheTextLimitIs200Points) {
  AppItemView item(environment());
  item.configure(appEntry(501), false);
  item.configureIconsTextRight(34, false);
  EXPECT_EQ(item.maximumWidth(), 200);
  EXPECT_EQ(item.indicatorFrame(), QRect(0, 32, item.width(), 2));
}

// ---------------------------------------------------------------------------------------------------
// Label

TEST_F(AppItemTest, WindowEntryLabelAndTooltip) {
  auto item = makeItem();
  auto entry = windowEntry(501, 7, std::string("Report"));
  item->configure(entry, true);
  EXPECT_EQ(item->labelView()->text(), "Report - Editor");
  EXPECT_EQ(item->toolTip(), "Editor - Report");
  item->configure(entry, false);
  EXPECT_EQ(item->labelView()->text(), "Report");

  // A title change is delivered before the entry holds it; the label follows the new title.
  item->configure(entry, true);
  entry->windowTitle = std::string("Summary");
  EXPECT_EQ(item->labelView()->text(), "Summary - Editor");

  // A long tooltip keeps its head and tail.
  entry->windowTitle = std::string(200, 'x');
  EXPECT_EQ(item->toolTip().size(), 60 + 3 + 40);
  EXPECT_TRUE(item->toolTip().startsWith("Editor - x"));
}

// ---------------------------------------------------------------------------------------------------
// Active indicator

TEST_F(AppItemTest, ActiveEntryShowsIndicatorAndDeactivationWaits) {
  auto item = makeItem();
  auto entry = appEntry(9999, "Editor", true);  // no such process: never frontmost
  item->configure(entry, false);
  item->configureIconsOnly(34, false);
  EXPECT_TRUE(item->isCurrentlyActive());
  EXPECT_EQ(item->indicatorAlpha(), 1);
  EXPECT_EQ(item->indicatorColor(), settings->activeIndicatorColor.get());
  EXPECT_EQ(item->backgroundColor(), item->activeColor());

  entry->isActive = false;
  scheduler.advance(0.07);
  EXPECT_TRUE(item->isCurrentlyActive());
  scheduler.advance(0.01);
  EXPECT_FALSE(item->isCurrentlyActive());
  EXPECT_EQ(item->indicatorAlpha(), 0);
  EXPECT_EQ(item->backgroundColor().alpha, 0);

  // Inactive and active again within the delay: nothing flickers.
  entry->isActive = true;
  entry->isActive = false;
  scheduler.advance(0.05);
  entry->isActive = true;
  scheduler.advance(0.2);
  EXPECT_TRUE(item->isCurrentlyActive());
  EXPECT_EQ(item->indicatorAlpha(), 1);
}

TEST_F(AppItemTest, FrontmostApplicationKeepsItsActiveLook) {
  const int32_t pid = launch("com.example.editor", "Editor");
  ASSERT_EQ(mac.frontmostPID(), pid);
  auto item = makeItem();
  auto entry = appEntry(pid, "Editor", true);
  item->configure(entry, false);
  entry->isActive = false;
  scheduler.advance(0.1);
  EXPECT_TRUE(item->isCurrentlyActive());
}

TEST_F(AppItemTest, IndicatorFollowsItsSettingsAndImmediateChanges) {
  settings->showActiveIndicator = false;
  auto item = makeItem();
  item->configure(appEntry(9999, "Editor", true), false);
  EXPECT_TRUE(item->isCurrentlyActive());
  EXPECT_EQ(item->indicatorAlpha(), 0);

  settings->showActiveIndicator = true;
  settings->activeIndicatorColor = Color{1, 0, 0, 1};
  item->updateActiveIndicatorAppearance();
  EXPECT_EQ(item->indicatorAlpha(), 1);
  EXPECT_EQ(item->indicatorColor(), (Color{1, 0, 0, 1}));

  item->setActiveImmediate(false);
  EXPECT_FALSE(item->isCurrentlyActive());
  EXPECT_EQ(item->indicatorAlpha(), 0);
  EXPECT_EQ(item->backgroundColor().alpha, 0);
}

TEST_F(AppItemTest, LightBarBackgroundGivesDarkLabelsAndOverlays) {
  settings->backgroundColor = Color{1, 1, 1, 1};
  auto item = makeItem();
  item->configure(appEntry(501), false);
  EXPECT_EQ(item->hoverColor(), Color::black().withAlpha(0.08));
  EXPECT_EQ(item->activeColor(), Color::black().withAlpha(0.15));
  EXPECT_EQ(item->labelView()->palette().color(QPalette::WindowText), QColor(Qt::black));
  EXPECT_EQ(AppItemView::contrastingTextColor(std::nullopt), Color::white());
  EXPECT_EQ(AppItemView::contrastingTextColor(Color::fromWhite(0.12)), Color::white());
}

// ---------------------------------------------------------------------------------------------------
// Hover

TEST_F(AppItemTest, HoverTintsAnInactiveButtonAndPushesThePointingHand) {
  auto item = makeItem();
  item->configure(appEntry(501), false);
  item->mouseEntered();
  EXPECT_TRUE(item->isPointingHandPushed());
  EXPECT_EQ(item->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(item->backgroundColor(), item->hoverColor());
  EXPECT_LT(item->presentedBackgroundColor().alpha, item->hoverColor().alpha);  // still animating
  scheduler.advance(AppItemView::kHoverInDuration);
  EXPECT_EQ(item->presentedBackgroundColor(), item->hoverColor());

  item->mouseExited();
  EXPECT_FALSE(item->isPointingHandPushed());
  scheduler.advance(AppItemView::kHoverOutDuration);
  EXPECT_EQ(item->presentedBackgroundColor().alpha, 0);

  // An exit that follows no entry pops nothing.
  item->mouseExited();
  EXPECT_FALSE(item->isPointingHandPushed());
}

TEST_F(AppItemTest, HoverKeepsTheActiveBackground) {
  auto item = makeItem();
  item->configure(appEntry(9999, "Editor", true), false);
  item->mouseEntered();
  scheduler.advance(0.1);
  EXPECT_EQ(item->presentedBackgroundColor(), item->activeColor());
  item->mouseExited();
  scheduler.advance(0.1);
  EXPECT_EQ(item->presentedBackgroundColor(), item->activeColor());
}

// ---------------------------------------------------------------------------------------------------
// Press, release and the click debounce

TEST_F(AppItemTest, ClickDebounceOnTheMediaClock) {
  auto item = makeItem();
  item->configure(appEntry(9999), false);
  int clicks = 0;
  item->onClick = [&] { ++clicks; };

  // The media clock never starts at 0, so the very first release is a click, shown as active at once.
  item->mouseDown(false);
  EXPECT_EQ(item->backgroundColor(), item->activeColor());  // pressed
  EXPECT_FALSE(item->isCurrentlyActive());
  item->mouseUp(true);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(item->isCurrentlyActive());
  EXPECT_EQ(item->indicatorAlpha(), 1);

  scheduler.advance(0.03);
  item->mouseDown(false);
  item->mouseUp(true);
  EXPECT_EQ(clicks, 1);

  // 0.05 s after the last accepted click (the swallowed one does not count).
  scheduler.advance(0.02);
  item->mouseUp(true);
  EXPECT_EQ(clicks, 2);
  scheduler.advance(0.2);
  item->mouseUp(true);
  EXPECT_EQ(clicks, 3);
}

TEST_F(AppItemTest, ReleaseOutsideOrCommandPressDoesNotClick) {
  auto item = makeItem();
  item->configure(appEntry(9999), false);
  int clicks = 0;
  item->onClick = [&] { ++clicks; };

  item->mouseDown(false);
  item->mouseUp(false);
  EXPECT_EQ(clicks, 0);
  EXPECT_FALSE(item->isCurrentlyActive());
  // The pressed look stays until the pointer's next hover change.
  EXPECT_EQ(item->backgroundColor(), item->activeColor());
  item->mouseEntered();
  item->mouseExited();
  EXPECT_EQ(item->backgroundColor().alpha, 0);

  item->mouseDown(true);
  EXPECT_TRUE(item->hasCommandPress());
  EXPECT_EQ(item->backgroundColor().alpha, 0);  // no pressed look
  item->mouseUp(true);
  EXPECT_FALSE(item->hasCommandPress());
  EXPECT_EQ(clicks, 0);
  EXPECT_FALSE(item->isCurrentlyActive());
}

TEST_F(AppItemTest, QtMouseEventsReachTheHandlers) {
  auto item = makeItem();
  item->configure(appEntry(9999), false);
  item->configureIconsOnly(34, false);
  int clicks = 0;
  item->onClick = [&] { ++clicks; };

  const QPointF inside(10, 10);
  QMouseEvent press(QEvent::MouseButtonPress, inside, item->mapToGlobal(inside), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, inside, item->mapToGlobal(inside), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(item.get(), &press);
  QApplication::sendEvent(item.get(), &release);
  EXPECT_EQ(clicks, 1);

  // A right button press is left to the context menu.
  QMouseEvent right(QEvent::MouseButtonPress, inside, item->mapToGlobal(inside), Qt::RightButton,
                    Qt::RightButton, Qt::NoModifier);
  QApplication::sendEvent(item.get(), &right);
  EXPECT_FALSE(right.isAccepted());

  // Released outside the button after a drag off it.
  scheduler.advance(1);
  const QPointF outside(200, 10);
  QMouseEvent releaseOutside(QEvent::MouseButtonRelease, outside, item->mapToGlobal(outside), Qt::LeftButton,
                             Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(item.get(), &press);
  QApplication::sendEvent(item.get(), &releaseOutside);
  EXPECT_EQ(clicks, 1);
}

TEST_F(AppItemTest, DestroyingAHoveredButtonWithPendingWorkIsSafe) {
  auto entry = appEntry(9999, "Editor", true);
  {
    auto item = makeItem();
    item->configure(entry, false);
    item->mouseEntered();
    entry->isActive = false;  // schedules the delayed deactivation
  }
  scheduler.advance(1);
  entry->isActive = true;
  SUCCEED();
}

}  // namespace
}  // namespace pelko::testing
