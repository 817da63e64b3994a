// The bar's buttons pressed by a screen reader in the running program, over the accessibility bus, with
// the pointer nowhere near them: the trash opens its folder, an item button brings its application to
// the front, and a card's close control ("Close two") closes that window, which leaves the button's count
// one lower.

#include <gtest/gtest.h>

#include <sstream>

#include "AccessibilityBus.h"

namespace pelko::testing {
namespace {

constexpr const char* kScenario = R"({"applications": [
    {"bundleID": "com.example.viewer", "name": "Viewer", "windows": [{"title": "photo", "frame": [900, 100, 300, 300]}]},
    {"bundleID": "com.example.editor", "name": "Editor", "windows": [
      {"title": "one", "frame": [100, 100, 600, 400]}, {"title": "two", "frame": [140, 140, 600, 400]},
      {"title": "three", "frame": [180, 180, 600, 400]}]}],
  "frontmost": "com.example.viewer"})";

class BarButtonsPressX11Test : public AccessibleDesktopTest {
 protected:
  // The process identifier the simulated world gives the owner of the window at `frame`, from the
  // frames the program prints; empty until it has printed that window.
  std::string ownerOfFrame(const std::string& frame) const {
    std::istringstream lines(pelko->output());
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind("PELKO_FRAME ", 0) != 0 || line.size() < frame.size() ||
          line.compare(line.size() - frame.size(), frame.size(), frame) != 0)
        continue;
      const auto at = line.find(" pid=");
      if (at == std::string::npos) continue;
      return line.substr(at + 5, line.find(' ', at + 5) - at - 5);
    }
    return {};
  }
};

TEST_F(BarButtonsPressX11Test, PressingTheTrashOpensItsFolder) {
  const auto urlHandler = recordUrlHandler();
  sandbox.setDefaults({{"PelkoShowTrashIcon", true}});
  movePointer(640, 200);
  startPelko(urlHandler);
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();

  const auto pressed = accessibility->doAction("push button", "Trash", "Press", 10);
  ASSERT_EQ(pressed.size(), 1u) << accessibility->describeAll();
  EXPECT_TRUE(pressed[0].hasAction("Press")) << pressed[0].actions;
  const auto lines = waitForUrlsOpened(5);
  ASSERT_EQ(lines.size(), 1u) << pelko->output();
  EXPECT_NE(lines[0].find(sandbox.path("home") + "/.local/share/Trash/files"), std::string::npos) << lines[0];
}

TEST_F(BarButtonsPressX11Test, PressingAnItemButtonBringsItsApplicationToTheFront) {
  movePointer(640, 200);
  startPelko({{"PELKO_SCENARIO", writeScenario(kScenario)}, {"PELKO_TEST_HOOK_FRAMES", "1"}});
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();
  // The first pass prints every window before the frontmost application.
  ASSERT_TRUE(pelko->waitForOutput("PELKO_FRONTMOST pid=", 10)) << pelko->output();
  const std::string viewer = ownerOfFrame(" 900 100 300 300"), editor = ownerOfFrame(" 100 100 600 400");
  ASSERT_FALSE(viewer.empty() || editor.empty()) << pelko->output();
  ASSERT_TRUE(pelko->waitForOutput("PELKO_FRONTMOST pid=" + viewer + "\n", 5)) << pelko->output();
  ASSERT_EQ(pelko->output().find("PELKO_FRONTMOST pid=" + editor + "\n"), std::string::npos);

  const auto pressed = accessibility->doAction("push button", "Editor, 3 windows", "Press", 10);
  ASSERT_EQ(pressed.size(), 1u) << accessibility->describeAll();
  EXPECT_TRUE(pelko->waitForOutput("PELKO_FRONTMOST pid=" + editor + "\n", 5)) << pelko->output();
}

TEST_F(BarButtonsPressX11Test, PressingACardsCloseWindowLowersTheButtonsCount) {
  movePointer(640, 200);
  startPelko({{"PELKO_SCENARIO", writeScenario(kScenario)}});
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();
  const auto button = accessibility->findOne("push button", "Editor, 3 windows", 10);
  ASSERT_TRUE(button) << accessibility->describeAll();

  // The cards are in the tree while the panel shows: the pointer rests on the button for it, and
  // nothing more is done with it.
  movePointer(button->centerX(), button->centerY());
  ASSERT_TRUE(accessibility->findOne("push button", "two", 10)) << accessibility->describeAll();
  const auto pressed = accessibility->doActionWithin("two", "push button", "Close two", "Press", 5);
  ASSERT_EQ(pressed.size(), 1u) << accessibility->describeAll();
  EXPECT_TRUE(accessibility->findOne("push button", "Editor, 2 windows", 5)) << accessibility->describeAll();
  EXPECT_TRUE(accessibility->find("push button", "Editor, 3 windows", 0).empty());
}

}  // namespace
}  // namespace pelko::testing
