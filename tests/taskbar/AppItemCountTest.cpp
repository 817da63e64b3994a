#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLabel>
#include <cmath>

#include "TaskbarTestWorld.h"
#include "support/AppItemViewTestAccess.h"
#include "taskbar/BadgeView.h"

namespace pelko::test {
namespace {

using Access = AppItemViewTestAccess;

// What a button shows of its window count, in one line: the decoration and the label.
std::string shownCount(const AppItemView& item) {
  std::string shown;
  if (Access::countBadge(item)->isVisibleTo(&item)) {
    const QSize size = Access::countBadge(item)->sizeHint();
    shown += "badge " + std::to_string(Access::countBadge(item)->count()) +
             (size.width() > 16 ? " wide" : " 16x16");
  }
  if (Access::trailingCountLabel(item)->isVisibleTo(&item))
    shown += "count " + Access::trailingCountLabel(item)->text().toStdString();
  if (Access::shownDotCount(item) > 0) shown += "dots " + std::to_string(Access::shownDotCount(item));
  if (Access::stackShadowCount(item) > 0) shown += "copies " + std::to_string(Access::stackShadowCount(item));
  if (Access::labelView(item)->text() != "Editor")
    shown += "label " + Access::labelView(item)->text().toStdString();
  return shown.empty() ? "-" : shown;
}

TEST_F(AppItemTest, EachCountStyleShowsCountsFromTwoAndTheAccessibilityLabelFollowsEveryCount) {
  struct Case {
    WindowCountStyle style;
    bool textMode;
    const char* two;    // shown for 2 windows
    const char* three;  // for 3
    const char* five;   // for 5
    const char* many;   // for 1000
  };
  const Case cases[] = {
      {WindowCountStyle::badge, false, "badge 2 16x16", "badge 3 16x16", "badge 5 16x16", "badge 1000 wide"},
      {WindowCountStyle::badge, true, "badge 2 16x16", "badge 3 16x16", "badge 5 16x16", "badge 1000 wide"},
      {WindowCountStyle::dots, false, "dots 2", "dots 3", "dots 5", "dots 5"},
      {WindowCountStyle::stacked, false, "copies 1", "copies 2", "copies 2", "copies 2"},
      {WindowCountStyle::inlineLeft, true, "label Editor (2)", "label Editor (3)", "label Editor (5)",
       "label Editor (1000)"},
      {WindowCountStyle::inlineLeft, false, "count 2", "count 3", "count 5", "count 1000"},
      {WindowCountStyle::inlineRight, true, "count 2", "count 3", "count 5", "count 1000"},
      {WindowCountStyle::inlineRight, false, "count 2", "count 3", "count 5", "count 1000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.style) * 10 + c.textMode);
    settings->windowCountStyle = c.style;
    auto item = makeItem(appEntry(501), c.textMode);
    const struct {
      int64_t count;
      std::string shown, accessible;
    } steps[] = {{0, "-", "Editor"},
                 {1, "-", "Editor"},
                 {2, c.two, "Editor, 2 windows"},
                 {3, c.three, "Editor, 3 windows"},
                 {5, c.five, "Editor, 5 windows"},
                 {1000, c.many, "Editor, 1000 windows"},
                 {1, "-", "Editor"}};
    for (const auto& step : steps) {
      item->updateWindowCount(step.count);
      EXPECT_EQ(shownCount(*item), step.shown) << step.count;
      EXPECT_EQ(item->accessibleName().toStdString(), step.accessible) << step.count;
    }
    // A button whose first count is 3 shows what one that went up from 2 to 3 shows.
    auto fresh = makeItem(appEntry(502), c.textMode);
    fresh->updateWindowCount(3);
    EXPECT_EQ(shownCount(*fresh), c.three) << "first built with 3";
  }
  // A wide badge is its text's width and 4 points on either side, in bold 9-point digits.
  settings->windowCountStyle = WindowCountStyle::badge;
  auto item = makeItem(appEntry(501), false);
  item->updateWindowCount(1000);
  QFont digits = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  digits.setPixelSize(9);
  digits.setBold(true);
  EXPECT_EQ(Access::countBadge(*item)->sizeHint().width(),
            static_cast<int>(std::ceil(QFontMetricsF(digits).horizontalAdvance("1000") + 8)));
}

TEST_F(AppItemTest, CountDecorationsSitWhereTheyBelongAndGiveWayOnlyWhereTheyMust) {
  auto entry = appEntry(501);
  auto item = makeItem(entry);
  // The badge overhangs the icon's bottom trailing corner (a 26-point icon at 4, 4).
  item->updateWindowCount(3);
  EXPECT_EQ(Access::countBadge(*item)->geometry(), QRect(19, 19, 16, 16));

  // An unchanged count repaints the badge in new colours; other styles do nothing on it.
  settings->badgeOpacity = 50;
  settings->badgeColor = Color{1, 0, 0, 1};
  item->updateWindowCount(3);
  EXPECT_EQ(Access::countBadge(*item)->badgeOpacity(), 0.5);
  EXPECT_EQ(Access::countBadge(*item)->badgeColor(), (Color{1, 0, 0, 1}));

  // Dots take the indicator's place and turn to the accent colour with the entry.
  settings->windowCountStyle = WindowCountStyle::dots;
  item->updateWindowCount(9);
  EXPECT_FALSE(Access::countBadge(*item)->isVisibleTo(item.get()));
  EXPECT_EQ(Access::dotsFrame(*item), QRect(1, 29, 32, 4));
  EXPECT_TRUE(Access::isIndicatorHidden(*item));
  EXPECT_EQ(Access::dotColor(*item).alpha, 0.55);
  entry->isActive = true;
  EXPECT_EQ(Access::dotColor(*item), appearance.controlAccentColor());
  item->setActiveImmediate(false);
  EXPECT_EQ(Access::dotColor(*item).alpha, 0.55);

  // A window entry never shows a count.
  item->configure(windowEntry(501, 7, std::string("Report")), false);
  item->updateWindowCount(4);
  EXPECT_EQ(shownCount(*item), "label Report");
  EXPECT_FALSE(Access::isIndicatorHidden(*item)) << "binding shows the indicator again";
}

TEST_F(AppItemTest, MinimizedAndHiddenEntriesAreDimmedAsTheirSettingsSay) {
  struct Case {
    bool minimized, hidden, indicateMinimized, indicateHidden;
    double alpha;
  };
  const Case cases[] = {
      {false, false, true, true, 1.0}, {true, false, true, false, 0.4}, {true, false, false, true, 1.0},
      {false, true, false, true, 0.4}, {false, true, true, false, 1.0}, {true, true, false, true, 0.4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.minimized << c.hidden << c.indicateMinimized << c.indicateHidden);
    settings->indicateMinimized = c.indicateMinimized;
    settings->indicateHidden = c.indicateHidden;
    auto item = makeItem();
    auto entry = appEntry(501);
    item->configure(entry, false);
    EXPECT_EQ(Access::dimmedAlpha(*item), 1.0);
    // The entry's flags change while the button shows it.
    entry->isMinimized = c.minimized;
    entry->isHidden = c.hidden;
    EXPECT_EQ(Access::dimmedAlpha(*item), c.alpha);
    EXPECT_FLOAT_EQ(Access::labelView(*item)->palette().color(QPalette::WindowText).alphaF(), c.alpha);
    // Both settings off and a refresh: nothing is dimmed; a fresh binding dims as the settings say.
    settings->indicateMinimized = false;
    settings->indicateHidden = false;
    item->refreshDimming();
    EXPECT_EQ(Access::dimmedAlpha(*item), 1.0);
    settings->indicateMinimized = c.indicateMinimized;
    settings->indicateHidden = c.indicateHidden;
    item->configure(appEntry(502, "Mail"), false);
    item->configure(entry, false);
    EXPECT_EQ(Access::dimmedAlpha(*item), c.alpha);
  }
}

}  // namespace
}  // namespace pelko::test
