#include <QAccessible>
#include <QLabel>
#include <tuple>

#include "SystemTrayTestWorld.h"
#include "taskbar/BatteryFillView.h"
#include "taskbar/BatteryIconView.h"
#include "taskbar/SystemTrayView.h"

namespace pelko::test {
namespace {

Color labelColor(const QLabel* label) {
  const QColor c = label->palette().color(QPalette::WindowText);
  return {c.redF(), c.greenF(), c.blueF(), c.alphaF()};
}

void expectColor(const Color& actual, const Color& expected) {
  EXPECT_NEAR(actual.red, expected.red, 0.005);
  EXPECT_NEAR(actual.green, expected.green, 0.005);
  EXPECT_NEAR(actual.blue, expected.blue, 0.005);
}

class SystemTrayViewTest : public SystemTrayTest {
 protected:
  void SetUp() override {
    powerSources.sources = std::vector{sim::SimPowerSources::internalBattery(87, false)};
    manager->start();
    tray.resize(160, 34);
  }
  void bind(bool withSettings = true) {
    tray.bind(*manager, withSettings ? settings.get() : nullptr);
    scheduler.runUntilIdle();
  }

  SystemTrayView tray{scheduler};
};

TEST_F(SystemTrayViewTest, TextColoursFollowTheContrastWithWhiteText) {
  // Grey 0.46532 is where white text's contrast crosses 4.5 (relative luminance 0.1833).
  struct Case {
    Color background;
    bool lightText;
  };
  for (const Case& c : {Case{Color::black(), true}, Case{Color::fromWhite(0.4653), true},
                        Case{Color::fromWhite(0.4654), false}, Case{Color::white(), false}}) {
    SCOPED_TRACE(c.background.red);
    SystemTrayView view(scheduler);
    settings->backgroundColor = c.background;
    view.bind(*manager, settings.get());
    scheduler.runUntilIdle();
    EXPECT_EQ(view.lastLuminanceBracket(), c.lightText);
    expectColor(labelColor(view.timeLabel()), c.lightText ? Color::white() : Color::black());
    const Color secondary = Color::fromWhite(c.lightText ? 0.7 : 0.3);
    expectColor(labelColor(view.dateLabel()), secondary);
    expectColor(labelColor(view.batteryPercentLabel()), secondary);
    expectColor(view.batteryIconView()->iconColor(), secondary);
    const Color separator = view.separatorColor();
    expectColor(separator, c.lightText ? Color::white() : Color::black());
    EXPECT_NEAR(separator.alpha, 0.15, 0.005);
  }
  EXPECT_NEAR(SystemTrayView::whiteTextContrast(Color::black()), 21, 1e-9);
  EXPECT_NEAR(SystemTrayView::whiteTextContrast(Color::white()), 1, 1e-9);
}

TEST_F(SystemTrayViewTest, SameBracketLeavesTheColoursAlone) {
  bind();
  QPalette marked = tray.timeLabel()->palette();
  marked.setColor(QPalette::WindowText, Qt::red);
  tray.timeLabel()->setPalette(marked);
  settings->backgroundColor = Color::fromWhite(0.2);  // still dark
  scheduler.runUntilIdle();
  EXPECT_EQ(tray.timeLabel()->palette().color(QPalette::WindowText), QColor(Qt::red));
  settings->backgroundColor = Color::fromWhite(0.9);
  scheduler.runUntilIdle();
  expectColor(labelColor(tray.timeLabel()), Color::black());
}

TEST_F(SystemTrayViewTest, BatteryVisibilityByBatterySettingsAndStyle) {
  struct Case {
    const char* name;
    std::optional<int> level;  // nothing: no battery
    bool showBattery, showIcon, showPercentage;
    BatteryIconStyle style;
    bool groupShown, iconShown, percentageShown, fillShown;
  };
  using S = BatteryIconStyle;
  const std::vector<Case> cases{
      {"glyph and percentage", 87, true, true, true, S::battery, true, true, true, false},
      {"bar fill", 87, true, true, true, S::bar, true, true, true, true},
      {"segments, percentage only", 87, true, false, true, S::segments, true, false, true, true},
      {"glyph only", 87, true, true, false, S::battery, true, true, false, false},
      {"neither glyph nor percentage", 87, true, false, false, S::segments, false, false, false, false},
      {"show battery off", 87, false, true, true, S::bar, false, true, true, false},
      {"no battery", std::nullopt, true, true, true, S::bar, false, true, true, false},
  };
  bind();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    powerSources.setSources(c.level ? std::vector{sim::SimPowerSources::internalBattery(*c.level, true)}
                                    : std::vector<platform::PowerSourceDescription>{});
    settings->showBattery = c.showBattery;
    settings->showBatteryIcon = c.showIcon;
    settings->showBatteryPercentage = c.showPercentage;
    settings->batteryIconStyle = c.style;
    scheduler.runUntilIdle();
    EXPECT_EQ(!tray.batteryStack()->isHidden(), c.groupShown);
    EXPECT_EQ(!tray.batteryFillView()->isHidden(), c.fillShown);
    if (c.groupShown) {
      EXPECT_EQ(!tray.batteryIconView()->isHidden(), c.iconShown);
      EXPECT_EQ(!tray.batteryPercentLabel()->isHidden(), c.percentageShown);
      EXPECT_EQ(tray.batteryPercentLabel()->text(), "87%");
      QAccessibleInterface* percentage = QAccessible::queryAccessibleInterface(tray.batteryPercentLabel());
      EXPECT_EQ(percentage->text(QAccessible::Name), "Battery percentage");
      EXPECT_EQ(percentage->text(QAccessible::Description), "87%");
      EXPECT_EQ(tray.batteryIconView()->accessibleName(), "Battery 87%, charging");
    }
  }
}

TEST_F(SystemTrayViewTest, WithoutSettingsTheBatteryShowsAsGlyphAndPercentage) {
  bind(false);
  EXPECT_FALSE(tray.batteryStack()->isHidden());
  EXPECT_FALSE(tray.batteryIconView()->isHidden());
  EXPECT_TRUE(tray.batteryFillView()->isHidden());
  EXPECT_EQ(tray.batteryPercentLabel()->text(), "87%");
  EXPECT_TRUE(tray.batteryIconView()->colorCoded());
  EXPECT_DOUBLE_EQ(tray.batteryIconView()->iconHeight(), 11.0);
  EXPECT_FALSE(tray.lastLuminanceBracket().has_value());
  EXPECT_EQ(tray.timeLabel()->text(), "8:16 AM");
  EXPECT_EQ(tray.dateLabel()->text(), "1/15/27");
}

TEST_F(SystemTrayViewTest, ClockFontsTimeVisibilityAndTheVerticalLayout) {
  bind();
  auto pixels = [&](const QLabel* label) { return label->font().pointSizeF() * tray.logicalDpiY() / 72.0; };
  for (auto [clock, date] : {std::pair{8.0, 7.0}, std::pair{16.0, 14.0}}) {
    settings->clockFontSize = clock;
    scheduler.runUntilIdle();
    EXPECT_NEAR(pixels(tray.timeLabel()), clock, 0.01);
    EXPECT_NEAR(pixels(tray.dateLabel()), date, 0.01);
  }
  EXPECT_EQ(tray.timeLabel()->width(), tray.dateLabel()->width());

  settings->showTime = false;
  scheduler.runUntilIdle();
  EXPECT_TRUE(tray.clockStack()->isHidden());
  EXPECT_FALSE(tray.batteryStack()->isHidden());
  settings->showTime = true;
  scheduler.runUntilIdle();

  EXPECT_LT(tray.batteryStack()->geometry().right(), tray.clockStack()->geometry().left());
  settings->clockFontSize = 11;
  scheduler.runUntilIdle();
  tray.configureForVerticalLayout();
  tray.resize(48, 120);  // a left bar of the default thickness: the clock fits only centred
  tray.show();           // a hidden widget hears of its new size only when shown
  EXPECT_GE(tray.stackView()->geometry().left(), 1);
  EXPECT_LT(tray.stackView()->geometry().right(), 48);
  EXPECT_TRUE(tray.separator()->isHidden());
  EXPECT_LT(tray.batteryStack()->geometry().bottom(), tray.clockStack()->geometry().top());
  EXPECT_LT(tray.batteryIconView()->geometry().bottom(), tray.batteryPercentLabel()->geometry().top());
}

// The clock's labels keep their names, and a screen reader reads the time and date they show, whole
// even where a narrow bar cuts them.
TEST_F(SystemTrayViewTest, AScreenReaderReadsTheTimeAndDateUnderTheirNames) {
  bind();
  manager->timeString = "12:59 PM";
  manager->dateString = "12/31/26";
  scheduler.runUntilIdle();
  tray.configureForVerticalLayout();
  for (int width : {160, 24}) {
    SCOPED_TRACE(width);
    tray.resize(width, 120);
    tray.show();
    for (auto [label, name, text] : {std::tuple{tray.timeLabel(), "Current time", "12:59 PM"},
                                     std::tuple{tray.dateLabel(), "Current date", "12/31/26"}}) {
      QAccessibleInterface* item = QAccessible::queryAccessibleInterface(label);
      ASSERT_NE(item, nullptr);
      EXPECT_EQ(item->text(QAccessible::Name), name);
      EXPECT_EQ(item->text(QAccessible::Description), text);
    }
  }
  EXPECT_NE(tray.timeLabel()->text(), "12:59 PM") << "the narrow bar shows the time cut";
  manager->timeString = "1:00 PM";
  scheduler.runUntilIdle();
  EXPECT_EQ(QAccessible::queryAccessibleInterface(tray.timeLabel())->text(QAccessible::Description),
            "1:00 PM");
}

// Across a vertical bar the clock takes a smaller font, down to 7 points, and is cut at the tail only
// below that; a horizontal bar gives it the room it needs.
TEST_F(SystemTrayViewTest, AVerticalBarFitsTheClockAcrossIt) {
  bind();
  manager->timeString = "12:59 PM";
  manager->dateString = "12/31/26";
  scheduler.runUntilIdle();
  auto pixels = [&](const QLabel* label) { return label->font().pointSizeF() * tray.logicalDpiY() / 72.0; };
  EXPECT_NEAR(pixels(tray.timeLabel()), 11, 0.01) << "horizontal: the chosen size";
  EXPECT_EQ(tray.timeLabel()->text(), "12:59 PM");
  tray.configureForVerticalLayout();
  tray.show();
  struct Case {
    int width;
    bool whole;
  };
  for (const Case& c : {Case{80, true}, Case{48, true}, Case{24, false}}) {
    SCOPED_TRACE(c.width);
    tray.resize(c.width, 120);
    for (auto [label, text] :
         {std::pair{tray.timeLabel(), "12:59 PM"}, std::pair{tray.dateLabel(), "12/31/26"}}) {
      EXPECT_EQ(label->text() == text, c.whole) << label->text().toStdString();
      if (!c.whole) {
        EXPECT_TRUE(label->text().endsWith(QChar(0x2026)));
      }
      EXPECT_GE(pixels(label), 7 - 0.01);
      const QRect frame(label->mapTo(&tray, QPoint(0, 0)), label->size());
      EXPECT_GE(frame.left(), 2);
      EXPECT_LE(frame.right(), c.width - 3);
      EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()), frame.width());
    }
  }
  EXPECT_NEAR(pixels(tray.timeLabel()), 7, 0.01) << "the narrowest bar: the smallest font";
}

TEST(BatteryGlyph, GeometryAtIconHeight12) {
  const auto g = batteryGlyphGeometry(12, 16, 50);
  EXPECT_EQ(g.body.origin, (Point{0, 2}));
  EXPECT_NEAR(g.body.width(), 19.2, 1e-9);
  EXPECT_EQ(g.body.height(), 12);
  EXPECT_NEAR(g.nub.width(), 1.44, 1e-9);
  EXPECT_NEAR(g.nub.height(), 4.2, 1e-9);
  EXPECT_NEAR(g.nub.midY(), 8, 1e-9);
  EXPECT_EQ(g.cornerRadius, 2);
  EXPECT_EQ(g.lineWidth, 1);
  // Inset 1.5 on every side: 16.2 wide inside, half of it filled.
  ASSERT_TRUE(g.levelFill);
  EXPECT_NEAR(g.levelFill->width(), 8.1, 1e-9);
  EXPECT_EQ(g.levelFill->origin.x, 1.5);
  BatteryIconView view;
  view.setIconHeight(12);
  EXPECT_NEAR(view.intrinsicSize().width, 21.64, 1e-9);
  EXPECT_FALSE(batteryGlyphGeometry(12, 16, 0).levelFill);
  EXPECT_NEAR(batteryGlyphGeometry(12, 16, 150).levelFill->width(), 16.2, 1e-9);
  EXPECT_FALSE(batteryGlyphGeometry(12, 16, -5).levelFill);
}

TEST(BatteryGlyph, ChargeColours) {
  namespace c = battery_colors;
  struct Case {
    int level;
    bool charging;
    Color colour;
  };
  for (const Case& k : {Case{20, false, c::kRed}, Case{21, false, c::kOrange}, Case{49, false, c::kOrange},
                        Case{50, false, c::kGreen}, Case{5, true, c::kGreen}}) {
    EXPECT_EQ(batteryLevelColor(k.level, k.charging), k.colour) << k.level;
    EXPECT_EQ(BatteryFillView::fillColor(k.level, k.charging, true), k.colour.withAlpha(0.2)) << k.level;
  }
  EXPECT_EQ(BatteryFillView::fillColor(5, false, false), Color::white().withAlpha(0.15));
}

TEST(BatteryFill, RectanglesByStyleAndLevel) {
  // 128 x 40 inset by 3: 122 x 34; segments 22 wide with 3-point gaps.
  const Rect bounds(0, 0, 128, 40);
  using S = BatteryIconStyle;
  struct Case {
    S style;
    int level;
    std::vector<double> widths;
  };
  for (const Case& c :
       {Case{S::battery, 50, {}}, Case{S::bar, 50, {61}}, Case{S::bar, 150, {122}}, Case{S::bar, 0, {}},
        Case{S::segments, 50, {22, 22, 11}}, Case{S::segments, 40, {22, 22}},
        Case{S::segments, 100, {22, 22, 22, 22, 22}}, Case{S::segments, -5, {}}}) {
    SCOPED_TRACE(c.level);
    const auto rects = BatteryFillView::fillRects(c.style, bounds, c.level);
    ASSERT_EQ(rects.size(), c.widths.size());
    for (size_t i = 0; i < rects.size(); ++i) {
      EXPECT_NEAR(rects[i].width(), c.widths[i], 1e-9);
      EXPECT_NEAR(rects[i].origin.x, 3 + 25.0 * static_cast<double>(i), 1e-9);
      EXPECT_EQ(rects[i].height(), 34);
    }
  }
}

}  // namespace
}  // namespace pelko::test
