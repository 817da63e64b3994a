// Alerts of the whole application and the update window in the running program under an X server with a
// window manager: each comes above every window of the program that is up when it opens (the bar, and
// the first-run guide and About, which stay on top), and a second start's alert comes above the first
// copy's guide. The window manager's stacking order is the one read.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "DesktopTest.h"
#include "StatusMenuBus.h"
#include "XConnection.h"

namespace pelko::testing {
namespace {

class AlertsAboveOwnWindowsX11Test : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    // A session bus of the test's own with a status-notifier watcher, through which the status menu is
    // read and clicked as a tray host would.
    bus = std::make_unique<SessionBus>();
    if (bus->address().empty()) GTEST_SKIP() << "needs dbus-daemon (scripts/install-deps.sh)";
    display = std::make_unique<XConnection>(server->display());
    ASSERT_TRUE(display->isConnected());
    watcher = startStatusNotifierWatcher(bus->address());
    ASSERT_EQ(watcher->readLine(5), "watching");
    // A first run: the guide opens half a second after start-up.
    sandbox.setDefaults({{"PelkoOnboardingComplete", false}});
    scenario = writeScenario(R"({"applications": []})");
  }
  void TearDown() override {
    DesktopTest::TearDown();
    watcher.reset();
    bus.reset();
  }

  std::map<std::string, std::string> programEnvironment(
      const std::map<std::string, std::string>& extra = {}) const override {
    auto variables = DesktopTest::programEnvironment(extra);
    variables.insert({{"DBUS_SESSION_BUS_ADDRESS", bus->address()},
                      {"XDG_CURRENT_DESKTOP", ""},
                      {"QT_QPA_PLATFORMTHEME", ""},
                      {"PELKO_SCENARIO", scenario}});
    return variables;
  }

  // The program started, with its guide up; false when either did not come.
  bool startWithTheGuide() {
    startPelko();
    if (!pelko->waitUntilReady()) return false;
    return !waitForWindowNamed("Welcome to Pelko", 10).empty();
  }

  // The window manager's windows bottom to top.
  std::vector<long> stacking() {
    const auto order = display->stacking();
    return {order.begin(), order.end()};
  }
  // A window of that exact title as a number, as the stacking lists it; 0 when none shows.
  long windowId(const std::string& title) {
    const std::string id = windowNamed(title);
    return id.empty() ? 0 : std::stol(id);
  }
  // The active window as a number; 0 when none is.
  long activeWindowId() {
    const std::string active = activeWindow();
    return active.empty() ? 0 : std::stol(active);
  }

  // The window that opens after `before` was listed, once it has the keyboard and the window manager has
  // put it on top of the stacking (or 5 s have passed meanwhile); 0 when none came.
  long newActiveWindow(const std::vector<long>& before) {
    long opened = 0;
    waitUntil(
        [&] {
          const long active = activeWindowId();
          if (active == 0 || std::find(before.begin(), before.end(), active) != before.end()) return false;
          opened = active;
          return true;
        },
        10);
    if (opened != 0) waitUntil([&] { return !stacking().empty() && stacking().back() == opened; }, 5);
    return opened;
  }

  // The names and types of the windows stacked above `window`, for a failure message.
  std::string above(long window) {
    const auto order = stacking();
    const auto at = std::find(order.begin(), order.end(), window);
    if (at == order.end()) return "the window is not among the managed windows";
    std::string names;
    for (auto it = at + 1; it != order.end(); ++it)
      names += runOnDisplay(server->display(),
                            "xprop -id " + std::to_string(*it) + " WM_NAME _NET_WM_WINDOW_TYPE");
    return names;
  }

  std::unique_ptr<XConnection> display;
  std::unique_ptr<SessionBus> bus;
  std::unique_ptr<Helper> watcher;
  std::string scenario;
};

TEST_F(AlertsAboveOwnWindowsX11Test, StatusMenuAlertsAndTheUpdateWindowComeAboveEveryWindowOfTheProgram) {
  ASSERT_TRUE(startWithTheGuide()) << pelko->output();
  auto registered = watcher->readLine(10);
  ASSERT_TRUE(registered) << "the status item did not register";
  StatusMenu menu(bus->address(), "alerts-above-test");
  std::string error;
  ASSERT_TRUE(menu.read(*registered, error)) << error;
  const long guide = windowId("Welcome to Pelko");

  // Each window the menu opens is the topmost of all, above the bar, the guide and whatever else of the
  // program is up; Escape ends an alert.
  auto opensOnTop = [&](const std::string& row, const std::string& png) {
    SCOPED_TRACE(row);
    const auto before = stacking();
    menu.click(row);
    const long opened = newActiveWindow(before);
    EXPECT_NE(opened, 0) << "nothing opened with the keyboard";
    if (opened == 0) return opened;
    EXPECT_EQ(stacking().back(), opened) << "beneath:\n" << above(opened);
    screenshot(png);
    return opened;
  };

  // With the guide up.
  ASSERT_NE(opensOnTop("Copy Diagnostics", "diagnostics-alert-over-guide.png"), 0);
  xdotool(server->display(), "key --clearmodifiers Escape");
  ASSERT_TRUE(waitUntil([&] { return activeWindowId() == guide; }, 5)) << "the alert did not end";

  // With About up too: the update window, then the diagnostics alert above both.
  const auto beforeAbout = stacking();
  menu.click("About Pelko");
  ASSERT_NE(newActiveWindow(beforeAbout), 0) << "About did not open";
  const long update = opensOnTop("Check for Updates...", "update-window-over-about.png");
  EXPECT_EQ(update, windowId("Software Update"));
  EXPECT_NE(opensOnTop("Copy Diagnostics", "diagnostics-alert-over-about.png"), 0);
}

TEST_F(AlertsAboveOwnWindowsX11Test, ASecondStartsAlertComesAboveTheFirstCopysGuide) {
  ASSERT_TRUE(startWithTheGuide()) << pelko->output();
  const long guide = windowId("Welcome to Pelko");
  ASSERT_EQ(activeWindowId(), guide);

  const auto before = stacking();
  PelkoProcess second(sandbox, {}, programEnvironment());
  const long alert = newActiveWindow(before);
  ASSERT_NE(alert, 0) << "the second start showed no alert:\n" << second.output();
  EXPECT_EQ(stacking().back(), alert) << "beneath:\n" << above(alert);
  screenshot("already-running-alert-over-guide.png");

  // Answered, the second copy ends and the first one's guide is still there.
  xdotool(server->display(), "key --clearmodifiers Return");
  EXPECT_TRUE(second.wait(10)) << second.output();
  // Looked for again for a moment: the look-up can miss a window while the alert's is being destroyed.
  EXPECT_TRUE(waitUntil([&] { return windowId("Welcome to Pelko") != 0; }, 5)) << pelko->output();
}

}  // namespace
}  // namespace pelko::testing
