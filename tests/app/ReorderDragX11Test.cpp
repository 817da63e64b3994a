// Reordering the running program's bar with a real Control-drag under an X server and a window manager,
// then reading the order it stored from its defaults file.

#include <gtest/gtest.h>

#include "AccessibilityBus.h"

namespace pelko::testing {
namespace {

class ReorderDragX11Test : public AccessibleDesktopTest {};

TEST_F(ReorderDragX11Test, AControlDragOfTheFirstButtonPastTheOthersStoresTheNewOrder) {
  const std::string scenario = writeScenario(R"({"applications": [
      {"bundleID": "com.example.Alpha", "name": "Alpha", "windows": [{"title": "A"}]},
      {"bundleID": "com.example.Bravo", "name": "Bravo", "windows": [{"title": "B"}]},
      {"bundleID": "com.example.Charlie", "name": "Charlie", "windows": [{"title": "C"}]}]})");
  // Icons only, from the start of the bar: the buttons are the bar's thickness wide at its left end.
  sandbox.setDefaults({{"PelkoStyle", platform::PlistValue(std::string("icons"))}});
  startPelko({{"PELKO_SCENARIO", scenario}});
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();

  // The bar: the program's window along the bottom of the screen.
  const auto bar =
      waitForWindow([](const WindowGeometry& window) { return window.width >= 1000 && window.y > 600; }, 10);
  ASSERT_TRUE(bar) << pelko->output();
  // The last button laid out where it stays: the drag goes from the first to past the third.
  ASSERT_TRUE(waitUntilSettled([&] { return accessibility->findLargest("", "Charlie"); }, 10))
      << accessibility->describeAll();

  // From the middle of the first button to well past the third, in small steps. The drag's image, a
  // window of the button's size, follows the pointer as the program takes each step: the next step and
  // the drop come once it stands where the pointer went.
  const int y = bar->y + bar->height / 2;
  const int from = bar->x + 4 + bar->height / 2;
  xdotool(server->display(),
          "mousemove " + std::to_string(from) + " " + std::to_string(y) + " keydown ctrl mousedown 1");
  int grip = -1;  // from the image's left edge to the pointer, as the first step finds it
  for (int to = from + 4; to <= bar->x + 400; to += 24) {
    movePointer(to, y);
    const auto image = waitForWindow(
        [&](const WindowGeometry& window) {
          return window.width == bar->height && window.height == bar->height &&
                 (grip < 0 || window.x == to - grip);
        },
        5);
    ASSERT_TRUE(image) << "the drag's image did not follow the pointer to " << to << "\n" << pelko->output();
    if (grip < 0) grip = to - image->x;
  }
  xdotool(server->display(), "mouseup 1 keyup ctrl");

  std::string order;
  waitUntil(
      [&] {
        auto defaults = sandbox.defaults();
        if (auto it = defaults.find("PelkoCustomAppOrder"); it != defaults.end() && it->second.asData())
          order.assign(it->second.asData()->begin(), it->second.asData()->end());
        return !order.empty();
      },
      5);
  EXPECT_EQ(order, R"(["com.example.Bravo","com.example.Charlie","com.example.Alpha"])") << pelko->output();
}

}  // namespace
}  // namespace pelko::testing
