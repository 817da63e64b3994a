// The real program keeping the simulated world's windows out of its bar, under an X server and a window
// manager of the test's own: a window overlapping the bar is shrunk once, and a full-screen window in
// front leaves no bar on screen.

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <sstream>

#include "DesktopTest.h"

namespace pelko::testing {
namespace {

// Whether a window of the program's window class is on screen.
bool barIsVisible(const std::string& display) {
  return !xdotool(display, "search --onlyvisible --classname pelko").empty();
}

std::vector<std::string> linesStartingWith(const std::string& text, const std::string& prefix) {
  std::vector<std::string> found;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(prefix, 0) == 0) found.push_back(line);
  return found;
}

class ScreenSpaceEndToEndTest : public DesktopTest {
 protected:
  // Starts the program on the scenario, with its diagnostic log and the world's frames on its output.
  void run(const std::string& scenarioJson) {
    startPelko({{"PELKO_SCENARIO", writeScenario(scenarioJson)},
                {"PELKO_DEBUG_LOG", "1"},
                {"PELKO_TEST_HOOK_FRAMES", "1"}});
  }
};

TEST_F(ScreenSpaceEndToEndTest, AWindowOverlappingTheBarIsShrunkOnce) {
  // The X screen is 1280 x 800: the window reaches 10 pt above the bottom edge, into the bar.
  run(R"({"applications": [{"bundleID": "com.example.editor", "name": "Editor",
          "windows": [{"title": "notes", "frame": [100, 100, 600, 690]}]}]})");
  ASSERT_TRUE(pelko->waitForOutput("SSM: fallbackCheck() called", 15)) << pelko->output();
  // Three more scans after the first: a second resize would have come by then.
  ASSERT_TRUE(waitUntil(
      [&] { return linesStartingWith(pelko->output(), "SSM: fallbackCheck() called").size() >= 4; }, 15));
  const std::string output = pelko->output();

  auto resizes = linesStartingWith(output, "SSM: >>> RESIZE");
  for (const auto& line : linesStartingWith(output, "SSM: fallback resizing")) resizes.push_back(line);
  ASSERT_EQ(resizes.size(), 1u) << output;
  const QRegularExpressionMatch window =
      QRegularExpression("wn=(\\d+)").match(QString::fromStdString(resizes.front()));
  ASSERT_TRUE(window.hasMatch()) << resizes.front();
  const auto frames = linesStartingWith(output, "PELKO_FRAME wn=" + window.captured(1).toStdString() + " ");
  ASSERT_EQ(frames.size(), 2u) << output;
  EXPECT_NE(frames[0].find(" 100 100 600 690"), std::string::npos) << frames[0];
  // Shrunk from the bottom: same place and width, lower than before.
  const QRegularExpressionMatch height =
      QRegularExpression(" 100 100 600 (\\d+)$").match(QString::fromStdString(frames[1]));
  ASSERT_TRUE(height.hasMatch()) << frames[1];
  EXPECT_LT(height.captured(1).toDouble(), 690);
  EXPECT_TRUE(barIsVisible(server->display())) << "the bar is not on screen";
}

TEST_F(ScreenSpaceEndToEndTest, AFullScreenWindowInFrontLeavesNoBarOnScreen) {
  run(R"({"applications": [{"bundleID": "com.example.player", "name": "Player",
          "windows": [{"title": "movie", "fullScreen": true}]}]})");
  // The bar's first scan comes a second after the bar was made and sent away for the full-screen window;
  // once the program has caught up, the display has done what it asked.
  ASSERT_TRUE(pelko->waitForOutput("SSM: fallbackCheck() called", 15)) << pelko->output();
  ASSERT_TRUE(programHasCaughtUp()) << pelko->output();
  EXPECT_TRUE(
      holdsUntilLines([&] { return !barIsVisible(server->display()); }, "SSM: fallbackCheck() called", 3, 15))
      << "a bar is visible\n"
      << pelko->output();
}

}  // namespace
}  // namespace pelko::testing
