// The focus rings of the running program on the screen, under Xvfb with a window manager and real key
// presses and clicks: a push button reached with Tab is ringed in the accent colour, and so is the
// default button of the alert a key opens from it, and the button again once Escape ends the alert; an
// alert opened from a bar button's menu with the mouse rings none of its buttons. The screen is saved at
// each step for a person to look at, and the ring is counted in those pictures.

#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>

#include "AccessibilityBus.h"

namespace pelko::testing {
namespace {

class FocusRingsX11Test : public AccessibleDesktopTest {
 protected:
  void SetUp() override {
    AccessibleDesktopTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    if (findProgram("import").empty()) GTEST_SKIP() << "needs ImageMagick (scripts/install-deps.sh)";
  }

  void press(const std::string& keys) { xdotool(server->display(), "key --clearmodifiers " + keys); }

  // The showing widget of `role` and `name` once it has the keyboard focus within `seconds`.
  std::optional<AccessibleWidget> focusedWidget(const std::string& role, const std::string& name,
                                                double seconds) {
    std::optional<AccessibleWidget> found;
    waitUntil(
        [&] {
          found.reset();
          for (const auto& widget : accessibility->findWithDetails(role, name, 1))
            if (widget.showing && widget.hasState("focused")) found = widget;
          return found.has_value();
        },
        seconds);
    return found;
  }

  // The pixels of the accent colour in the band 3 pixels wide just outside `widget`, in the screen
  // saved as `picture`; the widget's own drawing lies inside its bounds.
  int ringPixels(const AccessibleWidget& widget, const std::string& picture) {
    const QImage screen(QString::fromStdString(screenshot(picture)));
    EXPECT_FALSE(screen.isNull()) << picture;
    int count = 0;
    for (int y = widget.y - 3; y < widget.y + widget.height + 3; ++y)
      for (int x = widget.x - 3; x < widget.x + widget.width + 3; ++x) {
        const bool inside =
            x >= widget.x && x < widget.x + widget.width && y >= widget.y && y < widget.y + widget.height;
        if (inside || !screen.valid(x, y)) continue;
        const QColor p = screen.pixelColor(x, y);
        count += std::abs(p.red() - 10) + std::abs(p.green() - 132) + std::abs(p.blue() - 255) < 90;
      }
    return count;
  }
  // Whether the ring goes at least once all the way round `widget`.
  static bool allRound(const AccessibleWidget& widget, int pixels) {
    return pixels >= 2 * (widget.width + widget.height);
  }
};

TEST_F(FocusRingsX11Test, APushButtonReachedWithTabIsRingedAndSoIsTheDefaultOfTheAlertAKeyOpens) {
  movePointer(1270, 10);  // out of every window's way: nothing here is done with the mouse
  startPelko();
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();
  const xcb_window_t window = openSettingsBySecondStart();
  ASSERT_NE(window, xcb_window_t{XCB_WINDOW_NONE}) << pelko->output();
  xdotool(server->display(), "windowactivate --sync " + std::to_string(window));
  ASSERT_TRUE(waitUntil([&] { return activeWindow() == std::to_string(window); }, 5));

  // The Presets page ends with a plain push button that has no ring of its own.
  const std::string reset = "Reset All Settings to Defaults";
  press("ctrl+5");
  std::optional<AccessibleWidget> button;
  for (int presses = 0; presses < 40 && !button; ++presses) {
    press("Tab");
    button = focusedWidget("push button", reset, 0.5);
  }
  ASSERT_TRUE(button) << "Tab never reached \"" << reset << "\"\n" << accessibility->describeAll();
  const int onTab = ringPixels(*button, "focus-ring-1-tab.png");
  EXPECT_TRUE(allRound(*button, onTab))
      << onTab << " ring pixels around " << button->width << "x" << button->height;

  // Space opens the alert from the button: the keyboard opened a window, so its default button shows it
  // has the focus.
  press("space");
  const auto confirm = focusedWidget("push button", "Reset", 10);
  ASSERT_TRUE(confirm) << accessibility->describeAll();
  const int inAlert = ringPixels(*confirm, "focus-ring-2-alert-by-key.png");
  EXPECT_TRUE(allRound(*confirm, inAlert)) << inAlert << " ring pixels";

  // Escape ends the alert without a reset, and the button has the keyboard back as it had it.
  press("Escape");
  const auto back = focusedWidget("push button", reset, 10);
  ASSERT_TRUE(back) << accessibility->describeAll();
  const int afterAlert = ringPixels(*back, "focus-ring-3-back.png");
  EXPECT_TRUE(allRound(*back, afterAlert)) << afterAlert << " ring pixels";
}

TEST_F(FocusRingsX11Test, AnAlertOpenedFromAMenuWithTheMouseRingsNoButton) {
  const std::string scenario = writeScenario(kViewerAndEditorScenario);
  movePointer(640, 300);
  startPelko({{"PELKO_SCENARIO", scenario}});
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();

  const auto editor = waitUntilSettled([&] { return accessibility->findLargest("", "Editor", 1); }, 10);
  ASSERT_TRUE(editor) << accessibility->describeAll();
  clickAt(editor->centerX(), editor->centerY(), 3);
  std::optional<AccessibleWidget> item;
  waitUntil([&] { return (item = accessibility->findOne("menu item", "Hide from Taskbar", 1)).has_value(); },
            10);
  ASSERT_TRUE(item) << accessibility->describeAll();
  clickAt(item->centerX(), item->centerY());

  const auto hide = focusedWidget("push button", "Hide", 10);
  ASSERT_TRUE(hide) << accessibility->describeAll();
  EXPECT_EQ(ringPixels(*hide, "focus-ring-4-alert-by-mouse.png"), 0);

  const auto cancel = accessibility->findOne("push button", "Cancel");
  ASSERT_TRUE(cancel);
  clickAt(cancel->centerX(), cancel->centerY());
  EXPECT_TRUE(waitUntil([&] { return accessibility->find("push button", "Hide", 0).empty(); }, 10))
      << "the alert stayed";
}

}  // namespace
}  // namespace pelko::testing
