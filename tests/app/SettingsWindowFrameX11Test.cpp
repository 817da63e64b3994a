// The settings window's frame in the running program under an X server, with the window manager and real
// pointer, wheel and key events: the program's own bar entry sends the window back (the keyboard going to
// the window now in front) and brings it forward again, the window stays on top only while it is active,
// a drag on its background moves it while a click on a control acts, a shortcut acts once per key press, a
// wheel step over a "Jump To" pop-up scrolls the page as it does anywhere else on it, and on a small
// screen the title bar stays on the screen.

#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>

#include "AccessibilityBus.h"
#include "XConnection.h"

namespace pelko::testing {
namespace {

// The test's own connection to the display, which also sees the keys typed into its cover window, the
// window manager's above state and the owners the clipboard has had.
class Display : public XConnection {
 public:
  explicit Display(const std::string& display) : XConnection(display) {
    if (!isConnected()) return;
    xfixesEvents_ = xfixesFirstEvent();
    if (xfixesEvents_ != 0) {
      xcb_xfixes_select_selection_input(connection(), root(), atom("CLIPBOARD"),
                                        XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER);
      xcb_flush(connection());
    }
  }

  bool watchesClipboard() const { return xfixesEvents_ != 0; }

  // A normal window of the test's own, mapped where the settings window opens.
  void openCover(int width, int height) { cover_ = openWindow("Cover", width, height); }
  xcb_window_t cover() const { return cover_; }

  // Whether the window manager keeps `window` above the others (its above state).
  bool isAbove(xcb_window_t window) {
    const auto states = cardinals(window, "_NET_WM_STATE");
    return std::find(states.begin(), states.end(), atom("_NET_WM_STATE_ABOVE")) != states.end();
  }

  // How often the clipboard got an owner since the last call.
  int clipboardOwnerChanges() {
    readEvents();
    return std::exchange(clipboardOwnerChanges_, 0);
  }
  // How many keys were typed into the cover since the last call.
  int coverKeyPresses() {
    readEvents();
    return std::exchange(coverKeyPresses_, 0);
  }

 private:
  void readEvents() {
    sync();
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection())) {
      const uint8_t type = event->response_type & 0x7f;
      if (type == xfixesEvents_ + XCB_XFIXES_SELECTION_NOTIFY) ++clipboardOwnerChanges_;
      if (type == XCB_KEY_PRESS && reinterpret_cast<xcb_key_press_event_t*>(event)->event == cover_)
        ++coverKeyPresses_;
      std::free(event);
    }
  }

  xcb_window_t cover_ = XCB_WINDOW_NONE;
  uint8_t xfixesEvents_ = 0;
  int clipboardOwnerChanges_ = 0;
  int coverKeyPresses_ = 0;
};

class SettingsWindowFrameX11Test : public AccessibleDesktopTest {
 protected:
  void SetUp() override {
    AccessibleDesktopTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    display = std::make_unique<Display>(server->display());
    ASSERT_TRUE(display->isConnected() && display->watchesClipboard());
    // No other application: the program's own entry is the bar's only button.
    std::ofstream(sandbox.path("scenario.json")) << R"({"applications": []})";
  }
  void TearDown() override {
    AccessibleDesktopTest::TearDown();
    display.reset();
  }

  void start(const std::map<std::string, std::string>& extra = {}) {
    std::map<std::string, std::string> variables{{"PELKO_SCENARIO", sandbox.path("scenario.json")}};
    variables.insert(extra.begin(), extra.end());
    startPelko(variables);
    ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();
  }

  // Starts the program and opens the window in front; its X window's number, empty when it did not open.
  std::string startWithSettingsInFront() {
    start();
    const xcb_window_t settings = openSettingsBySecondStart();
    if (settings == XCB_WINDOW_NONE) return {};
    xdotool(server->display(), "windowactivate --sync " + std::to_string(settings));
    return std::to_string(settings);
  }

  // Where `window` stands among the managed windows, counted from the bottom.
  int stackedAt(xcb_window_t window) {
    const auto order = display->stacking();
    for (size_t index = 0; index < order.size(); ++index)
      if (order[index] == window) return static_cast<int>(index);
    return -1;
  }

  std::unique_ptr<Display> display;
};

TEST_F(SettingsWindowFrameX11Test, TheBarEntrySendsTheWindowBackAndBringsItForward) {
  display->openCover(1000, 700);
  start();
  const xcb_window_t settings = openSettingsBySecondStart();
  ASSERT_NE(settings, XCB_WINDOW_NONE) << pelko->output();
  xdotool(server->display(), "windowactivate --sync " + std::to_string(settings));
  ASSERT_TRUE(waitUntil([&] { return stackedAt(settings) > stackedAt(display->cover()); }, 10));
  // The program's own entry shows in the bar while its window does.
  const auto entry = accessibility->findLargest("push button", "Pelko", 10);
  ASSERT_TRUE(entry) << accessibility->describeAll();

  // The first click sends the window behind the test's own window, which then has the keyboard: what is
  // typed goes there, not into the window out of sight.
  clickAt(entry->centerX(), entry->centerY());
  EXPECT_TRUE(waitUntil([&] { return stackedAt(settings) < stackedAt(display->cover()); }, 10))
      << "the first click did not send the window back";
  EXPECT_TRUE(waitUntil([&] { return display->activeWindow() == display->cover(); }, 3))
      << "the window sent back is still the active one";
  display->coverKeyPresses();
  xdotool(server->display(), "type --delay 20 abc");
  EXPECT_TRUE(waitUntil([&] { return display->coverKeyPresses() > 0; }, 2))
      << "the typed keys went elsewhere";
  // The second brings it forward, in front and active.
  clickAt(entry->centerX(), entry->centerY());
  EXPECT_TRUE(waitUntil([&] { return stackedAt(settings) > stackedAt(display->cover()); }, 10))
      << "the second click did not bring the window forward";
  EXPECT_TRUE(waitUntil([&] { return display->activeWindow() == settings; }, 10));
  // And the third sends it back again.
  clickAt(entry->centerX(), entry->centerY());
  EXPECT_TRUE(waitUntil([&] { return stackedAt(settings) < stackedAt(display->cover()); }, 10));
}

TEST_F(SettingsWindowFrameX11Test, TheWindowStaysOnTopWhileItIsActive) {
  display->openCover(1000, 700);
  start();
  const xcb_window_t settings = openSettingsBySecondStart();
  ASSERT_NE(settings, XCB_WINDOW_NONE) << pelko->output();
  EXPECT_TRUE(waitUntil([&] { return display->activeWindow() == settings && display->isAbove(settings); }, 5))
      << "the window opened in front does not stay on top";

  // Another window taken to the front: the settings window no longer stays on top, and goes behind it.
  xdotool(server->display(), "windowactivate --sync " + std::to_string(display->cover()));
  EXPECT_TRUE(waitUntil([&] { return !display->isAbove(settings); }, 5)) << "it still stays on top";
  EXPECT_TRUE(waitUntil([&] { return stackedAt(settings) < stackedAt(display->cover()); }, 3));
}

TEST_F(SettingsWindowFrameX11Test, OneKeyPressRunsItsShortcutOnce) {
  const std::string window = startWithSettingsInFront();
  ASSERT_FALSE(window.empty()) << pelko->output();
  display->clipboardOwnerChanges();

  // Control-Shift-C copies the diagnostics and confirms the copy with an alert, which Escape ends. A
  // second run of the shortcut for the same press would copy again as soon as the alert is gone.
  xdotool(server->display(), "key --window " + window + " ctrl+shift+c");
  ASSERT_TRUE(accessibility->findOne("label", "Diagnostics Copied", 10)) << accessibility->describeAll();
  xdotool(server->display(), "key Escape");
  ASSERT_TRUE(waitUntil([&] { return !accessibility->findOne("label", "Diagnostics Copied", 0); }, 10))
      << "the alert is still up: Escape did not end it, or a second copy brought another";
  // What the key press and Escape set off has been done once the program has caught up.
  ASSERT_TRUE(programHasCaughtUp()) << pelko->output();
  const int copies = display->clipboardOwnerChanges();
  EXPECT_EQ(copies, 1) << pelko->output();
}

TEST_F(SettingsWindowFrameX11Test, AWheelStepOverAJumpToPopUpScrollsThePageAsAnywhereElse) {
  const std::string window = startWithSettingsInFront();
  ASSERT_FALSE(window.empty()) << pelko->output();
  // The Behavior page is the tallest of the pages built so far.
  xdotool(server->display(), "key --window " + window + " ctrl+3");
  // The page's "Jump To" pop-up: the topmost of its pop-ups.
  auto jumpTo = [&] {
    std::optional<AccessibleWidget> topmost;
    for (const auto& widget : accessibility->find("combo box", "", 10))
      if (widget.showing && (!topmost || widget.y < topmost->y)) topmost = widget;
    return topmost;
  };
  const auto popup = jumpTo();
  ASSERT_TRUE(popup) << accessibility->describeAll();
  auto sectionTop = [&] {
    const auto heading = accessibility->findOne("label", "System & Startup", 3);
    return heading ? heading->y : -1;
  };
  const int top = sectionTop();
  ASSERT_GT(top, 0) << accessibility->describeAll();

  // A wheel step down over the page's own background, then the page back at its top. A jump scrolls for
  // a while after the step: the scroll is read once the program has taken the step and the page has
  // stopped moving.
  auto wheelAt = [&](int x, int y) {
    xdotool(server->display(),
            "mousemove --sync " + std::to_string(x) + " " + std::to_string(y) + " click 5");
    EXPECT_TRUE(programHasCaughtUp()) << pelko->output();
    const auto heading =
        waitUntilSettled([&] { return accessibility->findOne("label", "System & Startup", 3); }, 10);
    EXPECT_TRUE(heading) << "the page did not stop scrolling";
    return heading ? top - heading->y : 0;
  };
  const int onThePage = wheelAt(popup->x + popup->width + 200, popup->centerY());
  ASSERT_GT(onThePage, 0) << "the page did not scroll";
  xdotool(server->display(), "key --window " + window + " ctrl+3");
  ASSERT_TRUE(waitUntil([&] { return sectionTop() == top; }, 10));

  // The same step over the pop-up: the same scroll, and no jump to a section.
  EXPECT_EQ(wheelAt(popup->centerX(), popup->centerY()), onThePage);
}

// A screen with room around the window on every side, so that the window manager's resistance at the
// screen's edges and the bar's does not hold a moved window back.
class SettingsWindowOnALargeScreenTest : public SettingsWindowFrameX11Test {
 protected:
  SettingsWindowOnALargeScreenTest() { screenSize = "1920x1080x24"; }
};

TEST_F(SettingsWindowOnALargeScreenTest, ADragOnTheBackgroundMovesTheWindowAndAClickOnAControlActs) {
  const std::string window = startWithSettingsInFront();
  ASSERT_FALSE(window.empty()) << pelko->output();
  auto position = [&] {
    const auto geometry = visibleWindows(server->display(), "--name '^Pelko Settings$'");
    return geometry.empty() ? std::pair(-1, -1) : std::pair(geometry.front().x, geometry.front().y);
  };
  auto drag = [&](int x, int y, int dx, int dy) {
    xdotool(server->display(), "mousemove --sync " + std::to_string(x) + " " + std::to_string(y) +
                                   " mousedown 1 sleep 0.2 mousemove --sync " + std::to_string(x + dx / 2) +
                                   " " + std::to_string(y + dy / 2) + " sleep 0.2 mousemove --sync " +
                                   std::to_string(x + dx) + " " + std::to_string(y + dy) +
                                   " sleep 0.2 mouseup 1");
  };

  // The sidebar's brand text is background: dragging it drags the window along.
  const auto subtitle =
      accessibility->findOne("label", "Layout, items, behavior, presets, and maintenance in one place.", 10);
  ASSERT_TRUE(subtitle) << accessibility->describeAll();
  const auto before = position();
  drag(subtitle->centerX(), subtitle->centerY(), 60, 40);
  EXPECT_TRUE(waitUntil([&] { return position() == std::pair(before.first + 60, before.second + 40); }, 10))
      << "the window stayed at " << before.first << "," << before.second << " and is at " << position().first
      << "," << position().second;

  // Nor are the controls that act on the release: a click on the Position control's second segment, with
  // the hand's slight slip between press and release, puts the bar at the top and leaves the window
  // where it is.
  // Its segments are tabs; the only "Top" tab that shows is the Position control's.
  const auto top = accessibility->findOne("page tab", "Top", 10);
  ASSERT_TRUE(top) << accessibility->describeAll();
  const auto placed = position();
  drag(top->centerX() - 2, top->centerY(), 4, 0);
  EXPECT_TRUE(waitUntil(
      [&] {
        std::ifstream file(sandbox.defaultsFile());
        const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        return text.find("<key>PelkoPosition</key>\n\t<string>top</string>") != std::string::npos;
      },
      10))
      << "the click did not reach the control";
  ASSERT_TRUE(programHasCaughtUp()) << pelko->output();
  EXPECT_EQ(position(), placed);
}

// Screens smaller than the window: 1366 x 768, 1024 x 600 (lower than the window's minimum height), and
// 1920 x 1080 at scale 2 (960 x 540 points, narrower and lower than the minimum size).
struct SmallScreen {
  const char* name;
  const char* testName;
  const char* screen;
  const char* scale;
  int width;  // in pixels
};
void PrintTo(const SmallScreen& screen, std::ostream* out) {
  *out << screen.name;
}

class SettingsWindowOnASmallScreenTest : public SettingsWindowFrameX11Test,
                                         public ::testing::WithParamInterface<SmallScreen> {
 protected:
  SettingsWindowOnASmallScreenTest() { screenSize = GetParam().screen; }
};

TEST_P(SettingsWindowOnASmallScreenTest, TheWholeWindowStaysOnTheScreenAboveTheBar) {
  start({{"QT_SCALE_FACTOR", GetParam().scale}});
  const xcb_window_t settings = openSettingsBySecondStart({{"QT_SCALE_FACTOR", GetParam().scale}});
  ASSERT_NE(settings, XCB_WINDOW_NONE) << pelko->output();
  const std::string id = std::to_string(settings);
  // The window manager's frame around the window: its title bar above, its border below.
  auto extents = [&] {
    std::vector<int> sizes;
    const std::string text = runOnDisplay(server->display(), "xprop -id " + id + " _NET_FRAME_EXTENTS");
    if (const auto equals = text.find('='); equals != std::string::npos) {
      std::stringstream numbers(text.substr(equals + 1));
      for (std::string number; std::getline(numbers, number, ',');)
        sizes.push_back(std::atoi(number.c_str()));
    }
    return sizes;
  };
  ASSERT_TRUE(waitUntil([&] { return extents().size() == 4; }, 10)) << "the window manager framed no window";
  const int titleBar = extents()[2], border = extents()[3];
  auto absolute = [&](const char* field) {
    const std::string info = runOnDisplay(server->display(), "xwininfo -id " + id);
    const auto at = info.find(field);
    return at == std::string::npos ? -100000 : std::atoi(info.c_str() + at + std::strlen(field));
  };
  // Placed again once the frame is known: wait for the window to settle.
  int top = -1, bottom = -1;
  waitUntil(
      [&] {
        const int nowTop = absolute("Absolute upper-left Y:") - titleBar;
        const int nowBottom = absolute("Absolute upper-left Y:") + absolute("Height:") + border;
        const bool settled = nowTop == top && nowBottom == bottom;
        top = nowTop;
        bottom = nowBottom;
        return settled && top >= 0;
      },
      10);
  // The title bar starts on the screen, and the frame, the footer inside it, ends above the bar.
  EXPECT_GE(top, 0);
  int barTop = -1;
  for (const auto& window : windows())
    if (window.width == GetParam().width && window.y > 0) barTop = window.y;
  ASSERT_GT(barTop, 0) << "no bar along the bottom";
  EXPECT_LE(bottom, barTop);
  screenshot(std::string("settings-window-") + GetParam().name + ".png");
}

INSTANTIATE_TEST_SUITE_P(
    Screens, SettingsWindowOnASmallScreenTest,
    ::testing::Values(SmallScreen{"1366x768", "Screen1366x768", "1366x768x24", "1", 1366},
                      SmallScreen{"1024x600", "Screen1024x600", "1024x600x24", "1", 1024},
                      SmallScreen{"1920x1080-scale2", "Screen1920x1080AtScale2", "1920x1080x24", "2", 1920}),
    [](const auto& info) { return std::string(info.param.testName); });

}  // namespace
}  // namespace pelko::testing
