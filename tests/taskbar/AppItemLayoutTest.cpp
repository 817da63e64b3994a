#include "taskbar/AppItemLayout.h"

#include <gtest/gtest.h>

#include "TaskbarRectPrinter.h"

namespace pelko {
namespace {

using namespace item_layout;
constexpr auto kIcons = LayoutMode::iconsOnly;
constexpr auto kText = LayoutMode::iconsTextRight;
constexpr auto kVertical = LayoutMode::vertical;

TEST(AppItemLayoutTest, IconSideFollowsThicknessAndPercent) {
  const std::tuple<LayoutMode, double, double, double> cases[] = {
      {kIcons, 34, 100, 26},    {kText, 34, 100, 20},
      {kVertical, 48, 100, 22},  // default bars
      {kIcons, 34, 200, 32},    {kText, 34, 200, 32},
      {kVertical, 48, 200, 44},                            // never more than the bar less 2
      {kIcons, 26, 50, 9},                                 // the thinnest bar at half size
      {kIcons, 34, 75, 20},     {kText, 34, 52.5, 11},     // halves round away from zero: 19.5 and 10.5
      {kText, 51, 100, 20},     {kVertical, 72, 150, 33},  // text and vertical cap the base
  };
  for (const auto& [mode, thickness, percent, expected] : cases)
    EXPECT_EQ(iconSide(mode, thickness, percent), expected) << thickness << " " << percent;
}

TEST(AppItemLayoutTest, TextModeWidthIsInsetsIconAndTitleWithinLimits) {
  const auto limited = itemSizing(kText, 34, false, 176);
  // 6 + 20 + 5 + 80 + 6; fractional titles round up so they are never cut by a hair.
  for (auto [title, width] : {std::pair{80.0, 117.0}, {79.2, 117.0}, {10.0, 100.0}, {500.0, 176.0}})
    EXPECT_EQ(preferredWidth(kText, limited, 20, title), width) << title;
  EXPECT_EQ(preferredWidth(kText, itemSizing(kText, 34, true, 176), 20, 500), 537)
      << "equal widths: no limits";
  EXPECT_EQ(preferredWidth(kIcons, itemSizing(kIcons, 34, false, 0), 26, 500), 34);
  // A width limit under the 100-point minimum is the minimum too.
  EXPECT_EQ(itemSizing(kText, 34, false, 60).minimumWidth, 60);
}

TEST(AppItemLayoutTest, IndicatorSitsOnTheEdgeItsSettingNames) {
  for (auto [text, edge] : {std::pair{"top", IndicatorEdge::top},
                            {"left", IndicatorEdge::left},
                            {"right", IndicatorEdge::right},
                            {"bottom", IndicatorEdge::bottom},
                            {"", IndicatorEdge::bottom},
                            {"Top", IndicatorEdge::bottom}})
    EXPECT_EQ(indicatorEdgeFromSetting(text), edge) << text;
  const std::tuple<IndicatorEdge, bool, Rect> cases[] = {
      // Compact: a 14 x 2 (or 2 x 14) bar 1 point inside its edge, centred along it.
      {IndicatorEdge::bottom, true, Rect(53, 31, 14, 2)},
      {IndicatorEdge::top, true, Rect(53, 1, 14, 2)},
      {IndicatorEdge::left, true, Rect(1, 10, 2, 14)},
      {IndicatorEdge::right, true, Rect(117, 10, 2, 14)},
      // Full (text mode): top and bottom span the edge flush; left and right stay compact.
      {IndicatorEdge::bottom, false, Rect(0, 32, 120, 2)},
      {IndicatorEdge::top, false, Rect(0, 0, 120, 2)},
      {IndicatorEdge::left, false, Rect(1, 10, 2, 14)},
  };
  for (const auto& [edge, compact, expected] : cases)
    EXPECT_EQ(indicatorFrame(edge, compact, Size{120, 34}), expected) << static_cast<int>(edge) << compact;
}

TEST(AppItemLayoutTest, TextModePlacesIconThenTitleAndASqueezedButtonLosesTheTitleFirst) {
  const std::tuple<double, Rect, Rect> cases[] = {
      {140, Rect(6, 7, 20, 20), Rect(31, 10, 60, 14)},  // room to spare
      {80, Rect(6, 7, 20, 20), Rect(31, 10, 43, 14)},   // the title is elided in 80 - 6 - 31
      {32, Rect(6, 7, 20, 20), Rect(31, 10, 0, 14)},    // no title left, the icon whole
      {12, Rect(1, 12, 10, 10), Rect(16, 10, 0, 14)},   // then the icon shrinks, 1 point inside
  };
  for (const auto& [width, icon, label] : cases) {
    const auto frames = itemFrames(kText, Size{width, 34}, 20, IndicatorEdge::bottom, Size{60, 14});
    EXPECT_EQ(frames.icon, icon) << width;
    EXPECT_EQ(frames.label, label) << width;
  }
  EXPECT_EQ(itemFrames(kVertical, Size{48, 20}, 22, IndicatorEdge::left, Size{}).icon, Rect(15, 1, 18, 18));
}

}  // namespace
}  // namespace pelko
