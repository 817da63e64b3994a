// The accessibility look-up the end-to-end tests use: a widget of the running program is found by its
// name, at its place on the screen, and a name the program does not show finds nothing.

#include <gtest/gtest.h>

#include "AccessibilityBus.h"

namespace pelko::testing {
namespace {

class AccessibilityBusTest : public AccessibleDesktopTest {};

TEST_F(AccessibilityBusTest, FindsTheBarsButtonsByNameAtTheirPlaceOnTheScreen) {
  startPelko();
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();

  // The built-in scenario's bottom bar: 34 high along the bottom of the 1280x800 screen.
  struct Case {
    std::string name;
    bool found;
  };
  for (const Case& c : {Case{"Mail", true}, Case{"Notes", true}, Case{"Nothing Of That Name", false}}) {
    SCOPED_TRACE(c.name);
    const auto widgets = accessibility->find("", c.name, c.found ? 10 : 1);
    ASSERT_EQ(!widgets.empty(), c.found) << accessibility->describeAll();
    for (const auto& widget : widgets) {
      EXPECT_EQ(widget.name, c.name);
      EXPECT_TRUE(widget.showing);
      EXPECT_GE(widget.y, 766);
      EXPECT_LE(widget.y + widget.height, 800);
      EXPECT_GT(widget.width, 0);
      EXPECT_LE(widget.x + widget.width, 1280);
    }
  }
  // Each button is found once, apart from the others.
  const auto mail = accessibility->find("", "Mail"), notes = accessibility->find("", "Notes");
  ASSERT_FALSE(mail.empty());
  ASSERT_FALSE(notes.empty());
  EXPECT_LT(mail.front().x + mail.front().width, notes.front().x + notes.front().width);
}

}  // namespace
}  // namespace pelko::testing
