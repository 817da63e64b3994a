// The running program under a real X server, with real pointer motion: the pointer shows a hand over the
// bar's buttons and the arrow over the rest of the bar, and going from one button to the next changes
// nothing the server shows, which it tells through its cursor notifications.

#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdlib>
#include <string>

#include "DesktopTest.h"
#include "XConnection.h"

namespace pelko::testing {
namespace {

// The test's own connection, told by the server each time the cursor it shows changes.
class CursorWatch : public XConnection {
 public:
  explicit CursorWatch(const std::string& display) : XConnection(display) {
    if (!isConnected()) return;
    const uint8_t firstEvent = xfixesFirstEvent();
    if (firstEvent == 0) return;
    notifyEvent_ = firstEvent + XCB_XFIXES_CURSOR_NOTIFY;
    xcb_xfixes_select_cursor_input(connection(), root(), XCB_XFIXES_CURSOR_NOTIFY_MASK_DISPLAY_CURSOR);
    xcb_flush(connection());
  }

  bool watches() const { return notifyEvent_ != 0; }

  // The name of the cursor on the screen now.
  std::string shown() {
    auto* reply = xcb_xfixes_get_cursor_image_and_name_reply(
        connection(), xcb_xfixes_get_cursor_image_and_name(connection()), nullptr);
    std::string name;
    if (reply)
      name.assign(xcb_xfixes_get_cursor_image_and_name_name(reply),
                  static_cast<size_t>(xcb_xfixes_get_cursor_image_and_name_name_length(reply)));
    std::free(reply);
    return name;
  }

  // How often the cursor on the screen changed since the last call.
  int changes() {
    sync();
    int count = 0;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection())) {
      if ((event->response_type & 0x7f) == notifyEvent_) ++count;
      std::free(event);
    }
    return count;
  }

 private:
  uint8_t notifyEvent_ = 0;
};

class PointerCursorX11Test : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    startPelko();
  }
};

TEST_F(PointerCursorX11Test, AHandOverTheButtonsKeptFromOneToTheNextAndTheArrowBesideThem) {
  ASSERT_TRUE(waitForBottomBar(BottomBar::shown, 10)) << pelko->output();
  CursorWatch watch(server->display());
  ASSERT_TRUE(watch.isConnected());
  if (!watch.watches()) GTEST_SKIP() << "the X server has no XFixes";

  // The bar beyond its last button: the server shows the bar's own cursor once the pointer is there.
  xdotool(server->display(), "mousemove --sync 900 783");
  ASSERT_TRUE(programHasCaughtUp()) << pelko->output();
  const std::string arrow = watch.shown();
  movePointer(30, 783);  // the first button
  ASSERT_TRUE(waitUntil([&] { return watch.shown() != arrow; }, 5)) << "no hand over the first button";
  const std::string hand = watch.shown();
  EXPECT_TRUE(hand == "pointer" || hand == "pointing_hand" || hand == "hand1" || hand == "hand2") << hand;

  // Over the first four buttons, a few pixels a step as a hand moves. The changes are counted from once
  // the program has handled the pointer's arrival to once it has handled the last step.
  ASSERT_TRUE(programHasCaughtUp()) << pelko->output();
  watch.changes();
  for (int x = 34; x <= 400; x += 6) movePointer(x, 783);
  ASSERT_TRUE(programHasCaughtUp()) << pelko->output();
  EXPECT_EQ(watch.changes(), 0) << "the cursor changed between one button and the next";
  EXPECT_EQ(watch.shown(), hand);

  movePointer(900, 783);
  EXPECT_TRUE(waitUntil([&] { return watch.shown() == arrow; }, 5)) << "the hand stayed beside the buttons";
}

}  // namespace
}  // namespace pelko::testing
