#include <gtest/gtest.h>

#include "MonitorManagerTestWorld.h"

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

}  // namespace
}  // namespace pelko::test
