#include <gtest/gtest.h>

#include <QLabel>

#include "ShellTestWorld.h"
#include "shell/MonitorManagerTaskbars.h"
#include "taskbar/SystemTrayManager.h"
#include "taskbar/SystemTrayView.h"
#include "taskbar/TaskbarAccessoryServices.h"

namespace pelko::testing {
namespace {

// The one tray manager: made at start-up, handed through the monitor manager to the bar of every
// display, started after the tracker, stopped by clean-up. Seen on the virtual clock (08:16:40).
TEST(AppDelegateTrayTest, StartUpGivesEveryBarTheOneStartedTrayAndCleanUpStopsItsMinuteTicks) {
  ShellTestWorld world;
  test::TaskbarAccessoryServices services{world.scheduler, world.mac.workspace()};
  world.mac.addDisplay({.bounds = Rect(1920, 0, 1280, 1024), .scale = 1.0, .name = "Right"});
  world.withRealBars = true;
  world.powerSources = &services.powerSources;
  world.localeTimeZone = &services.localeTimeZone;
  world.start();
  MonitorManager* monitors = &world.realBars->monitorManager();

  SystemTrayManager* tray = world.delegate->systemTrayManager();
  ASSERT_NE(tray, nullptr);
  ASSERT_EQ(monitors->displayIDs().size(), 2u);
  std::vector<std::string> ticks;
  auto subscription =
      tray->timeString.publisher().sink([&](const std::string& time) { ticks.push_back(time); });
  world.scheduler.advance(60);
  EXPECT_EQ(ticks, (std::vector<std::string>{"8:16 AM", "8:17 AM"}));
  for (platform::DisplayID display : monitors->displayIDs())
    EXPECT_EQ(monitors->viewController(display)->systemTrayView()->timeLabel()->text(), "8:17 AM") << display;

  world.delegate->cleanup();
  world.scheduler.advance(180);
  EXPECT_EQ(ticks.size(), 2u) << "no minute tick after clean-up";
  EXPECT_FALSE(tray->isStarted());
}

}  // namespace
}  // namespace pelko::testing
