// A button's menu in the running program as a screen reader meets it over the accessibility bus: while
// it is open it is a menu with its items in their order, a press on "Force Quit" closes it and opens the
// force-quit popover as a click does, and the popover's buttons are in the tree as well. Closed, the menu
// is gone from the tree, and a screen reader listening on the bus is told of it coming and going.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "AccessibilityBus.h"

namespace pelko::testing {
namespace {

class MenuOverTheBusX11Test : public AccessibleDesktopTest {
 protected:
  // Whether the listener hears `line` within `seconds`; what it heard meanwhile goes to `heard`.
  static bool hears(Helper& listener, const std::string& line, double seconds, std::string& heard) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
      const double left = std::chrono::duration<double>(deadline - std::chrono::steady_clock::now()).count();
      if (left <= 0) return false;
      const auto next = listener.readLine(left);
      if (!next) return false;
      heard += *next + "\n";
      if (*next == line) return true;
    }
  }

  // The showing widgets of `role` as "name", in the tree's order.
  std::vector<std::string> showingNames(const std::string& role, double seconds) {
    std::vector<std::string> names;
    for (const auto& widget : accessibility->find(role, "", seconds))
      if (widget.showing) names.push_back(widget.name);
    return names;
  }
};

TEST_F(MenuOverTheBusX11Test, AnOpenMenuIsAMenuWithItsItemsAndAPressActsAsAClick) {
  movePointer(640, 300);
  auto listener = listenOnTheBus("watch_accessible_events.py", {});
  ASSERT_TRUE(listener) << "the bus's listener did not start";
  startPelko({{"PELKO_SCENARIO", writeScenario(kViewerAndEditorScenario)}});
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();
  std::optional<AccessibleWidget> editor;
  // The bar lays its buttons out again as it comes up: the button is taken once it stays in place.
  ASSERT_TRUE(waitUntil(
      [&] {
        const auto previous = editor;
        editor = accessibility->findLargest("push button", "Editor", 2);
        return editor && previous && editor->x == previous->x && editor->y == previous->y;
      },
      10))
      << accessibility->describeAll();
  EXPECT_TRUE(showingNames("menu item", 0).empty()) << "a menu item shows before any menu opened";

  clickAt(editor->centerX(), editor->centerY(), 3);
  std::vector<std::string> items;
  ASSERT_TRUE(waitUntil([&] { return !(items = showingNames("menu item", 2)).empty(); }, 10))
      << "no menu in the tree\n"
      << accessibility->describeAll();
  EXPECT_EQ(items, (std::vector<std::string>{"Show", "Minimize All Windows", "Hide", "New Window",
                                             "Close Window", "Quit Editor", "Force Quit", "Show in Finder",
                                             "Hide from Taskbar", "Pelko Settings..."}));
  const auto menus = accessibility->find("popup menu", "", 2);
  ASSERT_EQ(menus.size(), 1u) << accessibility->describeAll();
  EXPECT_TRUE(menus[0].showing);
  std::string heard;
  EXPECT_TRUE(hears(*listener, "add\tapplication\tpopup menu", 5, heard)) << heard;

  const auto pressed = accessibility->doAction("menu item", "Force Quit", "Press");
  ASSERT_EQ(pressed.size(), 1u);
  EXPECT_TRUE(pressed[0].hasAction("Press")) << pressed[0].actions;
  ASSERT_TRUE(waitForWindow([](const WindowGeometry& w) { return w.width == 280; }, 10))
      << "no force-quit popover\n"
      << pelko->output();
  EXPECT_TRUE(waitUntil([&] { return showingNames("menu item", 0).empty(); }, 5)) << "the menu stayed open";
  // The menu is deleted as it closes: the listener may no longer ask it for its role.
  heard.clear();
  EXPECT_TRUE(hears(*listener, "remove\tapplication\tpopup menu", 5, heard) ||
              heard.find("remove\tapplication\t\n") != std::string::npos)
      << heard;
  EXPECT_TRUE(accessibility->findOne("push button", "Cancel", 5)) << accessibility->describeAll();
  xdotool(server->display(), "key Escape");
  EXPECT_FALSE(waitForWindow([](const WindowGeometry& w) { return w.width == 280; }, 5, false));
}

}  // namespace
}  // namespace pelko::testing
