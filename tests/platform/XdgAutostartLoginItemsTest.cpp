#include "platform/real/XdgAutostartLoginItems.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ScopedEnvironment.h"
#include "platform/real/PosixFileSystem.h"
#include "support/TempFolder.h"

namespace pelko::real {
namespace {

using platform::LoginItemStatus;
using testing::readWholeFile;
using testing::ScopedEnvironment;
using testing::TempFolder;

TEST(XdgAutostartLoginItemsTest, TheEntryLivesInTheConfigurationFolderOrUnderHome) {
  ScopedEnvironment environment;
  environment.set("HOME", "/home/u");
  for (const auto& [config, expected] : std::vector<std::pair<const char*, std::string>>{
           {"/tmp/cfg", "/tmp/cfg/autostart/pelko.desktop"},
           {"relative/cfg", "/home/u/.config/autostart/pelko.desktop"},
           {nullptr, "/home/u/.config/autostart/pelko.desktop"},
       }) {
    environment.set("XDG_CONFIG_HOME", config ? std::optional<std::string>(config) : std::nullopt);
    EXPECT_EQ(XdgAutostartLoginItems::defaultEntryPath("pelko"), expected) << (config ? config : "unset");
  }
}

TEST(XdgAutostartLoginItemsTest, TheProgramPathIsQuotedAsOneExecArgument) {
  for (const auto& [path, exec] : std::vector<std::pair<std::string, std::string>>{
           {"/opt/pelko/bin/pelko", R"("/opt/pelko/bin/pelko")"},
           {"/home/a b/it's (mine)/pelko", R"("/home/a b/it's (mine)/pelko")"},
           // quoting escapes " ` $ \ with a backslash; the string value then doubles every backslash
           {R"(/x/$HOME/"q"/`c`/back\slash/pelko)", R"("/x/\\$HOME/\\"q\\"/\\`c\\`/back\\\\slash/pelko")"},
           {"/x/100%/pelko", R"("/x/100%%/pelko")"},
           {"/x/line\nbreak\tand tab/pelko", R"("/x/line\nbreak\tand tab/pelko")"},
       }) {
    EXPECT_EQ(XdgAutostartLoginItems::quotedExecArgument(path), exec) << path;
  }
}

TEST(XdgAutostartLoginItemsTest, RegisteringWritesTheEntryAndTheStatusIsReadBackFromTheFile) {
  TempFolder folder;
  PosixFileSystem fileSystem;
  const std::string entry = folder.file("config/autostart/pelko.desktop");
  XdgAutostartLoginItems items(fileSystem, entry, "/opt/my apps/pelko");
  std::string error;
  EXPECT_EQ(items.status(), LoginItemStatus::notRegistered);

  ASSERT_TRUE(items.registerMainApp(error)) << error;
  EXPECT_EQ(readWholeFile(entry),
            "[Desktop Entry]\nType=Application\nName=Pelko\nComment=Starts Pelko when you log in\n"
            "Exec=\"/opt/my apps/pelko\"\nTerminal=false\n");
  EXPECT_EQ(items.status(), LoginItemStatus::enabled);

  // The desktop's settings switch an entry off by marking it hidden; a "Hidden" elsewhere does not count.
  std::ofstream(entry, std::ios::app) << "[Desktop Action x]\nHidden=true\n";
  EXPECT_EQ(items.status(), LoginItemStatus::enabled);
  std::ofstream(entry) << "[Desktop Entry]\nType=Application\nExec=pelko\nHidden = true\n";
  EXPECT_EQ(items.status(), LoginItemStatus::notRegistered);
  ASSERT_TRUE(items.registerMainApp(error)) << error;
  EXPECT_EQ(items.status(), LoginItemStatus::enabled);

  EXPECT_TRUE(items.unregisterMainApp(error)) << error;
  EXPECT_FALSE(std::filesystem::exists(entry));
  EXPECT_EQ(items.status(), LoginItemStatus::notRegistered);
  EXPECT_TRUE(items.unregisterMainApp(error)) << "nothing to remove is no failure";
}

TEST(XdgAutostartLoginItemsTest, AnEntryThatCannotBeWrittenOrNamedIsRefusedWithAReason) {
  TempFolder folder;
  PosixFileSystem fileSystem;
  std::ofstream(folder.file("file")) << "";
  for (const auto& [entry, program, reason] : std::vector<std::tuple<std::string, std::string, std::string>>{
           {folder.file("file/autostart/pelko.desktop"), "/opt/pelko",
            "cannot write " + (folder.file("file"))},
           {folder.file("autostart/pelko.desktop"), "/opt/a=b/pelko", "contains '='"},
           {folder.file("autostart/pelko.desktop"), "", "not known"},
       }) {
    XdgAutostartLoginItems items(fileSystem, entry, program);
    std::string error;
    EXPECT_FALSE(items.registerMainApp(error)) << entry;
    EXPECT_NE(error.find(reason), std::string::npos) << error;
    EXPECT_EQ(items.status(), LoginItemStatus::notRegistered);
  }
}

// The login items' place is the autostart folder; while there is none, the nearest folder above it, so
// that the user lands where the entry belongs. Nothing there starts launch agents.
TEST(XdgAutostartLoginItemsTest, TheSettingsPlaceIsTheAutostartFolderOrTheNearestFolderAboveIt) {
  TempFolder folder;
  PosixFileSystem fileSystem;
  std::filesystem::create_directories(folder.file("a/config/autostart"));
  std::filesystem::create_directories(folder.file("b/config"));
  std::ofstream(folder.file("b/config/autostart")) << "a file, not a folder";
  for (const auto& [entry, place] : std::vector<std::pair<std::string, std::string>>{
           {"a/config/autostart/pelko.desktop", "a/config/autostart"},
           {"b/config/autostart/pelko.desktop", "b/config"},
           {"c/config/autostart/pelko.desktop", ""},
       }) {
    XdgAutostartLoginItems items(fileSystem, folder.file(entry), "/opt/pelko");
    EXPECT_EQ(items.settingsLocations(),
              std::vector<std::string>{place.empty() ? folder.path() : folder.file(place)})
        << entry;
    EXPECT_FALSE(items.startsLaunchAgents());
  }
}

}  // namespace
}  // namespace pelko::real
