#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "SettingsTestWorld.h"
#include "platform/PlistXml.h"
#include "platform/real/PosixFileSystem.h"
#include "platform/real/XdgAutostartLoginItems.h"
#include "platform/sim/SimAppShell.h"
#include "platform/sim/SimLoginItems.h"
#include "settings/LaunchAtLoginHelper.h"
#include "support/FakeDockWorld.h"
#include "support/FakeFileSystem.h"
#include "support/TempFolder.h"

namespace pelko {
namespace {

using platform::LoginItemStatus;
using platform::PlistValue;

const std::string kAgentPath = "/tmp/pelko-home/Library/LaunchAgents/com.pelko.launcher.plist";

struct HelperWorld {
  sim::SimLoginItems loginItems;
  test::FakeFileSystem fileSystem;
  sim::SimAppShell appShell;
  LaunchAtLoginHelper helper{loginItems, fileSystem, appShell};
};

TEST(LaunchAtLogin, Outcomes) {
  using S = LoginItemStatus;
  struct Case {
    S status;
    bool enable;
    std::string setup;  // stale agent file, refusals and what is missing
    int registers, unregisters;
    bool agentAfter, enabledAfter;
  };
  for (const auto& c : std::vector<Case>{
           {S::notRegistered, true, "stale", 1, 0, false, true},
           {S::notRegistered, true, "failRegister", 1, 0, true, true},
           {S::notRegistered, true, "failRegister noExecutable", 1, 0, false, false},
           {S::notRegistered, true, "failRegister noFolder", 1, 0, false, false},
           {S::requiresApproval, true, "stale", 0, 0, false, false},
           {S::notRegistered, false, "stale", 0, 0, false, false},
           {S::notFound, false, "stale", 0, 0, false, false},
           {S::enabled, false, "stale", 0, 1, false, false},
           {S::enabled, false, "stale failUnregister", 0, 1, false, true},
           {S::requiresApproval, false, "stale", 0, 1, false, false},
           // A system that starts no launch agents: a refusal stays one, and their folder is left alone.
           {S::notRegistered, true, "failRegister noAgents", 1, 0, false, false},
           {S::notRegistered, true, "failRegister noAgents stale", 1, 0, true, false},
           {S::enabled, false, "noAgents stale", 0, 1, true, false},
       }) {
    SCOPED_TRACE(std::to_string(int(c.status)) + (c.enable ? " enable " : " disable ") + c.setup);
    auto has = [&](const char* flag) { return c.setup.find(flag) != std::string::npos; };
    HelperWorld w;
    ASSERT_EQ(w.helper.launchAgentPlistPath(), kAgentPath);
    w.loginItems.currentStatus = c.status;
    w.loginItems.failRegister = has("failRegister");
    w.loginItems.failUnregister = has("failUnregister");
    w.loginItems.launchAgentsStarted = !has("noAgents");
    if (has("noExecutable")) w.appShell.executablePath = std::nullopt;
    w.fileSystem.failCreateDirectories = has("noFolder");
    if (has("stale")) w.fileSystem.files[kAgentPath] = "stale";
    w.helper.setEnabled(c.enable);
    EXPECT_EQ(w.loginItems.registerCount, c.registers);
    EXPECT_EQ(w.loginItems.unregisterCount, c.unregisters);
    EXPECT_EQ(w.fileSystem.fileExists(kAgentPath), c.agentAfter);
    EXPECT_EQ(w.helper.isEnabled(), c.enabledAfter);
    EXPECT_EQ(w.helper.requiresApproval(), c.enable && c.status == S::requiresApproval);
    EXPECT_EQ(w.fileSystem.writeCount, c.agentAfter && !has("stale") ? 1 : 0)
        << "a file is written only when it stays";
  }
}

TEST(LaunchAtLogin, TheAgentFileStartsTheExecutableAtLoginFromTheUsersLaunchAgents) {
  HelperWorld w;
  w.appShell.home = "/home/someone/";
  const std::string path = "/home/someone/Library/LaunchAgents/com.pelko.launcher.plist";
  EXPECT_EQ(w.helper.launchAgentPlistPath(), path);
  w.loginItems.failRegister = true;
  w.helper.setEnabled(true);
  auto plist = platform::parsePlistXml(w.fileSystem.files[path]);
  ASSERT_TRUE(plist && plist->asDictionary());
  EXPECT_EQ(*plist->asDictionary(),
            (PlistValue::Dictionary{{"Label", "com.pelko.launcher"},
                                    {"ProgramArguments", PlistValue::Array{*w.appShell.executablePath}},
                                    {"RunAtLoad", true},
                                    {"KeepAlive", false}}));
}

TEST(LoginItemsSettings, TriesTheServicesPlacesInOrder) {
  const std::string current = "x-apple.systempreferences:com.apple.LoginItems-Settings.extension";
  const std::string older = "x-apple.systempreferences:com.apple.preference.users?LoginItems";
  const std::string app = "/System/Applications/System Settings.app";
  for (const auto& [opens, asked] : std::vector<std::pair<std::set<std::string>, std::vector<std::string>>>{
           {{current, older, app}, {current}},
           {{older, app}, {current, older}},
           {{}, {current, older, app}}}) {
    HelperWorld w;
    testing::FakeWorkspace workspace;
    workspace.opens = opens;
    w.helper.openLoginItemsSettings(workspace);
    EXPECT_EQ(workspace.asked, asked);
  }
}

// Every file under `root`, by its path below it.
std::set<std::string> filesUnder(const std::string& root) {
  std::set<std::string> found;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
    if (!entry.is_directory()) found.insert(std::filesystem::relative(entry.path(), root).string());
  return found;
}

// On a desktop the autostart entry is the only thing that starts the program at login: when it cannot be
// written, nothing else is, and launch at login reads off, also after a launch agent file was left in
// the home folder.
TEST(LaunchAtLogin, OnADesktopARefusedAutostartEntryLeavesItOffAndWritesNothingElse) {
  testing::TempFolder folder;
  std::filesystem::create_directories(folder.file("home"));
  std::filesystem::create_directories(folder.file("config"));
  std::ofstream(folder.file("config/autostart")) << "not a folder";
  real::PosixFileSystem fileSystem;
  real::XdgAutostartLoginItems loginItems(fileSystem, folder.file("config/autostart/pelko.desktop"),
                                          "/opt/pelko/bin/pelko");
  test::SettingsTestWorld world;
  world.appShell.home = folder.file("home");
  LaunchAtLoginHelper helper(loginItems, fileSystem, world.appShell);

  helper.setEnabled(true);
  EXPECT_FALSE(helper.isEnabled());
  EXPECT_FALSE(helper.requiresApproval());
  EXPECT_EQ(filesUnder(folder.path()), std::set<std::string>{"config/autostart"});

  // The settings store's rule stores what the helper reads back.
  auto settings = std::make_unique<SettingsManager>(SettingsManager::Dependencies{
      world.defaults, world.permissions, world.appearance, helper, world.scheduler});
  settings->launchAtLogin = true;
  EXPECT_FALSE(settings->launchAtLogin.get());
  EXPECT_EQ(world.stored("PelkoLaunchAtLogin"), PlistValue(false));
  EXPECT_EQ(filesUnder(folder.path()), std::set<std::string>{"config/autostart"});

  const std::string agent = folder.file("home/Library/LaunchAgents/com.pelko.launcher.plist");
  std::filesystem::create_directories(folder.file("home/Library/LaunchAgents"));
  std::ofstream(agent) << "left by an earlier run";
  EXPECT_FALSE(helper.isEnabled()) << "a launch agent file starts nothing on a desktop";
  settings = std::make_unique<SettingsManager>(SettingsManager::Dependencies{
      world.defaults, world.permissions, world.appearance, helper, world.scheduler});
  EXPECT_FALSE(settings->launchAtLogin.get());
}

}  // namespace
}  // namespace pelko
