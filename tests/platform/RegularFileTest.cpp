// Files the program reads are opened without blocking, only regular files are read, and never more than a
// stated limit: a FIFO without a writer or an endless device in place of a file is refused at once.

#include "platform/RegularFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/real/PosixFileSystem.h"
#include "support/TempFolder.h"

namespace pelko::platform {
namespace {

using pelko::testing::TempFolder;
using pelko::testing::writeWholeFile;
using Status = RegularFileRead::Status;

TEST(RegularFileTest, ReadsOnlyRegularFilesUpToTheLimitAndRefusesTheRestWithoutBlocking) {
  TempFolder folder;
  writeWholeFile(folder.file("ten"), "0123456789");
  writeWholeFile(folder.file("eleven"), "0123456789A");
  writeWholeFile(folder.file("empty"), "");
  ASSERT_EQ(::mkfifo(folder.file("fifo").c_str(), 0600), 0);
  std::filesystem::create_directory(folder.file("folder"));
  std::filesystem::create_symlink("/dev/zero", folder.file("zero-link"));
  std::filesystem::create_symlink(folder.file("ten"), folder.file("ten-link"));

  struct Case {
    std::string path;
    Status status;
    std::string contents;
    std::string error;
  };
  const Case cases[] = {
      {folder.file("ten"), Status::read, "0123456789", ""},
      {folder.file("ten-link"), Status::read, "0123456789", ""},
      {folder.file("empty"), Status::read, "", ""},
      {folder.file("eleven"), Status::tooLarge, "", "larger than 10 bytes"},
      {folder.file("fifo"), Status::notRegular, "", "not a regular file"},
      {folder.file("zero-link"), Status::notRegular, "", "not a regular file"},
      {"/dev/zero", Status::notRegular, "", "not a regular file"},
      {folder.file("folder"), Status::notRegular, "", "not a regular file"},
      {folder.file("absent"), Status::missing, "", "No such file or directory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const RegularFileRead read = readRegularFile(c.path, 10);
    EXPECT_EQ(read.status, c.status);
    EXPECT_EQ(read.ok(), c.status == Status::read);
    EXPECT_EQ(read.contents, c.contents);
    EXPECT_EQ(read.error, c.error);
  }
  // The limit everyone else reads with is 16 MB.
  writeWholeFile(folder.file("sixteen"), std::string(16 * 1024 * 1024, 'x'));
  EXPECT_EQ(readRegularFile(folder.file("sixteen")).status, Status::read);
  writeWholeFile(folder.file("sixteen"), std::string(16 * 1024 * 1024 + 1, 'x'));
  const RegularFileRead tooLarge = readRegularFile(folder.file("sixteen"));
  EXPECT_EQ(tooLarge.status, Status::tooLarge);
  EXPECT_EQ(tooLarge.error, "larger than 16 MB");

  // The file-system adapter, which reads the autostart entry and the settings, reads the same way.
  real::PosixFileSystem files;
  for (const char* name : {"fifo", "zero-link"}) {
    EXPECT_FALSE(files.readFile(folder.file(name))) << name;
    EXPECT_EQ(real::PosixFileSystem::lastError(),
              "cannot read " + folder.file(name) + ": not a regular file");
  }
  EXPECT_EQ(files.readFile(folder.file("ten-link")), "0123456789");
}

// A file trusted to be this user's own is read only as it was opened: not through a link, and only when
// it is a regular file of this user.
TEST(RegularFileTest, AFileTrustedToBeTheUsersOwnIsReadOnlyAsAPlainFileOfTheUser) {
  TempFolder folder;
  writeWholeFile(folder.file("own"), "0123456789");
  writeWholeFile(folder.file("long"), "0123456789A");
  std::filesystem::create_symlink(folder.file("own"), folder.file("link"));
  ASSERT_EQ(::mkfifo(folder.file("fifo").c_str(), 0600), 0);
  writeWholeFile(folder.file("foreign"), "0123456789");
  const bool asRoot = ::geteuid() == 0;
  if (asRoot) {
    ASSERT_EQ(::chown(folder.file("foreign").c_str(), 65534, 65534), 0);
  }

  const std::pair<const char*, Status> cases[] = {
      {"own", Status::read},        {"long", Status::tooLarge},
      {"link", Status::notRegular}, {"fifo", Status::notRegular},
      {"absent", Status::missing},  {"foreign", asRoot ? Status::anotherUsers : Status::read},
  };
  for (const auto& [name, status] : cases) {
    SCOPED_TRACE(name);
    const RegularFileRead read = readThisUsersFile(folder.file(name), 10);
    EXPECT_EQ(read.status, status);
    EXPECT_EQ(read.contents, status == Status::read ? "0123456789" : "");
  }
}

}  // namespace
}  // namespace pelko::platform
