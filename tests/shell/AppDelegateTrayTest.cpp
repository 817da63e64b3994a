#include <gtest/gtest.h>

#include <QLabel>

#include "ShellTestWorld.h"
#include "platform/sim/SimLocaleTimeZone.h"
#include "platform/sim/SimOwnWindows.h"
#include "platform/sim/SimPowerSources.h"
#include "shell/MonitorManagerTaskbars.h"
#include "support/SimulatedSystem.h"
#include "taskbar/SystemTrayManager.h"
#include "taskbar/SystemTrayView.h"
#include "taskbar/TaskbarAccessoryServices.h"

namespace pelko::testing {
namespace {

// The one tray manager: made at start-up, handed to the bars, started after the tracker, stopped by
// clean-up. Seen on the virtual clock, which starts at 08:16:40.
TEST(AppDelegateTrayTest, StartUpMakesStartsAndHandsOverTheTrayAndCleanUpStopsItsMinuteTicks) {
  ShellTestWorld world;
  sim::SimPowerSources powerSources{world.scheduler};
  sim::SimLocaleTimeZone localeTimeZone{world.scheduler};
  std::shared_ptr<SystemTrayManager> handedToBars;
  DockManager::Services services(world.childProcess, world.defaults);
  services.defaultsPath = PELKO_SIM_DEFAULTS;
  services.killallPath = PELKO_SIM_KILLALL;
  world.delegate =
      AppDelegate::create(AppDelegate::Environment{world.scheduler,
                                                   world.defaults,
                                                   world.mac.workspace(),
                                                   world.mac.windowServer(),
                                                   world.mac.accessibility(),
                                                   world.mac.screens(),
                                                   world.mac.permissions(),
                                                   world.appearance,
                                                   world.mac.appShell(),
                                                   world.loginItems,
                                                   world.fileSystem,
                                                   world.alerts,
                                                   world.processControl,
                                                   services,
                                                   {},
                                                   world.lockPath(),
                                                   [&](const AppDelegate::TaskbarsContext& context) {
                                                     handedToBars = context.systemTrayManager;
                                                     return std::make_unique<RecordingTaskbars>(world.bars);
                                                   },
                                                   &powerSources,
                                                   &localeTimeZone});
  world.delegate->applicationDidFinishLaunching();
  world.scheduler.runUntilIdle();

  SystemTrayManager* tray = world.delegate->systemTrayManager();
  ASSERT_NE(tray, nullptr);
  EXPECT_EQ(handedToBars.get(), tray);
  EXPECT_EQ(tray->timeString.get(), "8:16 AM") << "started: the clock reads at once";
  std::vector<std::string> ticks;
  auto subscription =
      tray->timeString.publisher().dropFirst().sink([&](const std::string& time) { ticks.push_back(time); });
  world.scheduler.advance(60);
  EXPECT_EQ(ticks, std::vector<std::string>{"8:17 AM"});

  world.delegate->cleanup();
  world.scheduler.advance(180);
  EXPECT_EQ(ticks, std::vector<std::string>{"8:17 AM"}) << "no minute tick after clean-up";
  EXPECT_FALSE(tray->isStarted());
}

class TraysOnEveryBarTest : public ::testing::Test, protected test::SimulatedSystem {};

TEST_F(TraysOnEveryBarTest, TheMonitorManagerGivesEveryBarTheOneTray) {
  sim::SimOwnWindows ownWindows{mac};
  test::TaskbarAccessoryServices accessories{scheduler, mac.workspace()};
  mac.addDisplay({.bounds = Rect(1920, 0, 1280, 1024), .scale = 1.0, .name = "Right"});
  settings->showSystemTray = true;
  MonitorManagerTaskbars taskbars(std::make_unique<MonitorManager>(
      tracker, windowManager, accessories.systemTrayManager, settings,
      MonitorManager::Dependencies{scheduler, mac.screens(), mac.windowServer(), mac.workspace(), appearance,
                                   accessibilityHelper, accessories.trash, accessories.alerts, &ownWindows}));
  taskbars.start();
  accessories.systemTrayManager->start();
  scheduler.runUntilIdle();
  MonitorManager& manager = taskbars.monitorManager();
  ASSERT_EQ(manager.displayIDs().size(), 2u);
  for (platform::DisplayID display : manager.displayIDs())
    EXPECT_EQ(manager.viewController(display)->systemTrayView()->timeLabel()->text(), "8:16 AM") << display;
  scheduler.advance(60);
  for (platform::DisplayID display : manager.displayIDs())
    EXPECT_EQ(manager.viewController(display)->systemTrayView()->timeLabel()->text(), "8:17 AM") << display;
  accessories.systemTrayManager->stop();
  taskbars.stop();
}

}  // namespace
}  // namespace pelko::testing
