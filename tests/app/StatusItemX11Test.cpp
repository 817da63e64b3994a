// The status item of the real program under an X server, with a private session bus and a
// status-notifier watcher written for the test: the item registers, its menu is read and clicked over
// the bus as a tray host would, the diagnostics reach the X clipboard for another process, a second
// start hands its URL over (also one without a display), and the menu's quit gives the Dock back.

#include <gtest/gtest.h>

#include "DesktopTest.h"
#include "StatusMenuBus.h"

namespace pelko::testing {
namespace {

class StatusItemX11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string xvfb = findProgram("Xvfb"), daemon = findProgram("dbus-daemon");
    xclip_ = findProgram("xclip");
    if (xvfb.empty() || daemon.empty() || xclip_.empty())
      GTEST_SKIP() << "needs Xvfb, dbus-daemon and xclip (scripts/install-deps.sh)";
    server_ = std::make_unique<XServer>(xvfb);
    display_ = server_->display();
    ASSERT_FALSE(display_.empty()) << "no X server came up on a free display";
    bus_ = std::make_unique<SessionBus>();
    busAddress_ = bus_->address();
    ASSERT_FALSE(busAddress_.empty()) << "the session bus did not start";
    watcher_ = startStatusNotifierWatcher(busAddress_);
    ASSERT_EQ(watcher_->readLine(5), "watching");
  }
  std::map<std::string, std::string> displayEnvironment() const {
    return bareDesktopEnvironment(display_, busAddress_);
  }

  static constexpr const char* kConnection = "status-item-test";
  std::string xclip_;
  std::string display_;
  std::string busAddress_;
  std::unique_ptr<XServer> server_;
  std::unique_ptr<SessionBus> bus_;
  std::unique_ptr<Helper> watcher_;
};

TEST_F(StatusItemX11Test, TheMenuCopiesDiagnosticsTakesForwardedURLsAndQuitsRestoringTheDock) {
  Sandbox sandbox;
  const Sandbox::Dictionary usersDock = {{"autohide", false}, {"tilesize", 52.0}, {"orientation", "left"}};
  sandbox.setDockDomain(usersDock);
  PelkoProcess pelko(sandbox, {}, displayEnvironment());
  ASSERT_TRUE(pelko.waitUntilReady()) << pelko.output();

  // The item registers with the watcher; its menu, as a tray host reads it.
  auto registered = watcher_->readLine(10);
  ASSERT_TRUE(registered) << "the item did not register; output:\n" << pelko.output();
  StatusMenu menu(busAddress_, kConnection);
  std::string error;
  ASSERT_TRUE(menu.read(*registered, error)) << error;
  EXPECT_EQ(menu.rows(),
            (std::vector<std::string>{"About Pelko", "Check for Updates...", "Feedback & Support...", "---",
                                      "Settings...", "Run Onboarding...", "Restart Pelko", "Copy Diagnostics",
                                      "---", "Restore Dock & Quit"}));
  auto click = [&](const std::string& row) { menu.click(row); };

  // A second start hands its URL to this one and ends with status 0.
  PelkoProcess second(sandbox, {"pelko://restart"}, displayEnvironment());
  auto secondEnding = second.wait(10);
  ASSERT_TRUE(secondEnding);
  EXPECT_TRUE(secondEnding->exited && secondEnding->status == 0) << second.output();
  EXPECT_TRUE(pelko.waitForOutput("AppDelegate: restarting the taskbars", 5));

  // Handing a URL over needs no display: a start from a text console or over ssh does it too.
  PelkoProcess console(sandbox, {"pelko://from-a-console"}, {{"DBUS_SESSION_BUS_ADDRESS", busAddress_}},
                       {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"});
  auto consoleEnding = console.wait(10);
  ASSERT_TRUE(consoleEnding);
  EXPECT_TRUE(consoleEnding->exited && consoleEnding->status == 0) << console.output();
  EXPECT_TRUE(pelko.waitForOutput("AppDelegate: unhandled URL scheme action: pelko://from-a-console", 5));

  // The report reaches the X clipboard, where another process reads it.
  click("Copy Diagnostics");
  std::string clipboard;
  for (int attempt = 0; attempt < 50 && clipboard.rfind("Pelko Diagnostics\n", 0) != 0; ++attempt) {
    pelko.waitForOutput("(a line that never comes)", 0.1);
    clipboard = runOnDisplay(display_, xclip_ + " -selection clipboard -o");
  }
  std::vector<std::string> lines;
  std::stringstream in(clipboard);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 22u) << clipboard;
  EXPECT_EQ(lines[0], "Pelko Diagnostics");
  EXPECT_EQ(lines[2], "App: v0.1.0 (1)");
  EXPECT_EQ(lines[14], "Dock Hidden Runtime: true");

  // The menu's quit gives the Dock back and ends with status 0.
  click("Restore Dock & Quit");
  auto ending = pelko.wait(10);
  ASSERT_TRUE(ending) << pelko.output();
  EXPECT_TRUE(ending->exited && ending->status == 0) << pelko.output();
  EXPECT_EQ(sandbox.dockDomain(), usersDock);

  std::string output = pelko.output();
  size_t rebuilds = 0;
  for (size_t at = output.find("AppDelegate: restarting the taskbars"); at != std::string::npos;
       at = output.find("AppDelegate: restarting the taskbars", at + 1))
    ++rebuilds;
  EXPECT_EQ(rebuilds, 1u);
}

}  // namespace
}  // namespace pelko::testing
