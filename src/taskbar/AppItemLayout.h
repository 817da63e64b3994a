#pragma once

#include <optional>
#include <string_view>

#include "foundation/Geometry.h"

namespace pelko {

// How an item button arranges its icon, title and active indicator. A vertical bar always uses
// `vertical`; a horizontal bar uses the style setting.
enum class LayoutMode { iconsOnly, iconsTextRight, vertical };

// The edge of the button that carries the active indicator.
enum class IndicatorEdge { top, left, right, bottom };

// "top", "left" and "right" name their edges; anything else (a stale or hand-edited value included)
// means the bottom edge.
IndicatorEdge indicatorEdgeFromSetting(std::string_view setting);

// The item geometry below works in the button's own coordinates: origin at its top-left corner, y
// growing downward, in points.
namespace item_layout {

// Fallbacks for a button that has no settings object (yet).
inline constexpr double kDefaultMaxTaskWidth = 200;
inline constexpr double kDefaultItemTextSize = 11;
inline constexpr double kMinItemTextSize = 9;
inline constexpr double kMaxItemTextSize = 16;

// Text-mode insets: icon from the leading edge, label from the icon, label from the trailing edge.
inline constexpr double kTextLeadingInset = 6;
inline constexpr double kIconLabelGap = 5;
inline constexpr double kTextTrailingInset = 6;

// The compact indicator is a short bar 1 point inside its edge; the full one spans the whole edge.
inline constexpr double kIndicatorLength = 14;
inline constexpr double kIndicatorThickness = 2;
inline constexpr double kIndicatorInset = 1;

// The narrowest a text-mode button may be (unless the width limit itself is smaller).
inline constexpr double kTextItemMinimumWidth = 100;

// x rounded to the nearest whole number, halves away from zero.
double roundHalfAway(double x);

// Side of the square icon for a bar of thickness `barThickness` and an icon size of `iconSizePercent`
// percent. Never larger than the bar less 2 points.
double iconSide(LayoutMode mode, double barThickness, double iconSizePercent);

// The text-size setting kept within the sizes a one-line label in the bar can show.
double clampedItemTextSize(double itemTextSize);

// The button's own size rules. Width limits are absent where the bar decides the width (equal widths).
struct ItemSizing {
  double height = 0;
  std::optional<double> fixedWidth;
  std::optional<double> minimumWidth;
  std::optional<double> maximumWidth;
};
ItemSizing itemSizing(LayoutMode mode, double barThickness, bool useEqualWidth, double maxTaskWidth);

// The width a button would like: the bar's thickness for the square modes; in text mode the insets,
// icon and the title's natural width, kept within the sizing's limits.
double preferredWidth(LayoutMode mode, const ItemSizing& sizing, double iconSide, double titleWidth);

// Where the indicator sits on a button of `itemSize`. `compact` is the short bar of the square modes;
// text mode uses a full-length bar on the top and bottom edges.
Rect indicatorFrame(IndicatorEdge edge, bool compact, Size itemSize);

struct ItemFrames {
  Rect icon;
  Rect label;  // empty outside text mode
  Rect indicator;
};
// The frames of icon, title and indicator on a button of `itemSize`. `titleSize` is the title's natural
// one-line size; a title that does not fit is given the room there is (and is elided there). A button
// squeezed below its natural size loses its title's room first, then shrinks its icon.
ItemFrames itemFrames(LayoutMode mode, Size itemSize, double iconSide, IndicatorEdge edge, Size titleSize);

}  // namespace item_layout
}  // namespace pelko
