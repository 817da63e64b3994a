// The user's Dock configuration is never lost, however the program dies: for every step of a hide and
// of the restore that follows it (one tool run each), the program is killed (SIGKILL, no clean-up of any
// kind) right after that step. Whatever the next run is (a start with the full-hide setting on and a
// quit, a start with it off and a quit, or a restore-only run), the Dock's preferences must end exactly
// as they were before the first hide.

#include <gtest/gtest.h>

#include <csignal>

#include "PelkoProcess.h"

namespace pelko::testing {
namespace {

using Dictionary = Sandbox::Dictionary;

enum class NextRun { fullHideOnAndQuit, fullHideOffAndQuit, restoreDock };

std::string nameOf(NextRun next) {
  switch (next) {
    case NextRun::fullHideOnAndQuit:
      return "a start with full-hide on and a quit";
    case NextRun::fullHideOffAndQuit:
      return "a start with full-hide off and a quit";
    case NextRun::restoreDock:
      return "--restore-dock";
  }
  return "?";
}

struct DockCase {
  std::string name;
  std::optional<Dictionary> domain;  // nothing: the Dock has no preferences file at all
};
void PrintTo(const DockCase& c, std::ostream* os) {
  *os << c.name;
}

class DockKillWalkTest : public ::testing::TestWithParam<DockCase> {
 protected:
  void reset() {
    if (GetParam().domain) {
      sandbox.setDockDomain(*GetParam().domain);
    } else {
      sandbox.clearDockDomain();
    }
    std::filesystem::remove(sandbox.defaultsFile());
    sandbox.clearDockCommands();
  }
  Dictionary original() const { return GetParam().domain.value_or(Dictionary{}); }

  // A run that hides the Dock at start and restores it at its quit, killed right after tool run `step`;
  // false when the run had fewer steps and ended by itself.
  bool runKilledAfter(int step) {
    PelkoProcess run(
        sandbox, {},
        {{"PELKO_TEST_HOOK_QUIT", "1"}, {"PELKO_SIM_KILL_PARENT_AFTER_RUN", std::to_string(step)}});
    auto ending = run.wait();
    EXPECT_TRUE(ending) << run.output();
    if (!ending) return false;
    if (ending->exited) {
      EXPECT_EQ(ending->status, 0) << run.output();
      return false;
    }
    EXPECT_EQ(ending->signal, SIGKILL);
    return true;
  }

  void runNext(NextRun next) {
    std::vector<std::string> arguments;
    std::map<std::string, std::string> variables = {{"PELKO_TEST_HOOK_QUIT", "1"}};
    if (next == NextRun::restoreDock) {
      arguments.push_back("--restore-dock");
    } else {
      Dictionary stored = sandbox.defaults();
      stored["PelkoFullyHideDock"] = next == NextRun::fullHideOnAndQuit;
      sandbox.setDefaults(stored);
    }
    PelkoProcess run(sandbox, arguments, variables);
    auto ending = run.wait();
    ASSERT_TRUE(ending && ending->exited && ending->status == 0) << run.output();
  }

  Sandbox sandbox;
};

TEST_P(DockKillWalkTest, TheDockEndsAsItWasAfterAKillAtAnyStepOfAHideOrARestore) {
  int step = 1;
  for (; step < 40; ++step) {
    bool killed = false;
    for (NextRun next : {NextRun::fullHideOnAndQuit, NextRun::fullHideOffAndQuit, NextRun::restoreDock}) {
      SCOPED_TRACE("killed after tool run " + std::to_string(step) + ", then " + nameOf(next));
      reset();
      killed = runKilledAfter(step);
      if (!killed) break;
      runNext(next);
      EXPECT_EQ(sandbox.dockDomain(), original());
      if (next != NextRun::fullHideOnAndQuit) {
        EXPECT_EQ(sandbox.defaults().count("PelkoDockRecoveryNeeded"), 0u)
            << "the record went with the restore";
      }
    }
    if (!killed) {
      // More steps than the run had: it hid the Dock, quit with status 0 and restored it by itself.
      EXPECT_EQ(sandbox.dockDomain(), original());
      EXPECT_EQ(sandbox.defaults().count("PelkoDockRecoveryNeeded"), 0u);
      break;
    }
  }
  // A hide is four reads, four writes and a restart; its restore at least three changes and a restart.
  EXPECT_GE(step, 14) << "the walk must have cut the run at every step of both operations";
  EXPECT_LT(step, 40) << "the run never finished by itself";
}

INSTANTIATE_TEST_SUITE_P(Docks, DockKillWalkTest,
                         ::testing::Values(DockCase{"WithoutPreferences", std::nullopt},
                                           DockCase{"Customised", Dictionary{{"autohide", true},
                                                                             {"autohide-delay", 0.5},
                                                                             {"autohide-time-modifier", 1.5},
                                                                             {"mineffect", "suck"},
                                                                             {"orientation", "right"}}}),
                         [](const ::testing::TestParamInfo<DockCase>& info) { return info.param.name; });

}  // namespace
}  // namespace pelko::testing
