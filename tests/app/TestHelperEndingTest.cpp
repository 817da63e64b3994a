// How the programs a test starts beside the program are ended: one of ours must end as the program's own
// runs do (SIGTERM, status 0, no sanitizer report), and anything else fails the test that stops it with
// what it wrote to its standard error; one of others is ended without a word about how.

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StatusMenuBus.h"
#include "XTestServer.h"

namespace pelko::testing {
namespace {

// A shell script as a helper: it says "ready" once its traps are set, so SIGTERM finds them.
std::unique_ptr<Helper> script(const std::string& text, Helper::Origin origin = Helper::Origin::ours) {
  auto helper =
      std::make_unique<Helper>("/bin/sh", std::vector<std::string>{"-c", text},
                               std::map<std::string, std::string>{}, Helper::Output::read, "", origin);
  EXPECT_EQ(helper->readLine(10), "ready") << "the script did not start";
  return helper;
}

// Waits in the background, as an event loop does, so a trapped signal is handled at once; the waiting
// child goes with it.
constexpr const char* kWait = "sleep 30 & child=$!; echo ready; wait $child";

struct EndingCase {
  const char* what;
  std::string script;
  const char* trouble;  // a part of what end() says; empty when it says nothing
};

TEST(TestHelperEndingTest, AHelperOfOursMustExitWithStatusZeroAfterSIGTERMAndReportNothing) {
  const std::vector<EndingCase> cases = {
      {"quits on SIGTERM", std::string("trap 'kill $child; exit 0' TERM; ") + kWait, ""},
      {"has no SIGTERM handler", std::string("echo ready; exec sleep 30"), "was ended by signal 15"},
      {"exits non-zero on SIGTERM", std::string("trap 'kill $child; exit 3' TERM; ") + kWait,
       "exited with status 3"},
      {"reports a leak and exits 0",
       std::string(
           "trap 'kill $child; echo \"==7==ERROR: LeakSanitizer: detected memory leaks\" >&2; exit 0' "
           "TERM; ") +
           kWait,
       "reported a sanitizer error"},
      {"reports undefined behaviour and exits 0",
       std::string("trap 'kill $child; echo \"a.cpp:3:5: runtime error: signed integer overflow\" >&2; "
                   "exit 0' TERM; ") +
           kWait,
       "runtime error: signed integer overflow"},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.what);
    auto helper = script(each.script);
    const std::string trouble = helper->end();
    if (*each.trouble == '\0')
      EXPECT_EQ(trouble, "");
    else
      EXPECT_NE(trouble.find(each.trouble), std::string::npos) << trouble;
    EXPECT_FALSE(helper->isRunning());
    EXPECT_EQ(helper->end(), "") << "a second look said more";
  }
}

TEST(TestHelperEndingTest, AHelperOfOursThatIgnoresSIGTERMIsKilledAndSaysSo) {
  auto helper = script("trap '' TERM; echo ready; while :; do sleep 0.05; done");
  const std::string trouble = helper->end(0.5);
  EXPECT_NE(trouble.find("did not end within 0.5 s of SIGTERM and was killed"), std::string::npos) << trouble;
  EXPECT_FALSE(helper->isRunning());
}

TEST(TestHelperEndingTest, AHelperOfOursThatEndedOnItsOwnIsJudgedByHowItEnded) {
  auto helper = script("echo ready; echo 'cannot register' >&2; exit 1");
  for (int look = 0; look < 500 && helper->isRunning(); ++look) ::usleep(10000);
  ASSERT_FALSE(helper->isRunning());
  const std::string trouble = helper->end();
  EXPECT_NE(trouble.find("exited with status 1; its standard error:\ncannot register"), std::string::npos)
      << trouble;
}

// The destructor and stop() are what a test meets: the failure is the test's own.
TEST(TestHelperEndingTest, StoppingAHelperOfOursThatEndsBadlyFailsTheTestAndOneOfOthersDoesNot) {
  {
    auto ours = script("echo ready; exec sleep 30");
    EXPECT_NONFATAL_FAILURE(ours->stop(), "was ended by signal 15");
  }
  {
    auto ours = script("echo ready; exec sleep 30");
    EXPECT_NONFATAL_FAILURE(ours.reset(), "was ended by signal 15");
  }
  ::testing::TestPartResultArray failures;
  {
    ::testing::ScopedFakeTestPartResultReporter reporter(
        ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
    auto others = script("echo ready; exec sleep 30", Helper::Origin::others);
    others->stop();
    EXPECT_FALSE(others->isRunning());
  }
  EXPECT_EQ(failures.size(), 0);
}

// The test binary sends the sanitizer reports of the processes it starts to a folder of its own; a
// helper of ours writes them to its standard error, where the test that stops it reads them.
TEST(TestHelperEndingTest, AHelperOfOursHasItsSanitizerWriteToItsStandardError) {
  auto helper = std::make_unique<Helper>(
      "/bin/sh", std::vector<std::string>{"-c", "echo \"$ASAN_OPTIONS\"; echo \"$TSAN_OPTIONS\""},
      std::map<std::string, std::string>{{"ASAN_OPTIONS", "detect_leaks=1:log_path=/elsewhere/report"},
                                         {"TSAN_OPTIONS", ""}},
      Helper::Output::read, "", Helper::Origin::ours);
  EXPECT_EQ(helper->readLine(10), "detect_leaks=1:log_path=/elsewhere/report:log_path=stderr");
  EXPECT_EQ(helper->readLine(10), "log_path=stderr");
  // The shell's own end, before end() asks it to go: a SIGTERM that comes first is judged as a kill.
  EXPECT_EQ(helper->readLine(10), std::nullopt);
  EXPECT_EQ(helper->end(), "");
}

// The project's status-notifier watcher quits its event loop on SIGTERM and exits with status 0, so a
// sanitizer build checks it for leaks at its exit.
TEST(TestHelperEndingTest, TheStatusNotifierWatcherEndsCleanlyOnSIGTERM) {
  SessionBus bus;
  if (bus.address().empty()) GTEST_SKIP() << "needs dbus-daemon (scripts/install-deps.sh)";
  auto watcher = startStatusNotifierWatcher(bus.address());
  ASSERT_EQ(watcher->readLine(10), "watching");
  EXPECT_EQ(watcher->end(), "");
}

}  // namespace
}  // namespace pelko::testing
