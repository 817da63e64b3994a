// The running program under a real X server: resting the pointer on a button shows the thumbnail panel
// above it, the panel stays while the pointer moves onto it and goes when the pointer moves away, which
// the program learns from the display server's pointer events, or when the pointer leaps away from the
// button and rests. The screen is saved for a person to see. A window closed with its card's close
// control leaves the button's count, as a screen reader reads it, one lower.

#include <gtest/gtest.h>

#include "AccessibilityBus.h"
#include "DesktopTest.h"

namespace pelko::testing {
namespace {

class ThumbnailX11Test : public AccessibleDesktopTest {
 protected:
  void SetUp() override {
    if (findProgram("import").empty()) GTEST_SKIP() << "needs ImageMagick (scripts/install-deps.sh)";
    AccessibleDesktopTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    startPelko();
  }

  // Waits up to `seconds` for a window other than the bar and the tooltips (taller than 100): the panel.
  std::optional<WindowGeometry> panel(double seconds, bool present = true) {
    return waitForWindow([](const WindowGeometry& window) { return window.height > 100; }, seconds, present);
  }
};

TEST_F(ThumbnailX11Test, RestingOnAButtonShowsItsPanelUntilThePointerMovesAway) {
  ASSERT_TRUE(waitForBottomBar(BottomBar::shown, 10)) << pelko->output();
  // The second button of the bottom bar, once the bar has laid it out where it stays.
  const auto button = waitUntilSettled(
      [&]() -> std::optional<AccessibleWidget> {
        for (const auto& widget : accessibility->find("push button", "", 5))
          if (widget.showing && widget.x <= 150 && 150 < widget.x + widget.width && widget.y <= 783 &&
              783 < widget.y + widget.height)
            return widget;
        return std::nullopt;
      },
      10);
  ASSERT_TRUE(button) << accessibility->describeAll();

  movePointer(button->centerX(), button->centerY());
  const auto shown = panel(10);
  ASSERT_TRUE(shown) << pelko->output();
  // Above the bar, 4 points off it, kept on the screen.
  EXPECT_EQ(shown->y + shown->height, 766 - 4)
      << shown->x << "," << shown->y << " " << shown->width << "x" << shown->height;
  EXPECT_GE(shown->x, 0);
  screenshot("thumbnail-panel-x11.png");

  xdotool(server->display(), "mousemove_relative -- 0 -100");  // onto the panel
  EXPECT_TRUE(panel(0.3));
  xdotool(server->display(), "mousemove_relative -- 700 -300");  // away from bar and panel
  EXPECT_FALSE(panel(5, false)) << "the panel stayed after the pointer left it";

  // Straight from the button to far away in one leap, then still: the leave alone ends the panel.
  movePointer(button->centerX(), button->centerY());
  ASSERT_TRUE(panel(10)) << pelko->output();
  movePointer(900, 200);
  EXPECT_FALSE(panel(5, false)) << "the panel stayed after the pointer leapt away from its button";
}

class ThumbnailCloseX11Test : public AccessibleDesktopTest {};

TEST_F(ThumbnailCloseX11Test, ClosingTheSecondCardLowersTheButtonsCount) {
  const std::string scenario = writeScenario(R"({"applications": [
      {"bundleID": "com.example.editor", "name": "Editor", "windows": [
        {"title": "one", "frame": [100, 100, 600, 400]}, {"title": "two", "frame": [140, 140, 600, 400]},
        {"title": "three", "frame": [180, 180, 600, 400]}]}]})");
  movePointer(640, 200);
  startPelko({{"PELKO_SCENARIO", scenario}});
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();
  const auto button = accessibility->findOne("push button", "Editor, 3 windows", 10);
  ASSERT_TRUE(button) << accessibility->describeAll();

  movePointer(button->centerX(), button->centerY());
  const auto card = accessibility->findOne("push button", "two", 10);
  ASSERT_TRUE(card) << accessibility->describeAll();
  // Onto the card, which shows its close control 2 pixels inside its top trailing corner, and on that.
  movePointer(card->centerX(), card->centerY());
  movePointer(card->x + card->width - 2 - 9, card->y + 2 + 9);
  xdotool(server->display(), "click 1");
  EXPECT_TRUE(accessibility->findOne("push button", "Editor, 2 windows", 5)) << accessibility->describeAll();
}

}  // namespace
}  // namespace pelko::testing
