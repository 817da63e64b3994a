#include "screens/DockManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "DockTestFolder.h"
#include "foundation/VirtualScheduler.h"
#include "platform/PlistXml.h"
#include "platform/real/RealScheduler.h"
#include "platform/sim/InMemoryUserDefaults.h"
#include "support/FakeDockWorld.h"
#include "support/FakeFileSystem.h"

namespace pelko {
namespace {

using platform::PlistValue;
using testing::DockTestFolder;
using testing::kSimDefaults;
using testing::kSimKillall;
using testing::withHiddenConfiguration;
using Dictionary = PlistValue::Dictionary;
using Lines = std::vector<std::string>;

size_t countPrefix(const Lines& lines, const std::string& prefix) {
  return std::count_if(lines.begin(), lines.end(),
                       [&](const auto& line) { return line.rfind(prefix, 0) == 0; });
}

// Passes runs on and lets a test wait until some tool run has happened (on whichever thread).
class SignallingChildProcess final : public platform::ChildProcess {
 public:
  explicit SignallingChildProcess(platform::ChildProcess& inner) : inner_(inner) {}
  platform::ChildProcessResult run(const std::string& path, const Lines& arguments,
                                   double timeoutSeconds) override {
    auto result = inner_.run(path, arguments, timeoutSeconds);
    std::string line = path;
    for (const auto& argument : arguments) line += " " + argument;
    {
      std::lock_guard lock(mutex_);
      lines_.push_back(line);
    }
    changed_.notify_all();
    return result;
  }
  // Waits until `first` has run and, after it, `then`.
  bool waitForRunsInOrder(const std::string& first, const std::string& then) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(20), [&] {
      auto it = std::find(lines_.begin(), lines_.end(), first);
      return it != lines_.end() && std::find(it, lines_.end(), then) != lines_.end();
    });
  }

 private:
  platform::ChildProcess& inner_;
  std::mutex mutex_;
  std::condition_variable changed_;
  Lines lines_;
};

class DockManagerTest : public ::testing::Test {
 protected:
  // Stand-in tools with injected faults (PELKO_SIM_FAIL / PELKO_SIM_HANG name the runs they hit).
  real::PosixChildProcess& faultyTools(std::map<std::string, std::string> faults,
                                       double terminateGrace = 0.2) {
    auto options = folder.runnerOptions(std::move(faults));
    options.terminateGraceSeconds = terminateGrace;
    return *faulty.emplace_back(std::make_unique<real::PosixChildProcess>(options));
  }
  real::PosixChildProcess& failingReads() { return faultyTools({{"PELKO_SIM_FAIL", "defaults read"}}); }
  DockManager::Services servicesWith(platform::ChildProcess& childProcess, double commandTimeout = 5.0) {
    DockManager::Services services(childProcess, userDefaults);
    services.defaultsPath = kSimDefaults;
    services.killallPath = kSimKillall;
    services.appVersion = "2.1";
    services.commandTimeoutSeconds = commandTimeout;
    return services;
  }
  std::unique_ptr<DockManager> managerWith(platform::ChildProcess& childProcess) {
    return std::make_unique<DockManager>(scheduler, workspace, windowServer, servicesWith(childProcess));
  }
  void hideAndFinish() {
    manager->hideDock();
    scheduler.runUntilIdle();
  }
  // Every key the manager keeps is part of its record of the user's Dock.
  void expectNoRecord() { EXPECT_EQ(userDefaults.storedDictionary(), Dictionary{}); }

  DockTestFolder folder;
  real::PosixChildProcess runner{folder.runnerOptions()};
  std::deque<std::unique_ptr<real::PosixChildProcess>> faulty;
  sim::InMemoryUserDefaults userDefaults;
  VirtualScheduler scheduler;
  testing::FakeWorkspace workspace;
  testing::FakeWindowServer windowServer;
  std::unique_ptr<DockManager> manager = managerWith(runner);
};

// --- Hide and restore -------------------------------------------------------------------------------

// The hide writes the delay first and the restore puts it back last.
TEST_F(DockManagerTest, HideThenRestoreGivesBackTheDomainExactlyAndTheDelayIsWrittenFirstAndRestoredLast) {
  // clang-format off
  const std::pair<const char*, Dictionary> domains[] = {
      {"a delay and an effect", {{"autohide-delay", 0.5}, {"mineffect", "suck"}}},
      {"empty",                 {}},
      {"auto-hide off, genie",  {{"autohide", false}, {"mineffect", "genie"}}},
      {"everything",            {{"autohide", true}, {"autohide-delay", 0.5}, {"autohide-time-modifier", 1.5},
                                 {"mineffect", "scale"}, {"orientation", "right"}, {"tilesize", int64_t{48}}}},
  };
  // clang-format on
  size_t restarts = 0;
  for (const auto& [what, original] : domains) {
    SCOPED_TRACE(what);
    folder.setDomain(original);
    hideAndFinish();
    EXPECT_EQ(folder.domain(), withHiddenConfiguration(original));
    EXPECT_EQ(folder.restarts(), ++restarts);
    EXPECT_TRUE(DockManager::needsRecovery(userDefaults));
    EXPECT_EQ(userDefaults.stringForKey(DockManager::kRecoveryVersionKey), "2.1");

    manager->restoreDock();
    EXPECT_EQ(folder.domain(), original);
    EXPECT_EQ(folder.restarts(), ++restarts);
    expectNoRecord();
  }
  Lines changes, commands = folder.commands();
  std::copy_if(commands.begin(), commands.end(), std::back_inserter(changes),
               [](const auto& line) { return line.rfind("defaults read", 0) != 0; });
  changes.resize(10);  // the first domain's
  EXPECT_EQ(changes, (Lines{
                         "defaults write com.apple.dock autohide-delay -float 1000000",
                         "defaults write com.apple.dock autohide -bool true",
                         "defaults write com.apple.dock autohide-time-modifier -float 0.0001",
                         "defaults write com.apple.dock mineffect -string scale",
                         "killall Dock",
                         "defaults write com.apple.dock mineffect -string suck",
                         "defaults delete com.apple.dock autohide",
                         "defaults delete com.apple.dock autohide-time-modifier",
                         "defaults write com.apple.dock autohide-delay -float 0.5",
                         "killall Dock",
                     }));
}

TEST_F(DockManagerTest, QuickHidesStartOneARecordKeepsItsValuesAndWithoutOneTheFactoryValuesAreRecorded) {
  const Dictionary original{{"mineffect", "suck"}, {"autohide-delay", 0.25}};
  folder.setDomain(original);
  // Two hides in quick succession start one.
  const std::string delayWrite = "defaults write com.apple.dock autohide-delay -float 1000000";
  manager->hideDock();
  EXPECT_TRUE(manager->isHideRunning());
  manager->hideDock();
  scheduler.runUntilIdle();
  EXPECT_FALSE(manager->isHideRunning());
  EXPECT_EQ(countPrefix(folder.commands(), delayWrite), 1u);
  auto record = userDefaults.storedDictionary();

  // Re-applying (a second hide, or a new run finding the record of a run that never restored) must
  // not take the hidden configuration for the user's own.
  hideAndFinish();
  EXPECT_EQ(countPrefix(folder.commands(), delayWrite), 2u);
  EXPECT_EQ(userDefaults.storedDictionary(), record);
  EXPECT_EQ(folder.domain(), withHiddenConfiguration(original));

  manager = managerWith(runner);
  hideAndFinish();
  EXPECT_EQ(userDefaults.storedDictionary(), record);
  manager->restoreDock();
  EXPECT_EQ(folder.domain(), original);

  // A Dock found hidden without a record is taken to have had the factory configuration.
  folder.setDomain(withHiddenConfiguration({{"orientation", "left"}}));
  hideAndFinish();
  EXPECT_FALSE(userDefaults.boolForKey(DockManager::kPreviousAutoHideKey));
  EXPECT_EQ(userDefaults.stringForKey(DockManager::kPreviousMinEffectKey), "genie");
  manager->restoreDock();
  EXPECT_EQ(folder.domain(), (Dictionary{{"orientation", "left"}}));
  expectNoRecord();
}

// Neither a hide nor the start-up recovery acts on a Dock whose preferences it cannot read.
TEST_F(DockManagerTest, AHideOrRecoveryThatCannotReadTheDockChangesNothing) {
  folder.setDomain({{"mineffect", "suck"}});
  managerWith(failingReads())->hideDock();
  scheduler.runUntilIdle();
  EXPECT_EQ(folder.domain(), (Dictionary{{"mineffect", "suck"}}));
  EXPECT_EQ(countPrefix(folder.commands(), "defaults write"), 0u);
  EXPECT_EQ(folder.restarts(), 0u);
  EXPECT_FALSE(DockManager::needsRecovery(userDefaults));

  hideAndFinish();
  DockManager::emergencyRestoreDock(servicesWith(failingReads()));
  EXPECT_TRUE(DockManager::needsRecovery(userDefaults));
  EXPECT_EQ(folder.domain(), withHiddenConfiguration({{"mineffect", "suck"}}));
}

TEST_F(DockManagerTest, ARestoreRightAfterAHideWaitsForItAndThenRestores) {
  folder.setDomain({{"autohide", false}, {"mineffect", "suck"}});
  manager->hideDock();
  manager->restoreDock();  // the hide has not even started yet
  EXPECT_FALSE(manager->isHideRunning());
  EXPECT_EQ(folder.domain(), (Dictionary{{"autohide", false}, {"mineffect", "suck"}}));
  EXPECT_EQ(folder.restarts(), 2u);
  auto commands = folder.commands();
  auto hideEnd = std::find(commands.begin(), commands.end(), "killall Dock");
  ASSERT_NE(hideEnd, commands.end());
  EXPECT_EQ(countPrefix({commands.begin(), hideEnd}, "defaults write com.apple.dock mineffect -string scale"),
            1u);
  expectNoRecord();
}

// Without a record only the hide's own delay and speed are taken out, and only when they are there;
// neither a restore nor the start-up recovery writes auto-hide or the effect.
TEST_F(DockManagerTest, WithoutARecordOnlyTheHidesTimingIsTakenOut) {
  folder.setDomain({{"mineffect", "suck"}, {"autohide-delay", 0.5}});
  manager->restoreDock();
  EXPECT_EQ(folder.domain(), (Dictionary{{"mineffect", "suck"}, {"autohide-delay", 0.5}}));
  EXPECT_EQ(folder.restarts(), 0u);

  folder.setDomain(withHiddenConfiguration({}));
  manager->restoreDock();
  EXPECT_EQ(folder.domain(), (Dictionary{{"autohide", true}, {"mineffect", "scale"}}));
  EXPECT_EQ(countPrefix(folder.commands(), "defaults write"), 0u);
  EXPECT_EQ(folder.restarts(), 1u);

  folder.setDomain(withHiddenConfiguration({}));
  userDefaults.setObject(DockManager::kPreviousMinEffectKey, "suck");  // a stray key without the flag
  DockManager::emergencyRestoreDock(servicesWith(runner));
  EXPECT_EQ(folder.domain(), (Dictionary{{"autohide", true}, {"mineffect", "scale"}}));
  EXPECT_EQ(countPrefix(folder.commands(), "defaults write"), 0u);
  expectNoRecord();
}

TEST_F(DockManagerTest, AFailedOrTimedOutRestoreKeepsTheRecordForTheNextAttempt) {
  const Dictionary original{{"mineffect", "suck"}, {"autohide-delay", 0.5}};
  folder.setDomain(original);
  hideAndFinish();

  managerWith(faultyTools({{"PELKO_SIM_FAIL", "defaults write com.apple.dock mineffect"}}))->restoreDock();
  EXPECT_TRUE(DockManager::needsRecovery(userDefaults));
  EXPECT_TRUE(userDefaults.boolForKey(DockManager::kRestoreInProgressKey));
  EXPECT_EQ(folder.domain().at("mineffect"), PlistValue("scale"));

  // The start-up recovery finishes it, although the delay already reads as the user's again.
  DockManager::emergencyRestoreDock(servicesWith(runner));
  EXPECT_EQ(folder.domain(), original);
  expectNoRecord();

  // A restore whose Dock restart times out has changed the domain back but keeps the record.
  hideAndFinish();
  const size_t restarts = folder.restarts();
  DockManager(scheduler, workspace, windowServer,
              servicesWith(faultyTools({{"PELKO_SIM_HANG", "killall"}}), 0.2))
      .restoreDock();
  EXPECT_TRUE(DockManager::needsRecovery(userDefaults));
  EXPECT_EQ(folder.domain(), original);
  EXPECT_EQ(folder.restarts(), restarts);
  manager->restoreDock();
  EXPECT_EQ(folder.restarts(), restarts + 1);
  expectNoRecord();
}

// --- The record's copy ------------------------------------------------------------------------------

class DockRecordCopyTest : public DockManagerTest {
 protected:
  static constexpr const char* kCopy = "/config/pelko/dock-record.plist";
  DockManager::Services withCopy() {
    DockManager::Services services = servicesWith(runner);
    services.fileSystem = &files;
    services.recordCopyPath = kCopy;
    return services;
  }
  // The copy's keys and values, as a test reads them independently of the manager.
  Dictionary copy() const {
    auto found = files.files.find(kCopy);
    if (found == files.files.end()) return {};
    auto parsed = platform::parsePlistXml(found->second);
    return parsed && parsed->asDictionary() ? *parsed->asDictionary() : Dictionary{};
  }

  void clearDefaults() {
    for (const auto& [key, value] : userDefaults.storedDictionary()) userDefaults.removeObject(key);
  }

  test::FakeFileSystem files;
};

TEST_F(DockRecordCopyTest, TheCopyHoldsTheRecordAndGivesTheDockBackWhenTheUserDefaultsLostIt) {
  const Dictionary original = {{"autohide", true}, {"autohide-delay", 0.5}, {"autohide-time-modifier", 2.0}};
  const std::pair<const char*, std::function<void()>> damages[] = {
      {"keys gone", [&] { clearDefaults(); }},
      {"keys of the wrong type",
       [&] {
         for (const auto& [key, value] : userDefaults.storedDictionary()) {
           userDefaults.setObject(key, PlistValue(Dictionary{{"x", 1}}));
         }
       }},
      {"only the flag of the wrong type", [&] { userDefaults.setObject("PelkoDockRecoveryNeeded", "yes"); }},
      {"a value of the wrong type", [&] { userDefaults.setObject("PelkoPreviousAutoHideDelay", 7); }},
  };
  for (const auto& [what, damage] : damages) {
    SCOPED_TRACE(what);
    folder.setDomain(original);
    manager = std::make_unique<DockManager>(scheduler, workspace, windowServer, withCopy());
    hideAndFinish();
    ASSERT_EQ(folder.domain(), withHiddenConfiguration(original));
    EXPECT_EQ(copy(), userDefaults.storedDictionary()) << "the copy is the record, key for key";

    damage();
    EXPECT_TRUE(DockManager::needsRecovery(withCopy()));
    DockManager::emergencyRestoreDock(withCopy());
    EXPECT_EQ(folder.domain(), original);
    EXPECT_FALSE(files.fileExists(kCopy)) << "the copy goes with the record";
    expectNoRecord();
    EXPECT_FALSE(DockManager::needsRecovery(withCopy()));
  }
}

TEST_F(DockRecordCopyTest,
       AHideWithoutADurableCopyChangesNothingAndALeftOverCopyIsUsedOnlyWhileTheDockShowsTheHide) {
  const Dictionary original = {{"autohide-delay", 0.5}, {"mineffect", "suck"}};
  folder.setDomain(original);
  manager = std::make_unique<DockManager>(scheduler, workspace, windowServer, withCopy());
  files.failWrite = true;
  hideAndFinish();
  EXPECT_EQ(folder.domain(), original);
  expectNoRecord();
  files.failWrite = false;

  // A copy a crash left behind after the Dock was given back does not describe the Dock any more.
  hideAndFinish();
  const std::string staleCopy = files.files[kCopy];
  manager->restoreDock();
  ASSERT_EQ(folder.domain(), original);
  folder.setDomain({{"mineffect", "genie"}});
  files.files[kCopy] = staleCopy;
  hideAndFinish();
  EXPECT_EQ(copy().at("PelkoPreviousMinEffect"), PlistValue("genie"));
  manager->restoreDock();
  EXPECT_EQ(folder.domain(), (Dictionary{{"mineffect", "genie"}}));

  // While the Dock still shows the hide, a new hide takes the record back from the copy.
  hideAndFinish();
  const Dictionary record = userDefaults.storedDictionary();
  clearDefaults();
  hideAndFinish();
  EXPECT_EQ(userDefaults.storedDictionary(), record);
  manager->restoreDock();
  EXPECT_EQ(folder.domain(), (Dictionary{{"mineffect", "genie"}}));
}

// A record whose flag says no recovery is needed describes no Dock to go back to, wherever it is kept:
// neither the start-up recovery nor a restore puts its values back; only the hide's timing goes.
TEST_F(DockRecordCopyTest, ARecordMarkedAsNotNeededIsNotUsedToRestore) {
  const Dictionary original = {{"mineffect", "suck"}, {"autohide-delay", 0.5}};
  const Dictionary withoutTheHidesTiming = {{"autohide", true}, {"mineffect", "scale"}};
  auto markCopyNotNeeded = [&] {
    Dictionary marked = copy();
    marked["PelkoDockRecoveryNeeded"] = false;
    files.files[kCopy] = platform::writePlistXml(PlistValue(marked));
  };
  const std::pair<const char*, std::function<void()>> markings[] = {
      {"in the user defaults, without a copy",
       [&] {
         userDefaults.setBool("PelkoDockRecoveryNeeded", false);
         files.files.erase(kCopy);
       }},
      {"in the copy, with the user defaults' keys gone",
       [&] {
         markCopyNotNeeded();
         clearDefaults();
       }},
      {"in both",
       [&] {
         markCopyNotNeeded();
         userDefaults.setBool("PelkoDockRecoveryNeeded", false);
       }},
  };
  for (bool atStartUp : {true, false}) {
    for (const auto& [where, mark] : markings) {
      SCOPED_TRACE(std::string(where) + (atStartUp ? ", start-up recovery" : ", restore"));
      folder.setDomain(original);
      manager = std::make_unique<DockManager>(scheduler, workspace, windowServer, withCopy());
      hideAndFinish();
      ASSERT_EQ(folder.domain(), withHiddenConfiguration(original));
      mark();
      EXPECT_FALSE(DockManager::needsRecovery(withCopy()));
      folder.clearCommands();
      if (atStartUp) {
        DockManager::emergencyRestoreDock(withCopy());
      } else {
        manager->restoreDock();
      }
      EXPECT_EQ(folder.domain(), withoutTheHidesTiming);
      EXPECT_EQ(countPrefix(folder.commands(), "defaults write"), 0u);
      clearDefaults();
      files.files.erase(kCopy);
    }
  }
}

// --- Start-up recovery ------------------------------------------------------------------------------

TEST_F(DockManagerTest, RecoveryLeavesADockTheUserChangedSinceAndDropsTheRecord) {
  // Only the very delay a hide writes shows that the Dock still carries the hide.
  const std::vector<std::pair<std::string, PlistValue>> delays = {
      {"a short delay", 0.2},
      {"a longer delay of the user's", 2000000.0},
      {"the hide's number as other text", "1000000.0"},
  };
  for (const auto& [what, delay] : delays) {
    SCOPED_TRACE(what);
    folder.setDomain({{"mineffect", "suck"}});
    hideAndFinish();
    auto changed = withHiddenConfiguration({});
    changed["autohide-delay"] = delay;
    folder.setDomain(changed);
    folder.clearCommands();

    DockManager::emergencyRestoreDock(servicesWith(runner));
    EXPECT_EQ(folder.domain(), changed);
    EXPECT_EQ(folder.commands(), (Lines{"defaults read com.apple.dock autohide-delay"}));
    expectNoRecord();
  }
}

TEST_F(DockManagerTest, RestoreDockAndExitRestoresAndExitsWithStatusZero) {
  const Dictionary original{{"mineffect", "suck"}};
  folder.setDomain(original);
  hideAndFinish();
  EXPECT_EXIT(DockManager::restoreDockAndExit(servicesWith(runner)), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(folder.domain(), original);
}

// --- Serialisation with a real background hide ------------------------------------------------------

TEST_F(DockManagerTest, ARestoreStopsWhatRemainsOfAHungHideAndNeverInterleavesWithIt) {
  const Dictionary original{{"mineffect", "suck"}, {"autohide-delay", 0.5}};
  folder.setDomain(original);
  // Every change of the hide hangs until the time-out; the restore's own commands do not, and the
  // time-out leaves them room on a loaded machine: a restore command cut off keeps the record.
  const std::string hideWrites =
      "defaults write com.apple.dock autohide-delay -float 1000000;"
      "defaults write com.apple.dock autohide -bool true;"
      "defaults write com.apple.dock autohide-time-modifier -float 0.0001;"
      "defaults write com.apple.dock mineffect -string scale";
  auto services = servicesWith(faultyTools({{"PELKO_SIM_HANG", hideWrites}}, 0.05), 1.0);
  services.hideWaitSeconds = 0.2;
  {
    real::RealScheduler realScheduler;
    DockManager background(realScheduler, workspace, windowServer, services);
    background.hideDock();
    background.restoreDock();
    EXPECT_EQ(folder.domain(), original);
    EXPECT_FALSE(DockManager::needsRecovery(userDefaults));
  }  // the scheduler's threads are joined here

  auto commands = folder.commands();
  auto restoreStart =
      std::find(commands.begin(), commands.end(), "defaults write com.apple.dock mineffect -string suck");
  ASSERT_NE(restoreStart, commands.end());
  Lines afterRestore(restoreStart, commands.end());
  EXPECT_EQ(countPrefix(afterRestore, "defaults write com.apple.dock autohide -bool true"), 0u);
  EXPECT_EQ(countPrefix(afterRestore, "defaults write com.apple.dock mineffect -string scale"), 0u);
  EXPECT_EQ(countPrefix(commands, "killall Dock"), 1u) << "the stopped hide must not restart the Dock";
  EXPECT_EQ(folder.domain(), original);
}

TEST_F(DockManagerTest, AHideRequestedAfterARestoreStoppedTheLastOneIsNotSwallowed) {
  SignallingChildProcess signalling(
      faultyTools({{"PELKO_SIM_HANG", "defaults write com.apple.dock autohide-delay -float 1000000"}}, 0.05));
  auto services = servicesWith(signalling, 1.0);
  services.hideWaitSeconds = 0.0;
  {
    real::RealScheduler realScheduler;
    DockManager background(realScheduler, workspace, windowServer, services);
    background.hideDock();
    background.restoreDock();
    background.hideDock();
    ASSERT_TRUE(signalling.waitForRunsInOrder(kSimDefaults + " write com.apple.dock mineffect -string scale",
                                              kSimKillall + " Dock"))
        << "the second hide never finished";
  }
  // The second hide ran to its end: the Dock is hidden (its delay write hung, the rest went through).
  EXPECT_EQ(countPrefix(folder.commands(), "defaults write com.apple.dock mineffect -string scale"), 1u);
  EXPECT_TRUE(DockManager::needsRecovery(userDefaults));
}

// --- Visibility snapshot ----------------------------------------------------------------------------

class DockSnapshotTest : public DockManagerTest {
 protected:
  DockManager::VisibilitySnapshot snapshot() {
    int calls = 0;
    DockManager::VisibilitySnapshot result;
    manager->dockVisibilitySnapshot([&](DockManager::VisibilitySnapshot s) {
      EXPECT_TRUE(scheduler.isMainThread());
      EXPECT_EQ(scheduler.currentQueueLabel(), "");
      ++calls;
      result = s;
    });
    EXPECT_EQ(calls, 0) << "the snapshot must not be taken on the caller's thread";
    scheduler.runUntilIdle();
    EXPECT_EQ(calls, 1);
    return result;
  }
  static platform::WindowInfo window(int32_t pid, Rect bounds, int layer = 20,
                                     std::optional<double> alpha = 1.0,
                                     std::optional<std::string> name = std::nullopt) {
    platform::WindowInfo info{{platform::window_key::kOwnerPID, int64_t{pid}},
                              {platform::window_key::kLayer, int64_t{layer}},
                              {platform::window_key::kBounds, platform::rectDictionary(bounds)}};
    if (alpha) info[platform::window_key::kAlpha] = *alpha;
    if (name) info[platform::window_key::kName] = *name;
    return info;
  }
};

TEST_F(DockSnapshotTest, ReadsTheHiddenConfigurationAutoHideAndPlacementInAnyCase) {
  using P = DockManager::DockPlacement;
  struct Case {
    Dictionary domain;
    bool matches;
    bool autohide;
    std::optional<P> placement;
  };
  const Case cases[] = {
      {{{"autohide", true}, {"autohide-delay", 1000000.0}, {"orientation", "Left"}}, true, true, P::left},
      {{{"autohide", true}, {"autohide-delay", 999999.0}, {"orientation", "bottom"}}, true, true, P::bottom},
      {{{"autohide", true}, {"autohide-delay", 999998.5}, {"orientation", "RIGHT"}}, false, true, P::right},
      {{{"autohide", true}, {"autohide-delay", "lots"}, {"orientation", "top"}}, false, true, std::nullopt},
      {{{"autohide", true}}, false, true, std::nullopt},
      {{{"autohide", false}, {"autohide-delay", 1000000.0}}, false, false, std::nullopt},
      {{{"autohide-delay", 1000000.0}}, false, false, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    folder.setDomain(c.domain);
    auto s = snapshot();
    EXPECT_EQ(s.matchesPelkoHiddenConfiguration, c.matches);
    EXPECT_EQ(s.autohideEnabled, c.autohide);
    EXPECT_EQ(s.placement, c.placement);
  }
  // Unreadable preferences count as absent.
  manager = managerWith(failingReads());
  folder.setDomain({{"autohide", true}, {"autohide-delay", 1000000.0}, {"orientation", "left"}});
  EXPECT_EQ(snapshot(), DockManager::VisibilitySnapshot{});
}

TEST_F(DockSnapshotTest, JudgesVisibilityFromTheDocksOnScreenWindows) {
  auto dock = [](int32_t pid) {
    return std::make_shared<testing::FakeRunningApplication>(pid, "com.apple.dock");
  };
  windowServer.windows = std::vector<platform::WindowInfo>{window(0, Rect(0, 850, 1440, 50))};
  EXPECT_FALSE(snapshot().isActuallyVisibleOnScreen) << "no Dock process";
  workspace.applications = {dock(0)};
  EXPECT_FALSE(snapshot().isActuallyVisibleOnScreen) << "a Dock without a process number";

  workspace.applications = {dock(77)};
  struct Case {
    const char* what;
    std::vector<platform::WindowInfo> windows;
    bool visible;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"a Dock bar",                    {window(77, Rect(0, 850, 1440, 50))}, true},
      {"exactly 1500 square points",    {window(77, Rect(0, 0, 30, 50))}, true},
      {"1000 square points",            {window(77, Rect(0, 0, 20, 50))}, false},
      {"alpha 0.01",                    {window(77, Rect(0, 850, 1440, 50), 20, 0.01)}, false},
      {"alpha 0.02",                    {window(77, Rect(0, 850, 1440, 50), 20, 0.02)}, true},
      {"no alpha at all",               {window(77, Rect(0, 850, 1440, 50), 20, std::nullopt)}, true},
      {"empty bounds",                  {window(77, Rect(0, 0, 0, 50))}, false},
      {"unnamed large layer-0 backdrops only",
                                        {window(77, Rect(0, 0, 1440, 900), 0), window(77, Rect(0, 0, 200, 200), 0, 1.0, "")}, false},
      {"a named layer-0 window",        {window(77, Rect(0, 0, 1440, 900), 0, 1.0, "Dock")}, true},
      {"a small unnamed layer-0 window", {window(77, Rect(0, 0, 199, 300), 0)}, true},
      {"another process's window",     {window(12, Rect(0, 850, 1440, 50))}, false},
      {"backdrop then bar",             {window(77, Rect(0, 0, 1440, 900), 0), window(77, Rect(0, 850, 1440, 50))}, true},
  };
  // clang-format on
  for (const auto& c : cases) {
    windowServer.windows = c.windows;
    EXPECT_EQ(snapshot().isActuallyVisibleOnScreen, c.visible) << c.what;
  }
  EXPECT_EQ(windowServer.lastOptions,
            platform::kWindowListOptionOnScreenOnly | platform::kWindowListExcludeDesktopElements);
  EXPECT_EQ(windowServer.lastRelativeTo, platform::kNullWindowID);

  windowServer.windows = std::nullopt;
  EXPECT_FALSE(snapshot().isActuallyVisibleOnScreen) << "no window list";
}

// --- Visible-Dock optimisation ----------------------------------------------------------------------

TEST_F(DockManagerTest, OptimisationMovesTheDockOffTheTaskbarsEdgeAndTurnsOnAutoHide) {
  folder.setDomain({{"orientation", "bottom"},
                    {"autohide-delay", 0.5},
                    {"autohide-time-modifier", 0.2},
                    {"mineffect", "suck"}});
  std::optional<DockManager::OptimizationResult> result;
  manager->optimizeVisibleDock(TaskbarPosition::bottom, [&](DockManager::OptimizationResult r) {
    EXPECT_TRUE(scheduler.isMainThread());
    result = r;
  });
  EXPECT_FALSE(result);
  scheduler.runUntilIdle();
  ASSERT_TRUE(result);
  EXPECT_EQ(result->placement, DockManager::DockPlacement::left);
  EXPECT_TRUE(result->autohideEnabled);
  EXPECT_EQ(folder.domain(),
            (Dictionary{{"orientation", "left"}, {"autohide", true}, {"mineffect", "suck"}}));
  EXPECT_EQ(folder.restarts(), 1u);
  expectNoRecord();

  // A Dock already on the edge it would be moved to gets no orientation written.
  folder.setDomain({{"orientation", "left"}, {"autohide-delay", 0.5}});
  folder.clearCommands();
  manager->optimizeVisibleDock(TaskbarPosition::top, nullptr);
  scheduler.runUntilIdle();
  EXPECT_EQ(countPrefix(folder.commands(), "defaults write com.apple.dock orientation"), 0u);
  EXPECT_EQ(folder.domain(), (Dictionary{{"orientation", "left"}, {"autohide", true}}));
  EXPECT_EQ(folder.restarts(), 2u);
}

// --- Placement rules --------------------------------------------------------------------------------

TEST(DockPlacementTest, RecommendedPlacementKeepsTheDockUnlessTheTaskbarSitsThere) {
  using P = DockManager::DockPlacement;
  using T = TaskbarPosition;
  struct Case {
    std::optional<P> current;
    T taskbar;
    P recommended;
  };
  const Case cases[] = {
      {P::left, T::left, P::bottom},       {P::left, T::bottom, P::left},
      {P::left, T::top, P::left},          {P::left, T::right, P::left},
      {P::right, T::right, P::bottom},     {P::right, T::left, P::right},
      {P::right, T::bottom, P::right},     {P::bottom, T::bottom, P::left},
      {P::bottom, T::top, P::bottom},      {P::bottom, T::left, P::bottom},
      {std::nullopt, T::bottom, P::left},  {std::nullopt, T::top, P::bottom},
      {std::nullopt, T::right, P::bottom},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DockManager::recommendedVisiblePlacement(c.taskbar, c.current), c.recommended)
        << static_cast<int>(c.taskbar) << " " << (c.current ? static_cast<int>(*c.current) : -1);
    EXPECT_FALSE(DockManager::dockPlacementConflicts(c.recommended, c.taskbar));
  }
  EXPECT_TRUE(DockManager::dockPlacementConflicts(P::left, T::left));
  EXPECT_TRUE(DockManager::dockPlacementConflicts(P::bottom, T::bottom));
  EXPECT_TRUE(DockManager::dockPlacementConflicts(P::right, T::right));
}

}  // namespace
}  // namespace pelko
