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

TEST(SingleInstanceLockTest, TheLockLivesInTheRuntimeFolderWhenThereIsOne) {
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  std::string previous = saved ? saved : "";
  ::setenv("XDG_RUNTIME_DIR", "/run/user/1000", 1);
  EXPECT_EQ(SingleInstanceLock::defaultPath("/home/u/.config/pelko"), "/run/user/1000/pelko/pelko.lock");
  ::setenv("XDG_RUNTIME_DIR", "relative", 1);
  EXPECT_EQ(SingleInstanceLock::defaultPath("/home/u/.config/pelko"), "/home/u/.config/pelko/pelko.lock");
  ::unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(SingleInstanceLock::defaultPath("/home/u/.config/pelko"), "/home/u/.config/pelko/pelko.lock");
  if (saved) ::setenv("XDG_RUNTIME_DIR", previous.c_str(), 1);
}

}  // namespace
}  // namespace pelko::testing
