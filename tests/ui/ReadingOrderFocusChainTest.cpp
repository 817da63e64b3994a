// Tab through a window in reading order, whatever order its widgets were made in: a row made last and
// put above the others, a control beside a taller one that starts higher, a sidebar beside a panel whose
// rows lie between the sidebar's, and a page scrolled to its end. Shift+Tab goes the same way back.

#include "ui/ReadingOrderFocusChain.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>
#include <functional>
#include <memory>

namespace pelko {
namespace {

// A window that puts its chain in reading order whenever Tab is about to move, as the program's windows do.
class ReadingOrderWindow : public QWidget {
 protected:
  bool focusNextPrevChild(bool next) override {
    applyReadingOrderFocusChain(*this);
    return QWidget::focusNextPrevChild(next);
  }
};

QPushButton* button(const char* name, int height = 24) {
  auto* made = new QPushButton(name);
  made->setObjectName(name);
  made->setFixedSize(60, height);
  return made;
}

// The names of the widgets `key` reaches from `start`, `count` presses in all.
std::vector<std::string> walk(QWidget& start, Qt::Key key, size_t count) {
  start.setFocus(Qt::OtherFocusReason);
  std::vector<std::string> names{start.objectName().toStdString()};
  while (names.size() < count) {
    QTest::keyClick(QApplication::focusWidget(), key);
    names.push_back(QApplication::focusWidget()->objectName().toStdString());
  }
  return names;
}

void showActive(QWidget& window) {
  window.resize(320, 240);
  window.show();
  QApplication::setActiveWindow(&window);
  QApplication::processEvents();
}

// Each case builds its widgets into the window in an order other than the reading order it expects.
struct Case {
  const char* name;
  std::function<void(QWidget&)> build;
  std::vector<std::string> readingOrder;
};

const Case kCases[] = {
    {"a row made last and put above the others",
     [](QWidget& window) {
       auto* column = new QVBoxLayout(&window);
       column->addWidget(button("second"));
       column->addWidget(button("third"));
       column->insertWidget(0, button("first"));
     },
     {"first", "second", "third"}},
    {"a control centred beside a taller one that starts higher",
     [](QWidget& window) {
       auto* column = new QVBoxLayout(&window);
       auto* line = new QHBoxLayout;
       QPushButton* tall = button("right", 40);
       line->addWidget(button("left", 20), 0, Qt::AlignVCenter);
       line->addWidget(tall, 0, Qt::AlignTop);
       column->addWidget(button("below"));
       column->addStretch(1);
       column->insertLayout(0, line);
     },
     {"left", "right", "below"}},
    {"a sidebar beside a panel whose rows lie between the sidebar's",
     [](QWidget& window) {
       auto* columns = new QHBoxLayout(&window);
       auto* panel = new QWidget;
       auto* rows = new QVBoxLayout(panel);
       rows->setContentsMargins(0, 20, 0, 0);
       rows->setSpacing(30);
       rows->addWidget(button("panel top"));
       rows->addWidget(button("panel bottom"));
       rows->addStretch(1);
       auto* sidebar = new QWidget;
       auto* buttons = new QVBoxLayout(sidebar);
       buttons->setSpacing(4);
       for (const char* name : {"side 1", "side 2", "side 3", "side 4"}) buttons->addWidget(button(name));
       buttons->addStretch(1);
       columns->addWidget(sidebar);
       columns->addWidget(panel);
     },
     {"side 1", "side 2", "side 3", "side 4", "panel top", "panel bottom"}},
    {"a page scrolled to its end below a field",
     [](QWidget& window) {
       auto* column = new QVBoxLayout(&window);
       auto* scroll = new QScrollArea;
       scroll->setFocusPolicy(Qt::NoFocus);
       scroll->setWidgetResizable(true);
       scroll->setFixedHeight(100);
       auto* page = new QWidget;
       auto* rows = new QVBoxLayout(page);
       rows->setSpacing(80);
       rows->addWidget(button("page bottom"));
       rows->insertWidget(0, button("page middle"));
       rows->insertWidget(0, button("page top"));
       scroll->setWidget(page);
       column->addWidget(scroll);
       column->insertWidget(0, button("field"));
       window.resize(320, 240);
       column->activate();
       scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
     },
     {"field", "page top", "page middle", "page bottom"}},
};

TEST(ReadingOrderFocusChainTest, TabGoesInReadingOrderAndShiftTabBack) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ReadingOrderWindow window;
    c.build(window);
    showActive(window);
    std::vector<std::string> stops;
    for (QWidget* stop : readingOrderTabStops(window)) stops.push_back(stop->objectName().toStdString());
    EXPECT_EQ(stops, c.readingOrder);

    auto* first = window.findChild<QWidget*>(QString::fromStdString(c.readingOrder.front()));
    ASSERT_NE(first, nullptr);
    std::vector<std::string> forward = c.readingOrder, back{c.readingOrder.front()};
    forward.push_back(c.readingOrder.front());  // round to the first again
    back.insert(back.end(), c.readingOrder.rbegin(), c.readingOrder.rend());
    EXPECT_EQ(walk(*first, Qt::Key_Tab, forward.size()), forward);
    EXPECT_EQ(walk(*first, Qt::Key_Backtab, back.size()), back);
  }
}

// A row hidden while the chain was put in order, and a row moved up between others afterwards: each
// takes its place in the reading order by the next press of Tab.
TEST(ReadingOrderFocusChainTest, RowsShownOrMovedLaterTakeTheirPlaceByTheNextTab) {
  ReadingOrderWindow window;
  auto* column = new QVBoxLayout(&window);
  QPushButton* middle = button("middle");
  QPushButton* moved = button("moved");
  column->addWidget(button("top"));
  column->addWidget(middle);
  column->addWidget(button("bottom"));
  column->addWidget(moved);
  middle->hide();
  showActive(window);
  applyReadingOrderFocusChain(window);
  EXPECT_EQ(walk(*window.findChild<QWidget*>("top"), Qt::Key_Tab, 4),
            (std::vector<std::string>{"top", "bottom", "moved", "top"}));

  middle->show();
  column->removeWidget(moved);
  column->insertWidget(1, moved);
  EXPECT_EQ(walk(*window.findChild<QWidget*>("top"), Qt::Key_Tab, 5),
            (std::vector<std::string>{"top", "moved", "middle", "bottom", "top"}));
}

}  // namespace
}  // namespace pelko
