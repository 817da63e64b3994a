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
  // Whether the 34 pixel bar along the bottom of the 1280x800 screen is shown.
  bool barShown() {
    for (const WindowGeometry& window : visibleWindows(server->display(), "--classname pelko"))
      if (window.height == 34 && window.y == 766) return true;
    return false;
  }
  bool waitForBar(bool shown, double seconds) {
    for (double waited = 0; waited < seconds && barShown() != shown; waited += 0.1) pause(0.1);
    return barShown() == shown;
  }
};

TEST_F(AutoHideShortcutX11Test, ControlAltTRevealsTheHiddenBarAndSuperAltTDoesNot) {
  xdotool(server->display(), "mousemove 640 200");
  // A long delay: once revealed, the bar stays for the rest of the test.
  sandbox.setDefaults({{"PelkoAutoHide", true}, {"PelkoAutoHideDelay", 30.0}});
  pelko = std::make_unique<PelkoProcess>(sandbox, std::vector<std::string>{}, environment());
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();
  ASSERT_TRUE(waitForBar(false, 5)) << "the bar did not hide\n" << pelko->output();

  // The settings window takes the keyboard: Linux offers the program no key presses elsewhere.
  PelkoProcess forward(sandbox, {"pelko://settings"}, environment());
  ASSERT_TRUE(forward.wait());
  std::string settings;
  for (double waited = 0; waited < 10 && settings.empty(); waited += 0.1) {
    settings = xdotool(server->display(), "search --onlyvisible --name '^Pelko Settings$'");
    if (settings.empty()) pause(0.1);
  }
  ASSERT_FALSE(settings.empty()) << pelko->output();
  settings = settings.substr(0, settings.find('\n'));
  xdotool(server->display(), "windowactivate --sync " + settings);

  xdotool(server->display(), "key super+alt+t");
  pause(1);
  EXPECT_FALSE(barShown()) << "Super-Alt-T revealed the bar";

  xdotool(server->display(), "key ctrl+alt+t");
  EXPECT_TRUE(waitForBar(true, 3)) << "Control-Alt-T did not reveal the bar\n" << pelko->output();
}

}  // namespace
}  // namespace pelko::testing
