// A screen reader that asks a scroll area for a child by an index it counted before a scroll bar hid
// gets nothing, never a child read from past the end of a list; the children it does get are the
// view port and the bars that show.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>

#include "ui/AccessibleScrollArea.h"

namespace pelko {
namespace {

TEST(AccessibleScrollAreaTest, ChildrenFollowTheBarsAndAnIndexThatIsGoneGivesNothing) {
  installAccessibleScrollAreas();
  QScrollArea area;
  auto* content = new QLabel("rows");
  content->setMinimumSize(800, 800);
  area.setWidget(content);
  area.resize(200, 200);
  area.show();
  QApplication::processEvents();

  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&area);
  ASSERT_NE(accessible, nullptr);
  EXPECT_EQ(accessible->role(), QAccessible::Client);
  ASSERT_EQ(accessible->childCount(), 3);
  QAccessibleInterface* bar = accessible->child(2);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->object(), area.verticalScrollBar()->parentWidget());
  EXPECT_EQ(accessible->indexOfChild(bar), 2);

  // The content now fits: both bars go, and with them the indices a screen reader counted.
  content->setMinimumSize(0, 0);
  content->resize(50, 50);
  area.resize(400, 400);
  QApplication::processEvents();
  ASSERT_FALSE(area.verticalScrollBar()->isVisible());
  EXPECT_EQ(accessible->childCount(), 1);
  ASSERT_NE(accessible->child(0), nullptr);
  EXPECT_EQ(accessible->child(0)->object(), area.viewport());
  for (int index : {1, 2, 3, 100000000, -1}) EXPECT_EQ(accessible->child(index), nullptr) << index;
  EXPECT_EQ(accessible->indexOfChild(bar), -1);

  // A hidden window shows no bars either.
  content->setMinimumSize(800, 800);
  QApplication::processEvents();
  EXPECT_EQ(accessible->childCount(), 3);
  area.hide();
  EXPECT_EQ(accessible->childCount(), 1);
  EXPECT_EQ(accessible->child(2), nullptr);
}

}  // namespace
}  // namespace pelko
