#include "taskbar/TaskbarGeometry.h"

#include <gtest/gtest.h>

#include "TaskbarRectPrinter.h"

namespace pelko {

namespace {

TEST(BarContentLayoutTest, PlacesStackTrashAndTray) {
  using P = TaskbarPosition;
  using R = Rect;
  const std::optional<Rect> none;
  const std::tuple<BarContentOptions, Rect, std::optional<Rect>, std::optional<Rect>> cases[] = {
      // Alone, the stack runs from 4 points in to 4 points before the far end.
      {{P::bottom, {1920, 34}, 34}, {4, 0, 1912, 34}, none, none},
      {{P::top, {1000, 40}, 40}, {4, 0, 992, 40}, none, none},
      // Items, trash, tray, with 4-point gaps and a 4-point inset at each end.
      {{P::bottom, {1000, 34}, 34, true, true, 120}, {4, 0, 838, 34}, R{846, 4, 26, 26}, R{876, 0, 120, 34}},
      // The tray never gets less than its minimum.
      {{P::top, {1000, 34}, 34, false, true, 30}, {4, 0, 908, 34}, none, R{916, 0, 80, 34}},
      {{P::bottom, {1000, 34}, 34, true, false}, {4, 0, 962, 34}, R{970, 4, 26, 26}, none},
      // Vertical: items from the top down, the tray 4 points above the bottom edge.
      {{P::left, {48, 1000}, 48}, {0, 4, 48, 992}, none, none},
      {{P::right, {48, 1000}, 48, true, true, 90}, {0, 4, 48, 854}, R{4, 862, 40, 40}, R{0, 906, 48, 90}},
      {{P::bottom, {5, 34}, 34}, {4, 0, 0, 34}, none, none},  // too short for anything
  };
  for (const auto& [options, stack, trash, tray] : cases) {
    const auto layout = layoutBarContent(options);
    EXPECT_EQ(layout.stack, stack);
    EXPECT_EQ(layout.trash, trash) << stack.width();
    EXPECT_EQ(layout.tray, tray) << stack.width();
  }
}

TEST(StackOffsetTest, CentredAndRightAlignedStacksKeepFourPointsFromTheStart) {
  using A = ItemAlignment;
  // Room up to the tray at 880 on a bar 1000 long.
  const std::tuple<A, bool, double, double> rows[] = {
      {A::center, false, 300, 290},  // (880 - 300) / 2
      {A::center, false, 900, 4},    // more buttons than room: the floor
      {A::right, false, 300, 576},   // 880 - 300 - 4
      {A::right, false, 900, 4},    {A::left, false, 300, 4},
      {A::center, true, 300, 4},  // a floating bar is centred by its panel
  };
  for (const auto& [alignment, floating, content, offset] : rows)
    EXPECT_DOUBLE_EQ(stackOffset(alignment, floating, false, content, 880), offset)
        << static_cast<int>(alignment) << " " << content;
}

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
