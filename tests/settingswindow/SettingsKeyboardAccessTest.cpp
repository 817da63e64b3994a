// The settings pages by keyboard and screen reader: the kit's controls go by their rows' titles (a
// switch by its own label where it has one) and the search field by its placeholder's words; Tab
// reaches every kind of control of the pages, the information buttons and the preset cards' "Apply"
// buttons; Return and Space press those buttons; a screen reader's toggle stores its setting.

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <set>

#include "SettingsWindowTestWorld.h"
#include "settings/SettingsManager.h"
#include "settingswindow/InfoPopoverButton.h"
#include "settingswindow/PresetCardView.h"
#include "ui/ColorWell.h"
#include "ui/SegmentedControl.h"
#include "ui/Stepper.h"
#include "ui/Switch.h"

namespace pelko::test {
namespace {

class SettingsKeyboardAccessTest : public SettingsWindowTest {
 protected:
  SettingsViewController& showPage(int page) {
    SettingsViewController& view = open();
    controller->window()->resize(980, 760);
    controller->showSettings();
    view.selectTab(page);
    system.scheduler.runUntilIdle();
    QApplication::setActiveWindow(controller->window());
    QApplication::processEvents();
    return view;
  }

  // Every widget Tab reaches from the search field until it comes back there.
  static std::vector<QWidget*> tabCycle(SettingsViewController& view) {
    std::vector<QWidget*> reached;
    view.searchField()->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 400; ++i) {
      QWidget* from = QApplication::focusWidget();
      if (!from) break;
      QTest::keyClick(from, Qt::Key_Tab);
      QWidget* to = QApplication::focusWidget();
      if (to == view.searchField() || to == from) break;
      reached.push_back(to);
    }
    return reached;
  }
};

QString accessibleName(QWidget* widget) {
  QAccessibleInterface* item = QAccessible::queryAccessibleInterface(widget);
  return item ? item->text(QAccessible::Name) : QString();
}

TEST_F(SettingsKeyboardAccessTest, KitControlsGoByTheirRowsAndTheSearchFieldByItsPlaceholder) {
  SettingsViewController& view = open();
  system.scheduler.runUntilIdle();
  struct Case {
    const char* field;
    const char* name;
  };
  const Case cases[] = {
      {"floatingBarSwitch", "Floating Bar"},           // its own label
      {"useVibrancySwitch", "Vibrancy Effect"},        // its own label, not the row's "Vibrancy"
      {"showWindowCountSwitch", "Show Window Count"},  // no label of its own: the row's
      {"marginHStepper", "Horizontal Margin"},
      {"thumbnailDelayStepper", "Hover Delay"},
      {"positionControl", "Position"},
      {"backgroundColorWell", "Background Color"},
      {"badgeColorWell", "Badge Color"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    ASSERT_NE(view.control(c.field), nullptr);
    EXPECT_EQ(accessibleName(view.control(c.field)).toStdString(), c.name);
  }
  EXPECT_EQ(accessibleName(view.searchField()), "Search settings or jump to a control (Ctrl+F)");
}

TEST_F(SettingsKeyboardAccessTest, TabReachesEveryKindOfControlOfThePages) {
  std::set<std::string> kinds;
  for (int page : {0, 1, 2, 3}) {
    controller.reset();
    SettingsViewController& view = showPage(page);
    for (QWidget* widget : tabCycle(view)) {
      if (qobject_cast<Switch*>(widget)) kinds.insert("switch");
      if (qobject_cast<Stepper*>(widget)) kinds.insert("stepper");
      if (qobject_cast<SegmentedControl*>(widget)) kinds.insert("segmented control");
      if (qobject_cast<ColorWell*>(widget)) kinds.insert("colour well");
      if (qobject_cast<InfoPopoverButton*>(widget)) kinds.insert("info button");
      if (qobject_cast<QCheckBox*>(widget)) kinds.insert("check box");
    }
  }
  EXPECT_EQ(kinds, (std::set<std::string>{"switch", "stepper", "segmented control", "colour well",
                                          "info button", "check box"}));

  controller.reset();
  SettingsViewController& presets = showPage(4);
  int applyButtons = 0;
  for (QWidget* widget : tabCycle(presets))
    if (qobject_cast<PresetCardView*>(widget->parentWidget()) && qobject_cast<QPushButton*>(widget))
      ++applyButtons;
  EXPECT_GT(applyButtons, 1);
}

TEST_F(SettingsKeyboardAccessTest, ReturnAndSpacePressTheInfoAndApplyButtons) {
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
    SCOPED_TRACE(QKeySequence(key).toString().toStdString());
    controller.reset();
    SettingsViewController& view = showPage(0);
    auto* info = view.tabViews()[0]->findChild<InfoPopoverButton*>();
    ASSERT_NE(info, nullptr);
    info->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(info->hasFocus());
    QTest::keyClick(info, key);
    ASSERT_NE(info->popover(), nullptr);
    EXPECT_TRUE(info->popover()->isVisible());
    info->popover()->close();

    controller.reset();
    SettingsViewController& presets = showPage(4);
    auto* card = presets.tabViews()[4]->findChild<PresetCardView*>();
    ASSERT_NE(card, nullptr);
    card->applyButton()->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(card->applyButton()->hasFocus());
    const size_t before = alerts.shown.size();
    QTest::keyClick(card->applyButton(), key);
    EXPECT_EQ(alerts.shown.size(), before + 1);  // the preset's confirmation
  }
}

TEST_F(SettingsKeyboardAccessTest, AScreenReadersToggleStoresTheSetting) {
  SettingsViewController& view = open();
  system.scheduler.runUntilIdle();
  ASSERT_FALSE(system.settings->floatingBar.get());
  QAccessibleInterface* item = QAccessible::queryAccessibleInterface(view.control("floatingBarSwitch"));
  ASSERT_NE(item, nullptr);
  ASSERT_NE(item->actionInterface(), nullptr);
  item->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
  EXPECT_TRUE(system.settings->floatingBar.get());
  EXPECT_TRUE(item->state().checked);

  QAccessibleInterface* margin = QAccessible::queryAccessibleInterface(view.control("marginHStepper"));
  ASSERT_NE(margin, nullptr);
  ASSERT_NE(margin->valueInterface(), nullptr);
  const double before = system.settings->marginHorizontal.get();
  margin->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
  EXPECT_EQ(system.settings->marginHorizontal.get(), before + 2);
  EXPECT_EQ(view.valueLabel("marginHStepper")->text(), QString::number(static_cast<int>(before + 2)) + " pt");
}

// The Appearance page with the keyboard on a switch, a stepper and a colour well: the window drawn each
// time shows the accent ring around that control.
TEST_F(SettingsKeyboardAccessTest, TheFocusedControlOfThePageIsRingedInTheAccentColour) {
  SettingsViewController& view = showPage(0);
  for (const char* field : {"floatingBarSwitch", "marginHStepper", "backgroundColorWell"}) {
    SCOPED_TRACE(field);
    QWidget* control = view.control(field);
    ASSERT_NE(control, nullptr);
    view.scrollView()->ensureWidgetVisible(control);
    control->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(control->hasFocus());
    QApplication::processEvents();
    QWidget* window = controller->window();
    const QImage picture = window->grab().toImage();
    const QRect around = QRect(control->mapTo(window, QPoint()), control->size()).adjusted(-3, -3, 3, 3);
    int accent = 0;
    for (int x = around.left(); x <= around.right(); ++x)
      for (int y : {around.top(), around.top() + 1, around.bottom() - 1, around.bottom()})
        accent += picture.pixelColor(x, y) == QColor(10, 132, 255);
    EXPECT_GT(accent, control->width());
    save(picture, QString("focus-%1.png").arg(field));
  }
}

}  // namespace
}  // namespace pelko::test
