// URLs opened with the application, the restart and quit commands, the shell's windows, and URLs handed
// over by a later start.

#include <gtest/gtest.h>

#include "FrontEndsWorld.h"
#include "shell/PelkoURL.h"
#include "shell/SingleInstanceLock.h"

namespace pelko::testing {
namespace {

const char* const kUnhandled = "AppDelegate: unhandled URL scheme action: ";
const char* const kDebounced = "AppDelegate: ignoring rapid restart request (debounced)";

TEST(PelkoURLTest, SchemeAndHostAreReadAsWritten) {
  struct Case {
    const char* text;
    std::optional<std::string> scheme;
    std::optional<std::string> host;
  };
  const Case cases[] = {
      {"pelko://settings", "pelko", "settings"},
      {"pelko://settings/general?tab=2#x", "pelko", "settings"},
      {"PELKO://settings", "PELKO", "settings"},
      {"pelko://Settings", "pelko", "Settings"},
      {"pelko://setting%73", "pelko", "setting%73"},
      {"pelko://user@restart:99/", "pelko", "restart"},
      {"pelko://[::1]:80", "pelko", "[::1]"},
      {"pelko://", "pelko", std::nullopt},
      {"pelko:///settings", "pelko", std::nullopt},
      {"pelko:settings", "pelko", std::nullopt},
      {"settings", std::nullopt, std::nullopt},
      {"://settings", std::nullopt, std::nullopt},
      {"1pelko://settings", std::nullopt, std::nullopt},
      {"pel ko://settings", std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    auto url = PelkoURL::parse(c.text);
    EXPECT_EQ(url.scheme, c.scheme) << c.text;
    EXPECT_EQ(url.host, c.host) << c.text;
    EXPECT_EQ(url.absoluteString, c.text);
  }
}

class UrlActionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world.start();
    world.bars.clear();
  }
  int rebuilds() const {
    return static_cast<int>(std::count(world.bars.begin(), world.bars.end(), "rebuildAll"));
  }

  FrontEndsWorld world;
};

TEST_F(UrlActionsTest, EachHostRunsItsActionCaseSensitively) {
  struct Case {
    const char* url;
    int settings, onboarding, rebuilds, exits;
    bool unhandled;
  };
  const Case cases[] = {
      {"pelko://settings", 1, 0, 0, 0, false},
      {"pelko://settings/any/path?q=1#f", 1, 0, 0, 0, false},
      {"pelko://onboarding", 0, 1, 0, 0, false},
      {"pelko://restart", 0, 0, 1, 0, false},
      {"pelko://Settings", 0, 0, 0, 0, true},
      {"pelko://setting%73", 0, 0, 0, 0, true},
      {"pelko://", 0, 0, 0, 0, true},
      {"pelko:settings", 0, 0, 0, 0, true},
      {"pelko://other", 0, 0, 0, 0, true},
      {"PELKO://settings", 0, 0, 0, 0, false},
      {"Pelko://restart", 0, 0, 0, 0, false},
      {"https://settings", 0, 0, 0, 0, false},
      {"settings", 0, 0, 0, 0, false},
      {"pelko://quit", 0, 0, 0, 1, false},
  };
  for (const auto& c : cases) {
    FrontEndsWorld fresh;
    fresh.start();
    fresh.bars.clear();
    fresh.log.clear();
    fresh.delegate->openURLs({c.url});
    fresh.scheduler.runUntilIdle();
    EXPECT_EQ(fresh.settingsWindow->shown, c.settings) << c.url;
    EXPECT_EQ(fresh.onboardingWindow->shown, c.onboarding) << c.url;
    EXPECT_EQ(static_cast<int>(std::count(fresh.bars.begin(), fresh.bars.end(), "rebuildAll")), c.rebuilds)
        << c.url;
    EXPECT_EQ(static_cast<int>(fresh.processControl.exitStatuses.size()), c.exits) << c.url;
    EXPECT_EQ(fresh.countLog(std::string(kUnhandled) + c.url), c.unhandled ? 1u : 0u) << c.url;
  }
}

TEST_F(UrlActionsTest, AListIsHandledInOrder) {
  world.delegate->openURLs({"pelko://settings", "pelko://onboarding", "pelko://settings"});
  EXPECT_EQ(world.settingsWindow->made, 1);
  EXPECT_EQ(world.settingsWindow->shown, 2);
  EXPECT_EQ(world.onboardingWindow->shown, 1);
}

TEST_F(UrlActionsTest, RestartsWithinTwoSecondsOfTheLastAreIgnored) {
  world.delegate->openURLs({"pelko://restart"});
  EXPECT_EQ(rebuilds(), 1) << "the first restart of a process always runs";
  world.settle(1.0);
  world.delegate->openURLs({"pelko://restart"});
  EXPECT_EQ(rebuilds(), 1);
  EXPECT_EQ(world.countLog(kDebounced), 1u);
  world.settle(1.0);  // exactly 2 s after the first
  world.delegate->restartPelko();
  EXPECT_EQ(rebuilds(), 1);
  world.settle(0.5);
  world.delegate->openURLs({"pelko://restart"});
  EXPECT_EQ(rebuilds(), 2);
  EXPECT_EQ(world.countLog(kDebounced), 2u);
}

TEST_F(UrlActionsTest, ARestartAfterTheWallClockWasSetBackRunsOnTime) {
  world.delegate->restartPelko();
  world.scheduler.shiftWallClock(-3600);
  world.settle(2.5);
  world.delegate->restartPelko();
  EXPECT_EQ(rebuilds(), 2);
  // Set forward, the clock does not let a rapid restart through either.
  world.scheduler.shiftWallClock(7200);
  world.delegate->restartPelko();
  EXPECT_EQ(rebuilds(), 2);
}

TEST_F(UrlActionsTest, URLsAfterAQuitBeganAreIgnored) {
  world.delegate->openURLs({"pelko://quit", "pelko://restart", "pelko://settings"});
  world.delegate->openURLs({"pelko://onboarding"});
  world.scheduler.runUntilIdle();
  EXPECT_EQ(world.processControl.exitStatuses, std::vector<int>{0});
  EXPECT_EQ(rebuilds(), 0);
  EXPECT_EQ(world.settingsWindow->made, 0);
  EXPECT_EQ(world.onboardingWindow->made, 0);
}

TEST_F(UrlActionsTest, URLsAfterATerminationSignalAreIgnored) {
  world.processControl.raise(SIGTERM);
  world.scheduler.runUntilIdle();
  world.delegate->openURLs({"pelko://restart"});
  EXPECT_EQ(rebuilds(), 0);
  EXPECT_FALSE(world.urlDelivery.isReceiving());
}

TEST_F(UrlActionsTest, TheTaskbarEntryOpensTheSettingsWindowThenTogglesIt) {
  world.mac.appShell().applicationDelegate = world.delegate.get();
  platform::ApplicationDelegate* reached = world.mac.appShell().delegate();
  reached->toggleSettingsWindowFromTaskbar();
  EXPECT_EQ(world.settingsWindow->made, 1);
  EXPECT_EQ(world.settingsWindow->shown, 1);
  EXPECT_EQ(world.settingsWindow->toggled, 0);
  reached->toggleSettingsWindowFromTaskbar();
  EXPECT_EQ(world.settingsWindow->shown, 1);
  EXPECT_EQ(world.settingsWindow->toggled, 1);
  world.mac.appShell().applicationDelegate = nullptr;
}

TEST_F(UrlActionsTest, TheOnboardingIsReleasedAfterItsCloseHandlerReturns) {
  world.delegate->openOnboarding();
  world.delegate->openOnboarding();
  EXPECT_EQ(world.onboardingWindow->made, 1);
  EXPECT_EQ(world.onboardingWindow->shown, 2);

  FakeOnboardingWindow::closeWindow(world.lastOnboarding);
  EXPECT_FALSE(world.onboardingWindow->destroyedInsideClose);
  EXPECT_EQ(world.delegate->onboardingWindowController(), nullptr) << "let go of at once";
  world.scheduler.runUntilIdle();
  EXPECT_EQ(world.onboardingWindow->destroyed, 1);

  // Reopened, it starts again from scratch.
  world.delegate->openOnboarding();
  EXPECT_EQ(world.onboardingWindow->made, 2);
}

TEST_F(UrlActionsTest, ReopeningBeforeTheReleaseRanKeepsTheNewWindow) {
  world.delegate->openOnboarding();
  FakeOnboardingWindow::closeWindow(world.lastOnboarding);
  world.delegate->openURLs({"pelko://onboarding"});
  world.scheduler.runUntilIdle();
  ASSERT_NE(world.delegate->onboardingWindowController(), nullptr);
  EXPECT_EQ(world.onboardingWindow->made, 2);
  EXPECT_EQ(world.onboardingWindow->destroyed, 1);
}

TEST(FirstRunOnboardingTest, OpensHalfASecondAfterStartUp) {
  FrontEndsWorld world;
  world.defaults.removeObject(AppDelegate::kOnboardingCompleteKey);
  world.start();
  world.settle(0.49);
  EXPECT_EQ(world.onboardingWindow->shown, 0);
  world.settle(0.01);
  EXPECT_EQ(world.onboardingWindow->shown, 1);
}

TEST(LaunchURLsTest, TheURLsAStartIsGivenAreHandledAfterStartUp) {
  FrontEndsWorld world;
  world.start({"pelko://settings", "--some-flag"});
  EXPECT_EQ(world.settingsWindow->shown, 1);
  EXPECT_TRUE(world.urlDelivery.isReceiving());
  // Later starts' URLs arrive through the delivery.
  world.urlDelivery.open({"pelko://onboarding"});
  world.scheduler.runUntilIdle();
  EXPECT_EQ(world.onboardingWindow->shown, 1);
}

class SecondStartTest : public ::testing::Test {
 protected:
  SecondStartTest() : holder(SingleInstanceLock::tryAcquire(world.lockPath(), outcome)) {}

  FrontEndsWorld world;
  SingleInstanceLock::Outcome outcome;
  std::unique_ptr<SingleInstanceLock> holder;
};

TEST_F(SecondStartTest, HandsItsURLsToTheRunningCopyAndEndsWithStatusZero) {
  ASSERT_TRUE(holder);
  world.urlDelivery.forwardAnswer = platform::UrlDelivery::ForwardResult::delivered;
  world.start({"pelko://restart", "pelko://settings"});
  EXPECT_EQ(world.urlDelivery.forwarded,
            (std::vector<std::vector<std::string>>{{"pelko://restart", "pelko://settings"}}));
  EXPECT_EQ(world.processControl.exitStatuses, std::vector<int>{0});
  EXPECT_TRUE(world.alerts.shown.empty()) << "no \"Already Running\" alert";
  EXPECT_FALSE(world.delegate->hasFinishedLaunching());
  EXPECT_EQ(world.settingsWindow->made, 0);
}

TEST_F(SecondStartTest, WithNobodyListeningItWaitsAndThenSaysAlreadyRunning) {
  world.start({"pelko://restart"});
  world.settle(2.1);
  ASSERT_EQ(world.alerts.shown.size(), 1u);
  EXPECT_EQ(world.alerts.shown[0].messageText, "Pelko is Already Running");
  EXPECT_GT(world.urlDelivery.forwarded.size(), 1u) << "asked again while waiting";
}

TEST_F(SecondStartTest, WithoutURLsNothingIsForwarded) {
  world.urlDelivery.forwardAnswer = platform::UrlDelivery::ForwardResult::delivered;
  world.start();
  world.settle(2.1);
  EXPECT_TRUE(world.urlDelivery.forwarded.empty());
  EXPECT_EQ(world.alerts.shown.size(), 1u);
}

}  // namespace
}  // namespace pelko::testing
