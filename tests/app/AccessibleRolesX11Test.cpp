// A screen reader's view of the running bar: the item buttons, the thumbnail cards and the trash are
// buttons with their names, and the tray is a group named "System tray".

#include <gtest/gtest.h>

#include <set>

#include "AccessibilityBus.h"

namespace pelko::testing {
namespace {

class AccessibleRolesX11Test : public AccessibleDesktopTest {};

TEST_F(AccessibleRolesX11Test, ButtonsCardsAndTrashAreButtonsAndTheTrayIsAGroup) {
  movePointer(640, 200);
  sandbox.setDefaults({{"PelkoShowTrashIcon", true}, {"PelkoShowSystemTray", true}});
  startPelko();
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();

  // Along the bottom bar, 34 high on the 1280x800 screen.
  struct Case {
    std::string role, name;
  };
  for (const Case& c : {Case{"push button", "Finder, 2 windows"}, Case{"push button", "Mail"},
                        Case{"push button", "Trash"}, Case{"panel", "System tray"}}) {
    SCOPED_TRACE(c.name);
    const auto widget = accessibility->findOne(c.role, c.name, 10);
    ASSERT_TRUE(widget) << accessibility->describeAll();
    EXPECT_GE(widget->y, 766);
    EXPECT_LE(widget->y + widget->height, 800);
  }

  // Resting on Finder's button shows a card per window above the bar, each a button with its close
  // control inside it, a button too.
  const auto finder = accessibility->findOne("push button", "Finder, 2 windows");
  ASSERT_TRUE(finder);
  movePointer(finder->centerX(), finder->centerY());
  std::vector<AccessibleWidget> cards, closes;
  waitUntil(
      [&] {
        cards.clear();
        closes.clear();
        for (const auto& button : accessibility->find("push button", "", 0.5))
          if (button.showing && button.y + button.height <= 766)
            (button.name.rfind("Close ", 0) == 0 ? closes : cards).push_back(button);
        return cards.size() >= 2;
      },
      10);
  ASSERT_EQ(cards.size(), 2u) << accessibility->describeAll();
  for (const auto& card : cards) EXPECT_FALSE(card.name.empty());
  EXPECT_EQ(closes.size(), 2u) << accessibility->describeAll();
  // Each close control is named for the window its card shows ("Close Documents").
  std::set<std::string> closeNames, cardCloses;
  for (const auto& close : closes) closeNames.insert(close.name);
  for (const auto& card : cards) cardCloses.insert("Close " + card.name);
  EXPECT_EQ(closeNames, cardCloses) << accessibility->describeAll();
  EXPECT_EQ(closeNames.count("Close Documents"), 1u) << accessibility->describeAll();
}

}  // namespace
}  // namespace pelko::testing
