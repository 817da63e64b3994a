// The auto-hide shortcut pressed on a real keyboard of an X server: Control-Alt-T brings a hidden bar
// back while one of the program's windows has the keyboard, and Super-Alt-T does not.

#include <gtest/gtest.h>

#include "DesktopTest.h"

namespace pelko::testing {
namespace {

class AutoHideShortcutX11Test : public DesktopTest {};

TEST_F(AutoHideShortcutX11Test, ControlAltTRevealsTheHiddenBarAndSuperAltTDoesNot) {
  movePointer(640, 200);
  // A long delay: once revealed, the bar stays for the rest of the test.
  sandbox.setDefaults({{"PelkoAutoHide", true}, {"PelkoAutoHideDelay", 30.0}});
  startPelko();
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();
  ASSERT_TRUE(waitForBottomBar(BottomBar::hidden, 10)) << "the bar did not hide\n" << pelko->output();

  // The settings window takes the keyboard: Linux offers the program no key presses elsewhere.
  PelkoProcess forward(sandbox, {"pelko://settings"}, programEnvironment());
  ASSERT_TRUE(forward.wait());
  const std::string settings = waitForWindowNamed("Pelko Settings", 10);
  ASSERT_FALSE(settings.empty()) << pelko->output();
  // The keys go to the window that has the keyboard: the settings window, once the window manager says so.
  ASSERT_TRUE(waitUntil(
      [&] {
        xdotool(server->display(), "windowactivate --sync " + settings);
        return activeWindow() == settings;
      },
      10))
      << "the settings window did not get the keyboard\n"
      << pelko->output();

  // Nothing to wait for when nothing happens: the bar is looked at for a second.
  xdotool(server->display(), "key super+alt+t");
  EXPECT_FALSE(waitForBottomBar(BottomBar::shown, 1)) << "Super-Alt-T revealed the bar";

  xdotool(server->display(), "key ctrl+alt+t");
  EXPECT_TRUE(waitForBottomBar(BottomBar::shown, 10)) << "Control-Alt-T did not reveal the bar\n"
                                                      << pelko->output();
}

}  // namespace
}  // namespace pelko::testing
