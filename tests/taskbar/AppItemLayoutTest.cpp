#include <gtest/gtest.h>

#include "taskbar/AppItemLayout.h"

namespace pelko {
namespace {

using item_layout::iconSide;
using item_layout::indicatorFrame;
using item_layout::itemFrames;
using item_layout::itemSizing;

struct IconCase {
  LayoutMode mode;
  double thickness;
  double percent;
  double expected;
};

class IconSideTest : public ::testing::TestWithParam<IconCase> {};

TEST_P(IconSideTest, FollowsThicknessAndPercent) {
  const auto& c = GetParam();
  EXPECT_EQ(iconSide(c.mode, c.thickness, c.percent), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, IconSideTest,
    ::testing::Values(
        // Default bars: 34 points horizontal, 48 vertical.
        IconCase{LayoutMode::iconsOnly, 34, 100, 26}, IconCase{LayoutMode::iconsTextRight, 34, 100, 20},
        IconCase{LayoutMode::vertical, 48, 100, 22},
        // Never more than the bar less 2 points.
        IconCase{LayoutMode::iconsOnly, 34, 200, 32}, IconCase{LayoutMode::iconsTextRight, 34, 200, 32},
        IconCase{LayoutMode::vertical, 48, 200, 44},
        // The thinnest horizontal bar at half size: 18 * 0.5 = 9.
        IconCase{LayoutMode::iconsOnly, 26, 50, 9},
        // Rounding halves away from zero: 26 * 0.75 = 19.5 -> 20; 20 * 0.525 = 10.5 -> 11.
        IconCase{LayoutMode::iconsOnly, 34, 75, 20}, IconCase{LayoutMode::iconsTextRight, 34, 52.5, 11},
        // A thick bar: the text and vertical modes cap the base at 20 and 22 points.
        IconCase{LayoutMode::iconsOnly, 51, 100, 43}, IconCase{LayoutMode::iconsTextRight, 51, 100, 20},
        IconCase{LayoutMode::vertical, 72, 150, 33}));

// Square modes and the usual text limits are shown on the buttons themselves; a limit under the
// 100-point minimum is only visible here.
TEST(AppItemLayoutTest, ATextWidthLimitUnderTheMinimumIsAlsoTheMinimum) {
  const auto sizing = itemSizing(LayoutMode::iconsTextRight, 34, false, 60);
  EXPECT_EQ(sizing.minimumWidth, 60);
  EXPECT_EQ(sizing.maximumWidth, 60);
}

TEST(AppItemLayoutTest, TextModePreferredWidthIsInsetsIconAndTitleWithinLimits) {
  const auto limited = itemSizing(LayoutMode::iconsTextRight, 34, false, 176);
  // 6 + 20 + 5 + 80 + 6
  EXPECT_EQ(item_layout::preferredWidth(LayoutMode::iconsTextRight, limited, 20, 80), 117);
  EXPECT_EQ(item_layout::preferredWidth(LayoutMode::iconsTextRight, limited, 20, 10), 100);
  EXPECT_EQ(item_layout::preferredWidth(LayoutMode::iconsTextRight, limited, 20, 500), 176);
  // Fractional title widths round up so the title is never cut by a hair.
  EXPECT_EQ(item_layout::preferredWidth(LayoutMode::iconsTextRight, limited, 20, 79.2), 117);

  const auto equal = itemSizing(LayoutMode::iconsTextRight, 34, true, 176);
  EXPECT_EQ(item_layout::preferredWidth(LayoutMode::iconsTextRight, equal, 20, 500), 537);
  EXPECT_EQ(item_layout::preferredWidth(LayoutMode::iconsOnly,
                                        itemSizing(LayoutMode::iconsOnly, 34, false, 0), 26, 500),
            34);
}

TEST(AppItemLayoutTest, IndicatorSettingNamesAnEdgeAndFallsBackToBottom) {
  for (auto [text, edge] :
       {std::pair{"top", IndicatorEdge::top}, std::pair{"left", IndicatorEdge::left},
        std::pair{"right", IndicatorEdge::right}, std::pair{"bottom", IndicatorEdge::bottom},
        std::pair{"", IndicatorEdge::bottom}, std::pair{"Top", IndicatorEdge::bottom}})
    EXPECT_EQ(indicatorEdgeFromSetting(text), edge) << text;
}

struct IndicatorCase {
  IndicatorEdge edge;
  bool compact;
  Rect expected;
};

class IndicatorFrameTest : public ::testing::TestWithParam<IndicatorCase> {};

TEST_P(IndicatorFrameTest, SitsOnItsEdge) {
  const auto& c = GetParam();
  EXPECT_EQ(indicatorFrame(c.edge, c.compact, Size{120, 34}), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, IndicatorFrameTest,
    ::testing::Values(
        // Compact: a 14 x 2 (or 2 x 14) bar 1 point inside its edge, centred along it.
        IndicatorCase{IndicatorEdge::bottom, true, Rect(53, 31, 14, 2)},
        IndicatorCase{IndicatorEdge::top, true, Rect(53, 1, 14, 2)},
        IndicatorCase{IndicatorEdge::left, true, Rect(1, 10, 2, 14)},
        IndicatorCase{IndicatorEdge::right, true, Rect(117, 10, 2, 14)},
        // Full (text mode): top and bottom span the edge flush; left and right stay compact.
        IndicatorCase{IndicatorEdge::bottom, false, Rect(0, 32, 120, 2)},
        IndicatorCase{IndicatorEdge::top, false, Rect(0, 0, 120, 2)},
        IndicatorCase{IndicatorEdge::left, false, Rect(1, 10, 2, 14)},
        IndicatorCase{IndicatorEdge::right, false, Rect(117, 10, 2, 14)}));

TEST(AppItemLayoutTest, TextModePlacesIconThenTitleAndElidesWhatDoesNotFit) {
  const auto fits =
      itemFrames(LayoutMode::iconsTextRight, Size{140, 34}, 20, IndicatorEdge::bottom, Size{60, 14});
  EXPECT_EQ(fits.label, Rect(31, 10, 60, 14));

  // Room for the title: 100 - 6 - 31 = 63 points.
  const auto tight =
      itemFrames(LayoutMode::iconsTextRight, Size{100, 34}, 20, IndicatorEdge::top, Size{300, 14});
  EXPECT_EQ(tight.label, Rect(31, 10, 63, 14));
}

}  // namespace
}  // namespace pelko
