// The kit's controls as a screen reader and a keyboard meet them: each has its kind's role, its state or
// value, and actions that change it exactly as a click does (disabled, nothing changes); the keys of its
// kind work; Tab reaches every kind; and a ring in the accent colour shows around a control exactly
// while it has the keyboard focus.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <functional>

#include "ui/ColorPanel.h"
#include "ui/ColorWell.h"
#include "ui/PopUpButton.h"
#include "ui/SegmentedControl.h"
#include "ui/Stepper.h"
#include "ui/Switch.h"

namespace pelko {
namespace {

using Action = QAccessibleActionInterface;

QAccessibleInterface* accessible(QWidget& widget) {
  return QAccessible::queryAccessibleInterface(&widget);
}

bool hasAction(QAccessibleInterface* item, const QString& name) {
  return item && item->actionInterface() && item->actionInterface()->actionNames().contains(name);
}

void act(QAccessibleInterface* item, const QString& name) {
  ASSERT_TRUE(hasAction(item, name)) << name.toStdString();
  item->actionInterface()->doAction(name);
}

TEST(AccessibleControlsTest, ASwitchIsACheckBoxThatItsToggleFlipsAsAClickDoes) {
  Switch control;
  control.setAccessibleName("Floating Bar");
  QSignalSpy user(&control, &Switch::toggledByUser);
  QAccessibleInterface* item = accessible(control);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->role(), QAccessible::CheckBox);
  EXPECT_EQ(item->text(QAccessible::Name), "Floating Bar");
  EXPECT_TRUE(item->state().checkable);
  EXPECT_FALSE(item->state().checked);
  control.setOn(true);  // the program showing a value: the state follows, nothing is sent
  EXPECT_TRUE(item->state().checked);
  EXPECT_EQ(user.count(), 0);

  act(item, Action::toggleAction());
  EXPECT_FALSE(control.isOn());
  EXPECT_FALSE(item->state().checked);
  ASSERT_EQ(user.count(), 1);
  EXPECT_FALSE(user[0][0].toBool());
  act(item, Action::pressAction());
  EXPECT_TRUE(control.isOn());
  EXPECT_EQ(user.count(), 2);

  control.setEnabled(false);
  item->actionInterface()->doAction(Action::toggleAction());
  EXPECT_TRUE(control.isOn());
  EXPECT_EQ(user.count(), 2);
}

TEST(AccessibleControlsTest, AStepperIsASpinButtonWithItsValueRangeAndStep) {
  Stepper stepper;
  stepper.setRange(0, 100, 2);
  stepper.setValue(10);
  QSignalSpy user(&stepper, &Stepper::valueChangedByUser);
  QAccessibleInterface* item = accessible(stepper);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->role(), QAccessible::SpinBox);
  QAccessibleValueInterface* value = item->valueInterface();
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->currentValue().toDouble(), 10);
  EXPECT_EQ(value->minimumValue().toDouble(), 0);
  EXPECT_EQ(value->maximumValue().toDouble(), 100);
  EXPECT_EQ(value->minimumStepSize().toDouble(), 2);

  // Increase and decrease are the arrows' clicks.
  act(item, Action::increaseAction());
  EXPECT_EQ(stepper.value(), 12);
  act(item, Action::decreaseAction());
  act(item, Action::decreaseAction());
  EXPECT_EQ(value->currentValue().toDouble(), 8);
  ASSERT_EQ(user.count(), 3);
  EXPECT_EQ(user[2][0].toDouble(), 8);

  // A value set by a screen reader is the user's, within the range.
  value->setCurrentValue(150);
  EXPECT_EQ(stepper.value(), 100);
  ASSERT_EQ(user.count(), 4);
  EXPECT_EQ(user[3][0].toDouble(), 100);
  value->setCurrentValue(100);
  act(item, Action::increaseAction());  // at the maximum: nothing changes, nothing is sent
  EXPECT_EQ(user.count(), 4);

  stepper.setEnabled(false);
  item->actionInterface()->doAction(Action::decreaseAction());
  value->setCurrentValue(50);
  EXPECT_EQ(stepper.value(), 100);
  EXPECT_EQ(user.count(), 4);
}

TEST(AccessibleControlsTest, ASegmentedControlsSegmentsAreSelectableTabsThatPressingSelects) {
  SegmentedControl control({"Bottom", "Top", "Left", "Right"});
  control.resize(control.sizeHint());
  control.setSelectedSegment(1);
  QSignalSpy user(&control, &SegmentedControl::segmentSelectedByUser);
  QAccessibleInterface* item = accessible(control);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->role(), QAccessible::PageTabList);
  ASSERT_EQ(item->childCount(), 4);
  const QStringList labels{"Bottom", "Top", "Left", "Right"};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    QAccessibleInterface* segment = item->child(i);
    ASSERT_NE(segment, nullptr);
    EXPECT_EQ(segment, item->child(i));  // one interface per segment, kept
    EXPECT_EQ(item->indexOfChild(segment), i);
    EXPECT_EQ(segment->parent(), item);
    EXPECT_EQ(segment->role(), QAccessible::PageTab);
    EXPECT_EQ(segment->text(QAccessible::Name), labels[i]);
    EXPECT_TRUE(segment->state().selectable);
    EXPECT_EQ(segment->state().selected, i == 1);
    EXPECT_EQ(segment->rect().size(), control.segmentRect(i).size());
  }
  EXPECT_EQ(item->child(4), nullptr);

  act(item->child(3), Action::pressAction());
  EXPECT_EQ(control.selectedSegment(), 3);
  EXPECT_TRUE(item->child(3)->state().selected);
  EXPECT_FALSE(item->child(1)->state().selected);
  ASSERT_EQ(user.count(), 1);
  EXPECT_EQ(user[0][0].toInt(), 3);

  control.setEnabled(false);
  item->child(0)->actionInterface()->doAction(Action::pressAction());
  EXPECT_EQ(control.selectedSegment(), 3);
  EXPECT_TRUE(item->child(0)->state().disabled);
  EXPECT_EQ(user.count(), 1);
}

TEST(AccessibleControlsTest, AColourWellIsAButtonWhosePressOpensThePanel) {
  ColorWell well;
  well.setAccessibleName("Background Color");
  QAccessibleInterface* item = accessible(well);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->role(), QAccessible::Button);
  EXPECT_EQ(item->text(QAccessible::Name), "Background Color");
  well.setEnabled(false);
  item->actionInterface()->doAction(Action::pressAction());
  EXPECT_NE(ColorPanel::shared().activeWell(), &well);
  well.setEnabled(true);
  act(item, Action::pressAction());
  EXPECT_EQ(ColorPanel::shared().activeWell(), &well);
  ColorPanel::shared().release(&well);
  ColorPanel::shared().hide();
}

// A pop-up button is called by its name, and its choice is its value: Qt's own combo box would give the
// choice as the name.
TEST(AccessibleControlsTest, APopUpButtonIsAComboBoxNamedByItsNameWithItsChoiceAsValue) {
  PopUpButton popUp;
  popUp.addItems({"Icons Only", "Icons + Text Right"});
  popUp.setCurrentIndex(1);
  QAccessibleInterface* item = accessible(popUp);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->role(), QAccessible::ComboBox);
  EXPECT_EQ(item->text(QAccessible::Name), "Icons + Text Right") << "unnamed: its choice, as before";
  popUp.setAccessibleName("Style");
  EXPECT_EQ(item->text(QAccessible::Name), "Style");
  EXPECT_EQ(item->text(QAccessible::Value), "Icons + Text Right");
  popUp.setCurrentIndex(0);
  EXPECT_EQ(item->text(QAccessible::Value), "Icons Only");
  EXPECT_EQ(item->text(QAccessible::Name), "Style");

  // Pressing it opens and closes the list as a click does. Its list is its child only while open: the
  // entries of a closed list would each report itself showing.
  EXPECT_EQ(item->childCount(), 0);
  EXPECT_EQ(item->child(0), nullptr);
  EXPECT_TRUE(item->state().collapsed);
  popUp.show();
  act(item, Action::pressAction());
  EXPECT_TRUE(popUp.view()->isVisible());
  EXPECT_TRUE(item->state().expanded);
  ASSERT_EQ(item->childCount(), 1);
  QAccessibleInterface* list = item->child(0);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->object(), popUp.view());
  EXPECT_EQ(item->indexOfChild(list), 0);
  ASSERT_EQ(list->childCount(), 2);
  EXPECT_EQ(list->child(1)->text(QAccessible::Name), "Icons + Text Right");
  EXPECT_FALSE(list->child(1)->state().invisible);
  act(item, Action::showMenuAction());
  EXPECT_FALSE(popUp.view()->isVisible());
  EXPECT_TRUE(item->state().collapsed);
  EXPECT_EQ(item->childCount(), 0);
  EXPECT_EQ(item->child(0), nullptr);
  EXPECT_EQ(item->indexOfChild(list), -1);
}

// Each kind's keys, pressed on a fresh control: what the control shows afterwards.
TEST(AccessibleControlsTest, TheKeysOfEachKind) {
  struct Kind {
    const char* name;
    std::function<QWidget*()> make;
    std::function<QString(QWidget*)> read;
  };
  const Kind kinds[] = {
      {"switch", [] { return new Switch(); },
       [](QWidget* w) { return QString(static_cast<Switch*>(w)->isOn() ? "on" : "off"); }},
      {"stepper",
       [] {
         auto* s = new Stepper();
         s->setRange(0, 20, 2);
         s->setValue(10);
         return s;
       },
       [](QWidget* w) { return QString::number(static_cast<Stepper*>(w)->value()); }},
      {"segments at 1",
       [] {
         auto* c = new SegmentedControl({"Left", "Center", "Right"});
         c->setSelectedSegment(1);
         return c;
       },
       [](QWidget* w) { return QString::number(static_cast<SegmentedControl*>(w)->selectedSegment()); }},
      {"segments at 0",
       [] {
         auto* c = new SegmentedControl({"Left", "Center", "Right"});
         c->setSelectedSegment(0);
         return c;
       },
       [](QWidget* w) { return QString::number(static_cast<SegmentedControl*>(w)->selectedSegment()); }},
      {"colour well", [] { return new ColorWell(); },
       [](QWidget* w) {
         return QString(ColorPanel::sharedIfExists() && ColorPanel::shared().activeWell() == w ? "open"
                                                                                               : "closed");
       }},
  };
  struct Case {
    const char* kind;
    Qt::Key key;
    const char* expected;
  };
  const Case cases[] = {
      {"switch", Qt::Key_Space, "on"},        {"switch", Qt::Key_A, "off"},
      {"stepper", Qt::Key_Up, "12"},          {"stepper", Qt::Key_Down, "8"},
      {"stepper", Qt::Key_Left, "10"},        {"segments at 1", Qt::Key_Left, "0"},
      {"segments at 1", Qt::Key_Up, "0"},     {"segments at 1", Qt::Key_Right, "2"},
      {"segments at 1", Qt::Key_Down, "2"},   {"segments at 0", Qt::Key_Left, "0"},
      {"colour well", Qt::Key_Space, "open"}, {"colour well", Qt::Key_Return, "open"},
      {"colour well", Qt::Key_Enter, "open"}, {"colour well", Qt::Key_Escape, "closed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.kind) + " " + QKeySequence(c.key).toString().toStdString());
    const Kind* kind = nullptr;
    for (const Kind& k : kinds)
      if (std::string(k.name) == c.kind) kind = &k;
    ASSERT_NE(kind, nullptr);
    std::unique_ptr<QWidget> control(kind->make());
    QTest::keyClick(control.get(), c.key);
    EXPECT_EQ(kind->read(control.get()).toStdString(), c.expected);
    if (auto* panel = ColorPanel::sharedIfExists()) panel->hide();
  }
}

// A window of one field and one control of each kind, with room around every control.
struct KitWindow {
  QWidget window;
  QLineEdit* field = new QLineEdit();
  Switch* toggle = new Switch();
  Stepper* stepper = new Stepper();
  SegmentedControl* segments = new SegmentedControl({"Left", "Center", "Right"});
  ColorWell* well = new ColorWell();

  KitWindow() {
    auto* column = new QVBoxLayout(&window);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(12);
    for (QWidget* widget : controls()) column->addWidget(widget, 0, Qt::AlignLeft);
    window.resize(240, 240);
    window.show();
    QApplication::setActiveWindow(&window);
    QApplication::processEvents();
  }
  std::vector<QWidget*> controls() const { return {field, toggle, stepper, segments, well}; }
};

TEST(AccessibleControlsTest, TabReachesEveryKind) {
  KitWindow kit;
  kit.field->setFocus(Qt::OtherFocusReason);
  ASSERT_EQ(QApplication::focusWidget(), kit.field);
  std::vector<QWidget*> reached;
  for (int i = 0; i < 5; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    reached.push_back(QApplication::focusWidget());
  }
  const std::vector<QWidget*> expected{kit.toggle, kit.stepper, kit.segments, kit.well, kit.field};
  EXPECT_EQ(reached, expected);
}

// Pixels of the accent colour in the band of `outset` pixels just outside `control`.
int accentPixelsAround(QWidget& window, QWidget& control, int outset = 3) {
  const QImage picture = window.grab().toImage();
  const QRect inner(control.mapTo(&window, QPoint()), control.size());
  const QRect outer = inner.adjusted(-outset, -outset, outset, outset);
  int count = 0;
  for (int y = outer.top(); y <= outer.bottom(); ++y)
    for (int x = outer.left(); x <= outer.right(); ++x) {
      if (inner.contains(x, y)) continue;
      const QColor c = picture.pixelColor(x, y);
      if (c.blue() > 200 && c.red() < 80 && c.green() > 90 && c.green() < 170) ++count;
    }
  return count;
}

TEST(AccessibleControlsTest, TheFocusedControlAloneHasARingInTheAccentColour) {
  KitWindow kit;
  for (QWidget* control : {static_cast<QWidget*>(kit.toggle), static_cast<QWidget*>(kit.stepper),
                           static_cast<QWidget*>(kit.segments), static_cast<QWidget*>(kit.well)}) {
    SCOPED_TRACE(control->metaObject()->className());
    kit.field->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(accentPixelsAround(kit.window, *control), 0);
    control->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(control->hasFocus());
    // Most of the band's perimeter is drawn (the corners are rounded off).
    const int perimeter = 2 * (control->width() + control->height());
    EXPECT_GT(accentPixelsAround(kit.window, *control), perimeter);
    for (QWidget* other : kit.controls()) {
      if (other == control || other == kit.field) continue;
      EXPECT_EQ(accentPixelsAround(kit.window, *other, 1), 0);
    }
  }
  kit.field->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(accentPixelsAround(kit.window, *kit.well), 0);
}

}  // namespace
}  // namespace pelko
