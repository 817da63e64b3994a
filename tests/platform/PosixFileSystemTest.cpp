#include "platform/real/PosixFileSystem.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <thread>
#include <vector>

#include "support/TempFolder.h"

namespace pelko::real {
namespace {

using pelko::testing::readWholeFile;
using pelko::testing::TempFolder;
using pelko::testing::writeWholeFile;

std::vector<std::string> folderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename());
  return names;
}

class PosixFileSystemTest : public ::testing::Test {
 protected:
  TempFolder folder;
  PosixFileSystem fs;
};

TEST_F(PosixFileSystemTest, WritesReadsAndReplacesWholeFilesLeavingNoTemporaries) {
  const std::string path = folder.file("a.txt");
  const std::string binary("one\0two\xff", 8);
  EXPECT_FALSE(fs.fileExists(path));
  EXPECT_FALSE(fs.readFile(path));
  ASSERT_TRUE(fs.writeFileAtomically(path, binary));
  EXPECT_TRUE(fs.fileExists(path));
  EXPECT_EQ(fs.readFile(path), binary);
  ASSERT_TRUE(fs.writeFileAtomically(path, ""));
  EXPECT_EQ(fs.readFile(path), "");
  const std::string large(300'000, 'x');
  ASSERT_TRUE(fs.writeFileAtomically(path, large));
  EXPECT_EQ(fs.readFile(path), large);
  EXPECT_EQ(folderEntries(folder.path()), std::vector<std::string>{"a.txt"});

  const std::string nested = folder.file("a/b/c");
  EXPECT_TRUE(fs.createDirectories(nested));
  EXPECT_TRUE(fs.createDirectories(nested));  // already there is fine
  ASSERT_TRUE(fs.writeFileAtomically(nested + "/f", "x"));
  EXPECT_TRUE(fs.removeFile(nested + "/f"));
  EXPECT_FALSE(fs.fileExists(nested + "/f"));
  EXPECT_FALSE(fs.removeFile(nested + "/f"));
}

TEST_F(PosixFileSystemTest, ReplacementIsANewFileSoAnOpenReaderKeepsTheOldOneWhole) {
  const std::string path = folder.file("a.txt");
  ASSERT_TRUE(fs.writeFileAtomically(path, "old contents"));
  const int reader = ::open(path.c_str(), O_RDONLY);
  ASSERT_GE(reader, 0);
  ASSERT_TRUE(fs.writeFileAtomically(path, "new"));
  char buffer[64] = {};
  const ssize_t n = ::read(reader, buffer, sizeof buffer - 1);
  ::close(reader);
  EXPECT_EQ(std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0), "old contents");
  EXPECT_EQ(readWholeFile(path), "new");
}

TEST_F(PosixFileSystemTest, ReplacementKeepsTheFilesPermissions) {
  const std::string path = folder.file("private.txt");
  writeWholeFile(path, "secret");
  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  ASSERT_TRUE(fs.writeFileAtomically(path, "still secret"));
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(PosixFileSystemTest, FailuresReportFalseAndLeaveNothingBehind) {
  writeWholeFile(folder.file("plain"), "x");
  // A regular file where a folder is needed fails even for a privileged user.
  EXPECT_FALSE(fs.writeFileAtomically(folder.file("missing/a.txt"), "x"));
  EXPECT_FALSE(fs.writeFileAtomically(folder.file("plain/a.txt"), "x"));
  EXPECT_NE(PosixFileSystem::lastError().find(folder.file("plain/a.txt")), std::string::npos)
      << PosixFileSystem::lastError();
  EXPECT_FALSE(fs.createDirectories(folder.file("plain/sub")));
  EXPECT_FALSE(fs.createDirectories(""));
  std::filesystem::create_directory(folder.file("dir"));
  EXPECT_FALSE(fs.writeFileAtomically(folder.file("dir"), "x"));  // a folder is not replaced by a file
  EXPECT_TRUE(std::filesystem::is_directory(folder.file("dir")));
  EXPECT_FALSE(fs.removeFile(folder.file("absent")));
  EXPECT_FALSE(fs.readFile(folder.file("dir")));
  auto names = folderEntries(folder.path());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"dir", "plain"}));
}

TEST_F(PosixFileSystemTest, ConcurrentWritersNeverInterleave) {
  const std::string path = folder.file("shared.txt");
  const std::string a(50'000, 'a');
  const std::string b(70'000, 'b');
  auto writer = [&](const std::string& contents) {
    PosixFileSystem own;  // one per thread
    for (int i = 0; i < 50; ++i) EXPECT_TRUE(own.writeFileAtomically(path, contents));
  };
  std::thread first(writer, a);
  std::thread second(writer, b);
  first.join();
  second.join();
  const std::string result = readWholeFile(path);
  EXPECT_TRUE(result == a || result == b);
  EXPECT_EQ(folderEntries(folder.path()).size(), 1u);
}

}  // namespace
}  // namespace pelko::real
