// The program's windows that are not normal windows, under a real X server with a window manager: the
// thumbnail panel, the bar, the peek strip of a hidden bar, the colour panel, an information popover and
// the force-quit popover carry the skip-taskbar and skip-pager states, so that no other taskbar or pager
// lists them, also when a window is shown a second time. The colour panel opens above the settings window
// that floats, takes the keyboard, and Escape closes it whole: no empty "Colors" window stays on the screen.

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "AccessibilityBus.h"
#include "XConnection.h"

namespace pelko::testing {
namespace {

// The test's own connection to the display, reading the window manager's and the program's view of each
// window.
class Display : public XConnection {
 public:
  using XConnection::XConnection;

  bool holds(xcb_window_t window, const char* property, const char* atomName) {
    const auto values = cardinals(window, property);
    return std::find(values.begin(), values.end(), atom(atomName)) != values.end();
  }
  bool staysOutOfTaskbars(xcb_window_t window) {
    return holds(window, "_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR") &&
           holds(window, "_NET_WM_STATE", "_NET_WM_STATE_SKIP_PAGER");
  }

  // The program's windows that the window manager manages, which is what a taskbar or pager lists, other
  // than its normal windows (the settings window).
  std::vector<xcb_window_t> managedPanels() {
    std::vector<xcb_window_t> panels;
    for (xcb_window_t window : cardinals(root(), "_NET_CLIENT_LIST")) {
      if (property(window, "WM_CLASS").value_or("").rfind(std::string("pelko\0", 6), 0) != 0) continue;
      const auto types = cardinals(window, "_NET_WM_WINDOW_TYPE");
      if (!types.empty() && types.front() == atom("_NET_WM_WINDOW_TYPE_NORMAL")) continue;
      panels.push_back(window);
    }
    return panels;
  }

  // Whether `window` is mapped and shows (false once it is gone).
  bool isViewable(xcb_window_t window) {
    auto* attributes = xcb_get_window_attributes_reply(
        connection(), xcb_get_window_attributes(connection(), window), nullptr);
    const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(attributes);
    return viewable;
  }

  struct Shape {
    int width = 0, height = 0;
    bool inputOnly = false;
  };
  Shape shape(xcb_window_t window) {
    Shape shape;
    if (auto* geometry =
            xcb_get_geometry_reply(connection(), xcb_get_geometry(connection(), window), nullptr)) {
      shape.width = geometry->width;
      shape.height = geometry->height;
      std::free(geometry);
    }
    if (auto* attributes = xcb_get_window_attributes_reply(
            connection(), xcb_get_window_attributes(connection(), window), nullptr)) {
      shape.inputOnly = attributes->_class == XCB_WINDOW_CLASS_INPUT_ONLY;
      std::free(attributes);
    }
    return shape;
  }

  // The window, its size and the names of its states, for a failure message.
  std::string describe(xcb_window_t window) {
    std::ostringstream text;
    const Shape size = shape(window);
    text << "window " << window << " " << size.width << "x" << size.height << " '"
         << property(window, "WM_NAME").value_or("") << "' states:";
    for (xcb_atom_t state : cardinals(window, "_NET_WM_STATE")) text << " " << atomName(state);
    return text.str();
  }

 private:
  std::string atomName(xcb_atom_t atom) {
    std::string name;
    if (auto* reply = xcb_get_atom_name_reply(connection(), xcb_get_atom_name(connection(), atom), nullptr)) {
      name.assign(xcb_get_atom_name_name(reply), static_cast<size_t>(xcb_get_atom_name_name_length(reply)));
      std::free(reply);
    }
    return name;
  }
};

// Every window the program shows that a window manager manages, other than a normal window, stays out
// of taskbars and pagers.
void expectManagedPanelsStayOutOfTaskbars(Display& display) {
  for (xcb_window_t window : display.managedPanels())
    EXPECT_TRUE(display.staysOutOfTaskbars(window)) << display.describe(window);
}

// The program's visible windows, by X window.
std::vector<xcb_window_t> visibleProgramWindows(const std::string& display) {
  std::vector<xcb_window_t> windows;
  std::stringstream ids(xdotool(display, "search --onlyvisible --classname pelko"));
  for (std::string id; ids >> id;) windows.push_back(static_cast<xcb_window_t>(std::stoul(id)));
  return windows;
}

class PanelWindowsX11Test : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    display = std::make_unique<Display>(server->display());
    ASSERT_TRUE(display->isConnected());
  }
  void TearDown() override {
    DesktopTest::TearDown();
    display.reset();
  }

  // Waits up to `seconds` for a visible window of the program that `matches`; none when none came.
  xcb_window_t waitForProgramWindow(const std::function<bool(const Display::Shape&)>& matches,
                                    double seconds) {
    xcb_window_t found = XCB_WINDOW_NONE;
    waitUntil(
        [&] {
          for (xcb_window_t window : visibleProgramWindows(server->display()))
            if (matches(display->shape(window))) found = window;
          return found != XCB_WINDOW_NONE;
        },
        seconds);
    return found;
  }

  std::unique_ptr<Display> display;
};

TEST_F(PanelWindowsX11Test, TheThumbnailPanelAndTheBarStayOutOfTaskbars) {
  startPelko();
  ASSERT_TRUE(waitForBottomBar(BottomBar::shown, 10)) << pelko->output();
  movePointer(150, 783);  // the second button of the bottom bar
  const xcb_window_t panel = waitForProgramWindow(
      [](const Display::Shape& shape) { return !shape.inputOnly && shape.height > 100; }, 10);
  ASSERT_NE(panel, XCB_WINDOW_NONE) << pelko->output();
  EXPECT_TRUE(display->staysOutOfTaskbars(panel)) << display->describe(panel);
  // The panel is among the windows a taskbar would list, and so is the bar: neither asks to be listed.
  const auto managed = display->managedPanels();
  EXPECT_NE(std::find(managed.begin(), managed.end(), panel), managed.end());
  EXPECT_GE(managed.size(), 2u);
  expectManagedPanelsStayOutOfTaskbars(*display);
}

TEST_F(PanelWindowsX11Test, TheEdgeWindowsOfAHiddenBarStayOutOfTaskbars) {
  movePointer(640, 300);
  sandbox.setDefaults({{"PelkoAutoHide", true}, {"PelkoAutoHidePeekReveal", true}});
  startPelko();
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();
  ASSERT_TRUE(waitForBottomBar(BottomBar::hidden, 10)) << pelko->output();
  // The peek strip, a thin line drawn along the bottom edge. (The trigger zone beside it is an
  // input-only window that no window manager manages without a compositor.)
  const xcb_window_t strip = waitForProgramWindow(
      [](const Display::Shape& shape) { return !shape.inputOnly && shape.height <= 12 && shape.width > 100; },
      10);
  ASSERT_NE(strip, XCB_WINDOW_NONE) << pelko->output();
  EXPECT_TRUE(display->staysOutOfTaskbars(strip)) << display->describe(strip);
  expectManagedPanelsStayOutOfTaskbars(*display);
}

// The program's windows on the display, and its widgets over the accessibility bus.
class PanelsOverTheBusX11Test : public AccessibleDesktopTest {
 protected:
  void SetUp() override {
    AccessibleDesktopTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    display = std::make_unique<Display>(server->display());
    ASSERT_TRUE(display->isConnected());
  }
  void TearDown() override {
    AccessibleDesktopTest::TearDown();
    display.reset();
  }

  std::unique_ptr<Display> display;
};

// With the settings window open, found and pressed over the accessibility bus as a screen reader does.
class SettingsPanelsX11Test : public PanelsOverTheBusX11Test {
 protected:
  // Starts the program and opens the settings window as a second start hands the running copy its URL;
  // its X window, none when it did not open.
  xcb_window_t startWithSettings() {
    startPelko({{"PELKO_SCENARIO", writeScenario(R"({"applications": []})")}});
    if (!pelko->waitUntilReady()) return XCB_WINDOW_NONE;
    return openSettingsBySecondStart();
  }

  // The colour panel's X window while it shows; none otherwise.
  xcb_window_t colorPanel() {
    const std::string id = windowNamed("Colors");
    return id.empty() ? xcb_window_t{XCB_WINDOW_NONE} : static_cast<xcb_window_t>(std::stoul(id));
  }
  xcb_window_t waitForColorPanel(double seconds) {
    xcb_window_t panel = XCB_WINDOW_NONE;
    waitUntil([&] { return (panel = colorPanel()) != XCB_WINDOW_NONE; }, seconds);
    return panel;
  }

  // Where `window` stands among the managed windows, counted from the bottom; -1 when it is not there.
  int stackedAt(xcb_window_t window) {
    const auto order = display->stacking();
    const auto at = std::find(order.begin(), order.end(), window);
    return at == order.end() ? -1 : static_cast<int>(at - order.begin());
  }
};

TEST_F(SettingsPanelsX11Test, TheColourPanelComesAboveTheFloatingWindowAndEscapeClosesItWhole) {
  const xcb_window_t settings = startWithSettings();
  ASSERT_NE(settings, XCB_WINDOW_NONE) << pelko->output();
  ASSERT_TRUE(waitUntil([&] { return display->activeWindow() == settings; }, 10));
  ASSERT_TRUE(display->holds(settings, "_NET_WM_STATE", "_NET_WM_STATE_ABOVE"))
      << "the window does not float";

  // The background colour's well opens the panel: above the settings window, with the keyboard.
  ASSERT_FALSE(accessibility->doAction("push button", "Background Color", "Press", 10).empty())
      << accessibility->describeAll();
  const xcb_window_t panel = waitForColorPanel(10);
  ASSERT_NE(panel, XCB_WINDOW_NONE) << pelko->output();
  EXPECT_TRUE(waitUntil([&] { return stackedAt(panel) > stackedAt(settings); }, 5))
      << "the panel opened beneath the settings window";
  EXPECT_TRUE(display->staysOutOfTaskbars(panel)) << display->describe(panel);
  // The window manager has made it the active window, and the program knows: the settings window, no
  // longer the one with the keyboard, no longer floats. Keys go where the program thinks the keyboard is.
  ASSERT_TRUE(waitUntil(
      [&] {
        return display->activeWindow() == panel &&
               !display->holds(settings, "_NET_WM_STATE", "_NET_WM_STATE_ABOVE");
      },
      5))
      << "the panel did not get the keyboard";
  screenshot("colour-panel-open.png");

  // Escape closes the whole panel; the settings window stays and has the keyboard again.
  // (Read through the test's own connection: xdotool's search gives nothing at all when a window goes
  // away while it looks.)
  xdotool(server->display(), "key Escape");
  EXPECT_TRUE(waitUntil([&] { return !display->isViewable(panel); }, 5))
      << "a \"Colors\" window stayed on the screen after Escape";
  EXPECT_TRUE(display->isViewable(settings)) << "Escape closed the settings window";
  EXPECT_TRUE(waitUntil([&] { return display->activeWindow() == settings; }, 5));
  EXPECT_EQ(colorPanel(), XCB_WINDOW_NONE) << "another \"Colors\" window shows";
  screenshot("colour-panel-after-escape.png");

  // Shown a second time, it is mapped again and again stays out of taskbars.
  ASSERT_FALSE(accessibility->doAction("push button", "Background Color", "Press", 10).empty());
  const xcb_window_t again = waitForColorPanel(10);
  ASSERT_NE(again, XCB_WINDOW_NONE) << pelko->output();
  EXPECT_TRUE(display->staysOutOfTaskbars(again)) << display->describe(again);
  expectManagedPanelsStayOutOfTaskbars(*display);
}

TEST_F(SettingsPanelsX11Test, AnInformationPopoverStaysOutOfTaskbars) {
  movePointer(5, 5);  // off the window: no tooltip comes and goes meanwhile
  const xcb_window_t settings = startWithSettings();
  ASSERT_NE(settings, XCB_WINDOW_NONE) << pelko->output();
  std::string info;
  for (const auto& button : accessibility->find("push button", "", 10))
    if (button.showing && button.name.rfind("Info: ", 0) == 0) info = button.name;
  ASSERT_FALSE(info.empty()) << accessibility->describeAll();
  // The windows before: the settings window among them (xdotool may list none while a window goes).
  std::vector<xcb_window_t> before;
  ASSERT_TRUE(waitUntil(
      [&] {
        before = visibleProgramWindows(server->display());
        return std::find(before.begin(), before.end(), settings) != before.end();
      },
      10));
  ASSERT_FALSE(accessibility->doAction("push button", info, "Press", 10).empty());
  xcb_window_t popover = XCB_WINDOW_NONE;
  ASSERT_TRUE(waitUntil(
      [&] {
        for (xcb_window_t window : visibleProgramWindows(server->display()))
          if (std::find(before.begin(), before.end(), window) == before.end()) popover = window;
        return popover != XCB_WINDOW_NONE;
      },
      10))
      << pelko->output();
  EXPECT_TRUE(display->staysOutOfTaskbars(popover)) << display->describe(popover);
}

// With an application on the bar, its button found over the accessibility bus and pressed with the real
// pointer.
class ForceQuitPanelX11Test : public PanelsOverTheBusX11Test {
 protected:
  // Whether a pop-up menu of the program shows: a window taller than a tooltip that passes the window
  // manager by.
  bool menuShows() {
    for (xcb_window_t window : visibleProgramWindows(server->display())) {
      auto* attributes = xcb_get_window_attributes_reply(
          display->connection(), xcb_get_window_attributes(display->connection(), window), nullptr);
      const bool popUp = attributes && attributes->override_redirect;
      std::free(attributes);
      if (popUp && display->shape(window).height > 100) return true;
    }
    return false;
  }
};

TEST_F(ForceQuitPanelX11Test, TheForceQuitPopoverStaysOutOfTaskbars) {
  movePointer(640, 300);
  startPelko({{"PELKO_SCENARIO", writeScenario(R"({"applications": [
      {"bundleID": "com.example.editor", "name": "Editor", "windows": [{"title": "notes.txt", "frame": [100, 100, 600, 400]}]}]})")}});
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();
  const auto button = waitUntilSettled([&] { return accessibility->findLargest("", "Editor"); }, 10);
  ASSERT_TRUE(button) << accessibility->describeAll();
  movePointer(button->centerX(), button->centerY());
  xdotool(server->display(), "click 3");
  ASSERT_TRUE(waitUntil([&] { return menuShows(); }, 10)) << "no menu opened";
  // "Force Quit" is the fourth entry from the end of the button's menu.
  xdotool(server->display(), "key Up Up Up Up Return");
  xcb_window_t popover = XCB_WINDOW_NONE;
  waitUntil(
      [&] {
        for (xcb_window_t window : visibleProgramWindows(server->display()))
          if (const auto shape = display->shape(window); !shape.inputOnly && shape.width == 280)
            popover = window;
        return popover != XCB_WINDOW_NONE;
      },
      10);
  ASSERT_NE(popover, XCB_WINDOW_NONE) << "no force-quit popover\n" << pelko->output();
  // A pop-up the window manager passes by, which a taskbar reading every top-level window still sees:
  // it does not ask to be listed.
  EXPECT_TRUE(display->staysOutOfTaskbars(popover)) << display->describe(popover);
  expectManagedPanelsStayOutOfTaskbars(*display);
  xdotool(server->display(), "key Escape");
}

}  // namespace
}  // namespace pelko::testing
