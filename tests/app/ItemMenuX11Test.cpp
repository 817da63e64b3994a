// The running program under a real X server, driven with a real pointer and found through the
// accessibility bus: a right click on a button whose thumbnail panel shows ends the panel before the
// menu opens, and the force-quit popover the menu leads to stays on the screen at either end of a bottom
// bar and at the top of a left bar. The popovers are saved as pictures for a person to look at.

#include <gtest/gtest.h>

#include <sstream>

#include "AccessibilityBus.h"

namespace pelko::testing {
namespace {

constexpr int kPopoverWidth = 280;

class ItemMenuX11Test : public AccessibleDesktopTest {
 protected:
  void run(const Sandbox::Dictionary& defaults) {
    sandbox.setDefaults(defaults);
    const std::string scenario = writeScenario(kViewerAndEditorScenario);
    movePointer(640, 300);
    startPelko({{"PELKO_SCENARIO", scenario}});
  }
  // Puts the pointer on the middle of the widget named `name` once two looks find it in the same place
  // (the bar lays its buttons out again as it comes up); false when there is none by then.
  bool pointAt(const std::string& role, const std::string& name) {
    std::optional<AccessibleWidget> previous;
    const bool settled = waitUntil(
        [&] {
          const auto widget = accessibility->findLargest(role, name);
          const bool same = widget && previous && widget->x == previous->x && widget->y == previous->y &&
                            widget->width == previous->width && widget->height == previous->height;
          previous = widget;
          return same;
        },
        10);
    if (!settled) return false;
    movePointer(previous->centerX(), previous->centerY());
    return true;
  }
  // Whether a menu of the program shows: a window taller than a tooltip that passes the window manager
  // by, as pop-ups do (the thumbnail panel and the popover are managed windows).
  bool menuShows() {
    std::stringstream ids(xdotool(server->display(), "search --onlyvisible --classname pelko"));
    for (std::string id; std::getline(ids, id);) {
      const std::string info = runOnDisplay(server->display(), "xwininfo -id " + id);
      const auto height = info.find("Height: ");
      if (info.find("Override Redirect State: yes") != std::string::npos && height != std::string::npos &&
          std::atoi(info.c_str() + height + 8) > 100)
        return true;
    }
    return false;
  }
  std::optional<WindowGeometry> waitForBar(int x, int y, int width, int height) {
    return waitForWindow(
        [&](const WindowGeometry& w) {
          return w == WindowGeometry{x, y, width, height};
        },
        10);
  }
  // In the open menu of a button, "Force Quit" is the fourth entry from the end (before "Show in
  // Finder", "Hide from Taskbar" and "Pelko Settings..."), chosen here with the keys.
  bool chooseForceQuit() {
    if (!waitUntil([&] { return menuShows(); }, 10)) return false;
    xdotool(server->display(), "key Up Up Up Up Return");
    return true;
  }
  // Right-clicks the button of the application `name` and chooses "Force Quit" in its menu; the popover.
  std::optional<WindowGeometry> openForceQuit(const std::string& name) {
    if (!pointAt("", name)) return std::nullopt;
    xdotool(server->display(), "click 3");
    if (!chooseForceQuit()) return std::nullopt;
    return waitForWindow([](const WindowGeometry& w) { return w.width == kPopoverWidth; }, 10);
  }
};

TEST_F(ItemMenuX11Test, ARightClickEndsTheThumbnailPanelBeforeTheMenuOpens) {
  run({});
  ASSERT_TRUE(waitForBar(0, 766, 1280, 34)) << pelko->output();
  ASSERT_TRUE(pointAt("", "Editor")) << accessibility->describeAll();
  const auto panel = waitForWindow([](const WindowGeometry& w) { return w.height > 100; }, 3);
  ASSERT_TRUE(panel) << pelko->output();

  xdotool(server->display(), "click 3");
  const auto menu =
      waitForWindow([&](const WindowGeometry& w) { return w.height > 100 && !(w == *panel); }, 3);
  ASSERT_TRUE(menu) << "no menu opened";
  EXPECT_FALSE(waitForWindow([&](const WindowGeometry& w) { return w == *panel; }, 3, false))
      << "the thumbnail panel stayed under the menu";

  ASSERT_TRUE(chooseForceQuit()) << "the menu is not a pop-up menu";
  ASSERT_TRUE(waitForWindow([](const WindowGeometry& w) { return w.width == kPopoverWidth; }, 10))
      << "no force-quit popover";
  EXPECT_FALSE(waitForWindow([&](const WindowGeometry& w) { return w == *panel; }, 0.5, false))
      << "the thumbnail panel is behind the popover";
  xdotool(server->display(), "key Escape");
  EXPECT_FALSE(waitForWindow([](const WindowGeometry& w) { return w.width == kPopoverWidth; }, 2, false));
}

// Where a button sits at an end of its bar, and the settings that put it there.
struct BarEnd {
  const char* name;
  Sandbox::Dictionary defaults;
  WindowGeometry bar;
  const char* button;  // the application whose button it is
};

void PrintTo(const BarEnd& end, std::ostream* out) {
  *out << end.name;
}

// Each on an X server of its own.
class ForceQuitPopoverX11Test : public ItemMenuX11Test, public ::testing::WithParamInterface<BarEnd> {};

TEST_P(ForceQuitPopoverX11Test, StaysOnTheScreenBesideTheButton) {
  if (findProgram("import").empty()) GTEST_SKIP() << "needs ImageMagick (scripts/install-deps.sh)";
  const BarEnd& end = GetParam();
  run(end.defaults);
  ASSERT_TRUE(waitForBar(end.bar.x, end.bar.y, end.bar.width, end.bar.height)) << pelko->output();
  const auto popover = openForceQuit(end.button);
  ASSERT_TRUE(popover) << pelko->output();
  EXPECT_GE(popover->x, 0);
  EXPECT_LE(popover->x + popover->width, 1280);
  EXPECT_GE(popover->y, 0);
  EXPECT_LE(popover->y + popover->height, 800);
  // Still beside the button, away from the bar's edge.
  if (end.bar.width == 1280)
    EXPECT_LE(popover->y + popover->height, 766);
  else
    EXPECT_GE(popover->x, 48);
  screenshot(std::string("force-quit-popover-") + end.name + ".png");
  xdotool(server->display(), "key Escape");
}

INSTANTIATE_TEST_SUITE_P(
    BarEnds, ForceQuitPopoverX11Test,
    ::testing::Values(
        BarEnd{"bottom-first", {}, {0, 766, 1280, 34}, "Viewer"},
        BarEnd{"bottom-last", {{"PelkoItemAlignment", std::string("right")}}, {0, 766, 1280, 34}, "Editor"},
        BarEnd{"left-top", {{"PelkoPosition", std::string("left")}}, {0, 0, 48, 800}, "Viewer"}),
    [](const ::testing::TestParamInfo<BarEnd>& info) {
      std::string name = info.param.name;
      std::erase(name, '-');
      return name;
    });

}  // namespace
}  // namespace pelko::testing
