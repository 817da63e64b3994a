#include <gtest/gtest.h>

#include <set>

#include "FakeFileSystem.h"
#include "platform/PlistXml.h"
#include "platform/Workspace.h"
#include "platform/sim/SimAppShell.h"
#include "platform/sim/SimLoginItems.h"
#include "settings/LaunchAtLoginHelper.h"

namespace pelko {
namespace {

using platform::LoginItemStatus;
using platform::PlistValue;

class LaunchAtLogin : public ::testing::Test {
 protected:
  const std::string agentPath = "/tmp/pelko-home/Library/LaunchAgents/com.pelko.launcher.plist";
  bool agentExists() const { return fileSystem.fileExists(agentPath); }

  sim::SimLoginItems loginItems;
  test::FakeFileSystem fileSystem;
  sim::SimAppShell appShell;
  LaunchAtLoginHelper helper{loginItems, fileSystem, appShell};
};

TEST_F(LaunchAtLogin, AgentFileLivesInTheUsersLaunchAgents) {
  EXPECT_EQ(helper.launchAgentPlistPath(), agentPath);
  appShell.home = "/home/someone/";
  EXPECT_EQ(helper.launchAgentPlistPath(), "/home/someone/Library/LaunchAgents/com.pelko.launcher.plist");
}

TEST_F(LaunchAtLogin, RegisteringRemovesAStaleAgentFile) {
  fileSystem.files[agentPath] = "stale";
  helper.setEnabled(true);
  EXPECT_EQ(loginItems.registerCount, 1);
  EXPECT_FALSE(agentExists());
  EXPECT_TRUE(helper.isEnabled());
}

TEST_F(LaunchAtLogin, RefusedRegistrationWritesTheAgentFile) {
  loginItems.failRegister = true;
  helper.setEnabled(true);
  ASSERT_TRUE(agentExists());
  EXPECT_TRUE(helper.isEnabled());
  auto plist = platform::parsePlistXml(fileSystem.files[agentPath]);
  ASSERT_TRUE(plist && plist->asDictionary());
  EXPECT_EQ(*plist->asDictionary(),
            (PlistValue::Dictionary{{"Label", "com.pelko.launcher"},
                                    {"ProgramArguments", PlistValue::Array{*appShell.executablePath}},
                                    {"RunAtLoad", true},
                                    {"KeepAlive", false}}));

  loginItems.failRegister = false;
  helper.setEnabled(true);  // a later registration that works replaces the file
  EXPECT_FALSE(agentExists());
  EXPECT_EQ(loginItems.currentStatus, LoginItemStatus::enabled);
}

TEST_F(LaunchAtLogin, NoExecutableOrNoFolderMeansNoFile) {
  loginItems.failRegister = true;
  appShell.executablePath = std::nullopt;
  helper.setEnabled(true);
  EXPECT_FALSE(agentExists());
  EXPECT_FALSE(helper.isEnabled());

  appShell.executablePath = "/bin/pelko";
  fileSystem.failCreateDirectories = true;
  helper.setEnabled(true);
  EXPECT_FALSE(agentExists());
  EXPECT_EQ(fileSystem.writeCount, 0);
}

TEST_F(LaunchAtLogin, AwaitingApprovalRegistersNothing) {
  loginItems.currentStatus = LoginItemStatus::requiresApproval;
  fileSystem.files[agentPath] = "stale";
  helper.setEnabled(true);
  EXPECT_EQ(loginItems.registerCount, 0);
  EXPECT_FALSE(agentExists());
  EXPECT_FALSE(helper.isEnabled());
  EXPECT_TRUE(helper.requiresApproval());
}

TEST_F(LaunchAtLogin, Unregistering) {
  struct Case {
    const char* what;
    LoginItemStatus status;
    bool failUnregister;
    int unregisters;
    bool enabledAfter;
  };
  for (auto c :
       std::vector<Case>{{"not registered", LoginItemStatus::notRegistered, false, 0, false},
                         {"not found", LoginItemStatus::notFound, false, 0, false},
                         {"enabled", LoginItemStatus::enabled, false, 1, false},
                         {"refused", LoginItemStatus::enabled, true, 1, true},
                         {"awaiting approval", LoginItemStatus::requiresApproval, false, 1, false}}) {
    sim::SimLoginItems loginItems;
    test::FakeFileSystem fileSystem;
    LaunchAtLoginHelper helper(loginItems, fileSystem, appShell);
    loginItems.currentStatus = c.status;
    loginItems.failUnregister = c.failUnregister;
    fileSystem.files[agentPath] = "agent";
    helper.setEnabled(false);
    EXPECT_EQ(loginItems.unregisterCount, c.unregisters) << c.what;
    EXPECT_FALSE(fileSystem.fileExists(agentPath)) << c.what;  // removed whatever the outcome
    EXPECT_EQ(helper.isEnabled(), c.enabledAfter) << c.what;
  }
}

// Records every URL asked for and opens only those it is told to.
class OpeningWorkspace final : public platform::Workspace {
 public:
  std::vector<platform::RunningApplicationPtr> runningApplications() override { return {}; }
  platform::RunningApplicationPtr frontmostApplication() override { return nullptr; }
  platform::RunningApplicationPtr runningApplication(int32_t) override { return nullptr; }
  platform::AppIcon iconForFile(const std::string&) override { return {}; }
  bool openURL(const std::string& url) override {
    asked.push_back(url);
    return opens.count(url) > 0;
  }
  bool sendReopenEvent(int32_t, double) override { return false; }
  Publisher<platform::WorkspaceNotification> notifications(platform::WorkspaceNotificationName) override {
    return Publisher<platform::WorkspaceNotification>([](auto) { return Cancellable(); });
  }

  std::set<std::string> opens;
  std::vector<std::string> asked;
};

TEST(LoginItemsSettings, TriesThePaneLinksInOrderThenTheApplication) {
  const std::string current = "x-apple.systempreferences:com.apple.LoginItems-Settings.extension";
  const std::string older = "x-apple.systempreferences:com.apple.preference.users?LoginItems";
  const std::string app = "/System/Applications/System Settings.app";
  struct Case {
    std::set<std::string> opens;
    std::vector<std::string> asked;
  };
  for (const auto& c : std::vector<Case>{{{current, older, app}, {current}},
                                         {{older, app}, {current, older}},
                                         {{}, {current, older, app}}}) {
    OpeningWorkspace workspace;
    workspace.opens = c.opens;
    LaunchAtLoginHelper::openLoginItemsSettings(workspace);
    EXPECT_EQ(workspace.asked, c.asked);
  }
}

}  // namespace
}  // namespace pelko
