// The settings folder is made, or the part of its path that stops it is named, whatever the path
// holds: never an exception. Root writes and searches every folder, so where the tests run as root the
// cases an ordinary user meets run on a thread whose file-system identity is `nobody`.

#include "platform/FolderCreation.h"

#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <thread>

#include "support/TempFolder.h"

namespace pelko::platform {
namespace {

using pelko::testing::TempFolder;
using pelko::testing::writeWholeFile;

constexpr uid_t kNobody = 65534;

// makeFolder(folder) as an ordinary user. The file-system identity belongs to the calling thread only,
// and changing it from root drops root's right to pass over permissions, so the test's own thread keeps
// its rights.
std::string makeFolderAsOrdinaryUser(const std::string& folder) {
  std::string result;
  std::thread([&] {
    if (::geteuid() == 0) {
      ::setfsgid(kNobody);
      ::setfsuid(kNobody);
    }
    try {
      result = makeFolder(folder);
    } catch (const std::exception& error) {
      result = std::string("threw ") + error.what();
    }
  }).join();
  return result;
}

struct Case {
  const char* name;
  // Prepares `root` and returns the folder to make, and the message makeFolder gives for it.
  std::function<std::pair<std::string, std::string>(const std::string& root)> make;
};

const Case kCases[] = {
    {"a folder two levels below one that may not be written names the first one missing",
     [](const std::string& root) {
       std::filesystem::create_directory(root + "/read-only");
       ::chmod((root + "/read-only").c_str(), 0555);
       return std::pair{root + "/read-only/config/pelko",
                        "the folder " + root + "/read-only/config cannot be made (Permission denied)"};
     }},
    {"a folder on the way that may not be searched",
     [](const std::string& root) {
       std::filesystem::create_directories(root + "/ns/inner");
       ::chmod((root + "/ns").c_str(), 0600);
       return std::pair{root + "/ns/inner/pelko", root + "/ns/inner cannot be looked at (Permission denied)"};
     }},
    {"a loop of links",
     [](const std::string& root) {
       std::filesystem::create_symlink("cfg", root + "/cfg");
       return std::pair{root + "/cfg/pelko",
                        root + "/cfg cannot be looked at (Too many levels of symbolic links)"};
     }},
    {"a name longer than a folder may hold",
     [](const std::string& root) {
       const std::string overlong = root + "/" + std::string(300, 'n');
       return std::pair{overlong + "/pelko", overlong + " cannot be looked at (File name too long)"};
     }},
    {"a link to a file on the way",
     [](const std::string& root) {
       writeWholeFile(root + "/file", "");
       std::filesystem::create_symlink(root + "/file", root + "/link");
       return std::pair{root + "/link/config/pelko",
                        root + "/link is a link to " + root + "/file, which is not a folder"};
     }},
    {"a link to nothing on the way",
     [](const std::string& root) {
       std::filesystem::create_symlink(root + "/gone", root + "/link");
       return std::pair{root + "/link/pelko",
                        root + "/link is a link to " + root + "/gone, which does not exist"};
     }},
    {"a plain file where the folder itself belongs",
     [](const std::string& root) {
       std::filesystem::create_directory(root + "/config");
       writeWholeFile(root + "/config/pelko", "");
       return std::pair{root + "/config/pelko", root + "/config/pelko is not a folder"};
     }},
    {"a path that can be made",
     [](const std::string& root) {
       return std::pair{root + "/config/pelko", std::string()};
     }},
};

TEST(FolderCreationTest, TheFolderIsMadeOrThePartOfThePathThatStopsItIsNamedByItsCause) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    TempFolder temporary;
    ::chmod(temporary.path().c_str(), 0777);  // an ordinary user may make folders in it
    const auto [folder, message] = c.make(temporary.path());
    EXPECT_EQ(makeFolderAsOrdinaryUser(folder), message);
    std::error_code error;
    EXPECT_EQ(std::filesystem::is_directory(folder, error), message.empty());
  }
}

}  // namespace
}  // namespace pelko::platform
