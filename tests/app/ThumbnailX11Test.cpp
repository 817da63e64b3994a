// The running program under a real X server: resting the pointer on a button shows the thumbnail panel
// above it, the panel stays while the pointer moves onto it and goes when the pointer moves away, which
// the program learns from the display server's pointer events, or when the pointer leaps away from the
// button and rests. The screen is saved for a person to see. A window closed with its card's close
// control leaves the button's count, as a screen reader reads it, one lower.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <fstream>

#include "AccessibilityBus.h"
#include "PelkoProcess.h"
#include "XTestServer.h"

namespace pelko::testing {
namespace {

class ThumbnailX11Test : public DesktopTest {
 protected:
  void SetUp() override {
    if (findProgram("import").empty()) GTEST_SKIP() << "needs ImageMagick (scripts/install-deps.sh)";
    DesktopTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    display = server->display();
    pelko = std::make_unique<PelkoProcess>(
        sandbox, std::vector<std::string>{},
        std::map<std::string, std::string>{{"DISPLAY", display}, {"QT_QPA_PLATFORM", "xcb"}});
  }

  // The program's visible windows as "x,y WxH".
  std::vector<std::string> windows() {
    std::vector<std::string> result;
    for (const auto& window : visibleWindows(display, "--class pelko"))
      result.push_back(std::to_string(window.x) + "," + std::to_string(window.y) + " " +
                       std::to_string(window.width) + "x" + std::to_string(window.height));
    return result;
  }
  // Waits up to `seconds` for a window other than the bar and the tooltips (taller than 100): the panel.
  std::optional<std::string> panel(double seconds, bool present = true) {
    std::optional<std::string> found;
    waitUntil(
        [&] {
          found.reset();
          for (const auto& window : windows())
            if (std::stoi(window.substr(window.find('x') + 1)) > 100) found = window;
          return found.has_value() == present;
        },
        seconds);
    return found;
  }

  std::string display;
};

TEST_F(ThumbnailX11Test, RestingOnAButtonShowsItsPanelUntilThePointerMovesAway) {
  ASSERT_TRUE(waitForBottomBar(BottomBar::shown, 10)) << pelko->output();

  xdotool(display, "mousemove 150 783");  // the second button of the bottom bar
  const auto shown = panel(10);
  ASSERT_TRUE(shown) << pelko->output();
  // Above the bar, 4 points off it, kept on the screen.
  const int x = std::stoi(shown->substr(0, shown->find(','))),
            y = std::stoi(shown->substr(shown->find(',') + 1));
  const int height = std::stoi(shown->substr(shown->find('x') + 1));
  EXPECT_EQ(y + height, 766 - 4) << *shown;
  EXPECT_GE(x, 0);
  QDir artifacts(QCoreApplication::applicationDirPath() + "/../artifacts");
  artifacts.mkpath(".");
  runOnDisplay(display, "import -window root " + artifacts.filePath("thumbnail-panel-x11.png").toStdString());

  xdotool(display, "mousemove_relative -- 0 -100");  // onto the panel
  EXPECT_TRUE(panel(0.3));
  xdotool(display, "mousemove_relative -- 700 -300");  // away from bar and panel
  EXPECT_FALSE(panel(5, false)) << "the panel stayed after the pointer left it";

  // Straight from the button to far away in one leap, then still: the leave alone ends the panel.
  xdotool(display, "mousemove 150 783");
  ASSERT_TRUE(panel(10)) << pelko->output();
  xdotool(display, "mousemove 900 200");
  EXPECT_FALSE(panel(5, false)) << "the panel stayed after the pointer leapt away from its button";
}

class ThumbnailCloseX11Test : public AccessibleDesktopTest {};

TEST_F(ThumbnailCloseX11Test, ClosingTheSecondCardLowersTheButtonsCount) {
  const std::string scenario = sandbox.path("scenario.json");
  std::ofstream(scenario) << R"({"applications": [
      {"bundleID": "com.example.editor", "name": "Editor", "windows": [
        {"title": "one", "frame": [100, 100, 600, 400]}, {"title": "two", "frame": [140, 140, 600, 400]},
        {"title": "three", "frame": [180, 180, 600, 400]}]}]})";
  xdotool(server->display(), "mousemove 640 200");
  startPelko({{"PELKO_SCENARIO", scenario}});
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();
  const auto button = accessibility->findOne("push button", "Editor, 3 windows", 10);
  ASSERT_TRUE(button) << accessibility->describeAll();

  const auto moveTo = [this](int x, int y) {
    xdotool(server->display(), "mousemove " + std::to_string(x) + " " + std::to_string(y));
  };
  moveTo(button->centerX(), button->centerY());
  const auto card = accessibility->findOne("push button", "two", 10);
  ASSERT_TRUE(card) << accessibility->describeAll();
  // Onto the card, which shows its close control 2 pixels inside its top trailing corner, and on that.
  moveTo(card->centerX(), card->centerY());
  moveTo(card->x + card->width - 2 - 9, card->y + 2 + 9);
  xdotool(server->display(), "click 1");
  EXPECT_TRUE(accessibility->findOne("push button", "Editor, 2 windows", 5)) << accessibility->describeAll();
}

}  // namespace
}  // namespace pelko::testing
