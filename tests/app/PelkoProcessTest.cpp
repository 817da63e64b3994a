// The `pelko` program itself, started as a process of its own on the offscreen platform: exit statuses,
// signals, the single-instance lock, the crash marker and what it leaves in its files.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <csignal>

#include "PelkoProcess.h"
#include "shell/SingleInstanceLock.h"

namespace pelko::testing {
namespace {

using Dictionary = Sandbox::Dictionary;
using platform::PlistValue;

const Dictionary kUsersDock = {{"autohide", true}, {"autohide-delay", 0.25}, {"mineffect", "suck"}};
// clang-format off
const Dictionary kHiddenUsersDock = {{"autohide", true}, {"autohide-delay", 1000000.0},
                                     {"autohide-time-modifier", 0.0001}, {"mineffect", "scale"}};
// clang-format on
const std::map<std::string, std::string> kQuit = {{"PELKO_TEST_HOOK_QUIT", "1"}};

bool hasRecord(const Sandbox& sandbox) {
  return sandbox.defaults().count("PelkoDockRecoveryNeeded") > 0;
}

class PelkoProcessTest : public ::testing::Test {
 protected:
  void SetUp() override { sandbox.setDockDomain(kUsersDock); }

  Sandbox sandbox;
};

TEST_F(PelkoProcessTest, RestoreDockNeedsNoDisplayAndWithNothingToRestoreStillExitsZero) {
  PelkoProcess restore(sandbox, {"--restore-dock"}, {},
                       {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"});
  ASSERT_TRUE(endsWith(restore, 0));
  EXPECT_EQ(sandbox.dockDomain(), kUsersDock);
  for (const auto& command : sandbox.dockCommands())
    EXPECT_EQ(command.rfind("defaults read ", 0), 0u) << command;
}

TEST_F(PelkoProcessTest, ASecondInstanceExplainsItselfAndQuitsWhileTheFirstKeepsRunning) {
  PelkoProcess first(sandbox);
  ASSERT_TRUE(first.waitUntilReady()) << first.output();

  PelkoProcess second(sandbox);
  ASSERT_TRUE(endsWith(second, 0));
  EXPECT_NE(second.output().find("Pelko is Already Running"), std::string::npos) << second.output();
  EXPECT_NE(
      second.output().find("Another instance of Pelko is already running. This instance will now quit."),
      std::string::npos);

  EXPECT_TRUE(first.isRunning());
  ASSERT_TRUE(waitForTheHide(first, sandbox));
  first.signal(SIGTERM);
  EXPECT_TRUE(endsWith(first, 15));
  // The first copy's hide, and nothing from the second: four reads, four writes and one restart.
  EXPECT_EQ(sandbox.dockCommands().size(), 9u);
  EXPECT_EQ(sandbox.dockDomain(), kHiddenUsersDock);
}

TEST_F(PelkoProcessTest, TheLockIsHeldUntilTheLastDockWorkOfTheProcessHasFinished) {
  // The hide's Dock restart hangs until its time-out: the process still changes the Dock after its
  // event loop has ended.
  PelkoProcess first(sandbox, {}, {{"PELKO_SIM_HANG", "killall"}});
  ASSERT_TRUE(first.waitUntilReady()) << first.output();
  auto restartBegun = [&] {
    auto commands = sandbox.dockCommands();
    return !commands.empty() && commands.back() == "killall Dock";
  };
  for (int i = 0; i < 400 && !restartBegun(); ++i) ::poll(nullptr, 0, 10);
  ASSERT_TRUE(restartBegun());
  first.signal(SIGTERM);

  const std::string lockPath = sandbox.path("config/pelko/pelko.lock");
  int checks = 0;
  while (first.isRunning()) {
    SingleInstanceLock::Outcome outcome;
    auto lock = SingleInstanceLock::tryAcquire(lockPath, outcome);
    if (outcome == SingleInstanceLock::Outcome::acquired) {
      // Only a process on its way out may have let go of it. Under the thread sanitizer its way out
      // can take longer than half a second; one that let go early would still be waiting out the
      // restart's 5 s time-out.
      lock.reset();
      for (int i = 0; i < 200 && first.isRunning(); ++i) ::poll(nullptr, 0, 10);
      ASSERT_FALSE(first.isRunning()) << "released while running, after " << checks << " checks";
      break;
    }
    ASSERT_EQ(outcome, SingleInstanceLock::Outcome::heldByAnother);
    ++checks;
    // Keeps its output flowing meanwhile; once the output has closed, waits all the same.
    if (!first.waitForOutput("(no such line)", 0.02)) ::poll(nullptr, 0, 20);
  }
  EXPECT_GT(checks, 10) << "the process should still have been finishing its hide";
  EXPECT_TRUE(endsWith(first, 15));
  SingleInstanceLock::Outcome outcome;
  EXPECT_TRUE(SingleInstanceLock::tryAcquire(lockPath, outcome));
}

struct SignalCase {
  int signal;
  int status;
};
void PrintTo(const SignalCase& c, std::ostream* os) {
  *os << strsignal(c.signal);
}

class TerminationSignalTest : public PelkoProcessTest, public ::testing::WithParamInterface<SignalCase> {};

TEST_P(TerminationSignalTest, ExitsWithTheSignalNumberAfterCleanUpAndRestoreDockGivesTheDockBack) {
  {
    PelkoProcess run(sandbox);
    ASSERT_TRUE(run.waitUntilReady()) << run.output();
    ASSERT_TRUE(waitForTheHide(run, sandbox));
    run.signal(GetParam().signal);
    ASSERT_TRUE(endsWith(run, GetParam().status));
  }
  // Clean-up wrote the defaults; the Dock this run hid stays hidden with its record.
  EXPECT_TRUE(hasRecord(sandbox));
  EXPECT_EQ(sandbox.dockDomain(), kHiddenUsersDock);

  PelkoProcess restore(sandbox, {"--restore-dock"});
  ASSERT_TRUE(endsWith(restore, 0));
  EXPECT_EQ(sandbox.dockDomain(), kUsersDock);
  EXPECT_FALSE(hasRecord(sandbox));
  EXPECT_EQ(restore.output().find("start-up complete"), std::string::npos) << "nothing else of start-up ran";
}

INSTANTIATE_TEST_SUITE_P(Signals, TerminationSignalTest,
                         ::testing::Values(SignalCase{SIGTERM, 15}, SignalCase{SIGINT, 2},
                                           SignalCase{SIGHUP, 1}),
                         [](const ::testing::TestParamInfo<SignalCase>& info) {
                           return std::string(sigabbrev_np(info.param.signal));
                         });

TEST_F(PelkoProcessTest, AnUncaughtExceptionLeavesACrashMarkerThatTheNextStartReportsAndRemoves) {
  {
    PelkoProcess run(sandbox, {}, {{"PELKO_TEST_HOOK_THROW", "1"}});
    ASSERT_TRUE(endsWith(run, 6));
  }
  EXPECT_EQ(sandbox.defaults()["PelkoLastCrash"],
            PlistValue(std::string("std::runtime_error: exception thrown by the test hook")));

  PelkoProcess next(sandbox, {}, kQuit);
  ASSERT_TRUE(endsWith(next, 0));
  EXPECT_NE(
      next.output().find(
          "AppDelegate: Previous session crashed: std::runtime_error: exception thrown by the test hook"),
      std::string::npos)
      << next.output();
  EXPECT_EQ(sandbox.defaults().count("PelkoLastCrash"), 0u);
  EXPECT_EQ(sandbox.dockDomain(), kUsersDock);
}

TEST_F(PelkoProcessTest, ADamagedSettingsFileIsSaidOnceInAnAlertNamingWhereItWasKept) {
  std::ofstream(sandbox.defaultsFile()) << "not a property list";
  std::string keptAs;
  {
    PelkoProcess run(sandbox, {}, kQuit);
    ASSERT_TRUE(endsWith(run, 0));
    for (const auto& entry : std::filesystem::directory_iterator(sandbox.path("config/pelko"))) {
      if (entry.path().filename().string().rfind("com.pelko.app.plist.corrupt-", 0) == 0)
        keptAs = entry.path();
    }
    ASSERT_FALSE(keptAs.empty()) << run.output();
    const std::string alert =
        "Pelko alert: Pelko's Settings Could Not Be Read\n  The settings file was damaged. "
        "It was kept as " +
        keptAs +
        "; settings that could not be read start from their "
        "defaults.\n  [OK]";
    EXPECT_NE(run.output().find(alert), std::string::npos) << run.output();
  }
  PelkoProcess next(sandbox, {}, kQuit);
  ASSERT_TRUE(endsWith(next, 0));
  EXPECT_EQ(next.output().find("Settings Could Not Be Read"), std::string::npos) << next.output();
}

TEST_F(PelkoProcessTest, AScenarioThatCannotBeReadIsNamedAndNothingStarts) {
  std::ofstream(sandbox.path("scenario.json")) << R"({"applications": [{"bundleID": "com.x"}]})";
  ASSERT_EQ(::mkfifo(sandbox.path("fifo.json").c_str(), 0600), 0);  // no writer: reading would wait
  for (const auto& [file, message] : std::vector<std::pair<std::string, std::string>>{
           {sandbox.path("scenario.json"), "applications[0].name is required"},
           {sandbox.path("fifo.json"), "not a regular file"},
       }) {
    PelkoProcess run(sandbox, {}, {{"PELKO_SCENARIO", file}});
    ASSERT_TRUE(endsWith(run, 2));
    EXPECT_NE(run.output().find(message), std::string::npos) << run.output();
  }
  EXPECT_TRUE(sandbox.dockCommands().empty());
}

TEST_F(PelkoProcessTest, WithoutAUsableLockFolderItSaysSoAndDoesNotRun) {
  std::ofstream(sandbox.path("not-a-folder")) << "";
  PelkoProcess run(sandbox, {}, {{"XDG_CONFIG_HOME", sandbox.path("not-a-folder")}});
  ASSERT_TRUE(endsWith(run, 1));
  EXPECT_NE(run.output().find("Pelko: cannot take the single-instance lock " + sandbox.path("not-a-folder") +
                              "/pelko/pelko.lock: " + sandbox.path("not-a-folder") + " is not a folder"),
            std::string::npos)
      << run.output();
  EXPECT_TRUE(sandbox.dockCommands().empty());
}

// Two starts of the same user with the same settings may see different runtime folders (one under su,
// or from a script without a session): the second finds the first all the same, and never runs beside
// it.
TEST_F(PelkoProcessTest, OneCopyRunsPerSettingsFileWhateverTheRuntimeFolder) {
  PelkoProcess first(sandbox);
  ASSERT_TRUE(first.waitUntilReady()) << first.output();
  ASSERT_TRUE(waitForTheHide(first, sandbox));

  PelkoProcess withoutRuntime(sandbox, {}, {}, {"XDG_RUNTIME_DIR"});
  ASSERT_TRUE(endsWith(withoutRuntime, 0));
  EXPECT_NE(withoutRuntime.output().find("Pelko is Already Running"), std::string::npos)
      << withoutRuntime.output();

  PelkoProcess relativeRuntime(sandbox, {"pelko://quit"}, {{"XDG_RUNTIME_DIR", "relative"}});
  ASSERT_TRUE(endsWith(relativeRuntime, 0));
  EXPECT_TRUE(endsWith(first, 0)) << "the first copy took the quit";
  EXPECT_EQ(sandbox.dockDomain(), kUsersDock);
}

// A runtime folder so deep that no socket fits in it: the running copy receives in a short folder of
// its own instead, and a later start with the same settings finds it there.
TEST_F(PelkoProcessTest, URLsReachTheRunningCopyWhenItsRuntimeFolderIsTooDeepForASocket) {
  const std::map<std::string, std::string> deep = {
      {"XDG_RUNTIME_DIR", sandbox.path("run/" + std::string(110, 'r'))}};
  PelkoProcess first(sandbox, {}, deep);
  ASSERT_TRUE(first.waitUntilReady()) << first.output();
  ASSERT_TRUE(waitForTheHide(first, sandbox));

  PelkoProcess second(sandbox, {"pelko://quit"}, deep);
  ASSERT_TRUE(endsWith(second, 0));
  EXPECT_TRUE(endsWith(first, 0)) << "the first copy took the quit";
  EXPECT_EQ(first.output().find("cannot receive URLs"), std::string::npos) << first.output();
}

// The copy holding the lock never listens (here the test holds it): a start with URLs waits for the lock
// a while, then says the URLs cannot reach the running copy and ends with status 1, never with the quiet
// "already running" of a start without URLs.
TEST_F(PelkoProcessTest, URLsThatCannotReachTheRunningCopyEndTheirStartWithStatusOneAndAMessage) {
  SingleInstanceLock::Outcome outcome;
  std::filesystem::create_directories(sandbox.path("config/pelko"));
  auto held = SingleInstanceLock::tryAcquire(sandbox.path("config/pelko/pelko.lock"), outcome);
  ASSERT_TRUE(held);

  PelkoProcess start(sandbox, {"pelko://settings"});
  ASSERT_TRUE(endsWith(start, 1));
  EXPECT_NE(start.output().find("Pelko: the URLs cannot reach the running copy"), std::string::npos)
      << start.output();
  EXPECT_EQ(start.output().find("Pelko is Already Running"), std::string::npos) << start.output();
  EXPECT_TRUE(sandbox.dockCommands().empty());
}

// One argument holding a line break is one URL, refused whole: the running copy never sees the "quit"
// that a batch framed by line feeds would have made of its second half.
TEST_F(PelkoProcessTest, ALineBreakInsideOneArgumentIsRefusedAndTheRunningCopyKeepsRunning) {
  PelkoProcess first(sandbox);
  ASSERT_TRUE(first.waitUntilReady()) << first.output();
  ASSERT_TRUE(waitForTheHide(first, sandbox));

  PelkoProcess second(sandbox, {"pelko://noop\npelko://quit"});
  ASSERT_TRUE(endsWith(second, 1));
  EXPECT_NE(second.output().find("Pelko: a URL holding a line break or another control character is refused: "
                                 "\"pelko://noop\\npelko://quit\""),
            std::string::npos)
      << second.output();
  first.signal(SIGTERM);
  EXPECT_TRUE(endsWith(first, 15)) << "still running when signalled, not quit by the URL";
  EXPECT_EQ(first.output().find("pelko://noop"), std::string::npos) << first.output();
}

// Every kind of damaged value a hand-edited settings file can hold is told alike, in the run that finds
// it: a line naming the setting and why, the file kept aside, one alert; the next start says nothing.
TEST_F(PelkoProcessTest, DamagedValuesOfEveryKindAreToldAlikeAndOnce) {
  struct Kind {
    const char* key;
    const char* stored;
    const char* why;
  };
  const Kind kinds[] = {
      {"PelkoBorderOpacity", "<real>1e400</real>", "<real> \"1e400\" is out of range"},
      {"PelkoBorderWidth", "<integer>99999999999999999999</integer>",
       "<integer> \"99999999999999999999\" is out of range"},
      {"PelkoCornerRadius", "<real>nan</real>", "<real> nan is not a number"},
      {"PelkoIconSize", "<real>+infinity</real>", "<real> +infinity is not a finite number"},
      {"PelkoItemSpacing", "<real>-infinity</real>", "<real> -infinity is not a finite number"},
      {"PelkoMarginVertical", "<string>8</string>", "<string> where a number belongs"},
      {"PelkoShowTime", "<integer>2</integer>", "<integer> where a Boolean belongs"},
      {"PelkoPosition", "<true/>", "<true/> or <false/> where a text belongs"},
  };
  std::string entries;
  for (const Kind& kind : kinds)
    entries += std::string("\t<key>") + kind.key + "</key>\n\t" + kind.stored + "\n";
  sandbox.setDefaults({{"PelkoTaskbarSize", 120.0}});
  std::string text = readWholeFile(sandbox.defaultsFile());
  const size_t at = text.find("<dict>\n");
  ASSERT_NE(at, std::string::npos);
  writeWholeFile(sandbox.defaultsFile(), text.insert(at + 7, entries));
  {
    PelkoProcess run(sandbox, {}, kQuit);
    ASSERT_TRUE(endsWith(run, 0));
    const std::string& said = run.output();
    for (const Kind& kind : kinds) {
      SCOPED_TRACE(kind.key);
      const std::string prefix = std::string("Pelko: the setting \"") + kind.key + "\" in " +
                                 sandbox.defaultsFile() + " could not be read (";
      const size_t line = said.find(prefix);
      ASSERT_NE(line, std::string::npos) << said;
      EXPECT_EQ(said.find(prefix, line + 1), std::string::npos) << "told once";
      const std::string rest =
          said.substr(line + prefix.size(), said.find('\n', line) - line - prefix.size());
      EXPECT_NE(rest.find(kind.why), std::string::npos) << rest;
      EXPECT_TRUE(rest.ends_with("); it was left out.")) << rest;
    }
    const std::string alert = "Pelko alert: Pelko's Settings Could Not Be Read";
    EXPECT_NE(said.find(alert), std::string::npos) << said;
    EXPECT_EQ(said.find(alert), said.rfind(alert)) << said;
  }
  EXPECT_EQ(sandbox.defaults()["PelkoTaskbarSize"], PlistValue(120.0)) << "the readable setting is kept";
  PelkoProcess next(sandbox, {}, kQuit);
  ASSERT_TRUE(endsWith(next, 0));
  EXPECT_EQ(next.output().find("could not be read"), std::string::npos) << next.output();
  EXPECT_EQ(next.output().find("Settings Could Not Be Read"), std::string::npos) << next.output();
}

TEST_F(PelkoProcessTest, ATerminationSignalWhileADockSnapshotWaitsOnASlowReadEndsCleanly) {
  // The hide's nine runs go through; the visibility probe's read of the delay (the eleventh run) hangs
  // until its time-out, and the snapshot then looks at the simulated Mac's windows.
  const std::string delayRead = "defaults read com.apple.dock autohide-delay";
  PelkoProcess run(sandbox, {}, {{"PELKO_SIM_HANG", delayRead}, {"PELKO_SIM_HANG_FROM_RUN", "10"}});
  ASSERT_TRUE(waitForTheHide(run, sandbox));
  auto probeBegun = [&] { return sandbox.dockCommands().size() >= 11; };
  for (int i = 0; i < 2000 && !probeBegun(); ++i) run.waitForOutput("(no such line)", 0.01);
  ASSERT_TRUE(probeBegun()) << run.output();
  EXPECT_EQ(sandbox.dockCommands()[10], delayRead);
  run.signal(SIGTERM);
  EXPECT_TRUE(endsWith(run, 15));
}

TEST_F(PelkoProcessTest, LaunchAtLoginStaysOnWhileItsAutostartEntryExists) {
  sandbox.setDefaults({{"PelkoLaunchAtLogin", true}});
  const std::string entry = sandbox.path("config/autostart/pelko.desktop");
  std::filesystem::create_directories(sandbox.path("config/autostart"));
  std::ofstream(entry) << "[Desktop Entry]\nType=Application\nExec=\"" << kPelkoBinary << "\"\n";
  PelkoProcess run(sandbox, {}, kQuit);
  ASSERT_TRUE(endsWith(run, 0));
  EXPECT_EQ(sandbox.defaults()["PelkoLaunchAtLogin"], PlistValue(true));
}

// A run the test leaves going ends as a logout ends it, so the program's sanitizer still looks for leaks
// at its exit; one that stays past the bound is killed, and that is said.
TEST_F(PelkoProcessTest, ARunLeftGoingIsEndedBySigtermAndOneThatStaysIsKilledAndSaid) {
  PelkoProcess run(sandbox);
  ASSERT_TRUE(run.waitUntilReady()) << run.output();
  EXPECT_EQ(run.end(), "");
  ASSERT_TRUE(endsWith(run, 15));

  PelkoProcess stuck(sandbox);
  ASSERT_TRUE(stuck.waitUntilReady()) << stuck.output();
  stuck.signal(SIGSTOP);  // SIGTERM waits while it is stopped
  EXPECT_EQ(stuck.end(0.5), "did not end within 0.5 s of SIGTERM and was killed");
  const auto ending = stuck.wait();
  ASSERT_TRUE(ending);
  EXPECT_EQ(ending->signal, SIGKILL);
}

}  // namespace
}  // namespace pelko::testing
