#include "platform/real/PosixChildProcess.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

namespace pelko::real {
namespace {

using platform::ChildProcessResult;
using Termination = ChildProcessResult::Termination;

const std::string kProbe = PELKO_CHILD_PROBE;

bool processGone(pid_t pid) {
  return ::kill(pid, 0) != 0 && errno == ESRCH;
}

TEST(PosixChildProcessTest, PassesArgumentsVerbatimWithoutAShell) {
  // clang-format off
  const std::vector<std::string> arguments{"args", "two words", "\"double\" and 'single'", "a; rm -rf /tmp/nothing",
                                           "$HOME `id` $(id) *", "", "line\nbreak", "-bool", "ünïcödé"};
  // clang-format on
  std::string expected;  // each one after the mode, ending in a NUL byte
  for (size_t i = 1; i < arguments.size(); ++i) expected += arguments[i] + '\0';
  auto result = PosixChildProcess().run(kProbe, arguments, 5.0);
  ASSERT_TRUE(result.succeeded()) << result.standardError;
  EXPECT_EQ(result.standardOutput, expected);
}

TEST(PosixChildProcessTest, ReportsExitStatusesAndSignalsHonestly) {
  struct Case {
    std::vector<std::string> arguments;
    Termination termination;
    int exitStatus;
    int signal;
  };
  const std::vector<Case> cases = {
      {{"exit", "0"}, Termination::exited, 0, 0},
      {{"exit", "1"}, Termination::exited, 1, 0},
      {{"exit", "255"}, Termination::exited, 255, 0},
      {{"signal", std::to_string(SIGSEGV)}, Termination::signaled, -1, SIGSEGV},
      {{"signal", std::to_string(SIGTERM)}, Termination::signaled, -1, SIGTERM},
  };
  PosixChildProcess runner;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments[0] + " " + c.arguments[1]);
    auto result = runner.run(kProbe, c.arguments, 5.0);
    EXPECT_EQ(result.termination, c.termination);
    EXPECT_FALSE(result.timedOut);
    if (c.termination == Termination::exited) {
      EXPECT_EQ(result.exitStatus, c.exitStatus);
    } else {
      EXPECT_EQ(result.signal, c.signal);
    }
    EXPECT_EQ(result.succeeded(), c.termination == Termination::exited && c.exitStatus == 0);
  }
}

TEST(PosixChildProcessTest, DrainsBothPipesOfAChattyChildKeepingOnlyTheCapturedLimit) {
  // Far beyond a pipe's buffer on both streams: a runner that read one stream to its end before the
  // other would deadlock here.
  const size_t size = 4 * 1024 * 1024;
  for (size_t limit : {size_t{0}, size_t{1000}}) {
    PosixChildProcess::Options options;
    if (limit) options.maxCapturedBytes = limit;
    PosixChildProcess runner(options);
    auto result = runner.run(kProbe, {"flood", std::to_string(size)}, 20.0);
    ASSERT_TRUE(result.succeeded());
    EXPECT_EQ(result.standardOutput, std::string(limit ? limit : size, 'o'));
    EXPECT_EQ(result.standardError, std::string(limit ? limit : size, 'e'));
    EXPECT_EQ(result.outputTruncated, limit != 0);
  }
}

TEST(PosixChildProcessTest, TerminatesAtTheTimeOutKillingAChildThatIgnoresItAndReapsIt) {
  for (auto [mode, signal] : {std::pair{"hang", SIGTERM}, {"stubborn", SIGKILL}}) {
    SCOPED_TRACE(mode);
    PosixChildProcess::Options options;
    options.terminateGraceSeconds = signal == SIGTERM ? 2.0 : 0.2;
    PosixChildProcess runner(options);
    auto result = runner.run(kProbe, {mode}, 0.2);
    EXPECT_TRUE(result.timedOut);
    EXPECT_FALSE(result.succeeded());
    EXPECT_EQ(result.termination, Termination::signaled);
    EXPECT_EQ(result.signal, signal);
    EXPECT_TRUE(processGone(std::stoi(result.standardOutput))) << "the child is left as a zombie";
    int status = 0;
    EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1) << "an unreaped child remains";
  }
}

TEST(PosixChildProcessTest, ReportsAMissingExecutableAsALaunchFailure) {
  PosixChildProcess runner;
  auto result = runner.run("/nonexistent/pelko/tool", {"read"}, 1.0);
  EXPECT_FALSE(result.launched());
  EXPECT_FALSE(result.succeeded());
  EXPECT_EQ(result.launchError, ENOENT);

  auto notExecutable = runner.run("/etc/hostname", {}, 1.0);
  EXPECT_FALSE(notExecutable.launched());
  EXPECT_NE(notExecutable.launchError, 0);
}

TEST(PosixChildProcessTest, ChildStartsWithDefaultSignalsAndNoInheritedDescriptors) {
  // What a parent blocks or ignores, and descriptors it opened without close-on-exec, must not reach
  // the tool.
  sigset_t block;
  sigemptyset(&block);
  sigaddset(&block, SIGUSR1);
  sigaddset(&block, SIGTERM);
  sigset_t previousMask;
  ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &block, &previousMask), 0);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  struct sigaction previousInt {};
  struct sigaction previousHup {};
  ::sigaction(SIGINT, &ignore, &previousInt);
  ::sigaction(SIGHUP, &ignore, &previousHup);
  int leaked = ::open("/dev/null", O_RDONLY);  // deliberately without O_CLOEXEC
  ASSERT_GE(leaked, 0);

  PosixChildProcess runner;
  auto signals = runner.run(kProbe, {"signals"}, 5.0);
  auto fds = runner.run(kProbe, {"fds"}, 5.0);
  auto input = runner.run(kProbe, {"stdin"}, 5.0);

  ::close(leaked);
  ::sigaction(SIGINT, &previousInt, nullptr);
  ::sigaction(SIGHUP, &previousHup, nullptr);
  ::pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);

  EXPECT_EQ(signals.standardOutput, "blocked: ignored:\n");
  EXPECT_EQ(fds.standardOutput, "fds:\n");
  EXPECT_EQ(input.standardOutput, "0\n");
}

TEST(PosixChildProcessTest, DoesNotWaitForAGrandchildHoldingThePipes) {
  PosixChildProcess runner;
  auto result = runner.run(kProbe, {"grandchild"}, 5.0);
  EXPECT_TRUE(result.succeeded());
  EXPECT_FALSE(result.timedOut);
  pid_t grandchild = std::stoi(result.standardOutput);
  ASSERT_GT(grandchild, 0);
  ::kill(grandchild, SIGKILL);
}

TEST(PosixChildProcessTest, PassesExtraEnvironmentToTheChild) {
  PosixChildProcess::Options options;
  options.extraEnvironment["PELKO_TEST_VALUE"] = "a b;c";
  PosixChildProcess runner(options);
  auto result = runner.run("/usr/bin/env", {}, 5.0);
  ASSERT_TRUE(result.succeeded());
  EXPECT_NE(result.standardOutput.find("PELKO_TEST_VALUE=a b;c\n"), std::string::npos);
}

// A tool's report of undefined behaviour goes to its standard error only, and the failure it ends in may
// be one the caller expects; in the sanitizer build that stops the run, the caller stops with the report.
TEST(PosixChildProcessTest, AToolsUndefinedBehaviourReportStopsTheCallerInTheSanitizerBuild) {
  const std::string report =
      "Tool.cpp:12:7: runtime error: shift exponent 40 is too large for 32-bit type 'int'";
#if defined(__SANITIZE_ADDRESS__)
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(PosixChildProcess().run(kProbe, {"complain", report}, 5.0), ::testing::ExitedWithCode(1),
              "reported undefined behaviour:\n" + report);
#else
  // Elsewhere the text is just what the tool said.
  auto result = PosixChildProcess().run(kProbe, {"complain", report}, 5.0);
  EXPECT_TRUE(result.exitedWithStatus(1));
  EXPECT_EQ(result.standardError, report + "\n");
#endif
  // Other complaints leave the caller running in every build.
  auto other = PosixChildProcess().run(kProbe, {"complain", "Tool: cannot read the domain"}, 5.0);
  EXPECT_TRUE(other.exitedWithStatus(1));
}

}  // namespace
}  // namespace pelko::real
