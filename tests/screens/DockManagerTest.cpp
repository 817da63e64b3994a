#include "screens/DockManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>

#include "DockTestFolder.h"
#include "foundation/DebugLog.h"
#include "foundation/VirtualScheduler.h"
#include "platform/real/RealScheduler.h"
#include "platform/sim/InMemoryUserDefaults.h"
#include "support/FakeDockWorld.h"

namespace pelko {
namespace {

using platform::PlistValue;
using testing::DockTestFolder;
using testing::kSimDefaults;
using testing::kSimKillall;
using Dictionary = PlistValue::Dictionary;

const char* const kRecoveryKeys[] = {
    DockManager::kRecoveryNeededKey,        DockManager::kPreviousAutoHideKey,
    DockManager::kPreviousMinEffectKey,     DockManager::kRecoveryVersionKey,
    DockManager::kPreviousAutoHideDelayKey, DockManager::kPreviousAutoHideTimeModifierKey,
    DockManager::kPreviousAbsentKeysKey,    DockManager::kRestoreInProgressKey,
};

const Dictionary kHiddenConfiguration = {
    {"autohide", true},
    {"autohide-delay", 1000000.0},
    {"autohide-time-modifier", 0.0001},
    {"mineffect", "scale"},
};

Dictionary withHiddenConfiguration(Dictionary domain) {
  for (const auto& [key, value] : kHiddenConfiguration) domain[key] = value;
  return domain;
}

size_t countPrefix(const std::vector<std::string>& lines, const std::string& prefix) {
  return std::count_if(lines.begin(), lines.end(),
                       [&](const auto& line) { return line.rfind(prefix, 0) == 0; });
}

// Passes runs on and lets a test wait until some tool run has happened (on whichever thread).
class SignallingChildProcess final : public platform::ChildProcess {
 public:
  explicit SignallingChildProcess(platform::ChildProcess& inner) : inner_(inner) {}
  platform::ChildProcessResult run(const std::string& path, const std::vector<std::string>& arguments,
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
  std::vector<std::string> lines_;
};

class DockManagerTest : public ::testing::Test {
 protected:
  DockManager::Services servicesWith(platform::ChildProcess& childProcess) {
    DockManager::Services services(childProcess, userDefaults);
    services.defaultsPath = kSimDefaults;
    services.killallPath = kSimKillall;
    services.appVersion = "2.1";
    return services;
  }
  std::unique_ptr<DockManager> managerWith(platform::ChildProcess& childProcess) {
    return std::make_unique<DockManager>(scheduler, workspace, windowServer, servicesWith(childProcess));
  }

  void hideAndFinish() {
    manager->hideDock();
    scheduler.runUntilIdle();
  }

  void expectNoRecoveryKeys() {
    for (const char* key : kRecoveryKeys) EXPECT_FALSE(userDefaults.storedObject(key)) << key;
  }

  DockTestFolder folder;
  real::PosixChildProcess runner{folder.runnerOptions()};
  sim::InMemoryUserDefaults userDefaults;
  VirtualScheduler scheduler;
  testing::FakeWorkspace workspace;
  testing::FakeWindowServer windowServer;
  std::unique_ptr<DockManager> manager = managerWith(runner);
};

// --- Hide and restore -------------------------------------------------------------------------------

struct DomainCase {
  std::string name;
  Dictionary domain;
};
void PrintTo(const DomainCase& c, std::ostream* os) {
  *os << c.name;
}

class DockManagerRoundTripTest : public DockManagerTest, public ::testing::WithParamInterface<DomainCase> {};

TEST_P(DockManagerRoundTripTest, HideThenRestoreGivesBackTheDomainExactly) {
  const Dictionary original = GetParam().domain;
  folder.setDomain(original);

  hideAndFinish();
  EXPECT_EQ(folder.domain(), withHiddenConfiguration(original));
  EXPECT_EQ(folder.restarts(), 1u);
  EXPECT_TRUE(DockManager::needsRecovery(userDefaults));
  EXPECT_EQ(userDefaults.stringForKey(DockManager::kRecoveryVersionKey), "2.1");
  EXPECT_EQ(folder.commands().back(), "killall Dock");

  manager->restoreDock();
  EXPECT_EQ(folder.domain(), original);
  EXPECT_EQ(folder.restarts(), 2u);
  EXPECT_EQ(folder.commands().back(), "killall Dock");
  EXPECT_FALSE(DockManager::needsRecovery(userDefaults));
  expectNoRecoveryKeys();
}

INSTANTIATE_TEST_SUITE_P(Domains, DockManagerRoundTripTest,
                         ::testing::Values(DomainCase{"Empty", {}},
                                           DomainCase{"AutoHideOffGenie",
                                                      {{"autohide", false}, {"mineffect", "genie"}}},
                                           DomainCase{"Everything",
                                                      {{"autohide", true},
                                                       {"autohide-delay", 0.5},
                                                       {"autohide-time-modifier", 1.5},
                                                       {"mineffect", "scale"},
                                                       {"orientation", "right"},
                                                       {"tilesize", int64_t{48}}}}),
                         [](const ::testing::TestParamInfo<DomainCase>& info) { return info.param.name; });

TEST_F(DockManagerTest, HideWritesTheDelayFirstAndRestoresItLast) {
  folder.setDomain({{"autohide-delay", 0.5}, {"mineffect", "suck"}});
  hideAndFinish();
  manager->restoreDock();
  auto commands = folder.commands();
  std::vector<std::string> changes;
  std::copy_if(commands.begin(), commands.end(), std::back_inserter(changes),
               [](const auto& line) { return line.rfind("defaults read", 0) != 0; });
  EXPECT_EQ(changes, (std::vector<std::string>{
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

TEST_F(DockManagerTest, TwoHidesInQuickSuccessionStartOne) {
  manager->hideDock();
  EXPECT_TRUE(manager->isHideRunning());
  manager->hideDock();
  scheduler.runUntilIdle();
  EXPECT_FALSE(manager->isHideRunning());
  EXPECT_EQ(countPrefix(folder.commands(), "defaults write com.apple.dock autohide-delay -float 1000000"),
            1u);

  manager->hideDock();
  scheduler.runUntilIdle();
  EXPECT_EQ(countPrefix(folder.commands(), "defaults write com.apple.dock autohide-delay -float 1000000"),
            2u);
}

TEST_F(DockManagerTest, AHideWhileARecordExistsKeepsTheRecordedValues) {
  folder.setDomain({{"mineffect", "suck"}, {"autohide-delay", 0.25}});
  hideAndFinish();
  auto record = userDefaults.storedDictionary();

  // Re-applying (a second hide, or a new run finding the record of a run that never restored) must
  // not take the hidden configuration for the user's own.
  hideAndFinish();
  EXPECT_EQ(userDefaults.storedDictionary(), record);
  EXPECT_EQ(folder.domain(), withHiddenConfiguration({{"mineffect", "suck"}, {"autohide-delay", 0.25}}));

  auto nextRun = managerWith(runner);
  nextRun->hideDock();
  scheduler.runUntilIdle();
  EXPECT_EQ(userDefaults.storedDictionary(), record);

  nextRun->restoreDock();
  EXPECT_EQ(folder.domain(), (Dictionary{{"mineffect", "suck"}, {"autohide-delay", 0.25}}));
}

TEST_F(DockManagerTest, AHideOfAnAlreadyHiddenDockWithoutARecordRecordsTheFactoryConfiguration) {
  folder.setDomain(withHiddenConfiguration({{"orientation", "left"}}));
  hideAndFinish();
  EXPECT_FALSE(userDefaults.boolForKey(DockManager::kPreviousAutoHideKey));
  EXPECT_EQ(userDefaults.stringForKey(DockManager::kPreviousMinEffectKey), "genie");

  manager->restoreDock();
  EXPECT_EQ(folder.domain(), (Dictionary{{"orientation", "left"}}));
  expectNoRecoveryKeys();
}

TEST_F(DockManagerTest, AHideThatCannotReadTheDockChangesNothing) {
  folder.setDomain({{"mineffect", "suck"}});
  real::PosixChildProcess failingReads(folder.runnerOptions({{"PELKO_SIM_FAIL", "defaults read"}}));
  manager = managerWith(failingReads);
  hideAndFinish();
  EXPECT_EQ(folder.domain(), (Dictionary{{"mineffect", "suck"}}));
  EXPECT_EQ(countPrefix(folder.commands(), "defaults write"), 0u);
  EXPECT_EQ(folder.restarts(), 0u);
  EXPECT_FALSE(DockManager::needsRecovery(userDefaults));
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
  expectNoRecoveryKeys();
}

// Without a record only the hide's own delay and speed are taken out, and only when they are there.
TEST_F(DockManagerTest, ARestoreWithoutARecordRemovesOnlyTheHidesTiming) {
  folder.setDomain({{"mineffect", "suck"}, {"autohide-delay", 0.5}});
  manager->restoreDock();
  EXPECT_EQ(folder.domain(), (Dictionary{{"mineffect", "suck"}, {"autohide-delay", 0.5}}));
  EXPECT_EQ(folder.restarts(), 0u);

  folder.setDomain(withHiddenConfiguration({}));
  manager->restoreDock();
  EXPECT_EQ(folder.domain(), (Dictionary{{"autohide", true}, {"mineffect", "scale"}}));
  EXPECT_EQ(countPrefix(folder.commands(), "defaults write"), 0u);
  EXPECT_EQ(folder.restarts(), 1u);
}

TEST_F(DockManagerTest, AFailedRestoreKeepsTheRecordForTheNextAttempt) {
  const Dictionary original{{"mineffect", "suck"}, {"autohide-delay", 0.5}};
  folder.setDomain(original);
  hideAndFinish();

  real::PosixChildProcess failingWrite(
      folder.runnerOptions({{"PELKO_SIM_FAIL", "defaults write com.apple.dock mineffect"}}));
  managerWith(failingWrite)->restoreDock();
  EXPECT_TRUE(DockManager::needsRecovery(userDefaults));
  EXPECT_TRUE(userDefaults.boolForKey(DockManager::kRestoreInProgressKey));
  EXPECT_EQ(folder.domain().at("mineffect"), PlistValue("scale"));

  // The start-up recovery finishes it, although the delay already reads as the user's again.
  DockManager::emergencyRestoreDock(servicesWith(runner));
  EXPECT_EQ(folder.domain(), original);
  expectNoRecoveryKeys();
}

TEST_F(DockManagerTest, ATimedOutRestoreKeepsTheRecord) {
  const Dictionary original{{"autohide", true}};
  folder.setDomain(original);
  hideAndFinish();

  real::PosixChildProcess hangingKillall(folder.runnerOptions({{"PELKO_SIM_HANG", "killall"}}));
  auto services = servicesWith(hangingKillall);
  services.commandTimeoutSeconds = 0.2;
  DockManager(scheduler, workspace, windowServer, services).restoreDock();
  EXPECT_TRUE(DockManager::needsRecovery(userDefaults));
  EXPECT_EQ(folder.domain(), original);
  EXPECT_EQ(folder.restarts(), 1u);

  manager->restoreDock();
  EXPECT_EQ(folder.restarts(), 2u);
  expectNoRecoveryKeys();
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
    EXPECT_EQ(folder.commands(), (std::vector<std::string>{"defaults read com.apple.dock autohide-delay"}));
    expectNoRecoveryKeys();
  }
}

TEST_F(DockManagerTest, RecoveryThatCannotReadTheDockKeepsTheRecord) {
  hideAndFinish();
  real::PosixChildProcess failingReads(folder.runnerOptions({{"PELKO_SIM_FAIL", "defaults read"}}));
  DockManager::emergencyRestoreDock(servicesWith(failingReads));
  EXPECT_TRUE(DockManager::needsRecovery(userDefaults));
  EXPECT_EQ(folder.domain(), withHiddenConfiguration({}));
}

TEST_F(DockManagerTest, RecoveryWithoutARecordWritesNeitherAutoHideNorEffect) {
  folder.setDomain(withHiddenConfiguration({}));
  userDefaults.setObject(DockManager::kPreviousMinEffectKey, "suck");  // a stray key without the flag
  DockManager::emergencyRestoreDock(servicesWith(runner));
  EXPECT_EQ(folder.domain(), (Dictionary{{"autohide", true}, {"mineffect", "scale"}}));
  expectNoRecoveryKeys();
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
  // Every change of the hide hangs until the time-out; the restore's own commands do not.
  const std::string hideWrites =
      "defaults write com.apple.dock autohide-delay -float 1000000;"
      "defaults write com.apple.dock autohide -bool true;"
      "defaults write com.apple.dock autohide-time-modifier -float 0.0001;"
      "defaults write com.apple.dock mineffect -string scale";
  real::PosixChildProcess::Options options = folder.runnerOptions({{"PELKO_SIM_HANG", hideWrites}});
  options.terminateGraceSeconds = 0.05;
  real::PosixChildProcess hangingHide(options);
  auto services = servicesWith(hangingHide);
  services.commandTimeoutSeconds = 0.3;
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
  std::vector<std::string> afterRestore(restoreStart, commands.end());
  EXPECT_EQ(countPrefix(afterRestore, "defaults write com.apple.dock autohide -bool true"), 0u);
  EXPECT_EQ(countPrefix(afterRestore, "defaults write com.apple.dock mineffect -string scale"), 0u);
  EXPECT_EQ(countPrefix(commands, "killall Dock"), 1u) << "the stopped hide must not restart the Dock";
  EXPECT_EQ(folder.domain(), original);
}

TEST_F(DockManagerTest, AHideRequestedAfterARestoreStoppedTheLastOneIsNotSwallowed) {
  const std::string hangAll = "defaults write com.apple.dock autohide-delay -float 1000000";
  real::PosixChildProcess::Options options = folder.runnerOptions({{"PELKO_SIM_HANG", hangAll}});
  options.terminateGraceSeconds = 0.05;
  real::PosixChildProcess hangingHide(options);
  SignallingChildProcess signalling(hangingHide);
  auto services = servicesWith(signalling);
  services.commandTimeoutSeconds = 0.3;
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

  void runDock() {
    workspace.applications.push_back(std::make_shared<testing::FakeRunningApplication>(77, "com.apple.dock"));
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

TEST_F(DockSnapshotTest, MatchesTheHiddenConfigurationByAutoHideAndDelay) {
  struct Case {
    Dictionary domain;
    bool matches;
  };
  const std::vector<Case> cases = {
      {{{"autohide", true}, {"autohide-delay", 1000000.0}}, true},
      {{{"autohide", true}, {"autohide-delay", 999999.0}}, true},
      {{{"autohide", true}, {"autohide-delay", 999998.5}}, false},
      {{{"autohide", true}, {"autohide-delay", "lots"}}, false},
      {{{"autohide", true}}, false},
      {{{"autohide", false}, {"autohide-delay", 1000000.0}}, false},
      {{{"autohide-delay", 1000000.0}}, false},
  };
  for (const auto& c : cases) {
    folder.setDomain(c.domain);
    auto s = snapshot();
    EXPECT_EQ(s.matchesPelkoHiddenConfiguration, c.matches) << ::testing::PrintToString(c.domain.size());
    EXPECT_EQ(s.autohideEnabled, c.domain.count("autohide") && c.domain.at("autohide") == PlistValue(true));
  }
}

TEST_F(DockSnapshotTest, ReadsThePlacementInAnyCase) {
  const std::vector<std::pair<std::optional<std::string>, std::optional<DockManager::DockPlacement>>> cases =
      {
          {"Left", DockManager::DockPlacement::left},
          {"bottom", DockManager::DockPlacement::bottom},
          {"RIGHT", DockManager::DockPlacement::right},
          {"top", std::nullopt},
          {std::nullopt, std::nullopt},
      };
  for (const auto& [orientation, placement] : cases) {
    folder.setDomain(orientation ? Dictionary{{"orientation", *orientation}} : Dictionary{});
    EXPECT_EQ(snapshot().placement, placement) << orientation.value_or("(none)");
  }
}

TEST_F(DockSnapshotTest, JudgesVisibilityFromTheDocksOnScreenWindows) {
  runDock();
  struct Case {
    const char* what;
    std::vector<platform::WindowInfo> windows;
    bool visible;
  };
  const std::vector<Case> cases = {
      {"a Dock bar", {window(77, Rect(0, 850, 1440, 50))}, true},
      {"exactly 1500 square points", {window(77, Rect(0, 0, 30, 50))}, true},
      {"1000 square points", {window(77, Rect(0, 0, 20, 50))}, false},
      {"alpha 0.01", {window(77, Rect(0, 850, 1440, 50), 20, 0.01)}, false},
      {"alpha 0.02", {window(77, Rect(0, 850, 1440, 50), 20, 0.02)}, true},
      {"no alpha at all", {window(77, Rect(0, 850, 1440, 50), 20, std::nullopt)}, true},
      {"empty bounds", {window(77, Rect(0, 0, 0, 50))}, false},
      {"unnamed large layer-0 backdrops only",
       {window(77, Rect(0, 0, 1440, 900), 0), window(77, Rect(0, 0, 200, 200), 0, 1.0, "")},
       false},
      {"a named layer-0 window", {window(77, Rect(0, 0, 1440, 900), 0, 1.0, "Dock")}, true},
      {"a small unnamed layer-0 window", {window(77, Rect(0, 0, 199, 300), 0)}, true},
      {"another process's window", {window(12, Rect(0, 850, 1440, 50))}, false},
      {"backdrop then bar", {window(77, Rect(0, 0, 1440, 900), 0), window(77, Rect(0, 850, 1440, 50))}, true},
  };
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

TEST_F(DockSnapshotTest, NoDockProcessMeansNotVisible) {
  windowServer.windows = std::vector<platform::WindowInfo>{window(0, Rect(0, 850, 1440, 50))};
  EXPECT_FALSE(snapshot().isActuallyVisibleOnScreen);
  workspace.applications.push_back(std::make_shared<testing::FakeRunningApplication>(0, "com.apple.dock"));
  EXPECT_FALSE(snapshot().isActuallyVisibleOnScreen);
}

TEST_F(DockSnapshotTest, UnreadablePreferencesCountAsAbsent) {
  folder.setDomain({{"autohide", true}, {"autohide-delay", 1000000.0}, {"orientation", "left"}});
  real::PosixChildProcess failingReads(folder.runnerOptions({{"PELKO_SIM_FAIL", "defaults read"}}));
  manager = managerWith(failingReads);
  EXPECT_EQ(snapshot(), DockManager::VisibilitySnapshot{});
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
  expectNoRecoveryKeys();
}

TEST_F(DockManagerTest, OptimisationOfADockAlreadyOnTheTargetEdgeWritesNoOrientation) {
  folder.setDomain({{"orientation", "left"}, {"autohide-delay", 0.5}});
  manager->optimizeVisibleDock(TaskbarPosition::top, nullptr);
  scheduler.runUntilIdle();
  EXPECT_EQ(countPrefix(folder.commands(), "defaults write com.apple.dock orientation"), 0u);
  EXPECT_EQ(folder.domain(), (Dictionary{{"orientation", "left"}, {"autohide", true}}));
  EXPECT_EQ(folder.restarts(), 1u);
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
    EXPECT_FALSE(DockManager::dockPlacementConflicts(
        DockManager::recommendedVisiblePlacement(c.taskbar, c.current), c.taskbar));
  }
  EXPECT_TRUE(DockManager::dockPlacementConflicts(P::left, T::left));
  EXPECT_TRUE(DockManager::dockPlacementConflicts(P::bottom, T::bottom));
  EXPECT_TRUE(DockManager::dockPlacementConflicts(P::right, T::right));
}

}  // namespace
}  // namespace pelko
