#include <gtest/gtest.h>

#include "ShellTestWorld.h"

namespace pelko::testing {
namespace {

const ShellTestWorld::Dictionary kUsersDock = {{"autohide", false}, {"mineffect", "genie"}};
const char* const kRevealLine = "AppDelegate: Dock became visibly present while Fully Hide Dock is enabled";
const char* const kAlertMessage = "The macOS Dock Is Showing Again";

class AppDelegateDockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world.setDockDomain(kUsersDock);
    world.showDockOnScreen();
    world.start();
    subscription = world.delegate->dockVisibilityDidChange().sink(
        [this](const bool& hidden) { announced.push_back(hidden); });
    ASSERT_TRUE(world.delegate->isDockHidden());
  }

  // Someone shows the Dock again behind our back (its preferences no longer hold the hidden ones).
  void revealDockFromOutside() { world.setDockDomain(kUsersDock); }

  size_t alertsShown() const {
    size_t count = 0;
    for (const auto& alert : world.alerts.shown) count += alert.messageText == kAlertMessage;
    return count;
  }

  // Lets the probe timer fire at its next tick and waits for the snapshot it asks for.
  void nextProbe() { world.settle(5); }

  ShellTestWorld world;
  std::vector<bool> announced;
  Cancellable subscription;
};

TEST_F(AppDelegateDockTest, HidingTwiceSendsOneCommandAndOneNotification) {
  size_t commands = world.dockCommands().size();
  world.delegate->setDockHidden(true);
  world.scheduler.runUntilIdle();
  EXPECT_EQ(world.dockCommands().size(), commands);
  EXPECT_TRUE(announced.empty());

  world.delegate->setDockHidden(false);
  EXPECT_EQ(world.dockDomain(), kUsersDock);
  EXPECT_EQ(announced, std::vector<bool>{false});
  world.delegate->setDockHidden(true);
  world.scheduler.runUntilIdle();
  EXPECT_EQ(announced, (std::vector<bool>{false, true}));
}

TEST_F(AppDelegateDockTest, TheFirstProbeComesAfterTheStartUpSuspension) {
  size_t reads = world.dockCommands().size();
  world.settle(5);
  EXPECT_EQ(world.dockCommands().size(), reads) << "the tick at 5 s falls into the 8 s after start";
  world.settle(5);
  EXPECT_GT(world.dockCommands().size(), reads) << "the tick at 10 s probes";
  world.settle(60);
  EXPECT_EQ(alertsShown(), 0u) << "a Dock hidden as it should be raises no alert";
  EXPECT_FALSE(world.delegate->hasObservedExternalDockReveal());
}

TEST_F(AppDelegateDockTest, EachDockChangeSuspendsTheProbeAndNoSuspensionIsShortened) {
  struct Case {
    std::string name;
    std::function<void()> act;
    double quiet;
  };
  // clang-format off
  std::vector<Case> cases = {
      {"restore",    [&] { world.delegate->setDockHidden(false); },                           4},
      {"hide",       [&] { world.delegate->setDockHidden(true); },                            8},
      {"hide again", [&] { world.delegate->reapplyDockHiddenNow(); },                         8},
      {"wake",       [&] { world.mac.wakeScreens(); world.scheduler.runUntilIdle(); },        10},
  };
  // clang-format on
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    world.settle(30);
    double start = world.scheduler.now();
    c.act();
    EXPECT_DOUBLE_EQ(world.delegate->dockVisibilityMonitorSuppressedUntil(), start + c.quiet);
    world.scheduler.runUntilIdle();
  }
  double until = world.delegate->dockVisibilityMonitorSuppressedUntil();
  world.delegate->suspendDockVisibilityMonitor(1);
  EXPECT_EQ(world.delegate->dockVisibilityMonitorSuppressedUntil(), until) << "never shortened";
}

TEST_F(AppDelegateDockTest, AnOutsideRevealIsReportedOnceAndHideAgainKeepsTheSetting) {
  world.settle(10);
  revealDockFromOutside();
  world.alerts.scriptedAnswers = {0};  // "Hide Dock Again"
  nextProbe();

  ASSERT_EQ(alertsShown(), 1u);
  const auto& alert = world.alerts.shown.back();
  EXPECT_EQ(
      alert.informativeText,
      "Pelko detected that the native Dock is actually visible on screen again. Do you want to hide it again "
      "or keep it visible?");
  EXPECT_EQ(alert.buttons, (std::vector<std::string>{"Hide Dock Again", "Keep Dock Visible"}));
  EXPECT_EQ(world.countLog(kRevealLine), 1u);
  EXPECT_GE(world.mac.appShell().activateOwnProcessCount, 1) << "brought to the front first";

  world.scheduler.runUntilIdle();
  EXPECT_TRUE(world.settings().fullyHideDock);
  EXPECT_TRUE(world.delegate->isDockHidden());
  EXPECT_EQ(world.dockDomain().at("autohide-delay"), platform::PlistValue(1000000.0)) << "hidden again";
  EXPECT_TRUE(announced.empty()) << "already hidden: nothing to announce";

  // Hidden again: the following probes find it hidden; a later reveal is reported anew.
  world.settle(30);
  EXPECT_EQ(alertsShown(), 1u);
  revealDockFromOutside();
  world.alerts.scriptedAnswers = {0};
  nextProbe();
  EXPECT_EQ(alertsShown(), 2u);
  // The hides again kept the user's configuration for the restore.
  world.scheduler.runUntilIdle();
  world.delegate->terminate();
  EXPECT_EQ(world.dockDomain(), kUsersDock);
}

TEST_F(AppDelegateDockTest, AfterHideAgainAStillVisibleDockIsReportedAgainEightSecondsLaterAtTheEarliest) {
  world.scheduler.advance(10);
  revealDockFromOutside();
  // The re-hide the user asks for does not take: the tools fail to write.
  ::setenv("PELKO_SIM_FAIL", "defaults write", 1);
  world.alerts.scriptedAnswers = {0};
  nextProbe();
  world.scheduler.runUntilIdle();
  ::unsetenv("PELKO_SIM_FAIL");
  ASSERT_EQ(alertsShown(), 1u);
  nextProbe();
  EXPECT_EQ(alertsShown(), 1u) << "5 s after the alert: still suspended";
  nextProbe();
  EXPECT_EQ(alertsShown(), 2u);
}

TEST_F(AppDelegateDockTest, KeepDockVisibleTurnsTheSettingOffAndRestoresTheDock) {
  world.scheduler.advance(10);
  // The Dock reappears with its preferences still partly hidden (say, the delay reset by hand).
  auto partly = ShellTestWorld::kHiddenConfiguration;
  partly["autohide-delay"] = 0.2;
  for (const auto& [key, value] : kUsersDock) partly.insert({key, value});
  world.setDockDomain(partly);
  world.alerts.scriptedAnswers = {1};  // "Keep Dock Visible"
  nextProbe();
  ASSERT_EQ(alertsShown(), 1u);
  world.scheduler.runUntilIdle();

  EXPECT_FALSE(world.settings().fullyHideDock);
  EXPECT_FALSE(world.delegate->isDockHidden());
  EXPECT_EQ(announced, std::vector<bool>{false});
  EXPECT_FALSE(world.delegate->hasObservedExternalDockReveal());
  world.scheduler.advance(30);
  EXPECT_EQ(alertsShown(), 1u);
}

// Closed, Escape, or a quit while it is open: the user chose neither button, and the setting stays.
TEST_F(AppDelegateDockTest, TheAlertEndedWithoutAChoiceKeepsTheSetting) {
  world.scheduler.advance(10);
  revealDockFromOutside();
  world.alerts.scriptedAnswers = {sim::SimAlerts::kEndedWithoutChoice};
  nextProbe();
  ASSERT_EQ(alertsShown(), 1u);
  world.scheduler.runUntilIdle();
  EXPECT_TRUE(world.settings().fullyHideDock);
  EXPECT_EQ(world.alerts.owners.back().window, nullptr) << "the application's own alert";
}

TEST_F(AppDelegateDockTest, AProbeDuringAQuitNeverAlerts) {
  world.scheduler.advance(10);
  revealDockFromOutside();
  world.delegate->applicationShouldTerminate();
  nextProbe();
  world.scheduler.advance(20);
  EXPECT_EQ(alertsShown(), 0u);
}

TEST_F(AppDelegateDockTest, AfterWakeOnlyADriftedConfigurationIsHiddenAgainAndWithoutAnAlert) {
  world.scheduler.advance(20);
  size_t restarts = world.dockRestarts();
  world.mac.wakeScreens();
  world.scheduler.runUntilIdle();
  world.settle(1.5);
  EXPECT_EQ(world.dockRestarts(), restarts) << "the Dock is visible, but its preferences still hide it";

  world.scheduler.advance(20);
  revealDockFromOutside();
  world.mac.wakeScreens();
  world.scheduler.runUntilIdle();
  world.settle(1.4);
  EXPECT_EQ(world.dockRestarts(), restarts) << "1.5 s after the wake, not before";
  world.settle(0.1);
  EXPECT_EQ(world.dockRestarts(), restarts + 1);
  EXPECT_EQ(world.countLog("AppDelegate: Dock config drifted after wake, re-hiding"), 1u);
  EXPECT_EQ(alertsShown(), 0u);
  world.delegate->terminate();
  EXPECT_EQ(world.dockDomain(), kUsersDock) << "the re-hide kept the user's configuration for the restore";
}

TEST_F(AppDelegateDockTest, WakeAndReapplyDoNothingWhileTheUserKeepsTheDock) {
  world.settings().fullyHideDock = false;
  world.scheduler.runUntilIdle();
  size_t commands = world.dockCommands().size();
  world.mac.wakeScreens();
  world.delegate->reapplyDockHiddenNow();
  world.settle(2);
  EXPECT_EQ(world.dockCommands().size(), commands);
  EXPECT_FALSE(world.delegate->isDockHidden());
}

}  // namespace
}  // namespace pelko::testing
