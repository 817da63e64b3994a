// URLs opened with the application, the restart and quit commands, the shell's windows, and URLs handed
// over by a later start.

#include <gtest/gtest.h>

#include "FrontEndsWorld.h"
#include "shell/PelkoURL.h"
#include "shell/SingleInstanceLock.h"

namespace pelko::testing {
namespace {

TEST(UrlActionsTest, EachHostRunsItsActionCaseSensitively) {
  struct Case {
    const char* url;
    int settings, onboarding, rebuilds, exits;
    bool unhandled;
  };
  const Case cases[] = {
      {"pelko://settings", 1, 0, 0, 0, false},
      {"pelko://settings/any/path?q=1#f", 1, 0, 0, 0, false},
      {"pelko://user@settings:80", 1, 0, 0, 0, false},
      {"pelko://onboarding", 0, 1, 0, 0, false},
      {"pelko://restart", 0, 0, 1, 0, false},
      {"pelko://quit", 0, 0, 0, 1, false},
      {"pelko://Settings", 0, 0, 0, 0, true},
      {"pelko://setting%73", 0, 0, 0, 0, true},
      {"pelko://", 0, 0, 0, 0, true},
      {"pelko:///settings", 0, 0, 0, 0, true},
      {"pelko:settings", 0, 0, 0, 0, true},
      {"pelko://other", 0, 0, 0, 0, true},
      {"PELKO://settings", 0, 0, 0, 0, false},
      {"Pelko://restart", 0, 0, 0, 0, false},
      {"https://settings", 0, 0, 0, 0, false},
      {"settings", 0, 0, 0, 0, false},
      {"1pelko://settings", 0, 0, 0, 0, false},
  };
  for (const auto& c : cases) {
    FrontEndsWorld world;
    world.start();
    world.bars.clear();
    world.delegate->openURLs({c.url});
    world.scheduler.runUntilIdle();
    EXPECT_EQ(world.settingsWindow->shown, c.settings) << c.url;
    EXPECT_EQ(world.onboardingWindow->shown, c.onboarding) << c.url;
    EXPECT_EQ(world.rebuilds(), c.rebuilds) << c.url;
    EXPECT_EQ(static_cast<int>(world.processControl.exitStatuses.size()), c.exits) << c.url;
    EXPECT_EQ(world.countLog(std::string("AppDelegate: unhandled URL scheme action: ") + c.url),
              c.unhandled ? 1u : 0u)
        << c.url;
  }
}

class UrlActionsWorldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world.start();
    world.bars.clear();
  }
  FrontEndsWorld world;
};

TEST_F(UrlActionsWorldTest, RestartsWithinTwoSecondsOfTheLastAreIgnoredWhateverTheWallClockDoes) {
  const char* debounced = "AppDelegate: ignoring rapid restart request (debounced)";
  world.delegate->openURLs({"pelko://restart", "pelko://settings"});
  EXPECT_EQ(world.rebuilds(), 1) << "the first restart of a process always runs";
  world.scheduler.shiftWallClock(7200);  // set forward: no rapid restart gets through
  world.settle(1.0);
  world.delegate->openURLs({"pelko://restart"});
  world.settle(1.0);  // exactly 2 s after the first
  world.delegate->restartPelko();
  EXPECT_EQ(world.rebuilds(), 1);
  EXPECT_EQ(world.countLog(debounced), 2u);
  world.scheduler.shiftWallClock(-3 * 7200);  // set back: restarts go on as before
  world.settle(0.5);
  world.delegate->restartPelko();
  EXPECT_EQ(world.rebuilds(), 2);
}

TEST_F(UrlActionsWorldTest, URLsAfterAQuitOrATerminationSignalAreIgnored) {
  world.delegate->openURLs({"pelko://quit", "pelko://restart", "pelko://settings"});
  world.delegate->openURLs({"pelko://onboarding"});
  EXPECT_EQ(world.processControl.exitStatuses, std::vector<int>{0});
  EXPECT_EQ(world.rebuilds() + world.settingsWindow->made + world.onboardingWindow->made, 0);

  FrontEndsWorld signalled;
  signalled.start();
  signalled.processControl.raise(SIGTERM);
  signalled.scheduler.runUntilIdle();
  EXPECT_FALSE(signalled.urlDelivery.isReceiving());
  signalled.delegate->openURLs({"pelko://settings"});
  EXPECT_EQ(signalled.settingsWindow->made, 0);
}

TEST_F(UrlActionsWorldTest, TheTaskbarEntryOpensTheSettingsWindowThenTogglesIt) {
  world.mac.appShell().applicationDelegate = world.delegate.get();
  world.mac.appShell().delegate()->toggleSettingsWindowFromTaskbar();
  world.mac.appShell().delegate()->toggleSettingsWindowFromTaskbar();
  EXPECT_EQ(world.settingsWindow->made, 1);
  EXPECT_EQ(world.settingsWindow->shown, 1);
  EXPECT_EQ(world.settingsWindow->toggled, 1);
  world.mac.appShell().applicationDelegate = nullptr;
}

TEST_F(UrlActionsWorldTest, TheOnboardingIsReleasedAfterItsCloseHandlerReturnsAndRebuiltWhenReopened) {
  world.delegate->openOnboarding();
  world.delegate->openOnboarding();
  EXPECT_EQ(world.onboardingWindow->made, 1);
  FakeWindow::closeWindow(world.lastOnboarding);
  EXPECT_FALSE(world.onboardingWindow->destroyedInsideClose);
  EXPECT_EQ(world.delegate->onboardingWindowController(), nullptr) << "let go of at once";
  // Reopened before the old one is destroyed: the new window stays.
  world.delegate->openURLs({"pelko://onboarding"});
  world.scheduler.runUntilIdle();
  EXPECT_EQ(world.onboardingWindow->destroyed, 1);
  EXPECT_EQ(world.onboardingWindow->made, 2);
  EXPECT_EQ(world.onboardingWindow->shown, 3);
  EXPECT_NE(world.delegate->onboardingWindowController(), nullptr);
}

TEST(StartURLsTest, TheFirstRunOpensTheOnboardingHalfASecondAfterStartUp) {
  FrontEndsWorld world;
  world.defaults.removeObject(AppDelegate::kOnboardingCompleteKey);
  world.start();
  world.settle(0.49);
  EXPECT_EQ(world.onboardingWindow->shown, 0);
  world.settle(0.01);
  EXPECT_EQ(world.onboardingWindow->shown, 1);
}

TEST(StartURLsTest, OnlyArgumentsWithASchemeAreURLsAndValuesOfOptionsAreNone) {
  struct Case {
    std::vector<std::string> arguments;
    std::vector<std::string> urls;
  };
  const std::vector<Case> cases = {
      {{"pelko://settings", "x-y.z+1:thing", "a1:"}, {"pelko://settings", "x-y.z+1:thing", "a1:"}},
      {{":55", "1pelko://settings", "-pelko://settings", "pel ko://x", "pel_ko:x", "settings"}, {}},
      {{"-display", ":55"}, {}},
      {{"-display", "host:0", "pelko://restart"}, {"pelko://restart"}},
      {{"--display", "host:0"}, {}},
      {{"-platform", "xcb:nograb", "-style", "fusion:x"}, {}},
      {{"-reverse", "pelko://quit"}, {"pelko://quit"}},
      {{"--restore-dock", "pelko://quit"}, {"pelko://quit"}},
      {{"-display=host:0", "pelko://quit"}, {"pelko://quit"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(urlsAmongArguments(c.arguments), c.urls) << ::testing::PrintToString(c.arguments);
  }
}

TEST(StartURLsTest, AStartsOwnURLsAndLaterOnesAreHandledAfterStartUp) {
  FrontEndsWorld world;
  world.start({"pelko://settings", "--some-flag"});
  EXPECT_EQ(world.settingsWindow->shown, 1);
  world.urlDelivery.open({"pelko://onboarding"});
  world.scheduler.runUntilIdle();
  EXPECT_EQ(world.onboardingWindow->shown, 1);
}

TEST(StartURLsTest, ASecondStartHandsItsURLsOverAndOneWithoutURLsSaysAlreadyRunning) {
  FrontEndsWorld world;
  SingleInstanceLock::Outcome outcome;
  auto running = SingleInstanceLock::tryAcquire(world.lockPath(), outcome);
  ASSERT_TRUE(running);
  world.urlDelivery.forwardAnswer = platform::UrlDelivery::ForwardResult::delivered;
  world.start({"-platform", "xcb", "pelko://restart", "pelko://settings"});
  EXPECT_EQ(world.urlDelivery.forwarded,
            (std::vector<std::vector<std::string>>{{"pelko://restart", "pelko://settings"}}));
  EXPECT_EQ(world.processControl.exitStatuses, std::vector<int>{0});
  EXPECT_TRUE(world.alerts.shown.empty());
  EXPECT_FALSE(world.delegate->hasFinishedLaunching());

  // Without URLs to hand over, the start waits for the lock, then gives up.
  FrontEndsWorld later;
  auto alsoRunning = SingleInstanceLock::tryAcquire(later.lockPath(), outcome);
  later.urlDelivery.forwardAnswer = platform::UrlDelivery::ForwardResult::delivered;
  later.start({"-platform", "xcb"});
  later.settle(2.1);
  ASSERT_EQ(later.alerts.shown.size(), 1u);
  EXPECT_EQ(later.alerts.shown[0].messageText, "Pelko is Already Running");
  EXPECT_TRUE(later.urlDelivery.forwarded.empty());
}

// The copy holding the lock may still be starting: URLs nobody takes are offered again while the lock is
// waited for. A copy that still does not listen then cannot be reached: the start says so and ends with
// status 1, never with the quiet "already running" of a start without URLs.
TEST(StartURLsTest, URLsNobodyTakesWhileTheLockIsWaitedForEndTheStartAsUnreachable) {
  FrontEndsWorld world;
  SingleInstanceLock::Outcome outcome;
  auto running = SingleInstanceLock::tryAcquire(world.lockPath(), outcome);
  ASSERT_TRUE(running);
  ::testing::internal::CaptureStderr();
  world.start({"pelko://restart"});
  world.settle(1.9);
  EXPECT_GT(world.urlDelivery.forwarded.size(), 10u) << "asked again while waiting";
  EXPECT_TRUE(world.processControl.exitStatuses.empty());
  world.settle(0.2);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Pelko: the URLs cannot reach the running copy: it does not answer on a socket this start can "
            "find and use\n");
  EXPECT_EQ(world.processControl.exitStatuses, std::vector<int>{1});
  EXPECT_TRUE(world.alerts.shown.empty());
  EXPECT_FALSE(world.delegate->hasFinishedLaunching());
}

// A copy runs and the URLs did not reach it: the start ends with status 1 and says why, never with the
// quiet "already running" of a start without URLs.
TEST(StartURLsTest, URLsTheRunningCopyDidNotTakeEndTheStartWithStatusOneAndTheirOwnMessage) {
  using Result = platform::UrlDelivery::ForwardResult;
  for (const auto& [result, said] : std::vector<std::pair<Result, std::string>>{
           {Result::refused,
            "Pelko: the running copy did not take the URLs (at most 16, each at most 2 KiB, without line "
            "breaks or other control characters)\n"},
           {Result::busy,
            "Pelko: the running copy is busy with other starts and did not take the URLs; try again\n"},
           {Result::unreachable,
            "Pelko: the URLs cannot reach the running copy: it does not answer on a socket this start can "
            "find and use\n"},
       }) {
    SCOPED_TRACE(said);
    FrontEndsWorld world;
    SingleInstanceLock::Outcome outcome;
    auto running = SingleInstanceLock::tryAcquire(world.lockPath(), outcome);
    ASSERT_TRUE(running);
    world.urlDelivery.forwardAnswer = result;
    ::testing::internal::CaptureStderr();
    world.start({"pelko://quit"});
    world.settle(2.1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), said);
    EXPECT_EQ(world.processControl.exitStatuses, std::vector<int>{1});
    EXPECT_EQ(world.urlDelivery.forwarded.size(), 1u) << "given up at once";
    EXPECT_TRUE(world.alerts.shown.empty());
  }
}

// A line break inside one argument must not make two URLs of it: such a URL is refused whole and said,
// by a start that would hand it over (status 1, nothing sent) and by a copy that would open it.
TEST(StartURLsTest, AURLHoldingALineBreakOrAnotherControlCharacterIsRefusedWholeAndSaid) {
  struct Case {
    std::string url;
    std::string shown;
  };
  const Case cases[] = {
      {"pelko://noop\npelko://quit", "pelko://noop\\npelko://quit"},
      {"pelko://quit\r", "pelko://quit\\x0D"},
      {std::string("pelko://quit\0", 13), "pelko://quit\\x00"},
      {"pelko://\x1bquit", "pelko://\\x1Bquit"},
      {"pelko://quit\x7f", "pelko://quit\\x7F"},
      {"pelko://quit\xC2\x85", "pelko://quit\\xC2\\x85"},           // next line (U+0085)
      {"pelko://quit\xE2\x80\xA8", "pelko://quit\\xE2\\x80\\xA8"},  // line separator (U+2028)
      {"pelko://\xE2\x80\xA9quit", "pelko://\\xE2\\x80\\xA9quit"},  // paragraph separator (U+2029)
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown);
    EXPECT_TRUE(holdsControlCharacter(c.url));
    const std::string said =
        "Pelko: a URL holding a line break or another control character is refused: \"" + c.shown + "\"\n";

    FrontEndsWorld later;
    SingleInstanceLock::Outcome outcome;
    auto running = SingleInstanceLock::tryAcquire(later.lockPath(), outcome);
    later.urlDelivery.forwardAnswer = platform::UrlDelivery::ForwardResult::delivered;
    ::testing::internal::CaptureStderr();
    later.start({"pelko://settings", c.url});
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), said);
    EXPECT_EQ(later.processControl.exitStatuses, std::vector<int>{1});
    EXPECT_TRUE(later.urlDelivery.forwarded.empty());

    FrontEndsWorld world;
    world.start();
    world.bars.clear();
    ::testing::internal::CaptureStderr();
    world.delegate->openURLs({c.url, "pelko://settings"});
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), said);
    EXPECT_TRUE(world.processControl.exitStatuses.empty()) << "no quit";
    EXPECT_EQ(world.settingsWindow->shown, 1) << "the other URLs are opened";
  }
  for (const char* fine : {"pelko://settings/\xC3\xA9t\xC3\xA9", "pelko://settings?q=a%0Ab", "pelko://a b"})
    EXPECT_FALSE(holdsControlCharacter(fine)) << fine;
}

}  // namespace
}  // namespace pelko::testing
