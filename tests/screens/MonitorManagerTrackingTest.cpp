#include <gtest/gtest.h>

#include "MonitorManagerTestWorld.h"
#include "taskbar/AppItemView.h"
#include "ui/WidgetOpacity.h"

namespace pelko::test {
namespace {

// The bars with a running tracker: windows on two displays, and one of them moved across.
TEST_F(MonitorManagerTest, WindowsMovedToAnotherDisplayMoveTheirEntriesToThatBar) {
  settings->multiMonitorMode = MultiMonitorMode::activeMonitorOnly;
  settings->groupWindows = false;
  addRight();
  tracker->settingsManager = settings.get();
  tracker->windowManager = windowManager;

  const int32_t editor = mac.launchApp("com.example.editor", "Editor");
  const int32_t viewer = mac.launchApp("com.example.viewer", "Viewer");
  mac.openWindow(editor, {.title = "Left page", .bounds = Rect(100, 100, 800, 600)});
  const auto moving = mac.openWindow(viewer, {.title = "Photo", .bounds = Rect(2000, 100, 800, 600)});
  tracker->start();
  start();
  advance(5);
  ASSERT_EQ(namesOn(1), (std::vector<std::string>{"Editor"}));
  ASSERT_EQ(namesOn(2), (std::vector<std::string>{"Viewer"}));

  const auto generation = tracker->displayIDGeneration.get();
  mac.moveWindowToDisplay(moving, kMain);
  advance(1);
  EXPECT_GT(tracker->displayIDGeneration.get(), generation);
  EXPECT_EQ(namesOn(1), (std::vector<std::string>{"Editor", "Viewer"}));
  EXPECT_EQ(namesOn(2), (std::vector<std::string>{}));
  EXPECT_EQ(manager->viewController(1)->itemCount(), 2u);
  tracker->stop();
}

// Start-up in the shell's order, the bars before the tracker: the tracker's first entries are on the bar
// and fully drawn on the same pass, not at the end of a throttle window nor after a fade.
TEST_F(MonitorManagerTest, FirstEntriesAppearWithTheBar) {
  settings->multiMonitorMode = MultiMonitorMode::allOnAll;  // the bar is handed its lists
  tracker->settingsManager = settings.get();
  tracker->windowManager = windowManager;
  const int32_t editor = mac.launchApp("com.example.editor", "Editor");
  mac.openWindow(editor, {.title = "Page", .bounds = Rect(100, 100, 800, 600)});
  start();
  const double started = scheduler.now();
  tracker->start();
  settle();
  ASSERT_EQ(scheduler.now(), started);
  auto items = manager->viewController(kMain)->arrangedItems();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(widgetOpacity(*items[0]), 1.0);
  tracker->stop();
}

}  // namespace
}  // namespace pelko::test
