#include "taskbar/TaskbarPanel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QProxyStyle>
#include <QTest>
#include <QToolTip>

#include "TaskbarRectPrinter.h"

#include <string>
#include <vector>

#include "foundation/DebugLog.h"
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

struct FrameCase {
  const char* name;
  TaskbarPosition position;
  double thickness, marginH, marginV;
  platform::ScreenInfo screen;
  Rect expected;
};

class FrameForPositionTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameForPositionTest, Placement) {
  const auto& c = GetParam();
  EXPECT_EQ(TaskbarPanel::frameForPosition(c.position, c.thickness, c.screen, c.marginH, c.marginV),
            c.expected);
}

const auto kMain = screenWithMenuBar({0, 0, 1920, 1080});
const auto kDockAtBottom = screenWithMenuBar({0, 0, 1920, 1080}, 25, 70);
const auto kSecondary = screenWithMenuBar({1920, 200, 1280, 800}, 0);

INSTANTIATE_TEST_SUITE_P(
    Positions, FrameForPositionTest,
    ::testing::Values(
        FrameCase{"bottomOnTheVeryEdge", TaskbarPosition::bottom, 34, 0, 0, kMain, {0, 0, 1920, 34}},
        FrameCase{"bottomIgnoresTheVisibleFrame",
                  TaskbarPosition::bottom,
                  34,
                  0,
                  0,
                  kDockAtBottom,
                  {0, 0, 1920, 34}},
        FrameCase{"bottomWithMargins", TaskbarPosition::bottom, 34, 20, 8, kMain, {20, 8, 1880, 34}},
        FrameCase{"topBelowTheMenuBar", TaskbarPosition::top, 34, 0, 0, kMain, {0, 1021, 1920, 34}},
        FrameCase{"topWithMargins", TaskbarPosition::top, 34, 10, 5, kMain, {10, 1016, 1900, 34}},
        FrameCase{
            "leftInTheVisibleFrame", TaskbarPosition::left, 48, 10, 20, kDockAtBottom, {10, 90, 48, 945}},
        FrameCase{"rightWithMargins", TaskbarPosition::right, 48, 10, 20, kMain, {1862, 20, 48, 1015}},
        FrameCase{
            "marginsBeyondHalfTheWidth", TaskbarPosition::bottom, 34, 1000, 0, kMain, {1000, 0, 34, 34}},
        FrameCase{"marginsBeyondHalfTheHeight", TaskbarPosition::left, 48, 0, 600, kMain, {0, 600, 48, 48}},
        FrameCase{"secondaryScreen", TaskbarPosition::right, 48, 0, 0, kSecondary, {3152, 200, 48, 800}}),
    [](const auto& info) { return std::string(info.param.name); });

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

// The bar floats above the menu bar and never takes the focus from the application in front.
TEST_F(TaskbarPanelTest, IsANonActivatingPanelAboveTheMenuBar) {
  TaskbarPanel panel({0, 0, 1920, 34}, mac.screens());
  EXPECT_GT(panel.level(), platform::window_layer::kMainMenu);
  EXPECT_FALSE(panel.canBecomeMain());
  EXPECT_FALSE(panel.hidesOnDeactivate());
  EXPECT_TRUE(panel.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
  EXPECT_TRUE(panel.testAttribute(Qt::WA_ShowWithoutActivating));
  EXPECT_EQ(panel.focusPolicy(), Qt::NoFocus);
}

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

// The bar never becomes the active window (clicking it activates another application), yet hovering a
// button shows its tooltip.
TEST_F(TaskbarPanelTest, ShowsTooltipsOnHoverWhileAnotherWindowIsActive) {
  NoToolTipDelay style;
  TaskbarPanel panel({0, 0, 400, 34}, mac.screens());
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

TEST_F(TaskbarPanelTest, FrameIsConvertedToQtGlobalCoordinates) {
  TaskbarPanel panel({0, 0, 1920, 34}, mac.screens());
  EXPECT_EQ(panel.geometry(), QRect(0, 1046, 1920, 34));
  panel.updatePosition(TaskbarPosition::top, 34, mainScreen(), 0, 0);
  EXPECT_EQ(panel.frame(), Rect(0, 1021, 1920, 34));
  EXPECT_EQ(panel.geometry(), QRect(0, 25, 1920, 34));
}

TEST_F(TaskbarPanelTest, UpdatePositionRefusesAFrameWithoutArea) {
  std::vector<std::string> lines;
  auto previous = setDebugLogSink([&](std::string_view line) { lines.emplace_back(line); });
  TaskbarPanel panel({0, 0, 1920, 34}, mac.screens());
  for (double thickness : {0.0, -5.0, std::nan("")})
    panel.updatePosition(TaskbarPosition::bottom, thickness, mainScreen(), 0, 0);
  setDebugLogSink(previous);
  EXPECT_EQ(panel.frame(), Rect(0, 0, 1920, 34));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "TaskbarPanel: refusing to set zero/negative frame: (0.0, 0.0, 1920.0, 0.0)");
}

TEST_F(TaskbarPanelTest, ContentViewFollowsOnlyWhenTheSizeChanged) {
  TaskbarPanel panel({0, 0, 1920, 34}, mac.screens());
  auto* content = new QWidget;
  panel.setContentView(content);
  EXPECT_EQ(content->parentWidget(), &panel);
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

  panel->updatePosition(TaskbarPosition::top, 34, mainScreen(), 0, 0);
  bounds = platform::rectFromDictionary(*ownRows()[0].at(platform::window_key::kBounds).asDictionary());
  EXPECT_EQ(bounds, Rect(0, 25, 1920, 34));
  // The panel is in front of normal windows.
  auto other = mac.launchApp("com.example.editor", "Editor");
  mac.openWindow(other, {.title = "Doc", .bounds = {0, 0, 1920, 1080}});
  auto all =
      mac.windowServer().copyWindowInfo(platform::kWindowListOptionOnScreenOnly, platform::kNullWindowID);
  EXPECT_EQ(all->front().at(platform::window_key::kNumber).numberValue(), *panel->windowNumber());

  panel->orderOut();
  EXPECT_TRUE(ownRows().empty());
  panel->orderFront();
  EXPECT_EQ(ownRows().size(), 1u);
  panel.reset();
  EXPECT_TRUE(ownRows().empty());
}

}  // namespace
}  // namespace pelko
