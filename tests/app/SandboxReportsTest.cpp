// A program a test runs as another user still has its sanitizer's reports read: the test binary's report
// folder is private to the user running the tests, so the run writes into the sandbox's, and the sandbox
// hands what it finds to the binary's folder at the end.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "PelkoProcess.h"

namespace pelko::testing {
namespace {

// Sets a variable for the test and gives it back its value afterwards.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value) : name_(name) {
    if (const char* given = std::getenv(name)) before_ = given;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedVariable() {
    if (before_)
      ::setenv(name_, before_->c_str(), 1);
    else
      ::unsetenv(name_);
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  std::optional<std::string> before_;
};

TEST(SandboxReportsTest, AReportOfARunAsAnotherUserReachesTheTestBinarysReportFolder) {
  if (::geteuid() != 0) GTEST_SKIP() << "runs the program as nobody, which only root may do";
  if (!std::filesystem::exists("/usr/bin/setpriv")) GTEST_SKIP() << "needs setpriv (util-linux)";
  // The binary's folder as the test binary makes it: its user's alone. The sanitizer's options name it.
  TempFolder binaryFolder;
  ASSERT_EQ(::chmod(binaryFolder.path().c_str(), 0700), 0);
  ScopedVariable asan("ASAN_OPTIONS", "detect_leaks=1:log_path=" + binaryFolder.file("report"));
  ScopedVariable tsan("TSAN_OPTIONS", "log_path=" + binaryFolder.file("report"));
  {
    Sandbox sandbox;
    ASSERT_EQ(::chmod(std::filesystem::path(sandbox.path("")).parent_path().c_str(), 0755), 0);
    // A stand-in for the program that writes a report where its sanitizer would, as nobody.
    sandbox.launcher = {"/usr/bin/setpriv",
                        "--reuid=65534",
                        "--regid=65534",
                        "--clear-groups",
                        "/bin/sh",
                        "-c",
                        "echo 'a report' > \"${ASAN_OPTIONS##*log_path=}.$$\" && echo written"};
    PelkoProcess run(sandbox);
    ASSERT_TRUE(endsWith(run, 0));
    EXPECT_EQ(run.output(), "written\n");
  }
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::directory_iterator(binaryFolder.path())) {
    found.push_back(entry.path().filename());
    EXPECT_EQ(readWholeFile(entry.path()), "a report\n");
  }
  ASSERT_EQ(found.size(), 1u);
  EXPECT_TRUE(found[0].starts_with("as-another-user-report.")) << found[0];
}

}  // namespace
}  // namespace pelko::testing
