// The auto-hide shortcut pressed on a real keyboard of an X server: Control-Alt-T brings a hidden bar
// back while one of the program's windows has the keyboard, and Super-Alt-T does not.

#include <gtest/gtest.h>

#include "PelkoProcess.h"
#include "XTestServer.h"

namespace pelko::testing {
namespace {

class AutoHideShortcutX11Test : public DesktopTest {
 protected:
  std::map<std::string, std::string> environment() const {
    return {{"DISPLAY", server->display()}, {"QT_QPA_PLATFORM", "xcb"}};
  }
  // Whether the 34 pixel bar along the bottom of the 1280x800 screen is shown, or hidden: only the thin
  // trigger zone on that edge shows. Neither while the program has not shown a window yet.
  enum class Bar { none, shown, hidden };
  Bar bar() {
    bool edge = false;
    for (const WindowGeometry& window : visibleWindows(server->display(), "--classname pelko")) {
      if (window.height == 34 && window.y == 766) return Bar::shown;
      if (window.height <= 12 && window.y + window.height == 800) edge = true;
    }
    return edge ? Bar::hidden : Bar::none;
  }
  bool waitForBar(Bar state, double seconds) {
    return waitUntil([&] { return bar() == state; }, seconds);
  }
};

TEST_F(AutoHideShortcutX11Test, ControlAltTRevealsTheHiddenBarAndSuperAltTDoesNot) {
  xdotool(server->display(), "mousemove 640 200");
  // A long delay: once revealed, the bar stays for the rest of the test.
  sandbox.setDefaults({{"PelkoAutoHide", true}, {"PelkoAutoHideDelay", 30.0}});
  pelko = std::make_unique<PelkoProcess>(sandbox, std::vector<std::string>{}, environment());
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();
  ASSERT_TRUE(waitForBar(Bar::hidden, 10)) << "the bar did not hide\n" << pelko->output();

  // The settings window takes the keyboard: Linux offers the program no key presses elsewhere.
  PelkoProcess forward(sandbox, {"pelko://settings"}, environment());
  ASSERT_TRUE(forward.wait());
  std::string settings;
  ASSERT_TRUE(waitUntil(
      [&] {
        settings = xdotool(server->display(), "search --onlyvisible --name '^Pelko Settings$'");
        settings = settings.substr(0, settings.find('\n'));
        return !settings.empty();
      },
      10))
      << pelko->output();
  // The keys go to the window that has the keyboard: the settings window, once the window manager says so.
  ASSERT_TRUE(waitUntil(
      [&] {
        xdotool(server->display(), "windowactivate --sync " + settings);
        return xdotool(server->display(), "getactivewindow") == settings + "\n";
      },
      10))
      << "the settings window did not get the keyboard\n"
      << pelko->output();

  // Nothing to wait for when nothing happens: the bar is looked at for a second.
  xdotool(server->display(), "key super+alt+t");
  EXPECT_FALSE(waitForBar(Bar::shown, 1)) << "Super-Alt-T revealed the bar";

  xdotool(server->display(), "key ctrl+alt+t");
  EXPECT_TRUE(waitForBar(Bar::shown, 10)) << "Control-Alt-T did not reveal the bar\n" << pelko->output();
}

}  // namespace
}  // namespace pelko::testing
