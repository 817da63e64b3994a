#include "ui/ScreenCoordinates.h"

#include <gtest/gtest.h>

namespace pelko {
namespace {

TEST(ScreenCoordinatesTest, FlipsAgainstTheMainScreenAndRoundsEdges) {
  // A bar at the bottom or the top: the panel's test.
  // A screen above the main one has negative Qt y; one to the left negative x.
  EXPECT_EQ(toQtGlobal({-1280, 1080, 1280, 800}, 1080), QRect(-1280, -800, 1280, 800));
  // Edges are rounded, so two frames that touch still touch.
  QRect a = toQtGlobal({0.4, 0, 100.2, 34}, 1080), b = toQtGlobal({100.6, 0, 50, 34}, 1080);
  EXPECT_EQ(a.x() + a.width(), b.x());
  EXPECT_EQ(fromQtGlobal(QRect(0, 1046, 1920, 34), 1080), Rect(0, 0, 1920, 34));
}

}  // namespace
}  // namespace pelko
