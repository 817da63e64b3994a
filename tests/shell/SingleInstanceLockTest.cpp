#include "shell/SingleInstanceLock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>

#include "ShellTestWorld.h"
#include "foundation/DebugLog.h"

namespace pelko::testing {
namespace {

using Outcome = SingleInstanceLock::Outcome;

TEST(SingleInstanceLockTest, OneHolderAtATimeAndAStaleFileDoesNotCount) {
  TempFolder folder;
  const std::string path = folder.file("nested/run/pelko.lock");
  std::filesystem::create_directories(folder.file("nested/run"));
  std::ofstream(path) << "12345\n";  // left by a crashed run
  Outcome outcome;
  auto first = SingleInstanceLock::tryAcquire(path, outcome);
  EXPECT_EQ(outcome, Outcome::acquired);
  EXPECT_FALSE(SingleInstanceLock::tryAcquire(path, outcome));
  EXPECT_EQ(outcome, Outcome::heldByAnother);
  first.reset();
  EXPECT_TRUE(SingleInstanceLock::tryAcquire(path, outcome));
}

// Two starts of the same user may see different runtime folders (one under su, or from a script
// without a session): the lock stays beside the settings whatever that variable says.
TEST(SingleInstanceLockTest, TheLockLivesBesideTheSettingsWhateverTheRuntimeFolder) {
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  std::string previous = saved ? saved : "";
  for (const char* runtime : {"/run/user/1000", "relative", ""}) {
    SCOPED_TRACE(runtime);
    if (*runtime) {
      ::setenv("XDG_RUNTIME_DIR", runtime, 1);
    } else {
      ::unsetenv("XDG_RUNTIME_DIR");
    }
    EXPECT_EQ(SingleInstanceLock::defaultPath("/home/u/.config/pelko"), "/home/u/.config/pelko/pelko.lock");
  }
  if (saved) ::setenv("XDG_RUNTIME_DIR", previous.c_str(), 1);
}

// The lock is on the file: another spelling of the settings folder (a link to it) meets the same lock.
TEST(SingleInstanceLockTest, AnotherPathToTheSameSettingsFolderMeetsTheSameLock) {
  TempFolder folder;
  std::filesystem::create_directories(folder.file("config/pelko"));
  std::filesystem::create_directory_symlink(folder.file("config"), folder.file("linked-config"));
  Outcome outcome;
  auto held =
      SingleInstanceLock::tryAcquire(SingleInstanceLock::defaultPath(folder.file("config/pelko")), outcome);
  ASSERT_EQ(outcome, Outcome::acquired);
  EXPECT_FALSE(SingleInstanceLock::tryAcquire(
      SingleInstanceLock::defaultPath(folder.file("linked-config/pelko")), outcome));
  EXPECT_EQ(outcome, Outcome::heldByAnother);
}

// In a settings folder others may write, what they put where the lock belongs is not this user's lock:
// the lock is unavailable, said by its cause, and the log names the path on one line whatever it holds.
TEST(SingleInstanceLockTest, WhatIsNotAPlainFileOfThisUserIsNoLock) {
  struct Case {
    const char* what;
    std::function<void(const std::string& path)> put;
    std::string reason;
  };
  std::vector<Case> cases = {
      {"a link to a file of this user",
       [](const std::string& path) {
         writeWholeFile(path + ".elsewhere", "");
         std::filesystem::create_symlink(path + ".elsewhere", path);
       },
       "it is a symbolic link"},
      {"a FIFO", [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); },
       "it is not a plain file"},
  };
  // Only root can give a file to another user.
  if (::geteuid() == 0) {
    cases.push_back({"a file of another user",
                     [](const std::string& path) {
                       writeWholeFile(path, "");
                       ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
                     },
                     "it belongs to another user"});
  }
  for (const auto& thisCase : cases) {
    SCOPED_TRACE(thisCase.what);
    TempFolder folder;
    std::filesystem::create_directories(folder.file("con\x1b[2Jfig\a"));
    const std::string path = folder.file("con\x1b[2Jfig\a/pelko.lock");
    thisCase.put(path);
    std::string log;
    DebugLogSink previous = setDebugLogSink([&](std::string_view line) { log += std::string(line) + "\n"; });
    Outcome outcome;
    std::string reason;
    EXPECT_FALSE(SingleInstanceLock::tryAcquire(path, outcome, reason));
    setDebugLogSink(previous);
    EXPECT_EQ(outcome, Outcome::unavailable);
    EXPECT_EQ(reason, thisCase.reason);
    EXPECT_NE(log.find(" instance lock " + folder.file("con?[2Jfig?/pelko.lock: ") + thisCase.reason + "\n"),
              std::string::npos)
        << ::testing::PrintToString(log);
  }
}

}  // namespace
}  // namespace pelko::testing
