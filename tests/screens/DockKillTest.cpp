#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>

#include "DockTestFolder.h"
#include "screens/DockManager.h"

namespace pelko::testing {
namespace {

using platform::PlistValue;
using Dictionary = PlistValue::Dictionary;

struct KillCase {
  std::string name;
  std::string mode;  // the driver's operation that is cut short
  Dictionary domain;
};
// Named in test listings and failures by what it does, not by its bytes.
void PrintTo(const KillCase& c, std::ostream* out) {
  *out << c.name << " (" << c.mode << ", " << c.domain.size() << " Dock keys)";
}

// The application is killed (SIGKILL: no clean-up of any kind) right after each step of a hide or a
// restore, a step being one tool run or one write of its user defaults to disk. The next start's
// recovery must then give the Dock back exactly as it was before the first hide, every time.
class DockKillTest : public ::testing::TestWithParam<KillCase> {
 protected:
  platform::ChildProcessResult driver(const std::string& mode,
                                      std::optional<int> killAfterStep = std::nullopt) {
    std::vector<std::string> arguments{defaultsFile(), kSimDefaults, kSimKillall, mode};
    if (killAfterStep) arguments.push_back(std::to_string(*killAfterStep));
    return runner.run(kDockDriver, arguments, 30.0);
  }
  std::string defaultsFile() const { return folder.file("pelko-defaults.plist"); }

  DockTestFolder folder;
  real::PosixChildProcess runner{folder.runnerOptions()};
};

TEST_P(DockKillTest, RecoveryAfterAKillAtAnyStepGivesTheDockBack) {
  const KillCase& c = GetParam();
  const Dictionary hidden = withHiddenConfiguration(c.domain);
  bool ranToTheEnd = false;
  int step = 1;
  for (; step < 60 && !ranToTheEnd; ++step) {
    SCOPED_TRACE("killed after step " + std::to_string(step));
    folder.setDomain(c.domain);
    std::filesystem::remove(defaultsFile());
    if (c.mode == "restore") {
      ASSERT_TRUE(driver("hide").succeeded());
      ASSERT_EQ(folder.domain(), hidden);
    }

    auto cut = driver(c.mode, step);
    if (cut.succeeded()) {
      // Fewer steps than `step`: the operation finished, which ends the walk.
      ranToTheEnd = true;
      EXPECT_EQ(folder.domain(), c.mode == "hide" ? hidden : c.domain);
      break;
    }
    ASSERT_EQ(cut.termination, platform::ChildProcessResult::Termination::signaled) << cut.standardError;
    ASSERT_EQ(cut.signal, SIGKILL);

    auto recovery = driver("recover");
    ASSERT_TRUE(recovery.succeeded()) << recovery.standardError;
    EXPECT_EQ(folder.domain(), c.domain);
    EXPECT_EQ(DockTestFolder::dictionaryIn(defaultsFile()), Dictionary{}) << "records left behind";
  }
  EXPECT_TRUE(ranToTheEnd);
  EXPECT_GT(step, 5) << "the walk must have cut the operation at several steps";
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Operations, DockKillTest,
    ::testing::Values(
        KillCase{"HideOfADefaultDock",       "hide",    {}},
        KillCase{"HideOfACustomisedDock",    "hide",    {{"autohide", true}, {"autohide-delay", 0.5}, {"autohide-time-modifier", 1.5}, {"mineffect", "suck"}, {"orientation", "right"}}},
        KillCase{"RestoreOfADefaultDock",    "restore", {}},
        KillCase{"RestoreOfACustomisedDock", "restore", {{"autohide", false}, {"autohide-delay", 0.0}, {"mineffect", "genie"}}}),
    [](const ::testing::TestParamInfo<KillCase>& info) { return info.param.name; });
// clang-format on

}  // namespace
}  // namespace pelko::testing
