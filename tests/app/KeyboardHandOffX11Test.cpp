// Sending the settings window back from the program's own bar entry, under a real X server and window
// manager, hands the keyboard to the window now in front that a user works in: a minimized window that
// the window manager still stacks above it is passed over, and stays minimized.

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <algorithm>

#include "AccessibilityBus.h"
#include "XConnection.h"

namespace pelko::testing {
namespace {

// The test's own connection, whose windows stand for another application's.
class Display : public XConnection {
 public:
  using XConnection::XConnection;

  bool isMinimized(xcb_window_t window) {
    const auto states = cardinals(window, "_NET_WM_STATE");
    return std::find(states.begin(), states.end(), atom("_NET_WM_STATE_HIDDEN")) != states.end();
  }

  // Asks the window manager to minimize `window`, as an application iconifies its own window.
  void minimize(xcb_window_t window) {
    constexpr uint32_t kIconicState = 3;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom("WM_CHANGE_STATE");
    event.data.data32[0] = kIconicState;
    xcb_send_event(connection(), 0, root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(connection());
  }

  // Where `window` stands among the managed windows, counted from the bottom; -1 when it is not there.
  int stackedAt(xcb_window_t window) {
    const auto order = stacking();
    const auto at = std::find(order.begin(), order.end(), window);
    return at == order.end() ? -1 : static_cast<int>(at - order.begin());
  }
};

class KeyboardHandOffX11Test : public AccessibleDesktopTest {
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

TEST_F(KeyboardHandOffX11Test, SendingTheWindowBackPassesOverAMinimizedWindowStackedAboveTheVisibleOne) {
  startPelko({{"PELKO_SCENARIO", writeScenario(R"({"applications": []})")}});
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();
  // Two windows of another application; the upper one minimized, still stacked above the lower.
  const xcb_window_t visible = display->openWindow("Visible", 900, 600);
  ASSERT_TRUE(waitUntil([&] { return display->stackedAt(visible) >= 0; }, 10));
  const xcb_window_t minimized = display->openWindow("Minimized", 800, 500);
  ASSERT_TRUE(waitUntil([&] { return display->stackedAt(minimized) > display->stackedAt(visible); }, 10));
  display->minimize(minimized);
  ASSERT_TRUE(waitUntil([&] { return display->isMinimized(minimized); }, 10));

  const xcb_window_t settings = openSettingsBySecondStart();
  ASSERT_NE(settings, XCB_WINDOW_NONE) << pelko->output();
  xdotool(server->display(), "windowactivate --sync " + std::to_string(settings));
  ASSERT_TRUE(waitUntil([&] { return display->activeWindow() == settings; }, 10));
  ASSERT_GT(display->stackedAt(minimized), display->stackedAt(visible))
      << "the window manager no longer stacks the minimized window above the visible one";

  // The program's own entry sends the window back: the keyboard goes to the visible window.
  const auto entry = accessibility->findLargest("push button", "Pelko", 10);
  ASSERT_TRUE(entry) << accessibility->describeAll();
  clickAt(entry->centerX(), entry->centerY());
  ASSERT_TRUE(waitUntil([&] { return display->stackedAt(settings) < display->stackedAt(visible); }, 10))
      << "the click did not send the window back";
  EXPECT_TRUE(waitUntil([&] { return display->activeWindow() == visible; }, 5))
      << "the keyboard went to window " << display->activeWindow() << ", not to the visible window "
      << visible << " (the minimized one is " << minimized << ")";
  EXPECT_TRUE(display->isMinimized(minimized)) << "the minimized window was brought back";
}

}  // namespace
}  // namespace pelko::testing
