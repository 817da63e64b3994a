#include "taskbar/TaskbarGeometry.h"

#include <gtest/gtest.h>

#include "TaskbarRectPrinter.h"

namespace pelko {

namespace {

struct ContentCase {
  const char* name;
  BarContentOptions options;
  Rect stack;
  std::optional<Rect> trash;
  std::optional<Rect> tray;
};

class BarContentLayoutTest : public ::testing::TestWithParam<ContentCase> {};

TEST_P(BarContentLayoutTest, PlacesStackTrashAndTray) {
  const auto& c = GetParam();
  auto layout = layoutBarContent(c.options);
  EXPECT_EQ(layout.stack, c.stack);
  EXPECT_EQ(layout.trash, c.trash);
  EXPECT_EQ(layout.tray, c.tray);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, BarContentLayoutTest,
    ::testing::Values(
        // Alone, the stack runs from 4 points in to 4 points before the far end.
        ContentCase{"bottomAlone", {TaskbarPosition::bottom, {1920, 34}, 34}, {4, 0, 1912, 34}, {}, {}},
        ContentCase{"topAlone", {TaskbarPosition::top, {1000, 40}, 40}, {4, 0, 992, 40}, {}, {}},
        // Items, trash, tray, with 4-point gaps and a 4-point inset at each end.
        ContentCase{"bottomWithTrashAndTray",
                    {TaskbarPosition::bottom, {1000, 34}, 34, true, true, 120},
                    {4, 0, 838, 34},
                    Rect{846, 4, 26, 26},
                    Rect{876, 0, 120, 34}},
        ContentCase{"trayNeverBelowItsMinimum",
                    {TaskbarPosition::top, {1000, 34}, 34, false, true, 30},
                    {4, 0, 908, 34},
                    {},
                    Rect{916, 0, 80, 34}},
        ContentCase{"trashWithoutTray",
                    {TaskbarPosition::bottom, {1000, 34}, 34, true, false},
                    {4, 0, 962, 34},
                    Rect{970, 4, 26, 26},
                    {}},
        // Vertical: items from the top down, the tray 4 points above the bottom edge.
        ContentCase{"leftAlone", {TaskbarPosition::left, {48, 1000}, 48}, {0, 4, 48, 992}, {}, {}},
        ContentCase{"rightWithTrashAndTray",
                    {TaskbarPosition::right, {48, 1000}, 48, true, true, 90},
                    {0, 4, 48, 854},
                    Rect{4, 862, 40, 40},
                    Rect{0, 906, 48, 90}},
        ContentCase{"tooShortForAnything", {TaskbarPosition::bottom, {5, 34}, 34}, {4, 0, 0, 34}, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BarCornersTest, RoundsTheCornersAwayFromItsEdgeUnlessItStandsFree) {
  struct Case {
    TaskbarPosition position;
    bool floating;
    double marginH, marginV;
    unsigned corners;
  };
  const Case cases[] = {
      {TaskbarPosition::bottom, false, 0, 0, 12}, {TaskbarPosition::top, false, 0, 0, 3},
      {TaskbarPosition::left, false, 0, 0, 10},   {TaskbarPosition::right, false, 0, 0, 5},
      {TaskbarPosition::bottom, false, 1, 0, 15}, {TaskbarPosition::left, false, 0, 1, 15},
      {TaskbarPosition::top, true, 0, 0, 15},
  };
  for (const auto& c : cases)
    EXPECT_EQ(roundedCorners(c.position, c.floating, c.marginH, c.marginV), c.corners)
        << static_cast<int>(c.position) << c.floating << c.marginH << c.marginV;
}

}  // namespace
}  // namespace pelko
