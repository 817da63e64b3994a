#include <gtest/gtest.h>

#include "MonitorManagerTestWorld.h"
#include "taskbar/AppItemView.h"
#include "ui/WidgetOpacity.h"

namespace pelko::test {
namespace {

// Start-up in the shell's order, the bars before the tracker: the tracker's first entries are on the bars
// and fully drawn on the same pass, not at the end of a throttle window nor after a fade. A window moved
// to another display: the tracker's tests raise the generation, the modes test hands the lists out again.
TEST_F(MonitorManagerTest, FirstEntriesAppearWithTheBarsOnTheirWindowsDisplays) {
  settings->multiMonitorMode = MultiMonitorMode::activeMonitorOnly;  // the bars are handed their lists
  settings->groupWindows = false;
  addRight();
  tracker->settingsManager = settings.get();
  tracker->windowManager = windowManager;
  const int32_t editor = mac.launchApp("com.example.editor", "Editor");
  const int32_t viewer = mac.launchApp("com.example.viewer", "Viewer");
  mac.openWindow(editor, {.title = "Left page", .bounds = Rect(100, 100, 800, 600)});
  mac.openWindow(viewer, {.title = "Photo", .bounds = Rect(2000, 100, 800, 600)});
  start();
  const double started = scheduler.now();
  tracker->start();
  settle();
  ASSERT_EQ(scheduler.now(), started);
  auto items = manager->viewController(kMain)->arrangedItems();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(widgetOpacity(*items[0]), 1.0);
  EXPECT_EQ(namesOn(1), (std::vector<std::string>{"Editor"}));
  EXPECT_EQ(namesOn(2), (std::vector<std::string>{"Viewer"}));
  tracker->stop();
}

}  // namespace
}  // namespace pelko::test
