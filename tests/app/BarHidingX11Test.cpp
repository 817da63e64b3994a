// The running program with auto-hide on, under a real X server with a real pointer (buttons found
// through the accessibility bus): in dodge mode a bar revealed over a window, and clicked, goes once the
// pointer leaves it; with a full-screen window in front, nothing of an auto-hidden bar (trigger zone,
// peek strip) is left on the screen.

#include <gtest/gtest.h>

#include "AccessibilityBus.h"

namespace pelko::testing {
namespace {

// The line the bar's once-a-second scan writes: the program's own clock.
constexpr const char* kScan = "SSM: fallbackCheck() called";

class BarHidingX11Test : public AccessibleDesktopTest {
 protected:
  void run(const std::string& scenarioJson, const Sandbox::Dictionary& defaults) {
    sandbox.setDefaults(defaults);
    const std::string scenario = writeScenario(scenarioJson);
    movePointer(640, 300);
    startPelko({{"PELKO_SCENARIO", scenario}, {"PELKO_DEBUG_LOG", "1"}});
  }
};

TEST_F(BarHidingX11Test, ADodgingBarClickedOverAWindowGoesOnceThePointerLeavesIt) {
  // The editor's window reaches 24 pixels into the bar; the viewer, in front at start, stays clear of it.
  run(R"({"applications": [
          {"bundleID": "com.example.viewer", "name": "Viewer", "windows": [{"title": "photo", "frame": [900, 100, 300, 300]}]},
          {"bundleID": "com.example.editor", "name": "Editor", "windows": [{"title": "notes.txt", "frame": [100, 100, 600, 690]}]}],
        "frontmost": "com.example.viewer"})",
      {{"PelkoAutoHide", true}, {"PelkoAutoHideDodgeWindows", true}});
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();
  ASSERT_TRUE(waitForBottomBar(BottomBar::hidden, 10)) << "the bar did not hide over the window\n"
                                                       << pelko->output();

  movePointer(640, 799);  // the trigger zone
  ASSERT_TRUE(waitForBottomBar(BottomBar::shown, 10)) << "the pointer at the edge did not reveal the bar";
  // A click on the Editor button brings the editor to the front, its window over the bar.
  const auto editor = accessibility->findLargest("", "Editor");
  ASSERT_TRUE(editor) << accessibility->describeAll();
  clickAt(editor->centerX(), editor->centerY());
  ASSERT_TRUE(pelko->waitForOutput("SSM: dodge mode - hiding taskbar due to overlap", 10)) << pelko->output();
  // The bar stays: once the program has done what the click set off, and over the next four scans. A bar
  // that has only just come back puts its hide off, and the dodge check tries again every two seconds
  // or so: four scans see it try at least once, and the bar slide away if it were to.
  ASSERT_TRUE(programHasCaughtUp()) << pelko->output();
  EXPECT_TRUE(holdsUntilLines([&] { return bottomBar() == BottomBar::shown; }, kScan, 4, 15))
      << "hidden under the pointer\n"
      << pelko->output();

  movePointer(640, 300);
  EXPECT_TRUE(waitForBottomBar(BottomBar::hidden, 10))
      << "the bar stayed over the window after the pointer left it";
}

TEST_F(BarHidingX11Test, AFullScreenWindowInFrontLeavesNoTriggerZoneOrPeekStrip) {
  run(R"({"applications": [{"bundleID": "com.example.player", "name": "Player",
          "windows": [{"title": "movie", "fullScreen": true}]}]})",
      {{"PelkoAutoHide", true}, {"PelkoAutoHidePeekReveal", true}});
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();
  // The bar's first scan comes a second after the bar was made and sent away for the full-screen window.
  ASSERT_TRUE(pelko->waitForOutput(kScan, 15)) << pelko->output();
  ASSERT_TRUE(programHasCaughtUp()) << pelko->output();
  EXPECT_TRUE(holdsUntilLines([&] { return windows().empty(); }, kScan, 2, 10))
      << "a window of the program is on screen\n"
      << pelko->output();
  // The pointer at the edge reveals nothing over the full-screen window.
  xdotool(server->display(), "mousemove --sync 640 799");
  ASSERT_TRUE(programHasCaughtUp()) << pelko->output();
  EXPECT_TRUE(holdsUntilLines([&] { return windows().empty(); }, kScan, 2, 10))
      << "the pointer at the edge brought a window of the program\n"
      << pelko->output();
}

}  // namespace
}  // namespace pelko::testing
