// The shell's own windows on a real X server with a window manager and a real tray host: the status
// icon comes to a tray host that starts after the program and reads on a dark and on a light panel, and
// an alert comes above the onboarding window (which stays on top), opens over it and, ended without a
// choice, changes nothing.

#include <gtest/gtest.h>

#include <QImage>
#include <QRegularExpression>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

#include "DesktopTest.h"

namespace pelko::testing {
namespace {

// The X windows under `display`'s root as xwininfo lists them: id, name, depth in the tree, absolute
// place and size.
struct TreeWindow {
  std::string id;
  std::string line;
  size_t depth = 0;
  int x = 0, y = 0, width = 0, height = 0;
};

std::vector<TreeWindow> windowTree(const std::string& display) {
  std::vector<TreeWindow> windows;
  std::stringstream lines(runOnDisplay(display, "xwininfo -root -tree"));
  for (std::string line; std::getline(lines, line);) {
    const size_t start = line.find("0x");
    if (start == std::string::npos) continue;
    TreeWindow window;
    window.depth = start;
    window.id = line.substr(start, line.find(' ', start) - start);
    window.line = line;
    // "... 28x28+0+0  +8+766": the size and place in the parent, then the absolute place.
    static const QRegularExpression kGeometry(R"((\d+)x(\d+)[+-]-?\d+[+-]-?\d+\s+\+(-?\d+)\+(-?\d+))");
    const QRegularExpressionMatch match = kGeometry.match(QString::fromStdString(line));
    if (!match.hasMatch()) continue;
    window.width = match.captured(1).toInt();
    window.height = match.captured(2).toInt();
    window.x = match.captured(3).toInt();
    window.y = match.captured(4).toInt();
    windows.push_back(window);
  }
  return windows;
}

// A window of the program's that the tray host holds (below the host's window in the tree); nothing
// while there is none.
std::optional<TreeWindow> embeddedIcon(const std::string& display) {
  const auto windows = windowTree(display);
  for (size_t i = 0; i < windows.size(); ++i) {
    if (windows[i].line.find("(\"tint2\"") == std::string::npos) continue;
    for (size_t j = i + 1; j < windows.size() && windows[j].depth > windows[i].depth; ++j)
      if (windows[j].line.find("(\"pelko\"") != std::string::npos) return windows[j];
  }
  return std::nullopt;
}

class ShellWindowsX11Test : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    if (findProgram("dbus-daemon").empty()) GTEST_SKIP() << "needs dbus-daemon (scripts/install-deps.sh)";
    // A session bus of the test's own, without a status-notifier host: the tray is the XEmbed one.
    bus = std::make_unique<SessionBus>();
    ASSERT_FALSE(bus->address().empty()) << "the session bus did not start";
  }
  void TearDown() override {
    tray.reset();
    DesktopTest::TearDown();
  }

  std::map<std::string, std::string> programEnvironment(
      const std::map<std::string, std::string>& extra = {}) const override {
    auto variables = bareDesktopEnvironment(server->display(), bus->address());
    for (const auto& [name, value] : extra) variables[name] = value;
    return variables;
  }

  // tint2 as a bottom panel of one colour holding only its system tray.
  void startTray(const std::string& colour) {
    tray.reset();
    const std::string config = sandbox.path("tint2-" + colour.substr(1) + ".rc");
    std::ofstream(config) << "rounded = 0\nborder_width = 0\nbackground_color = " << colour
                          << " 100\nborder_color = #000000 0\n"
                             "panel_items = S\npanel_position = bottom center horizontal\n"
                             "panel_size = 100% 40\npanel_background_id = 1\npanel_layer = top\n"
                             "strut_policy = none\nsystray_padding = 4 4 4\nsystray_background_id = 0\n"
                             "systray_icon_size = 32\n";
    tray = std::make_unique<Helper>(
        tint2, std::vector<std::string>{"-c", config},
        std::map<std::string, std::string>{{"DISPLAY", server->display()}, {"HOME", sandbox.path("home")}});
  }

  // Waits until the tray host holds the program's icon at its full size.
  std::optional<TreeWindow> waitForEmbeddedIcon(double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
      if (auto icon = embeddedIcon(server->display()); icon && icon->width >= 16) return icon;
      pause(0.1);
    }
    return std::nullopt;
  }

  // The most pixels of the icon that stood out from the panel within a few seconds (it is drawn a
  // moment after the host takes it).
  int iconPixelsStandingOut(QRgb panel, const std::string& png) {
    int most = 0;
    for (int attempt = 0; attempt < 30 && most <= kEnoughPixels; ++attempt) {
      if (attempt > 0) pause(0.1);
      if (auto icon = embeddedIcon(server->display()); icon && icon->width >= 16)
        most = std::max(most, pixelsStandingOut(*icon, panel, png));
    }
    return most;
  }
  static constexpr int kEnoughPixels = 40;

  // The icon as the panel shows it; the count of its pixels that stand out from the panel's colour.
  int pixelsStandingOut(const TreeWindow& icon, QRgb panel, const std::string& png) {
    const std::string file = sandbox.path(png);
    std::stringstream crop;
    crop << icon.width << "x" << icon.height << "+" << icon.x << "+" << icon.y;
    runOnDisplay(server->display(), "import -window root -crop " + crop.str() + " " + file);
    QImage shown(QString::fromStdString(file));
    if (shown.isNull()) return -1;
    shown.scaled(shown.size() * 4).save(QString::fromStdString(artifactPath(png)));
    int count = 0;
    for (int y = 0; y < shown.height(); ++y)
      for (int x = 0; x < shown.width(); ++x)
        count += std::abs(qGray(shown.pixel(x, y)) - qGray(panel)) > 100;
    return count;
  }

  std::string tint2 = findProgram("tint2");
  std::unique_ptr<SessionBus> bus;
  std::unique_ptr<Helper> tray;
};

TEST_F(ShellWindowsX11Test, ATrayHostStartedLaterGetsTheIconWhichReadsOnDarkAndLightPanels) {
  if (tint2.empty()) GTEST_SKIP() << "needs tint2 (scripts/install-deps.sh)";
  startPelko();
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();
  ASSERT_TRUE(pelko->waitForOutput("AppDelegate: no status area yet; the status item shows once one appears"))
      << pelko->output();
  EXPECT_FALSE(embeddedIcon(server->display()));

  // A dark panel starts after the program, then a light one in its place.
  startTray("#202024");
  auto icon = waitForEmbeddedIcon(10);
  ASSERT_TRUE(icon) << "the tray host never got the icon:\n"
                    << runOnDisplay(server->display(), "xwininfo -root -tree");
  EXPECT_GT(iconPixelsStandingOut(qRgb(0x20, 0x20, 0x24), "tray-icon-dark-panel.png"), kEnoughPixels);

  startTray("#eeeeee");
  icon = waitForEmbeddedIcon(10);
  ASSERT_TRUE(icon) << "the restarted tray host never got the icon";
  EXPECT_GT(iconPixelsStandingOut(qRgb(0xee, 0xee, 0xee), "tray-icon-light-panel.png"), kEnoughPixels);
}

TEST_F(ShellWindowsX11Test, AnAlertComesAboveTheOnboardingWindowOverItAndEscapeIsNoChoice) {
  sandbox.setDefaults({{"PelkoOnboardingComplete", false}});
  startPelko({{"PELKO_SCENARIO",
               writeScenario(R"({"applications": [], "permissions": {"accessibility": false}})")}});
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();

  const std::string display = server->display();
  const std::string onboarding = waitForWindowNamed("Welcome to Pelko", 10);
  ASSERT_FALSE(onboarding.empty()) << pelko->output();
  // "Get Started", then "Continue" on the permissions page: Accessibility is missing, so it asks. The
  // guide shows the next page as it handles the first key.
  xdotool(display, "windowactivate --sync " + onboarding + " key --clearmodifiers Return");
  ASSERT_TRUE(programHasCaughtUp()) << pelko->output();
  xdotool(display, "key --clearmodifiers Return");
  std::vector<WindowGeometry> alerts;
  ASSERT_TRUE(waitUntil(
      [&] {
        alerts.clear();
        for (const auto& window : windows())
          if (window.width > 100 && window.width < 500 && window.height < 470) alerts.push_back(window);
        return alerts.size() == 1;
      },
      10))
      << "no alert; output:\n"
      << pelko->output();

  // The window manager's stacking order, bottom to top: the alert is above the onboarding window.
  auto stacking = [&] {
    std::vector<long> order;
    std::string text = runOnDisplay(display, "xprop -root _NET_CLIENT_LIST_STACKING");
    for (size_t at = text.find("0x"); at != std::string::npos; at = text.find("0x", at + 2))
      order.push_back(std::strtol(text.c_str() + at, nullptr, 16));
    return order;
  };
  const long onboardingId = std::strtol(onboarding.c_str(), nullptr, 10);
  const long alertId = std::strtol(activeWindow().c_str(), nullptr, 10);
  ASSERT_NE(alertId, onboardingId) << "the alert has the keyboard";
  const auto order = stacking();
  const auto alertAt = std::find(order.begin(), order.end(), alertId);
  const auto onboardingAt = std::find(order.begin(), order.end(), onboardingId);
  ASSERT_NE(alertAt, order.end());
  ASSERT_NE(onboardingAt, order.end());
  EXPECT_GT(alertAt - order.begin(), onboardingAt - order.begin()) << "the alert is beneath its window";

  // Over its window: the alert's centre lies inside the onboarding window.
  const auto onboardingFrame = visibleWindows(display, "--name '^Welcome to Pelko$'");
  ASSERT_EQ(onboardingFrame.size(), 1u);
  const int centreX = alerts[0].x + alerts[0].width / 2, centreY = alerts[0].y + alerts[0].height / 2;
  EXPECT_GT(centreX, onboardingFrame[0].x);
  EXPECT_LT(centreX, onboardingFrame[0].x + onboardingFrame[0].width);
  EXPECT_GT(centreY, onboardingFrame[0].y);
  EXPECT_LT(centreY, onboardingFrame[0].y + onboardingFrame[0].height);
  screenshot("alert-over-onboarding.png");

  // Escape is no choice: neither Limited Mode nor the settings pane, and the guide stays where it was.
  xdotool(display, "key --clearmodifiers Escape");
  ASSERT_TRUE(waitUntil(
      [&] {
        for (const auto& window : windows())
          if (window.width > 100 && window.width < 500 && window.height < 470) return false;
        return true;
      },
      10))
      << "Escape did not end the alert";
  ASSERT_TRUE(programHasCaughtUp()) << pelko->output();
  EXPECT_FALSE(windowNamed("Welcome to Pelko").empty());
  EXPECT_EQ(sandbox.defaults().count("PelkoSuppressAccessibilityPermissionPrompt"), 0u);
}

}  // namespace
}  // namespace pelko::testing
