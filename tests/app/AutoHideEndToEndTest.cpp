// The real program with auto-hide on, under an X server and a window manager of the test's own: the
// pointer at the bottom edge brings the bar back, moving away sends it off again after the delay, and a
// still pointer wakes the program no more often than with auto-hide off. Screenshots of the hidden bar
// with its peek strip, the revealed bar and a floating bar land in the build's artifacts folder.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>

#include <QImage>

#include "DesktopTest.h"

namespace pelko::testing {
namespace {

// The bar is the one window thicker than the edge windows (a 2 or 10 pixel zone, a 3 pixel strip).
std::optional<WindowGeometry> barAmong(const std::vector<WindowGeometry>& windows) {
  for (const WindowGeometry& window : windows)
    if (window.height > 12 && window.width > 12) return window;
  return std::nullopt;
}

// Hidden: the edge windows alone. Told from one listing of the windows: a listing made while a window
// goes away (a thumbnail panel as the pointer leaves the bar) can come back empty, and the bar missing
// from a second listing says nothing about the first.
bool onlyEdgeWindows(const std::vector<WindowGeometry>& windows) {
  return !windows.empty() && !barAmong(windows);
}

// Context switches the process asked for, over all its threads: how often it went to sleep and woke.
long voluntarySwitches(pid_t pid) {
  long total = 0;
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
    std::ifstream status(task.path() / "status");
    for (std::string line; std::getline(status, line);)
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0) total += std::stol(line.substr(24));
  }
  return total;
}

class AutoHideEndToEndTest : public DesktopTest {
 protected:
  void run(const Sandbox::Dictionary& defaults) {
    sandbox.setDefaults(defaults);
    startPelko({{"PELKO_DEBUG_LOG", "1"}});
  }
  // Waits up to `seconds` for the bar to be shown (or hidden: only the edge windows show; before the
  // program has shown any window the bar is neither).
  bool waitForBar(bool shown, double seconds) {
    return waitUntil(
        [&] {
          if (shown) return barAmong(windows()).has_value();
          return onlyEdgeWindows(windows());
        },
        seconds);
  }
  double wakeUpsPerSecond(double seconds) {
    const long before = voluntarySwitches(pelko->pid());
    pause(seconds);
    return (voluntarySwitches(pelko->pid()) - before) / seconds;
  }
  // Whether the program's wake-ups have settled after its start within `seconds`: once the Dock hide it
  // began has ended, counted a second at a time until two seconds in a row agree, within the noise the
  // comparison of the two runs allows.
  bool waitForSteadyWakeUps(double seconds) {
    if (!waitForTheHide(*pelko, sandbox)) return false;
    double previous = wakeUpsPerSecond(1);
    for (double counted = 1; counted < seconds; ++counted) {
      const double now = wakeUpsPerSecond(1);
      if (std::abs(now - previous) <= previous * 0.2 + 3) return true;
      previous = now;
    }
    return false;
  }
};

TEST_F(AutoHideEndToEndTest, ThePointerAtTheEdgeRevealsTheBarAndMovingAwayHidesItAgain) {
  movePointer(640, 300);
  // A delay well above the time a loaded machine takes between two steps of the walk.
  run({{"PelkoAutoHide", true}, {"PelkoAutoHidePeekReveal", true}, {"PelkoAutoHideDelay", 3.0}});
  // The bar shows at start and hides 0.3 s later: too quick to catch through xdotool reliably.
  ASSERT_TRUE(pelko->waitUntilReady());
  // The peek strip and the trigger zone stay on the bottom edge of the 800 pixel high screen.
  std::vector<WindowGeometry> edge;
  ASSERT_TRUE(waitUntil(
      [&] {
        edge = windows();
        return edge.size() == 2 && onlyEdgeWindows(edge);
      },
      10))
      << "not just the two edge windows: " << edge.size() << " windows";
  for (const WindowGeometry& window : edge) {
    EXPECT_EQ(window.y + window.height, 800);
    EXPECT_EQ(window.width, 1280);
  }
  screenshot("autohide-hidden-peek.png");

  movePointer(640, 799);
  ASSERT_TRUE(waitForBar(true, 10)) << "the pointer at the edge did not reveal the bar";
  // The picture once the slide in has ended: the bar in one place for two looks in a row.
  const auto bar = waitUntilSettled([&] { return barAmong(windows()); }, 10);
  ASSERT_TRUE(bar) << "the bar did not come to rest";
  EXPECT_EQ(bar->y + bar->height, 800);
  screenshot("autohide-revealed.png");

  // The move off the bar is the last movement: the bar starts going three seconds after it (a coarse
  // timer may come 5% early) and slides out for a quarter of a second, so it cannot be gone sooner.
  const auto moved = std::chrono::steady_clock::now();
  movePointer(640, 300);
  ASSERT_TRUE(waitForBar(false, 10)) << "moving away did not hide the bar";
  const std::chrono::duration<double> gone = std::chrono::steady_clock::now() - moved;
  EXPECT_GE(gone.count(), 3.0) << "hidden before the delay";
}

// Without a compositor (as on this X server) a translucent window shows its painted pixels as they are:
// the clear trigger zone must draw nothing there, and leave the screen and the peek strip as they were.
TEST_F(AutoHideEndToEndTest, TheHiddenBarsTriggerZoneDrawsNothingWithoutACompositor) {
  movePointer(640, 300);
  // A grey desktop, which a clear window leaves grey.
  const std::string grey = sandbox.path("grey.png");
  runOnDisplay(server->display(), "convert -size 8x8 xc:#808080 " + grey);
  runOnDisplay(server->display(), "display -window root " + grey);
  // Drag reveal: the 10 pixel zone over the 3 pixel peek strip.
  run({{"PelkoAutoHide", true}, {"PelkoAutoHidePeekReveal", true}, {"PelkoAutoHideDragReveal", true}});
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();
  ASSERT_TRUE(waitUntil(
      [&] {
        const auto edge = windows();
        return edge.size() == 2 && onlyEdgeWindows(edge);
      },
      10))
      << "not the zone and the strip alone\n"
      << pelko->output();
  const QImage screen(QString::fromStdString(screenshot("autohide-hidden-no-compositor.png")));
  ASSERT_EQ(screen.height(), 800);
  ASSERT_EQ(screen.pixel(640, 400) & 0xFFFFFF, 0x808080u) << "the desktop is not grey";
  int greyPixels = 0, pixels = 0;
  for (int y = 790; y < 797; ++y)
    for (int x = 0; x < 1280; x += 3, ++pixels) greyPixels += (screen.pixel(x, y) & 0xFFFFFF) == 0x808080;
  EXPECT_EQ(greyPixels, pixels) << "the zone above the strip is drawn";
  // The strip shows its accent colour, not black.
  const QRgb strip = screen.pixel(640, 798);
  EXPECT_GT(qBlue(strip), 60) << std::hex << strip;

  // The zone still takes the pointer.
  movePointer(640, 795);
  EXPECT_TRUE(waitForBar(true, 10)) << "the pointer in the zone did not reveal the bar";
}

TEST_F(AutoHideEndToEndTest, AFloatingBarIsCentredOnItsEdge) {
  movePointer(640, 300);
  run({{"PelkoFloatingBar", true}, {"PelkoMarginVertical", 8.0}});
  // Full width at first, then centred once its contents report their length.
  std::optional<WindowGeometry> bar;
  EXPECT_TRUE(waitUntil(
      [&] {
        bar = barAmong(windows());
        return bar && bar->width < 1280 && std::abs(bar->x + bar->width / 2.0 - 640) <= 1.5;
      },
      10));
  ASSERT_TRUE(bar) << "no bar";
  EXPECT_LT(bar->width, 1280);
  EXPECT_NEAR(bar->x + bar->width / 2.0, 640, 1.5);
  screenshot("floating-centred.png");
}

TEST_F(AutoHideEndToEndTest, AStillPointerWakesTheProgramNoMoreWithAutoHideOn) {
  movePointer(640, 300);
  run({{"PelkoAutoHide", false}});
  ASSERT_TRUE(waitForBar(true, 10));
  ASSERT_TRUE(waitForSteadyWakeUps(15)) << pelko->output();
  const double off = wakeUpsPerSecond(4);
  stop();

  run({{"PelkoAutoHide", true}});
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();  // the bar is up for its first 0.3 s only
  ASSERT_TRUE(waitForBar(false, 10)) << pelko->output();
  ASSERT_TRUE(waitForSteadyWakeUps(15)) << pelko->output();
  const double on = wakeUpsPerSecond(4);
  std::printf("wake-ups per second with a still pointer: auto-hide off %.1f, on %.1f\n", off, on);
  // A little room for the scheduler's own noise; a pointer poll would add 30 a second.
  EXPECT_LE(on, off * 1.2 + 3);
}

}  // namespace
}  // namespace pelko::testing
