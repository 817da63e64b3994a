#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <thread>

#include "DockTestFolder.h"

namespace pelko::testing {
namespace {

using platform::ChildProcessResult;
using platform::PlistValue;

// The tool failed as the real one does: status 1, nothing on standard output, `message` on standard error.
void expectFailure(const ChildProcessResult& result, const std::string& message = "") {
  EXPECT_TRUE(result.exitedWithStatus(1));
  EXPECT_EQ(result.standardOutput, "");
  EXPECT_NE(result.standardError.find(message), std::string::npos) << result.standardError;
}

class SimDockToolsTest : public ::testing::Test {
 protected:
  ChildProcessResult defaults(std::vector<std::string> arguments, std::map<std::string, std::string> env = {},
                              double timeout = 5.0) {
    return real::PosixChildProcess(folder.runnerOptions(std::move(env)))
        .run(kSimDefaults, arguments, timeout);
  }
  ChildProcessResult killall(std::vector<std::string> arguments) {
    return real::PosixChildProcess(folder.runnerOptions()).run(kSimKillall, arguments, 5.0);
  }

  DockTestFolder folder;
};

TEST_F(SimDockToolsTest, WrittenValuesReadBackAsTheRealToolPrintsThem) {
  struct Case {
    std::vector<std::string> write;  // after "write com.apple.dock key"
    std::string printed;
    PlistValue stored;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {{"-bool", "true"},                         "1\n",                         PlistValue(true)},
      {{"-bool", "NO"},                           "0\n",                         PlistValue(false)},
      {{"-float", "0.0001"},                      "0.0001\n",                    PlistValue(0.0001)},
      {{"-int", "-42"},                           "-42\n",                       PlistValue(int64_t{-42})},
      {{"-string", "scale"},                      "scale\n",                     PlistValue("scale")},
      {{"-string", "two words; \"quoted\" 'x'"}, "two words; \"quoted\" 'x'\n", PlistValue("two words; \"quoted\" 'x'")},
      {{"untyped"},                               "untyped\n",                   PlistValue("untyped")},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.write.front());
    std::vector<std::string> arguments{"write", "com.apple.dock", "key"};
    arguments.insert(arguments.end(), c.write.begin(), c.write.end());
    auto written = defaults(arguments);
    ASSERT_TRUE(written.succeeded()) << written.standardError;
    auto read = defaults({"read", "com.apple.dock", "key"});
    EXPECT_TRUE(read.succeeded());
    EXPECT_EQ(read.standardOutput, c.printed);
    EXPECT_EQ(folder.domain().at("key"), c.stored);
  }
}

TEST_F(SimDockToolsTest, MissingKeysAndDomainsFailLikeTheRealToolAndDeleteRemovesOnlyItsKey) {
  expectFailure(defaults({"read", "com.apple.dock", "autohide"}), "does not exist");
  folder.setDomain({{"mineffect", "genie"}});
  expectFailure(defaults({"read", "com.apple.dock", "autohide"}),
                "The domain/default pair of (com.apple.dock, autohide) does not exist");
  expectFailure(defaults({"delete", "com.apple.dock", "autohide"}), "Defaults have not been changed.");
  EXPECT_EQ(folder.domain(), (PlistValue::Dictionary{{"mineffect", "genie"}}));

  // A delete removes only its key, which then reads as missing.
  folder.setDomain({{"autohide-delay", 0.5}, {"orientation", "left"}});
  EXPECT_TRUE(defaults({"delete", "com.apple.dock", "autohide-delay"}).succeeded());
  EXPECT_EQ(folder.domain(), (PlistValue::Dictionary{{"orientation", "left"}}));
  expectFailure(defaults({"read", "com.apple.dock", "autohide-delay"}), "does not exist");
}

TEST_F(SimDockToolsTest, RejectedInputLeavesTheDomainAlone) {
  folder.setDomain({{"mineffect", "genie"}});
  const std::vector<std::vector<std::string>> rejected = {
      {"write", "com.apple.dock", "autohide", "-bool", "maybe"},
      {"write", "com.apple.dock", "autohide-delay", "-float", "abc"},
      {"write", "com.apple.dock", "autohide-delay", "-float", "1.5x"},
      {"write", "com.apple.dock", "count", "-int", "1.5"},
      {"write", "com.apple.dock", "key", "-date", "now"},
      {"write", "../escape", "key", "-string", "x"},
      {"read", ".hidden", "key"},
      {"frobnicate", "com.apple.dock", "key"},
      {"read"},
  };
  for (const auto& arguments : rejected) {
    SCOPED_TRACE(arguments.front() + (arguments.size() > 4 ? " " + arguments[4] : std::string()));
    expectFailure(defaults(arguments));
  }
  EXPECT_EQ(folder.domain(), (PlistValue::Dictionary{{"mineffect", "genie"}}));
}

TEST_F(SimDockToolsTest, NeverOverwritesADomainFileItCannotRead) {
  const std::string garbage = "<plist><dict><key>autohide</key>";
  std::ofstream(folder.domainFile()) << garbage;
  EXPECT_TRUE(defaults({"read", "com.apple.dock", "autohide"}).exitedWithStatus(1));
  EXPECT_TRUE(defaults({"write", "com.apple.dock", "autohide", "-bool", "true"}).exitedWithStatus(1));
  EXPECT_TRUE(defaults({"delete", "com.apple.dock", "autohide"}).exitedWithStatus(1));
  EXPECT_EQ(DockTestFolder::readText(folder.domainFile()), garbage);
}

TEST_F(SimDockToolsTest, ADomainThatIsNoRegularFileFailsAtOnceAndIsLeftAlone) {
  // A FIFO without a writer would block an ordinary open for ever; /dev/zero never ends.
  ASSERT_EQ(::mkfifo(folder.domainFile().c_str(), 0600), 0);
  expectFailure(defaults({"read", "com.apple.dock", "autohide"}, {}, 2.0), "not a regular file");
  expectFailure(defaults({"write", "com.apple.dock", "autohide", "-bool", "true"}, {}, 2.0),
                "not a regular file");
  std::filesystem::remove(folder.domainFile());
  std::filesystem::create_symlink("/dev/zero", folder.domainFile());
  expectFailure(defaults({"read", "com.apple.dock", "autohide"}, {}, 2.0), "not a regular file");
  EXPECT_TRUE(std::filesystem::is_symlink(folder.domainFile()));
}

TEST_F(SimDockToolsTest, RefusesToRunWithoutItsFolder) {
  real::PosixChildProcess::Options options;
  options.extraEnvironment["PELKO_SIM_DOCK_DIR"] = "";
  real::PosixChildProcess runner(options);
  expectFailure(runner.run(kSimDefaults, {"write", "com.apple.dock", "autohide", "-bool", "true"}, 5.0),
                "PELKO_SIM_DOCK_DIR");
  EXPECT_TRUE(runner.run(kSimKillall, {"Dock"}, 5.0).exitedWithStatus(1));
}

TEST_F(SimDockToolsTest, ConcurrentWritesLoseNothing) {
  std::vector<std::thread> threads;
  for (int i = 0; i < 12; ++i) {
    threads.emplace_back([this, i] {
      real::PosixChildProcess runner(folder.runnerOptions());
      runner.run(kSimDefaults,
                 {"write", "com.apple.dock", "key" + std::to_string(i), "-int", std::to_string(i)}, 10.0);
    });
  }
  for (auto& thread : threads) thread.join();
  auto domain = folder.domain();
  EXPECT_EQ(domain.size(), 12u);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(domain["key" + std::to_string(i)], PlistValue(i));
}

TEST_F(SimDockToolsTest, KillallRestartsOnlyTheDock) {
  EXPECT_TRUE(killall({"Dock"}).succeeded());
  EXPECT_EQ(folder.restarts(), 1u);

  expectFailure(killall({"Finder"}), "No matching processes belonging to you were found");
  EXPECT_TRUE(killall({}).exitedWithStatus(1));
  EXPECT_TRUE(killall({"-9", "Dock"}).exitedWithStatus(1));
  EXPECT_EQ(folder.restarts(), 1u);
  EXPECT_EQ(folder.commands(),
            (std::vector<std::string>{"killall Dock", "killall Finder", "killall", "killall -9 Dock"}));
}

TEST_F(SimDockToolsTest, InjectedFailuresHitOnlyTheNamedRuns) {
  std::map<std::string, std::string> env{
      {"PELKO_SIM_FAIL", "defaults write com.apple.dock autohide ; killall"}};
  expectFailure(defaults({"write", "com.apple.dock", "autohide", "-bool", "true"}, env), "injected failure");
  // "autohide" names a whole word: the delay is another key.
  EXPECT_TRUE(defaults({"write", "com.apple.dock", "autohide-delay", "-float", "2"}, env).succeeded());
  EXPECT_EQ(folder.domain(), (PlistValue::Dictionary{{"autohide-delay", 2.0}}));
}

TEST_F(SimDockToolsTest, InjectedHangsAreEndedByTheTimeOut) {
  auto hung = defaults({"write", "com.apple.dock", "mineffect", "-string", "scale"},
                       {{"PELKO_SIM_HANG", "defaults write com.apple.dock mineffect"}}, 0.2);
  EXPECT_TRUE(hung.timedOut);
  EXPECT_EQ(hung.signal, SIGTERM);

  auto stubborn = defaults({"read", "com.apple.dock", "mineffect"},
                           {{"PELKO_SIM_HANG", "defaults read"}, {"PELKO_SIM_HANG_IGNORES_TERM", "1"}}, 0.2);
  EXPECT_TRUE(stubborn.timedOut);
  EXPECT_EQ(stubborn.signal, SIGKILL);
  EXPECT_EQ(folder.domain(), PlistValue::Dictionary{});
}

}  // namespace
}  // namespace pelko::testing
