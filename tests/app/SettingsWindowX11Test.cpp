// The settings window of the running program under an X server: opened from the status item's menu as a
// tray host clicks it, searched with the keyboard, found through the accessibility bus, closed with
// Escape and opened again.

#include <gtest/gtest.h>

#include "AccessibilityBus.h"
#include "StatusMenuBus.h"

namespace pelko::testing {
namespace {

class SettingsWindowX11Test : public AccessibleDesktopTest {
 protected:
  void SetUp() override {
    AccessibleDesktopTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    // A tray host's watcher on the program's session bus, so that the status item registers.
    watcher = startStatusNotifierWatcher(busAddress());
    ASSERT_EQ(watcher->readLine(5), "watching");
  }
  void TearDown() override {
    AccessibleDesktopTest::TearDown();
    watcher.reset();
  }

  std::string busAddress() const { return accessibility->environment().at("DBUS_SESSION_BUS_ADDRESS"); }

  // The settings window's X window, once it shows; empty when it does not within `seconds`.
  std::string settingsWindow(double seconds = 10) { return waitForWindowNamed("Pelko Settings", seconds); }

  // Waits until the page titled `title` shows: the sidebar names every page, the header the one shown,
  // so two labels with its title show. Each look walks the whole accessible tree, which takes a while on
  // a busy machine: few looks, each waiting itself.
  bool showsPage(const std::string& title) {
    for (int look = 0; look < 8; ++look) {
      size_t showing = 0;
      for (const auto& widget : accessibility->find("label", title, 5)) showing += widget.showing ? 1 : 0;
      if (showing == 2) return true;
      pause(0.5);
    }
    return false;
  }

  // Waits until the window manager has `window` as its active window.
  bool isActive(const std::string& window) {
    return waitUntil([&] { return activeWindow() == window; }, 5);
  }

  std::unique_ptr<Helper> watcher;
};

// Opens the window from the status menu, searches it, opens the match with Return, closes the window
// with Escape and opens it again, in front and on the page it showed.
TEST_F(SettingsWindowX11Test, TheStatusMenuOpensItSearchFindsRowsAndReopeningAfterEscapeKeepsThePage) {
  startPelko();
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();
  auto registered = watcher->readLine(10);
  ASSERT_TRUE(registered) << "the status item did not register; output:\n" << pelko->output();
  StatusMenu menu(busAddress(), "settings-window-test");
  std::string error;
  ASSERT_TRUE(menu.read(*registered, error)) << error;

  // "Settings..." opens the window.
  ASSERT_TRUE(settingsWindow(0.5).empty());
  menu.click("Settings...");
  const std::string window = settingsWindow();
  ASSERT_FALSE(window.empty()) << pelko->output();
  xdotool(server->display(), "windowactivate --sync " + window);
  ASSERT_TRUE(showsPage("Appearance")) << accessibility->describeAll();  // the first page

  // Typing a query into the search field (Control-F puts the keyboard there) lists its rows.
  xdotool(server->display(), "key --window " + window + " ctrl+f");
  xdotool(server->display(), "type --delay 30 diagnostics");
  const auto jump = accessibility->findOne("push button", "Jump to Diagnostics", 20);
  ASSERT_TRUE(jump) << accessibility->describeAll();
  EXPECT_TRUE(accessibility->findOne("label", "1 match for \"diagnostics\".", 20))
      << accessibility->describeAll();

  // Return opens it: the Behavior page. Escape in the emptied field then closes the window. Escape
  // goes to the focused window rather than with --window: xdotool then sends the press as a real key
  // event, but the release, once the window has closed, only to that window, which leaves the key
  // held down in the server; its repeat 0.66 s later closed the window opened again.
  xdotool(server->display(), "key --window " + window + " Return");
  ASSERT_TRUE(showsPage("Behavior")) << accessibility->describeAll();
  ASSERT_TRUE(isActive(window));
  xdotool(server->display(), "key Escape");
  ASSERT_TRUE(waitUntil([&] { return windowNamed("Pelko Settings").empty(); }, 5))
      << "Escape did not close the window";

  // Opened again, it is in front, on the page it showed, with the search ended.
  menu.click("Settings...");
  const std::string reopened = settingsWindow();
  ASSERT_FALSE(reopened.empty()) << pelko->output();
  EXPECT_TRUE(isActive(reopened));
  EXPECT_TRUE(showsPage("Behavior")) << accessibility->describeAll();
  EXPECT_FALSE(accessibility->findOne("push button", "Jump to Diagnostics", 1));
}

}  // namespace
}  // namespace pelko::testing
