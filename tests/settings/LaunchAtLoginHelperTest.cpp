#include <gtest/gtest.h>

#include <set>

#include "platform/PlistXml.h"
#include "platform/sim/SimAppShell.h"
#include "platform/sim/SimLoginItems.h"
#include "settings/LaunchAtLoginHelper.h"
#include "support/FakeDockWorld.h"
#include "support/FakeFileSystem.h"

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
       }) {
    SCOPED_TRACE(std::to_string(int(c.status)) + (c.enable ? " enable " : " disable ") + c.setup);
    auto has = [&](const char* flag) { return c.setup.find(flag) != std::string::npos; };
    HelperWorld w;
    ASSERT_EQ(w.helper.launchAgentPlistPath(), kAgentPath);
    w.loginItems.currentStatus = c.status;
    w.loginItems.failRegister = has("failRegister");
    w.loginItems.failUnregister = has("failUnregister");
    if (has("noExecutable")) w.appShell.executablePath = std::nullopt;
    w.fileSystem.failCreateDirectories = has("noFolder");
    if (has("stale")) w.fileSystem.files[kAgentPath] = "stale";
    w.helper.setEnabled(c.enable);
    EXPECT_EQ(w.loginItems.registerCount, c.registers);
    EXPECT_EQ(w.loginItems.unregisterCount, c.unregisters);
    EXPECT_EQ(w.fileSystem.fileExists(kAgentPath), c.agentAfter);
    EXPECT_EQ(w.helper.isEnabled(), c.enabledAfter);
    EXPECT_EQ(w.helper.requiresApproval(), c.enable && c.status == S::requiresApproval);
    EXPECT_EQ(w.fileSystem.writeCount, c.agentAfter ? 1 : 0) << "a file is written only when it stays";
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

TEST(LoginItemsSettings, TriesThePaneLinksInOrderThenTheApplication) {
  const std::string current = "x-apple.systempreferences:com.apple.LoginItems-Settings.extension";
  const std::string older = "x-apple.systempreferences:com.apple.preference.users?LoginItems";
  const std::string app = "/System/Applications/System Settings.app";
  for (const auto& [opens, asked] : std::vector<std::pair<std::set<std::string>, std::vector<std::string>>>{
           {{current, older, app}, {current}},
           {{older, app}, {current, older}},
           {{}, {current, older, app}}}) {
    testing::FakeWorkspace workspace;
    workspace.opens = opens;
    LaunchAtLoginHelper::openLoginItemsSettings(workspace);
    EXPECT_EQ(workspace.asked, asked);
  }
}

}  // namespace
}  // namespace pelko
