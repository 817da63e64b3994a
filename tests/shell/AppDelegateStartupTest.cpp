#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "ShellTestWorld.h"
#include "shell/SingleInstanceLock.h"
#include "tracking/AppTracker.h"

namespace pelko::testing {
namespace {

using platform::PlistValue;

const ShellTestWorld::Dictionary kUsersDock = {
    {"autohide", false}, {"mineffect", "suck"}, {"orientation", "left"}};

class AppDelegateStartupTest : public ::testing::Test {
 public:
  // A world where an earlier run hid the Dock and was then "killed": the record and the hidden Dock stay.
  struct ShellTestWorldWithHiddenDock : ShellTestWorld {
    ShellTestWorldWithHiddenDock() {
      setDockDomain(kUsersDock);
      start();
      EXPECT_TRUE(delegate->isDockHidden());
      delegate.reset();
      log.clear();
      bars.clear();
      EXPECT_TRUE(DockManager::needsRecovery(defaults));
    }
  };

 protected:
  ShellTestWorld world;
};

TEST(AppDelegateRestoreOnlyTest, RestoresTheDockAndExitsWithoutAnythingElse) {
  AppDelegateStartupTest::ShellTestWorldWithHiddenDock world;
  // Another copy runs: the restore-only run does not care.
  SingleInstanceLock::Outcome outcome;
  auto other = SingleInstanceLock::tryAcquire(world.lockPath(), outcome);
  ASSERT_EQ(outcome, SingleInstanceLock::Outcome::acquired);

  ::setenv("PELKO_SIM_FAIL", "killall", 1);
  world.start({"--restore-dock"});
  ::unsetenv("PELKO_SIM_FAIL");
  EXPECT_TRUE(DockManager::needsRecovery(world.defaults)) << "a failed restore keeps the record for the next";

  world.start({"-v", "--restore-dock"});
  EXPECT_EQ(world.dockDomain(), kUsersDock);
  EXPECT_FALSE(DockManager::needsRecovery(world.defaults));
  EXPECT_EQ(world.processControl.exitStatuses, (std::vector<int>{0, 0}));
  EXPECT_EQ(world.delegate->settingsManager(), nullptr);
  EXPECT_EQ(world.delegate->dockManager(), nullptr);
  EXPECT_EQ(world.delegate->appTracker(), nullptr);
  EXPECT_TRUE(world.bars.empty());
  EXPECT_TRUE(world.alerts.shown.empty());
}

// The alert tells the file's cause: a file that was read but damaged, or one that could not be read at
// all, which is not damaged and is not called so; one left in place says so, and that changes are not
// saved.
TEST(DamagedSettingsAlertTest, ASettingsFileFoundWrongIsSaidOnceByItsCauseAndWhatBecameOfIt) {
  using Found = AppDelegate::SettingsFileReport::Found;
  const std::string kept = "/home/u/.config/pelko/com.pelko.app.plist.corrupt-20261207-081500";
  struct Case {
    AppDelegate::SettingsFileReport report;
    std::vector<std::string> arguments;
    std::string said;  // the alert's text; empty for no alert
  };
  const Case cases[] = {
      {{Found::damaged, "", kept, ""},
       {},
       "The settings file was damaged. It was kept as " + kept +
           "; settings that could not be read start from their defaults."},
      {{Found::unreadable, "Permission denied", kept, ""},
       {},
       "The settings file could not be read (Permission denied). It was kept as " + kept +
           "; the settings start from their defaults."},
      {{Found::damaged, "", "", "Permission denied"},
       {},
       "The settings file was damaged. It could not be moved aside (Permission denied) and was left as it "
       "is: "
       "the settings that could be read from it are used, the others start from their defaults, and changes "
       "are not saved while Pelko runs."},
      {{Found::unreadable, "not a regular file", "", "Read-only file system"},
       {},
       "The settings file could not be read (not a regular file). It could not be moved aside (Read-only "
       "file "
       "system) and was left as it is: the settings start from their defaults, and changes are not saved "
       "while Pelko runs."},
      {{Found::unfollowableLink, "Too many levels of symbolic links", "", ""},
       {},
       "The settings file is a link, and what it names could not be read (Too many levels of symbolic "
       "links). The link was left as it is: the settings start from their defaults, and changes are not "
       "saved while Pelko runs."},
      {{Found::unreadable, "bad\x1B[2J\nname", "/kept\x07", ""},
       {},
       "The settings file could not be read (bad?[2J?name). It was kept as /kept?; the settings start from "
       "their defaults."},
      {{Found::whole, "", "", ""}, {}, ""},
      {{Found::damaged, "", "/kept", ""}, {"--restore-dock"}, ""},  // a restore-only run shows nothing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.said);
    ShellTestWorld world;
    int reads = 0;
    world.frontEnds = [&c, &reads](AppDelegate::Environment& environment) {
      environment.readSettingsFile = [&c, &reads] {
        ++reads;
        return c.report;
      };
    };
    world.start(c.arguments);
    world.settle(10);
    EXPECT_EQ(reads, c.arguments.empty() ? 1 : 0);
    ASSERT_EQ(world.alerts.shown.size(), c.said.empty() ? 0u : 1u);
    if (c.said.empty()) continue;
    EXPECT_EQ(world.alerts.shown[0].messageText, "Pelko's Settings Could Not Be Read");
    EXPECT_EQ(world.alerts.shown[0].informativeText, c.said);
    EXPECT_EQ(world.alerts.shown[0].buttons, (std::vector<std::string>{"OK"}));
  }
}

// Only the copy that runs reads the settings file: not while another copy holds the lock, and before
// anything of this copy reads a setting.
TEST(DamagedSettingsAlertTest, TheSettingsFileIsReadOnceTheLockIsHeldAndBeforeAnySettingIs) {
  for (bool otherLetsGo : {false, true}) {
    SCOPED_TRACE(otherLetsGo ? "the other copy lets go" : "the other copy runs on");
    ShellTestWorld world;
    std::vector<bool> settingsExistedAtRead;
    world.frontEnds = [&world, &settingsExistedAtRead](AppDelegate::Environment& environment) {
      environment.readSettingsFile = [&world, &settingsExistedAtRead] {
        settingsExistedAtRead.push_back(world.delegate->settingsManager() != nullptr);
        return AppDelegate::SettingsFileReport{};
      };
    };
    SingleInstanceLock::Outcome outcome;
    auto other = SingleInstanceLock::tryAcquire(world.lockPath(), outcome);
    world.delegate = world.makeDelegate();
    world.delegate->applicationDidFinishLaunching();
    world.scheduler.advance(1.9);
    EXPECT_TRUE(settingsExistedAtRead.empty());
    if (otherLetsGo) other.reset();
    world.scheduler.advance(0.2);
    EXPECT_EQ(settingsExistedAtRead, otherLetsGo ? std::vector<bool>{false} : std::vector<bool>{});
  }
}

// Another copy's lock is asked for again for 2 s (a copy killed a moment ago may still hold it through a
// child it was starting); without a usable lock file the process ends at once.
TEST(SingleInstanceStartTest, WaitsTwoSecondsForAHeldLockAndNeverRunsUnguarded) {
  enum class Lock { heldThroughout, letGoAfterOneNinth, unusable };
  for (auto [lock, exits, starts] : std::vector<std::tuple<Lock, std::vector<int>, bool>>{
           {Lock::heldThroughout, {0}, false},
           {Lock::letGoAfterOneNinth, {}, true},
           {Lock::unusable, {1}, false},
       }) {
    SCOPED_TRACE(static_cast<int>(lock));
    ShellTestWorld world;
    if (lock == Lock::unusable) std::ofstream(world.folder.file("run")) << "";  // the lock's folder is a file
    SingleInstanceLock::Outcome outcome;
    auto other = lock == Lock::unusable ? nullptr : SingleInstanceLock::tryAcquire(world.lockPath(), outcome);
    world.delegate = world.makeDelegate();
    world.delegate->applicationDidFinishLaunching();
    world.scheduler.advance(1.9);
    EXPECT_TRUE(world.alerts.shown.empty());
    EXPECT_EQ(world.delegate->settingsManager(), nullptr);
    if (lock == Lock::letGoAfterOneNinth) other.reset();
    world.scheduler.advance(0.2);

    EXPECT_EQ(world.processControl.exitStatuses, exits);
    EXPECT_EQ(world.delegate->isSingleInstance(), starts);
    EXPECT_EQ(world.delegate->settingsManager() != nullptr, starts);
    EXPECT_EQ(world.bars, starts ? std::vector<std::string>{"start"} : std::vector<std::string>{});
    if (starts) {
      EXPECT_FALSE(SingleInstanceLock::tryAcquire(world.lockPath(), outcome))
          << "held for the delegate's life";
      world.delegate.reset();
      EXPECT_TRUE(SingleInstanceLock::tryAcquire(world.lockPath(), outcome));
      continue;
    }
    EXPECT_TRUE(world.dockCommands().empty()) << "the Dock belongs to the running copy";
    if (lock == Lock::unusable) {
      EXPECT_TRUE(world.alerts.shown.empty());
      continue;
    }
    ASSERT_EQ(world.alerts.shown.size(), 1u);
    const auto& alert = world.alerts.shown[0];
    EXPECT_EQ(alert.messageText, "Pelko is Already Running");
    EXPECT_EQ(alert.informativeText,
              "Another instance of Pelko is already running. This instance will now quit.");
    EXPECT_EQ(alert.buttons, std::vector<std::string>{"OK"});
    EXPECT_EQ(alert.style, platform::AlertContent::Style::warning);
    EXPECT_TRUE(world.delegate->shouldRestoreDockOnQuit()) << "ends through the ordinary quit";
  }
}

TEST(DockRecoveryTest, RestoresOnlyWhenTheStoredSettingReadsAsFalse) {
  const char* const kSkipped = "AppDelegate: Recovery needed but user wants dock hidden, skipping restore";
  for (const auto& [name, stored, restores] :
       std::vector<std::tuple<std::string, std::optional<PlistValue>, bool>>{
           {"false", PlistValue(false), true},
           {"true", PlistValue(true), false},
           {"absent", std::nullopt, false},
           {"the string NO", PlistValue(std::string("NO")), false},
           {"integer 0", PlistValue(int64_t{0}), true},
           {"integer 1", PlistValue(int64_t{1}), false},
       }) {
    SCOPED_TRACE(name);
    AppDelegateStartupTest::ShellTestWorldWithHiddenDock world;
    world.defaults.removeObject(AppDelegate::kFullyHideDockKey);
    if (stored) world.defaults.setObject(AppDelegate::kFullyHideDockKey, *stored);
    size_t restartsBefore = world.dockRestarts();
    // Start-up up to the recovery step, before any manager exists.
    world.delegate = world.makeDelegate();
    world.delegate->applicationDidFinishLaunching();
    EXPECT_EQ(world.countLog(kSkipped), restores ? 0u : 1u);
    if (restores) {
      EXPECT_EQ(world.dockRestarts(), restartsBefore + 1);
      EXPECT_EQ(world.dockDomain(), kUsersDock);
      EXPECT_FALSE(world.delegate->isDockHidden());
    } else {
      world.scheduler.runUntilIdle();
      // The Dock stayed hidden; this run hid it again and kept the first run's record of the user's Dock.
      EXPECT_TRUE(DockManager::needsRecovery(world.defaults));
      world.delegate->terminate();
      EXPECT_EQ(world.dockDomain(), kUsersDock);
    }
  }
}

TEST_F(AppDelegateStartupTest, FullStartCreatesTheManagersHidesTheDockAndStartsTheTimers) {
  world.setDockDomain(kUsersDock);
  std::vector<bool> announced;
  world.delegate = world.makeDelegate();
  auto subscription = world.delegate->dockVisibilityDidChange().sink(
      [&](const bool& hidden) { announced.push_back(hidden); });
  world.delegate->applicationDidFinishLaunching();
  world.scheduler.runUntilIdle();
  AppDelegate& d = *world.delegate;

  EXPECT_TRUE(d.isDockHidden());
  EXPECT_EQ(announced, std::vector<bool>{true});
  ShellTestWorld::Dictionary hidden = kUsersDock;
  for (const auto& [key, value] : ShellTestWorld::kHiddenConfiguration) hidden[key] = value;
  EXPECT_EQ(world.dockDomain(), hidden);

  EXPECT_EQ(world.bars, std::vector<std::string>{"start"});
  ASSERT_NE(d.appTracker(), nullptr);
  EXPECT_TRUE(d.appTracker()->isRunning());

  ASSERT_TRUE(d.accessibilityTrustTimer());
  EXPECT_EQ(d.accessibilityTrustTimer()->interval(), 30);
  ASSERT_TRUE(d.screenRecordingPermissionTimer());
  EXPECT_EQ(d.screenRecordingPermissionTimer()->interval(), 5);
  EXPECT_EQ(d.screenRecordingPermissionTimer()->tolerance(), 1);
  ASSERT_TRUE(d.dockVisibilityMonitorTimer());
  EXPECT_EQ(d.dockVisibilityMonitorTimer()->interval(), 5);
  EXPECT_EQ(d.dockVisibilityMonitorTimer()->tolerance(), 1);
  EXPECT_GE(d.dockVisibilityMonitorSuppressedUntil(), world.scheduler.now() + 7.9);

  for (int signal : {SIGTERM, SIGINT, SIGHUP}) EXPECT_TRUE(world.processControl.handlesOnMainQueue(signal));
  EXPECT_TRUE(world.alerts.shown.empty());
  EXPECT_TRUE(world.processControl.exitStatuses.empty());
}

TEST_F(AppDelegateStartupTest, WithFullHideOffTheDockIsLeftAlone) {
  world.setDockDomain(kUsersDock);
  world.defaults.setBool(AppDelegate::kFullyHideDockKey, false);
  world.start();
  EXPECT_FALSE(world.delegate->isDockHidden());
  EXPECT_TRUE(world.dockCommands().empty());
  EXPECT_FALSE(DockManager::needsRecovery(world.defaults));
}

TEST_F(AppDelegateStartupTest, FocusCallbackDropsTheRunningPassAndShowsTheFocusedApplication) {
  int32_t editor = world.mac.launchApp("com.example.editor", "Editor");
  world.mac.openWindow(editor);
  int32_t viewer = world.mac.launchApp("com.example.viewer", "Viewer");
  world.mac.openWindow(viewer);
  world.start();
  world.scheduler.advance(1);
  auto isActive = [&](int32_t pid) {
    for (const auto& app : world.delegate->appTracker()->apps.get())
      if (app->pid == pid) return app->isActive.get();
    return false;
  };
  ASSERT_TRUE(isActive(viewer));

  world.delegate->windowManager()->setPendingFocus(PendingFocus{editor, 0});
  ASSERT_TRUE(world.delegate->windowManager()->onPendingFocusChanged);
  world.delegate->windowManager()->onPendingFocusChanged();
  EXPECT_TRUE(isActive(editor));
  EXPECT_FALSE(isActive(viewer));
}

TEST_F(AppDelegateStartupTest, ScreenRecordingChangesAreAnnouncedWithinFiveSeconds) {
  world.start();
  std::vector<bool> announced;
  auto subscription = world.delegate->screenRecordingPermissionDidChange().sink(
      [&](const bool& granted) { announced.push_back(granted); });
  ASSERT_TRUE(world.settings().showThumbnails);

  world.mac.permissions().screenCaptureGranted = false;
  world.scheduler.advance(5);
  EXPECT_EQ(announced, std::vector<bool>{false});
  EXPECT_FALSE(world.settings().showThumbnails);
  EXPECT_EQ(world.countLog("AppDelegate: Screen Recording permission revoked, disabling thumbnails"), 1u);

  world.settings().suppressScreenRecordingPermissionPrompt = true;
  world.mac.permissions().screenCaptureGranted = true;
  world.scheduler.advance(5);
  EXPECT_EQ(announced, (std::vector<bool>{false, true}));
  EXPECT_FALSE(world.settings().suppressScreenRecordingPermissionPrompt) << "the recorded decline is cleared";
  EXPECT_FALSE(world.settings().showThumbnails) << "granting does not switch thumbnails back on";

  world.scheduler.advance(20);
  EXPECT_EQ(announced.size(), 2u) << "no change, no notification";
}

TEST(AccessibilityPromptTest, PromptsAndWarnsOnlyAfterTheOnboarding) {
  for (const auto& [name, onboarded, declinesMeanwhile, prompts, alerts] :
       std::vector<std::tuple<std::string, bool, bool, int, size_t>>{
           {"first run", false, false, 0, 0},
           {"later run", true, false, 1, 1},
           {"later run, declined meanwhile", true, true, 1, 0},
       }) {
    SCOPED_TRACE(name);
    ShellTestWorld world;
    world.mac.permissions().accessibilityTrusted = false;
    if (onboarded) world.defaults.setBool(AppDelegate::kOnboardingCompleteKey, true);
    world.start();
    EXPECT_EQ(world.mac.permissions().accessibilityPromptCount, prompts);
    EXPECT_TRUE(world.alerts.shown.empty()) << "the alert waits a second";
    if (declinesMeanwhile) world.settings().suppressAccessibilityPermissionPrompt = true;
    world.scheduler.advance(1.0);
    EXPECT_EQ(
        std::count_if(world.alerts.shown.begin(), world.alerts.shown.end(),
                      [](const auto& alert) { return alert.messageText == "Accessibility Access Required"; }),
        alerts);
  }
}

// The trust monitor's alert says that access "has been revoked". A first run without access, whose guide
// is asking for it, is not told so however long it waits; access granted later and then taken away is,
// once.
TEST(TrustMonitorTest, WarnsOfRevokedAccessOnlyAfterTrustThatWasThere) {
  ShellTestWorld world;
  world.mac.permissions().accessibilityTrusted = false;
  world.start();
  auto revoked = [&] {
    return std::count_if(world.alerts.shown.begin(), world.alerts.shown.end(), [](const auto& alert) {
      return alert.messageText == "Accessibility Access Revoked";
    });
  };
  world.scheduler.advance(95);
  EXPECT_EQ(revoked(), 0) << "never trusted";
  world.mac.permissions().accessibilityTrusted = true;
  world.scheduler.advance(30);
  world.mac.permissions().accessibilityTrusted = false;
  world.scheduler.advance(30);
  EXPECT_EQ(revoked(), 1) << "trusted, then revoked";
  world.scheduler.advance(60);
  EXPECT_EQ(revoked(), 1) << "once per loss";
}

}  // namespace
}  // namespace pelko::testing
