// The settings window's pop-ups as a screen reader meets them over the accessibility bus of the running
// program: no entry of a pop-up's list shows while the list is closed, whether the window is open or
// closed; an open pop-up's list shows its entries in its place on the screen, with their action.

#include <gtest/gtest.h>

#include <algorithm>

#include "AccessibilityBus.h"

namespace pelko::testing {
namespace {

class PopUpListsOverTheBusX11Test : public AccessibleDesktopTest {
 protected:
  // The list entries the bus reports showing, each once: an open list is reached both from its pop-up
  // button and from the application, as a pop-up window that shows.
  std::vector<AccessibleWidget> showingEntries(double seconds) {
    std::vector<AccessibleWidget> showing;
    for (const auto& entry : accessibility->findWithDetails("list item", "", seconds)) {
      const bool seen = std::any_of(showing.begin(), showing.end(), [&](const AccessibleWidget& other) {
        return other.name == entry.name && other.x == entry.x && other.y == entry.y;
      });
      if (entry.showing && !seen) showing.push_back(entry);
    }
    return showing;
  }
  static std::string names(const std::vector<AccessibleWidget>& entries) {
    std::string text;
    for (const auto& entry : entries)
      text += entry.name + " at " + std::to_string(entry.x) + "," + std::to_string(entry.y) + "\n";
    return text;
  }
};

TEST_F(PopUpListsOverTheBusX11Test, OnlyAnOpenPopUpsListShowsItsEntries) {
  movePointer(640, 200);
  startPelko();
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();
  const xcb_window_t window = openSettingsBySecondStart();
  ASSERT_NE(window, xcb_window_t{XCB_WINDOW_NONE}) << pelko->output();
  const auto style = accessibility->findOne("combo box", "Style", 20);
  ASSERT_TRUE(style) << accessibility->describeAll();

  EXPECT_EQ(names(showingEntries(1)), "") << "entries of closed pop-ups in an open window";

  // Opened, its two entries show below or over the button, each with its action.
  ASSERT_EQ(accessibility->doAction("combo box", "Style", "Press").size(), 1u);
  std::vector<AccessibleWidget> open;
  ASSERT_TRUE(waitUntil([&] { return (open = showingEntries(1)).size() == 2; }, 10)) << names(open);
  EXPECT_EQ(open[0].name, "Icons Only");
  EXPECT_EQ(open[1].name, "Icons + Text Right");
  for (const auto& entry : open) {
    SCOPED_TRACE(entry.name);
    EXPECT_GT(entry.width, 0);
    EXPECT_NEAR(entry.x, style->x, 10) << "in the list's place, by its button";
    EXPECT_TRUE(entry.hasAction("Toggle")) << entry.actions;
  }

  // Closed again with Escape, and with the window closed, nothing of the lists shows.
  xdotool(server->display(), "key Escape");
  EXPECT_TRUE(waitUntil([&] { return showingEntries(1).empty(); }, 10)) << names(showingEntries(1));
  xdotool(server->display(), "windowactivate --sync " + std::to_string(window) + " key Escape");
  ASSERT_TRUE(waitUntil([&] { return windowNamed("Pelko Settings").empty(); }, 10))
      << "the window stayed open";
  EXPECT_EQ(names(showingEntries(1)), "") << "entries of the pop-ups of a closed window";
  for (const auto& popUp : accessibility->find("combo box", "", 1))
    EXPECT_FALSE(popUp.showing) << popUp.name << " of a closed window";
}

}  // namespace
}  // namespace pelko::testing
