#include "taskbar/TaskbarPanel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QProxyStyle>
#include <QTest>
#include <QToolTip>

#include "TaskbarRectPrinter.h"

#include <string>
#include <vector>

#include "foundation/VirtualScheduler.h"
#include "platform/sim/SimOwnWindows.h"
#include "platform/sim/SimulatedMac.h"

namespace pelko {

namespace {

platform::ScreenInfo screenWithMenuBar(Rect frame, double menuBar = 25, double dockBelow = 0) {
  platform::ScreenInfo screen;
  screen.displayID = 1;
  screen.frame = frame;
  screen.visibleFrame =
      Rect(frame.minX(), frame.minY() + dockBelow, frame.width(), frame.height() - menuBar - dockBelow);
  return screen;
}

TEST(FrameForPositionTest, PlacesTheBarOnItsEdgeWithinTheMarginsOfItsScreen) {
  const auto main = screenWithMenuBar({0, 0, 1920, 1080});
  const auto dockAtBottom = screenWithMenuBar({0, 0, 1920, 1080}, 25, 70);
  const auto secondary = screenWithMenuBar({1920, 200, 1280, 800}, 0);
  using P = TaskbarPosition;
  const std::tuple<P, double, double, double, platform::ScreenInfo, Rect> cases[] = {
      {P::bottom, 34, 0, 0, main, {0, 0, 1920, 34}},           // on the very edge
      {P::bottom, 34, 0, 0, dockAtBottom, {0, 0, 1920, 34}},   // ignoring the visible frame
      {P::bottom, 34, 20, 8, main, {20, 8, 1880, 34}},         // within the margins
      {P::top, 34, 0, 0, main, {0, 1021, 1920, 34}},           // below the menu bar
      {P::top, 34, 10, 5, main, {10, 1016, 1900, 34}},         //
      {P::left, 48, 10, 20, dockAtBottom, {10, 90, 48, 945}},  // in the visible frame
      {P::right, 48, 10, 20, main, {1862, 20, 48, 1015}},
      {P::bottom, 34, 1000, 0, main, {1000, 0, 34, 34}},      // margins beyond half the width
      {P::left, 48, 0, 600, main, {0, 600, 48, 48}},          // margins beyond half the height
      {P::right, 48, 0, 0, secondary, {3152, 200, 48, 800}},  // a secondary screen
  };
  for (const auto& [position, thickness, marginH, marginV, screen, expected] : cases)
    EXPECT_EQ(TaskbarPanel::frameForPosition(position, thickness, screen, marginH, marginV), expected)
        << static_cast<int>(position) << " " << marginH << " " << marginV;
}

class TaskbarPanelTest : public ::testing::Test {
 protected:
  VirtualScheduler scheduler;
  sim::SimulatedMac mac{scheduler};
  sim::SimOwnWindows ownWindows{mac};

  platform::ScreenInfo mainScreen() { return mac.screens().screens().front(); }

  std::vector<platform::WindowInfo> ownRows() {
    std::vector<platform::WindowInfo> rows;
    auto list =
        mac.windowServer().copyWindowInfo(platform::kWindowListOptionOnScreenOnly, platform::kNullWindowID);
    for (const auto& row : list.value_or(std::vector<platform::WindowInfo>{})) {
      auto owner = row.at(platform::window_key::kOwnerPID).numberValue();
      if (owner && static_cast<int>(*owner) == mac.appShell().pid) rows.push_back(row);
    }
    return rows;
  }
};

// Qt shows a tooltip after the pointer rested for the style's wake-up delay; none here, so the tooltip
// comes on the next pass of the event loop instead of after a real wait.
class NoToolTipDelay : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_ToolTip_WakeUpDelay) return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

// The bar floats above the menu bar and never becomes the active window (clicking it activates another
// application), yet hovering a button shows its tooltip.
TEST_F(TaskbarPanelTest, IsANonActivatingPanelAboveTheMenuBarThatShowsTooltipsOnHover) {
  NoToolTipDelay style;
  TaskbarPanel panel({0, 0, 400, 34}, mac.screens());
  EXPECT_GT(panel.level(), platform::window_layer::kMainMenu);
  EXPECT_FALSE(panel.canBecomeMain());
  EXPECT_FALSE(panel.hidesOnDeactivate());
  EXPECT_TRUE(panel.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
  EXPECT_TRUE(panel.testAttribute(Qt::WA_ShowWithoutActivating));
  EXPECT_EQ(panel.focusPolicy(), Qt::NoFocus);
  auto* content = new QWidget;
  panel.setContentView(content);
  panel.syncContentViewFrame();
  auto* button = new QWidget(content);
  button->setGeometry(4, 2, 100, 30);
  button->setToolTip("Safari");
  button->setStyle(&style);
  panel.orderFront();
  QWidget front;
  front.show();
  QApplication::processEvents();  // the window system's activations of both windows come first
  QApplication::setActiveWindow(&front);
  ASSERT_FALSE(panel.isActiveWindow());

  QTest::mouseMove(panel.windowHandle(), button->mapTo(&panel, QPoint(10, 10)));
  for (int pass = 0; pass < 20 && !QToolTip::isVisible(); ++pass) QApplication::processEvents();
  EXPECT_TRUE(QToolTip::isVisible());
  EXPECT_EQ(QToolTip::text(), "Safari");
  QToolTip::hideText();
}

TEST_F(TaskbarPanelTest, RefusesAFrameWithoutAreaAndTheContentViewFollowsOnlyWhenTheSizeChanged) {
  TaskbarPanel panel({0, 0, 1920, 34}, mac.screens());
  for (double thickness : {0.0, -5.0, std::nan("")})
    panel.updatePosition(TaskbarPosition::bottom, thickness, mainScreen(), 0, 0);
  EXPECT_EQ(panel.frame(), Rect(0, 0, 1920, 34));
  auto* content = new QWidget;
  panel.setContentView(content);
  EXPECT_EQ(content->parentWidget(), panel.contentContainer());
  EXPECT_EQ(panel.contentContainer()->parentWidget(), &panel);
  panel.syncContentViewFrame();
  EXPECT_EQ(content->geometry(), QRect(0, 0, 1920, 34));
  EXPECT_EQ(panel.lastSyncedSize(), (Size{1920, 34}));

  content->setGeometry(0, 0, 10, 10);
  panel.syncContentViewFrame();  // nothing changed: the content view is left alone
  EXPECT_EQ(content->geometry(), QRect(0, 0, 10, 10));

  panel.setFrame({0, 500, 1920, 34});  // a move alone does not resize
  panel.syncContentViewFrame();
  EXPECT_EQ(content->geometry(), QRect(0, 0, 10, 10));

  panel.updatePosition(TaskbarPosition::left, 48, mainScreen(), 0, 0);
  panel.syncContentViewFrame();
  EXPECT_EQ(content->geometry(), QRect(0, 0, 48, 1055));

  TaskbarPanel empty({0, 0, 100, 34}, mac.screens());
  empty.syncContentViewFrame();  // no content view: only the size is remembered
  EXPECT_EQ(empty.lastSyncedSize(), (Size{100, 34}));
}

TEST_F(TaskbarPanelTest, AppearsInTheWindowListAsOwnWindowWhileOrderedIn) {
  auto panel = std::make_unique<TaskbarPanel>(Rect{0, 0, 1920, 34}, mac.screens(), &ownWindows);
  EXPECT_TRUE(ownRows().empty());
  panel->orderFront();
  ASSERT_TRUE(panel->windowNumber().has_value());
  auto rows = ownRows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].at(platform::window_key::kLayer).numberValue(), TaskbarPanel::taskbarLevel());
  EXPECT_EQ(rows[0].at(platform::window_key::kNumber).numberValue(), *panel->windowNumber());
  auto bounds = platform::rectFromDictionary(*rows[0].at(platform::window_key::kBounds).asDictionary());
  EXPECT_EQ(bounds, Rect(0, 1046, 1920, 34)) << "window-server coordinates, y down";
  EXPECT_EQ(panel->geometry(), QRect(0, 1046, 1920, 34)) << "Qt's global coordinates";

  panel->updatePosition(TaskbarPosition::top, 34, mainScreen(), 0, 0);
  EXPECT_EQ(panel->frame(), Rect(0, 1021, 1920, 34));
  EXPECT_EQ(panel->geometry(), QRect(0, 25, 1920, 34));
  bounds = platform::rectFromDictionary(*ownRows()[0].at(platform::window_key::kBounds).asDictionary());
  EXPECT_EQ(bounds, Rect(0, 25, 1920, 34));

  panel->orderOut();
  EXPECT_TRUE(ownRows().empty());
  panel->orderFront();
  EXPECT_EQ(ownRows().size(), 1u);
  panel.reset();
  EXPECT_TRUE(ownRows().empty());
}

}  // namespace
}  // namespace pelko
