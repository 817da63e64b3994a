// Launch at login that cannot be enabled, in the running program: with the autostart folder's name taken
// by a plain file, the switch stays off, the warning shows, and its first button opens the nearest folder
// through the desktop's URL handler (xdg-open, stood in for by a script that notes what it was asked to
// open). No launch agent file stands in for the entry.

#include <gtest/gtest.h>

#include <fstream>

#include "AccessibilityBus.h"

namespace pelko::testing {
namespace {

class LaunchAtLoginX11Test : public AccessibleDesktopTest {};

TEST_F(LaunchAtLoginX11Test, AnAutostartEntryThatCannotBeWrittenLeavesItOffAndTheWarningOpensItsFolder) {
  const auto urlHandler = recordUrlHandler();
  std::ofstream(sandbox.path("config/autostart")) << "a file where the folder belongs";
  // The settings window opens on its System & Startup page.
  sandbox.setDefaults({{"PelkoSettingsLastSelectedTab", int64_t{2}}});
  startPelko(urlHandler);
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();
  PelkoProcess second(sandbox, {"pelko://settings"}, programEnvironment());
  second.wait(10);

  // The switch carries the row's title as its name, beside the title's own label. It is the page's last
  // row, below the window's lower edge until the page is scrolled down.
  auto findSwitch = [&]() -> std::optional<AccessibleWidget> {
    for (const auto& widget : accessibility->find("", "Launch at Login", 10))
      if (widget.showing && widget.role != "label") return widget;
    return std::nullopt;
  };
  const auto window = accessibility->findOne("filler", "Pelko Settings", 10);
  ASSERT_TRUE(window) << accessibility->describeAll();
  xdotool(server->display(), "mousemove " + std::to_string(window->centerX() + 100) + " " +
                                 std::to_string(window->centerY()) + " click --repeat 10 --delay 20 5");
  std::optional<AccessibleWidget> toggle;
  waitUntil(
      [&] {
        toggle = findSwitch();
        return toggle && toggle->y + toggle->height < window->y + window->height;
      },
      5);
  ASSERT_TRUE(toggle && toggle->y + toggle->height < window->y + window->height)
      << accessibility->describeAll();
  clickAt(toggle->centerX(), toggle->centerY());
  const auto open = accessibility->findOne("push button", "Open System Settings", 10);
  ASSERT_TRUE(open) << accessibility->describeAll();
  EXPECT_TRUE(accessibility->findOne("alert", "Could Not Enable Launch at Login", 1));
  clickAt(open->centerX(), open->centerY());

  const std::vector<std::string> lines = waitForUrlsOpened(5);
  ASSERT_EQ(lines.size(), 1u) << pelko->output();
  EXPECT_NE(lines[0].find(sandbox.path("config")), std::string::npos) << lines[0];
  EXPECT_EQ(lines[0].find("autostart"), std::string::npos) << lines[0];
  EXPECT_EQ(sandbox.defaults()["PelkoLaunchAtLogin"], platform::PlistValue(false));
  EXPECT_FALSE(std::filesystem::exists(sandbox.path("home/Library"))) << "no launch agent stands in for it";
  EXPECT_TRUE(std::filesystem::is_regular_file(sandbox.path("config/autostart")));
}

}  // namespace
}  // namespace pelko::testing
