// Widgets of ours before a screen reader: the role they are given, a Press action that runs what their
// click runs (and nothing while they are disabled), the pressed-in state of a toggle told to the bus as it
// changes, and the controls they draw inside themselves as child buttons in the right place with presses
// of their own.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QLabel>
#include <QWidget>
#include "ui/AccessibleRole.h"

namespace pelko {
namespace {

using Action = QAccessibleActionInterface;

QStringList actionsOf(QAccessibleInterface* item) {
  return item && item->actionInterface() ? item->actionInterface()->actionNames() : QStringList{};
}

TEST(AccessibleRoleTest, AWidgetWithAPressIsAButtonThatAPressClicksUnlessDisabled) {
  QWidget button;
  button.setFocusPolicy(Qt::NoFocus);
  int clicks = 0;
  setAccessibleRole(button, QAccessible::Button, [&clicks] { ++clicks; });
  QAccessibleInterface* item = QAccessible::queryAccessibleInterface(&button);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->role(), QAccessible::Button);
  // Qt names its press action "Press", which is what a screen reader is offered over the bus.
  EXPECT_EQ(actionsOf(item), QStringList{"Press"});

  item->actionInterface()->doAction(Action::pressAction());
  EXPECT_EQ(clicks, 1);
  item->actionInterface()->doAction(Action::setFocusAction());  // not offered: nothing happens
  EXPECT_EQ(clicks, 1);

  button.setEnabled(false);
  item->actionInterface()->doAction(Action::pressAction());
  EXPECT_EQ(clicks, 1) << "a disabled widget takes no click";
}

TEST(AccessibleRoleTest, ARoleAloneOffersNoPressAndAFocusableWidgetKeepsItsSetFocus) {
  QWidget group;
  setAccessibleRole(group, QAccessible::Grouping);
  QAccessibleInterface* item = QAccessible::queryAccessibleInterface(&group);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->role(), QAccessible::Grouping);
  EXPECT_FALSE(actionsOf(item).contains("Press"));

  QWidget focusable;
  focusable.setFocusPolicy(Qt::StrongFocus);
  setAccessibleRole(focusable, QAccessible::Button, [] {});
  EXPECT_EQ(actionsOf(QAccessible::queryAccessibleInterface(&focusable)),
            (QStringList{Action::pressAction(), Action::setFocusAction()}));
}

// The change itself is told to the bus only while a screen reader listens, which offscreen never is: the
// end-to-end test of the bar hears it.
TEST(AccessibleRoleTest, ACheckedButtonIsAToggleButtonPressedInWhileChecked) {
  QWidget button;
  setAccessibleRole(button, QAccessible::Button, [] {});
  QAccessibleInterface* item = QAccessible::queryAccessibleInterface(&button);
  ASSERT_NE(item, nullptr);
  EXPECT_FALSE(item->state().checkable) << "a plain button is no toggle";
  for (const bool checked : {true, false, true}) {
    SCOPED_TRACE(checked);
    setAccessibleChecked(button, checked);
    EXPECT_TRUE(item->state().checkable);
    EXPECT_EQ(item->state().checked, checked);
    EXPECT_EQ(item->role(), QAccessible::Button);
    EXPECT_EQ(actionsOf(item), QStringList{"Press"});
  }
}

TEST(AccessibleRoleTest, ADrawnControlIsAChildButtonAfterTheChildWidgetsWithItsPlaceAndPress) {
  QWidget card;
  card.setGeometry(200, 150, 100, 60);
  auto* title = new QLabel("Report", &card);
  title->setGeometry(4, 40, 92, 16);
  int opens = 0, closes = 0;
  setAccessibleRole(card, QAccessible::Button, [&opens] { ++opens; });
  addAccessiblePart(card, {"Close window", QAccessible::Button, [] { return QRect(80, 2, 18, 18); },
                           [&closes] { ++closes; }});
  card.show();

  QAccessibleInterface* item = QAccessible::queryAccessibleInterface(&card);
  ASSERT_NE(item, nullptr);
  ASSERT_EQ(item->childCount(), 2);
  EXPECT_EQ(item->child(0)->object(), title);
  QAccessibleInterface* close = item->child(1);
  ASSERT_NE(close, nullptr);
  EXPECT_EQ(close, item->child(1)) << "one interface per drawn control, kept";
  EXPECT_EQ(item->indexOfChild(close), 1);
  EXPECT_EQ(close->parent(), item);
  EXPECT_EQ(close->role(), QAccessible::Button);
  EXPECT_EQ(close->text(QAccessible::Name), "Close window");
  EXPECT_EQ(close->rect(), QRect(card.mapToGlobal(QPoint(80, 2)), QSize(18, 18)));
  EXPECT_FALSE(close->state().invisible);
  EXPECT_EQ(item->childAt(close->rect().center().x(), close->rect().center().y()), close);
  EXPECT_EQ(item->child(2), nullptr);

  EXPECT_EQ(actionsOf(close), QStringList{"Press"});
  close->actionInterface()->doAction(Action::pressAction());
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(opens, 0) << "the control's press is not the widget's";

  card.setEnabled(false);
  close->actionInterface()->doAction(Action::pressAction());
  EXPECT_EQ(closes, 1);
  card.hide();
  EXPECT_TRUE(close->state().invisible);
}

}  // namespace
}  // namespace pelko
