// Reordering the running program's bar with a real Control-drag under an X server and a window manager,
// then reading the order it stored from its defaults file.

#include <gtest/gtest.h>

#include <fstream>

#include "PelkoProcess.h"
#include "XTestServer.h"

namespace pelko::testing {
namespace {

TEST(ReorderDragX11Test, AControlDragOfTheFirstButtonPastTheOthersStoresTheNewOrder) {
  const std::string xvfb = findProgram("Xvfb"), openbox = findProgram("openbox");
  if (xvfb.empty() || openbox.empty() || findProgram("xdotool").empty())
    GTEST_SKIP() << "needs Xvfb, openbox and xdotool (scripts/install-deps.sh)";
  XServer server(xvfb);
  const std::string display = server.display();
  ASSERT_FALSE(display.empty()) << "no X server came up on a free display";
  Sandbox sandbox;
  const std::string scenario = sandbox.path("scenario.json");
  std::ofstream(scenario) << R"({"applications": [
      {"bundleID": "com.example.Alpha", "name": "Alpha", "windows": [{"title": "A"}]},
      {"bundleID": "com.example.Bravo", "name": "Bravo", "windows": [{"title": "B"}]},
      {"bundleID": "com.example.Charlie", "name": "Charlie", "windows": [{"title": "C"}]}]})";
  // Icons only, from the start of the bar: the buttons are the bar's thickness wide at its left end.
  sandbox.setDefaults({{"PelkoStyle", platform::PlistValue(std::string("icons"))}});
  auto windowManager = startWindowManager(openbox, display, sandbox.path("home"));
  ASSERT_EQ(windowManagerTrouble(*windowManager, display, sandbox.path("home")), "") << server.describe();
  PelkoProcess pelko(sandbox, {},
                     {{"DISPLAY", display}, {"QT_QPA_PLATFORM", "xcb"}, {"PELKO_SCENARIO", scenario}});
  ASSERT_TRUE(pelko.waitUntilReady()) << pelko.output();
  auto wait = [&](double seconds) { pelko.waitForOutput("(a line that never comes)", seconds); };

  // The bar: the program's window along the bottom of the screen.
  auto isBar = [](const WindowGeometry& window) { return window.width >= 1000 && window.y > 600; };
  WindowGeometry bar;
  for (int i = 0; i < 100 && !isBar(bar); ++i) {
    wait(0.1);
    for (const auto& window : visibleWindows(display, "--classname pelko"))
      if (isBar(window)) bar = window;
  }
  ASSERT_TRUE(isBar(bar)) << pelko.output();
  wait(1.0);  // the buttons fade in

  // From the middle of the first button to well past the third, in small steps.
  const std::string row = " " + std::to_string(bar.y + bar.height / 2);
  const int from = bar.x + 4 + bar.height / 2;
  xdotool(display, "mousemove " + std::to_string(from) + row + " keydown ctrl mousedown 1");
  for (int to = from + 4; to <= bar.x + 400; to += 24) {
    xdotool(display, "mousemove " + std::to_string(to) + row);
    wait(0.05);
  }
  wait(0.3);
  xdotool(display, "mouseup 1 keyup ctrl");

  std::string order;
  for (int i = 0; i < 50 && order.empty(); ++i) {
    wait(0.1);
    auto defaults = sandbox.defaults();
    if (auto it = defaults.find("PelkoCustomAppOrder"); it != defaults.end() && it->second.asData())
      order.assign(it->second.asData()->begin(), it->second.asData()->end());
  }
  EXPECT_EQ(order, R"(["com.example.Bravo","com.example.Charlie","com.example.Alpha"])") << pelko.output();
  EXPECT_EQ(pelko.terminate(), "") << pelko.output();
}

}  // namespace
}  // namespace pelko::testing
