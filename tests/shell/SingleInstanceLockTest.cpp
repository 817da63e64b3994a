#include "shell/SingleInstanceLock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

#include "ShellTestWorld.h"

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

}  // namespace
}  // namespace pelko::testing
