#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <optional>
#include <stdexcept>
#include <thread>

#include "ShellTestWorld.h"
#include "foundation/VirtualScheduler.h"
#include "platform/real/PlistFileUserDefaults.h"
#include "platform/real/PosixProcessControl.h"
#include "shell/CrashMarker.h"
#include "tracking/AppTracker.h"

namespace pelko::testing {
namespace {

const ShellTestWorld::Dictionary kUsersDock = {
    {"autohide", true}, {"autohide-delay", 0.3}, {"mineffect", "suck"}};

class AppDelegateTerminationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world.setDockDomain(kUsersDock);
    world.start();
    subscription = world.delegate->dockVisibilityDidChange().sink(
        [this](const bool& hidden) { announced.push_back(hidden); });
    ASSERT_TRUE(world.delegate->isDockHidden());
    world.bars.clear();
  }

  void expectCleanedUp() {
    AppDelegate& d = *world.delegate;
    EXPECT_FALSE(d.accessibilityTrustTimer());
    EXPECT_FALSE(d.screenRecordingPermissionTimer());
    EXPECT_FALSE(d.dockVisibilityMonitorTimer());
    EXPECT_FALSE(d.appTracker()->isRunning());
    EXPECT_EQ(world.bars, std::vector<std::string>{"stop"});
    EXPECT_GE(world.defaults.synchronizeCount(), 1);
  }

  ShellTestWorld world;
  std::vector<bool> announced;
  Cancellable subscription;
};

TEST_F(AppDelegateTerminationTest, AQuitRestoresTheDockAnnouncesItAndEndsWithStatusZero) {
  world.delegate->terminate();
  EXPECT_TRUE(world.delegate->shouldRestoreDockOnQuit());
  EXPECT_EQ(world.dockDomain(), kUsersDock);
  EXPECT_FALSE(DockManager::needsRecovery(world.defaults));
  EXPECT_EQ(announced, std::vector<bool>{false});
  EXPECT_EQ(world.processControl.exitStatuses, std::vector<int>{0});
  expectCleanedUp();
}

TEST_F(AppDelegateTerminationTest, AQuitRightAfterTheHideStartedStillGivesTheDockBack) {
  world.delegate->setDockHidden(false);
  world.delegate->setDockHidden(true);  // the hide is queued, not yet run
  world.delegate->terminate();
  world.scheduler.runUntilIdle();
  EXPECT_EQ(world.dockDomain(), kUsersDock);
}

TEST_F(AppDelegateTerminationTest, ASignalCleansUpWithoutRestoringAndExitsWithItsNumber) {
  ASSERT_TRUE(world.processControl.raise(SIGTERM));
  EXPECT_TRUE(world.processControl.exitStatuses.empty()) << "handled on the main queue, not in the signal";
  world.scheduler.runUntilIdle();
  EXPECT_EQ(world.processControl.exitStatuses, std::vector<int>{15});
  expectCleanedUp();
  EXPECT_TRUE(announced.empty());
  EXPECT_TRUE(world.delegate->isDockHidden()) << "a Dock this run hid stays hidden";
  EXPECT_TRUE(DockManager::needsRecovery(world.defaults)) << "the next start decides";
  // SIGINT and SIGHUP end it the same way, with their own numbers (also when the delegate is gone).
  world.delegate.reset();
  for (int signal : {SIGINT, SIGHUP}) world.processControl.raise(signal);
  world.scheduler.runUntilIdle();
  EXPECT_EQ(world.processControl.exitStatuses, (std::vector<int>{15, 2, 1}));
}

TEST_F(AppDelegateTerminationTest, ASignalAfterAQuitBeganRestoresTheDock) {
  world.delegate->applicationShouldTerminate();
  world.processControl.raise(SIGTERM);
  world.scheduler.runUntilIdle();
  EXPECT_EQ(world.dockDomain(), kUsersDock);
  EXPECT_EQ(world.processControl.exitStatuses, std::vector<int>{15});
}

TEST_F(AppDelegateTerminationTest, AnUncaughtExceptionLeavesAMarkerTheNextStartReportsOnce) {
  ASSERT_TRUE(world.processControl.throwUncaught({"std::runtime_error", std::string("index out of range")}));
  EXPECT_EQ(world.defaults.storedObject(CrashMarker::kKey),
            platform::PlistValue(std::string("std::runtime_error: index out of range")));
  EXPECT_GE(world.defaults.synchronizeCount(), 1);

  world.delegate.reset();
  world.log.clear();
  world.start();
  EXPECT_EQ(world.countLog("AppDelegate: Previous session crashed: std::runtime_error: index out of range"),
            1u);
  EXPECT_FALSE(world.defaults.storedObject(CrashMarker::kKey));
}

// Bars that run what a test gives them as they start and stop, and do nothing else.
class HookedTaskbars final : public Taskbars {
 public:
  HookedTaskbars(std::function<void()> started, std::function<void()> stopped)
      : started_(std::move(started)), stopped_(std::move(stopped)) {}
  void start() override {
    if (started_) started_();
  }
  void stop() override {
    if (stopped_) stopped_();
  }
  void rebuildAll() override {}
  void repositionAllPanels() override {}
  void updateLayout(TaskbarPosition) override {}
  void updateEveryBar(BarUpdate) override {}
  void setExcludedFromCapture(bool) override {}

 private:
  std::function<void()> started_, stopped_;
};

// The bars go before the Dock comes back, so the two are never on screen at once on the way out.
TEST(AppDelegateTerminationOrderTest, TheBarsStopBeforeTheDockIsRestored) {
  // Outlives the world: the delegate stops its bars once more when it goes.
  std::vector<std::string> events;
  ShellTestWorld world;
  world.frontEnds = [&](AppDelegate::Environment& environment) {
    // The bars note, when they are stopped, whether the Dock is still hidden then.
    environment.makeTaskbars = [&](const AppDelegate::TaskbarsContext&) {
      return std::make_unique<HookedTaskbars>(nullptr, [&] {
        events.push_back(world.dockDomain() == ShellTestWorld::kHiddenConfiguration
                             ? "bars stopped, Dock hidden"
                             : "bars stopped, Dock shown");
      });
    };
  };
  world.setDockDomain(kUsersDock);
  world.start();
  ASSERT_TRUE(world.delegate->isDockHidden());
  ASSERT_EQ(world.dockDomain(), ShellTestWorld::kHiddenConfiguration);
  Cancellable restored = world.delegate->dockVisibilityDidChange().sink([&](const bool& hidden) {
    events.push_back(std::string(hidden ? "Dock hidden" : "Dock restored") +
                     (world.dockDomain() == kUsersDock ? ", user's Dock back" : ""));
  });
  world.delegate->terminate();
  EXPECT_EQ(events,
            (std::vector<std::string>{"bars stopped, Dock hidden", "Dock restored, user's Dock back"}));
}

// A signal in the middle of start-up, the bars up and the Dock about to be hidden, is not left to its
// default action: start-up finishes, then the run cleans up and ends with the signal's number.
TEST(AppDelegateTerminationOrderTest, ASignalWhileStartingIsHandledOnceStartUpIsDone) {
  // The bars' start is the moment a logout's SIGTERM arrives. Outlives the world, whose delegate stops
  // its bars once more when it goes.
  std::optional<bool> handledWhenRaised;
  int stops = 0;
  ShellTestWorld world;
  world.frontEnds = [&](AppDelegate::Environment& environment) {
    environment.makeTaskbars = [&](const AppDelegate::TaskbarsContext&) {
      return std::make_unique<HookedTaskbars>(
          [&] { handledWhenRaised = world.processControl.raise(SIGTERM); }, [&] { ++stops; });
    };
  };
  world.setDockDomain(kUsersDock);
  world.start();
  ASSERT_TRUE(handledWhenRaised.has_value()) << "the bars never started";
  EXPECT_TRUE(*handledWhenRaised) << "the default action would end the process there and then";
  EXPECT_EQ(world.processControl.exitStatuses, std::vector<int>{15});
  EXPECT_EQ(stops, 1);
  EXPECT_GE(world.defaults.synchronizeCount(), 1);
  EXPECT_TRUE(DockManager::needsRecovery(world.defaults)) << "the next start gives the Dock back";
}

TEST(CrashMarkerTest, AnExceptionWithoutAReasonIsMarkedUnknownAndOnlyAStringMarkerIsTaken) {
  EXPECT_EQ(CrashMarker::text({"NSInvalidArgumentException", std::nullopt}),
            "NSInvalidArgumentException: unknown");
  sim::InMemoryUserDefaults defaults;
  EXPECT_FALSE(CrashMarker::take(defaults));
  defaults.setObject(CrashMarker::kKey, platform::PlistValue::Array{});
  EXPECT_FALSE(CrashMarker::take(defaults));
  defaults.setObject(CrashMarker::kKey, std::string("E: r"));
  EXPECT_EQ(CrashMarker::take(defaults), "E: r");
  EXPECT_FALSE(CrashMarker::take(defaults));
}

// The Dock's hide saves on a background thread. A save there that fails, followed by an exception that
// ends the program, must end it: the crash marker is not waited for, and says when it is not recorded.
// A process that waits for a lock it holds itself never aborts; the alarm ends it instead.
TEST(CrashMarkerDeathTest, AnExceptionAfterASaveFailedOnAnotherThreadEndsTheProcessWithoutWaiting) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // Never made: no folder may have a name this long.
  const std::string unusable = "/tmp/" + std::string(300, 'n');
  EXPECT_EXIT(
      {
        ::alarm(20);
        VirtualScheduler scheduler;
        real::PlistFileUserDefaults defaults(scheduler, unusable, "com.pelko.test");
        defaults.read();
        real::PosixProcessControl processControl;
        processControl.setUncaughtExceptionHandler([&defaults](const platform::UncaughtException& exception) {
          CrashMarker::store(defaults, exception);
        });
        std::thread([&defaults] {
          defaults.setObject("changed", 1);
          defaults.synchronize();
          throw std::runtime_error("thrown after a failed save");
        }).join();
      },
      ::testing::KilledBySignal(SIGABRT),
      "could not save the settings to .*File name too long.*"
      "Pelko: the uncaught exception \\(std::runtime_error: thrown after a failed save\\) is not recorded "
      "for the "
      "next start: the settings file was in use by another thread or could not be written\\.");
}

}  // namespace
}  // namespace pelko::testing
