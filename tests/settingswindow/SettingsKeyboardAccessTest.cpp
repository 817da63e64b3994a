// The settings pages by keyboard and screen reader: the kit's controls go by their rows' titles (a
// switch by its own label where it has one) and the search field by its placeholder's words; Tab
// reaches every kind of control of the pages, the information buttons and the preset cards' "Apply"
// buttons, in reading order; Return and Space press those buttons; a screen reader's toggle stores its
// setting.

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <algorithm>
#include <optional>
#include <set>

#include "SettingsWindowTestWorld.h"
#include "settings/SettingsManager.h"
#include "settingswindow/InfoPopoverButton.h"
#include "settingswindow/PresetCardView.h"
#include "settingswindow/SettingsRowView.h"
#include "settingswindow/SettingsSidebarButton.h"
#include "ui/ColorWell.h"
#include "ui/PushButtonFocusRings.h"
#include "ui/SegmentedControl.h"
#include "ui/Stepper.h"
#include "ui/Switch.h"

namespace pelko::test {
namespace {

class SettingsKeyboardAccessTest : public SettingsWindowTest {
 protected:
  // The settings that hide rows set so that every row of every section shows.
  void showEveryRow() {
    system.settings->borderTop = true;
    system.settings->showActiveIndicator = true;
    system.settings->showSystemTray = true;
    system.settings->showBattery = true;
    system.settings->showBatteryIcon = true;
    system.settings->autoHide = true;
  }

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

  // Every widget Tab (or Shift+Tab, `key` Backtab) reaches from the search field until it comes back there.
  static std::vector<QWidget*> tabCycle(SettingsViewController& view, Qt::Key key = Qt::Key_Tab) {
    std::vector<QWidget*> reached;
    view.searchField()->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 400; ++i) {
      QWidget* from = QApplication::focusWidget();
      if (!from) break;
      QTest::keyClick(from, key);
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

// Markup in an accessible description: a tag or an entity, as a tooltip's rich text has them.
bool holdsMarkup(const QString& text) {
  static const QRegularExpression markup(R"(<\s*[A-Za-z/!]|&(#\d+|#x[0-9A-Fa-f]+|[A-Za-z]+);)");
  return markup.match(text).hasMatch();
}

// What a screen reader meets of every widget the window built, the hidden pages' and the rows waiting
// for their sections too: plain descriptions, and pop-ups, check boxes and buttons named for their
// rows or cards, never by their choice or by a title they share.
TEST_F(SettingsKeyboardAccessTest, DescriptionsArePlainAndControlsAreNamedForTheirRowsOrCards) {
  showEveryRow();
  SettingsViewController& view = showPage(0);
  int described = 0;
  std::multiset<std::string> popUps, checkBoxes, applies, settingsButtons;
  for (QWidget* widget : controller->window()->findChildren<QWidget*>()) {
    QAccessibleInterface* item = QAccessible::queryAccessibleInterface(widget);
    if (!item) continue;
    const QString name = item->text(QAccessible::Name), description = item->text(QAccessible::Description);
    EXPECT_FALSE(holdsMarkup(description)) << name.toStdString() << ": " << description.toStdString();
    described += !description.isEmpty();
    for (int i = 0; i < item->childCount(); ++i) {
      if (QAccessibleInterface* child = item->child(i)) {
        EXPECT_FALSE(holdsMarkup(child->text(QAccessible::Description))) << name.toStdString();
      }
    }
    if (auto* popUp = qobject_cast<QComboBox*>(widget)) {
      popUps.insert(name.toStdString());
      EXPECT_EQ(item->text(QAccessible::Value), popUp->currentText());
    }
    if (qobject_cast<QCheckBox*>(widget)) checkBoxes.insert(name.toStdString());
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
      if (qobject_cast<PresetCardView*>(button->parentWidget())) applies.insert(name.toStdString());
      if (button->text() == "Open macOS Settings") settingsButtons.insert(name.toStdString());
    }
  }
  EXPECT_GT(described, 100) << "every control with a tooltip, every row with help";
  EXPECT_EQ(popUps, (std::multiset<std::string>{"Jump To", "Jump To", "Jump To", "Jump To", "Jump To",
                                                "Style", "Count Style", "Indicator Position", "Battery Style",
                                                "Monitor Mode", "Animation Style"}));
  EXPECT_EQ(checkBoxes,
            (std::multiset<std::string>{"Border: Top", "Border: Bottom", "Border: Left", "Border: Right"}));
  EXPECT_EQ(applies,
            (std::multiset<std::string>{"Apply Dock", "Apply Minimal", "Apply Windows Icons",
                                        "Apply Windows Text", "Apply Windows 11", "Apply Productivity",
                                        "Apply Glass", "Apply Top Bar", "Apply Sidebar"}));
  EXPECT_EQ(settingsButtons, (std::multiset<std::string>{"Accessibility: Open macOS Settings",
                                                         "Screen Recording: Open macOS Settings"}));
  (void)view;

  // Both permissions missing and their reminders stopped: two "Remind Me Again" buttons, and the
  // Thumbnails section's own way to the Screen Recording pane.
  controller.reset();
  system.mac.permissions().accessibilityTrusted = false;
  system.mac.permissions().screenCaptureGranted = false;
  system.settings->suppressAccessibilityPermissionPrompt = true;
  system.settings->suppressScreenRecordingPermissionPrompt = true;
  SettingsViewController::Dependencies dependencies = viewDependencies();
  dependencies.accessibilityHelper = &system.accessibilityHelper;
  SettingsViewController& missing = open(dependencies);
  system.scheduler.runUntilIdle();
  std::multiset<std::string> named;
  for (auto* button : controller->window()->findChildren<QPushButton*>())
    if (button->text() == "Open macOS Settings" || button->text() == "Remind Me Again")
      named.insert(button->accessibleName().toStdString());
  EXPECT_EQ(named, (std::multiset<std::string>{
                       "Accessibility: Open macOS Settings", "Screen Recording: Open macOS Settings",
                       "Thumbnails: Open macOS Settings", "Accessibility: Remind Me Again",
                       "Screen Recording: Remind Me Again"}));
  (void)missing;
}

// Each permission row's buttons go by that row's permission, whatever the state: a name given to the
// other row's button would leave the set of names as it is, but not the names each row holds.
TEST_F(SettingsKeyboardAccessTest, EachPermissionRowsButtonsAreNamedForTheirOwnRow) {
  struct Case {
    const char* state;
    bool granted, suppressed;
    const char* row;
    std::set<std::string> names;  // of the buttons the row shows
  };
  const Case cases[] = {
      {"missing",
       false,
       false,
       "Accessibility",
       {"Accessibility: Open macOS Settings", "Accessibility: Use Limited Mode"}},
      {"missing",
       false,
       false,
       "Screen Recording (Optional)",
       {"Screen Recording: Open macOS Settings", "Screen Recording: Skip Thumbnails"}},
      {"reminders off",
       false,
       true,
       "Accessibility",
       {"Accessibility: Open macOS Settings", "Accessibility: Remind Me Again"}},
      {"reminders off",
       false,
       true,
       "Screen Recording (Optional)",
       {"Screen Recording: Open macOS Settings", "Screen Recording: Remind Me Again"}},
      {"granted", true, false, "Accessibility", {"Accessibility: Open macOS Settings"}},
      {"granted", true, false, "Screen Recording (Optional)", {"Screen Recording: Open macOS Settings"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.row) + ", " + c.state);
    controller.reset();
    system.mac.permissions().accessibilityTrusted = c.granted;
    system.mac.permissions().screenCaptureGranted = c.granted;
    system.settings->suppressAccessibilityPermissionPrompt = c.suppressed;
    system.settings->suppressScreenRecordingPermissionPrompt = c.suppressed;
    SettingsViewController::Dependencies dependencies = viewDependencies();
    dependencies.accessibilityHelper = &system.accessibilityHelper;
    open(dependencies);
    system.scheduler.runUntilIdle();
    std::vector<SettingsRowView*> rows;
    for (auto* candidate : controller->window()->findChildren<SettingsRowView*>())
      if (candidate->searchTitle() == c.row && candidate->findChild<QPushButton*>())
        rows.push_back(candidate);
    ASSERT_EQ(rows.size(), 1u);
    const SettingsRowView* row = rows.front();
    std::set<std::string> names;
    for (auto* button : row->findChildren<QPushButton*>())
      if (!button->isHidden()) names.insert(accessibleName(button).toStdString());
    EXPECT_EQ(names, c.names);
  }
}

// The blacklist's flat "Remove" shows that Tab has reached it as every other stop does: ringed in the
// accent colour just outside its bounds, where nothing of that colour is while the focus is elsewhere.
TEST_F(SettingsKeyboardAccessTest, TabOntoABlacklistedAppsRemoveButtonRingsIt) {
  installPushButtonFocusRings();  // as the program does once its application exists
  system.settings->blacklistedBundleIDs = StringList{"com.example.notes"};
  SettingsViewController& view = showPage(1);
  auto* remove = view.blacklistStack()->findChild<QPushButton*>("com.example.notes");
  ASSERT_NE(remove, nullptr);
  ASSERT_TRUE(remove->isFlat());
  // The accent-coloured pixels of the band 3 points wide around the button, in a picture of the list.
  auto ringPixels = [&] {
    QApplication::processEvents();
    QWidget& list = *view.blacklistStack();
    const QImage picture = list.grab().toImage();
    const QRect inner(remove->mapTo(&list, QPoint(0, 0)), remove->size());
    const QRect outer = inner.adjusted(-3, -3, 3, 3);
    EXPECT_TRUE(list.rect().contains(outer));
    int count = 0;
    for (int y = outer.top(); y <= outer.bottom(); ++y)
      for (int x = outer.left(); x <= outer.right(); ++x) {
        const QColor p = picture.pixelColor(QPoint(x, y) * picture.devicePixelRatio());
        count += !inner.contains(x, y) &&
                 std::abs(p.red() - 10) + std::abs(p.green() - 132) + std::abs(p.blue() - 255) < 90;
      }
    return count;
  };
  EXPECT_EQ(ringPixels(), 0);

  view.searchField()->setFocus(Qt::TabFocusReason);
  for (int i = 0; i < 200 && !remove->hasFocus(); ++i)
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  ASSERT_TRUE(remove->hasFocus()) << "Tab never reached it";
  EXPECT_GE(ringPixels(), 2 * (remove->width() + remove->height())) << "at least once all the way round";

  QTest::keyClick(remove, Qt::Key_Tab);
  EXPECT_FALSE(remove->hasFocus());
  EXPECT_EQ(ringPixels(), 0);
}

// The first stop after the search field is a control of the page a screen reader can name, not the
// scrolling area around the page; and every stop of the cycle has a name.
TEST_F(SettingsKeyboardAccessTest, EveryTabStopIsANamedControlAndTheFirstAfterTheSearchIsOnThePage) {
  for (int page = 0; page < 5; ++page) {
    SCOPED_TRACE(page);
    controller.reset();
    SettingsViewController& view = showPage(page);
    view.searchField()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(view.searchField(), Qt::Key_Tab);
    QWidget* first = QApplication::focusWidget();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(view.tabViews()[static_cast<size_t>(page)]->isAncestorOf(first))
        << first->metaObject()->className();
    for (QWidget* stop : tabCycle(view)) {
      QAccessibleInterface* item = QAccessible::queryAccessibleInterface(stop);
      ASSERT_NE(item, nullptr);
      EXPECT_FALSE(item->text(QAccessible::Name).isEmpty()) << stop->metaObject()->className();
      EXPECT_NE(item->role(), QAccessible::Client) << stop->metaObject()->className();
      EXPECT_TRUE(stop->isVisible()) << item->text(QAccessible::Name).toStdString();
    }
  }
}

// The sidebar's page buttons are stops of the Tab cycle, ringed while they have the focus; Space and
// Return choose their page.
TEST_F(SettingsKeyboardAccessTest, TabReachesThePageButtonsAndSpaceOrReturnChoosesThePage) {
  SettingsViewController& view = showPage(0);
  std::vector<std::string> reached;
  for (QWidget* stop : tabCycle(view))
    if (auto* button = qobject_cast<SettingsSidebarButton*>(stop))
      reached.push_back(button->accessibleName().toStdString());
  EXPECT_EQ(reached, (std::vector<std::string>{"Appearance", "Items", "Behavior", "Auto-Hide", "Presets"}));

  const std::pair<Qt::Key, int> presses[] = {{Qt::Key_Return, 2}, {Qt::Key_Space, 1}, {Qt::Key_Enter, 4}};
  for (auto [key, page] : presses) {
    SettingsSidebarButton* button = view.sidebarButtons()[static_cast<size_t>(page)];
    button->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(button->hasFocus());
    QTest::keyClick(button, key);
    EXPECT_EQ(view.currentTabIndex(), page);
    EXPECT_TRUE(button->hasFocus()) << "the keyboard stays in the sidebar";
    QApplication::processEvents();
    QWidget* window = controller->window();
    const QImage picture = window->grab().toImage();
    const QRect around = QRect(button->mapTo(window, QPoint()), button->size()).adjusted(-2, -2, 2, 2);
    int accent = 0;
    for (int x = around.left(); x <= around.right(); ++x)
      for (int y : {around.top(), around.bottom()})
        accent += picture.pixelColor(x, y) == QColor(10, 132, 255);
    EXPECT_GT(accent, button->width()) << page;
    if (page == 1) save(picture, "focus-sidebar-items.png");
  }
}

// After a search result's Jump (or Return in the search field) the keyboard is on the control shown, so
// the next Tab goes on from there instead of from the top of the page.
TEST_F(SettingsKeyboardAccessTest, AJumpOrReturnPutsTheKeyboardOnTheControlShown) {
  system.settings->borderTop = true;  // the border rows show
  SettingsViewController& view = showPage(4);
  view.searchField()->setFocus(Qt::ShortcutFocusReason);
  view.searchField()->setText("border width");
  QTest::keyClick(view.searchField(), Qt::Key_Return);
  system.scheduler.runUntilIdle();
  QApplication::processEvents();
  EXPECT_EQ(view.currentTabIndex(), 0);
  EXPECT_EQ(QApplication::focusWidget(), view.control("borderWidthStepper"));
  QScrollBar* bar = view.scrollView()->verticalScrollBar();
  const int shown = bar->value();
  EXPECT_GT(shown, 0);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_NE(QApplication::focusWidget(), view.control("borderWidthStepper"));
  EXPECT_TRUE(view.tabViews()[0]->isAncestorOf(QApplication::focusWidget()));
  EXPECT_GE(bar->value(), shown) << "not back to the top";

  view.selectTab(2);
  view.searchField()->setFocus(Qt::ShortcutFocusReason);
  view.searchField()->setText("item spacing");
  view.updateSearchResults();
  QPushButton* jump = nullptr;
  for (auto* button : view.searchResultsHostView()->findChildren<QPushButton*>())
    if (button->accessibleName() == "Jump to Item Spacing") jump = button;
  ASSERT_NE(jump, nullptr);
  jump->setFocus(Qt::TabFocusReason);
  QTest::keyClick(jump, Qt::Key_Space);
  system.scheduler.runUntilIdle();
  EXPECT_EQ(view.currentTabIndex(), 0);
  EXPECT_EQ(QApplication::focusWidget(), view.control("itemSpacingStepper"));
}

// A control given the focus while out of view, by Tab or by a screen reader, is scrolled into view.
TEST_F(SettingsKeyboardAccessTest, AFocusedControlOutOfViewIsScrolledIntoView) {
  SettingsViewController& view = showPage(0);
  QScrollBar* bar = view.scrollView()->verticalScrollBar();
  QWidget* viewport = view.scrollView()->viewport();
  auto inView = [&](QWidget* control) {
    return viewport->rect().contains(QRect(control->mapTo(viewport, QPoint()), control->size()));
  };
  QWidget* corner = view.control("cornerRadiusStepper");
  ASSERT_NE(corner, nullptr);

  // Tab from the search field into a page scrolled to its end: the page's first control, at its top.
  bar->setValue(bar->maximum());
  view.searchField()->setFocus(Qt::TabFocusReason);
  QTest::keyClick(view.searchField(), Qt::Key_Tab);
  QWidget* first = QApplication::focusWidget();
  ASSERT_TRUE(first && view.tabViews()[0]->isAncestorOf(first));
  EXPECT_TRUE(inView(first)) << bar->value();
  EXPECT_EQ(bar->value(), 0);

  // A screen reader's "SetFocus" on a control far below.
  ASSERT_FALSE(inView(corner)) << "the window is too tall for this test";
  QAccessibleInterface* item = QAccessible::queryAccessibleInterface(corner);
  ASSERT_NE(item, nullptr);
  ASSERT_NE(item->actionInterface(), nullptr);
  item->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
  ASSERT_TRUE(corner->hasFocus());
  EXPECT_TRUE(inView(corner)) << bar->value();
}

// The pages going while the keyboard is on one of their controls, as they do when the program ends with
// the window active: the focus leaving that control as it is destroyed must not reach the half-destroyed
// view (the sanitizer build reports such a call and ends the test).
TEST_F(SettingsKeyboardAccessTest, ThePagesGoWithTheKeyboardOnAPageButton) {
  SettingsViewController& view = showPage(0);
  const auto pageButtons = view.findChildren<SettingsSidebarButton*>();
  ASSERT_FALSE(pageButtons.isEmpty());
  pageButtons.front()->setFocus(Qt::TabFocusReason);
  ASSERT_EQ(QApplication::focusWidget(), pageButtons.front());
  QWidget* window = controller->window();
  int focusChanges = 0;
  QObject::connect(qApp, &QApplication::focusChanged, window, [&] { ++focusChanges; });
  delete &view;
  EXPECT_EQ(focusChanges, 1) << "the focus left the page button as it went";
  EXPECT_EQ(QApplication::focusWidget(), nullptr);
  EXPECT_EQ(controller->content(), nullptr);
}

// The Appearance page with the keyboard on a switch, a stepper, a colour well and a pop-up: the window drawn
// each time shows the accent ring around that control.
TEST_F(SettingsKeyboardAccessTest, TheFocusedControlOfThePageIsRingedInTheAccentColour) {
  SettingsViewController& view = showPage(0);
  for (const char* field : {"floatingBarSwitch", "marginHStepper", "backgroundColorWell", "stylePopUp"}) {
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

// Where `widget` sits on `page`, wherever the page is scrolled to.
QRect placeOnPage(const QWidget* widget, const QWidget* page) {
  return QRect(widget->mapTo(page, QPoint(0, 0)), widget->size());
}

// Whether a reader comes to `b` after `a`: further right on the same line, or further down.
bool readsAfter(const QRect& a, const QRect& b) {
  const bool sameLine = b.top() <= a.bottom() && a.top() <= b.bottom();
  return sameLine ? b.left() > a.left() : b.top() > a.top();
}

std::string describe(QWidget* stop, const QRect& place) {
  return accessibleName(stop).toStdString() + " (" + stop->metaObject()->className() + ") at " +
         std::to_string(place.x()) + "," + std::to_string(place.y()) + " " + std::to_string(place.width()) +
         "x" + std::to_string(place.height());
}

// Tab goes down each page in reading order, whatever order its rows were made in (the Behavior page's
// "Monitor Mode" row, first of its section, was once made after the rest of it) or rebuilt in (the
// sections that hide rows put them back, or make them anew, when their settings change), all in one run
// between a suggestion above the page and the footer and sidebar after it, and the page scrolls only down
// as it goes; Shift+Tab goes the same way back.
TEST_F(SettingsKeyboardAccessTest, TabGoesDownEachPageInReadingOrderAndShiftTabGoesBack) {
  showEveryRow();
  int bannerStops = 0;
  for (int index = 0; index < 5; ++index) {
    SCOPED_TRACE(index);
    controller.reset();
    SettingsViewController& view = showPage(index);
    // Rows hidden and shown again, and rows made anew, as changes of settings do.
    for (bool on : {false, true}) {
      system.settings->blacklistedBundleIDs =
          on ? StringList{"com.example.notes", "com.example.mail"} : StringList{};
      system.settings->groupWindows = on;
      system.settings->showSystemTray = on;
      system.settings->autoHide = on;
      system.settings->autoHideDodgeWindows = !on;
      system.scheduler.runUntilIdle();
    }
    QApplication::processEvents();
    QWidget* page = view.tabViews()[static_cast<size_t>(index)];
    QScrollBar* bar = view.scrollView()->verticalScrollBar();
    // The parts of the window the walk from the search field goes through, in this order.
    enum Part { search, banner, onPage, footer, sidebar, elsewhere };
    auto partOf = [&](QWidget* stop) {
      if (stop == view.searchField()) return search;
      if (view.suggestionHostView()->isAncestorOf(stop)) return banner;
      if (page->isAncestorOf(stop)) return onPage;
      if (view.footerView()->isAncestorOf(stop)) return footer;
      return qobject_cast<SettingsSidebarButton*>(stop) ? sidebar : elsewhere;
    };
    const std::vector<QWidget*> forward = tabCycle(view);
    Part previousPart = search;
    std::optional<QRect> previous;
    QWidget* previousStop = view.searchField();
    int pageStops = 0;
    for (QWidget* stop : forward) {
      const Part part = partOf(stop);
      // A page's control is placed on its page, wherever the page is scrolled to.
      const QRect place = part == onPage ? placeOnPage(stop, page) : placeOnPage(stop, controller->window());
      pageStops += part == onPage;
      bannerStops += part == banner;
      EXPECT_GE(part, previousPart) << describe(stop, place) << " after "
                                    << accessibleName(previousStop).toStdString();
      EXPECT_NE(part, elsewhere) << describe(stop, place);
      if (part == previousPart && previous) {
        EXPECT_TRUE(readsAfter(*previous, place))
            << describe(stop, place) << " after " << describe(previousStop, *previous);
      }
      previousPart = part;
      previous = place;
      previousStop = stop;
    }
    EXPECT_GT(pageStops, 5);
    // Walked again from the top of the page: it scrolls down only.
    view.searchField()->setFocus(Qt::TabFocusReason);
    bar->setValue(0);
    int lastValue = 0;
    for (size_t i = 0; i < forward.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      if (!page->isAncestorOf(QApplication::focusWidget())) continue;
      EXPECT_GE(bar->value(), lastValue)
          << "scrolled back up to " << accessibleName(QApplication::focusWidget()).toStdString();
      lastValue = bar->value();
    }

    std::vector<QWidget*> back = tabCycle(view, Qt::Key_Backtab);
    std::reverse(back.begin(), back.end());
    EXPECT_EQ(back, forward);
  }
  EXPECT_GT(bannerStops, 0) << "no suggestion showed above a page";
}

// The matches of a search come between the search field and the page, top to bottom, each time the
// panel is made anew for another query.
TEST_F(SettingsKeyboardAccessTest, TabGoesFromTheSearchFieldThroughTheMatchesToThePage) {
  SettingsViewController& view = showPage(1);
  for (const char* query : {"border", "color", "size"}) {
    SCOPED_TRACE(query);
    view.searchField()->setFocus(Qt::ShortcutFocusReason);
    view.searchField()->setText(query);
    view.updateSearchResults();
    QApplication::processEvents();
    std::vector<QPushButton*> shown;
    for (auto* jump : view.searchResultsHostView()->findChildren<QPushButton*>())
      if (jump->isVisibleTo(view.searchResultsHostView())) shown.push_back(jump);
    std::sort(shown.begin(), shown.end(), [&](QPushButton* a, QPushButton* b) {
      return a->mapTo(&view, QPoint()).y() < b->mapTo(&view, QPoint()).y();
    });
    ASSERT_GT(shown.size(), 1u);

    const std::vector<QWidget*> cycle = tabCycle(view);
    ASSERT_GT(cycle.size(), shown.size());
    EXPECT_EQ(std::vector<QWidget*>(cycle.begin(), cycle.begin() + static_cast<long>(shown.size())),
              std::vector<QWidget*>(shown.begin(), shown.end()));
    EXPECT_TRUE(view.tabViews()[1]->isAncestorOf(cycle[shown.size()]))
        << accessibleName(cycle[shown.size()]).toStdString();
  }
}

}  // namespace
}  // namespace pelko::test
