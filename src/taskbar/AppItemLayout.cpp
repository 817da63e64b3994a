#include "taskbar/AppItemLayout.h"

#include <algorithm>
#include <cmath>

namespace pelko {

IndicatorEdge indicatorEdgeFromSetting(std::string_view setting) {
  if (setting == "top") return IndicatorEdge::top;
  if (setting == "left") return IndicatorEdge::left;
  if (setting == "right") return IndicatorEdge::right;
  return IndicatorEdge::bottom;
}

namespace item_layout {

double roundHalfAway(double x) {
  return std::round(x);  // std::round already rounds halves away from zero
}

double iconSide(LayoutMode mode, double barThickness, double iconSizePercent) {
  const double t = barThickness;
  double base = t - 8;
  // The text and vertical modes keep the icon near its natural size however thick the bar gets.
  if (mode == LayoutMode::iconsTextRight) base = std::min(base, 20.0);
  if (mode == LayoutMode::vertical) base = std::min(base, 22.0);
  const double side = std::min(t - 2, roundHalfAway(base * iconSizePercent / 100));
  return std::max(0.0, side);
}

double clampedItemTextSize(double itemTextSize) {
  if (!std::isfinite(itemTextSize)) return kDefaultItemTextSize;
  return std::clamp(itemTextSize, kMinItemTextSize, kMaxItemTextSize);
}

ItemSizing itemSizing(LayoutMode mode, double barThickness, bool useEqualWidth, double maxTaskWidth) {
  ItemSizing sizing;
  sizing.height = barThickness;
  if (mode != LayoutMode::iconsTextRight) {
    sizing.fixedWidth = barThickness;
    return sizing;
  }
  if (!useEqualWidth) {
    sizing.minimumWidth = std::min(maxTaskWidth, kTextItemMinimumWidth);
    sizing.maximumWidth = maxTaskWidth;
  }
  return sizing;
}

double preferredWidth(LayoutMode mode, const ItemSizing& sizing, double iconSide, double titleWidth) {
  if (sizing.fixedWidth) return *sizing.fixedWidth;
  double width = sizing.height;
  if (mode == LayoutMode::iconsTextRight) {
    width = kTextLeadingInset + iconSide + kIconLabelGap + std::ceil(std::max(0.0, titleWidth)) +
            kTextTrailingInset;
  }
  if (sizing.minimumWidth) width = std::max(width, *sizing.minimumWidth);
  if (sizing.maximumWidth) width = std::min(width, *sizing.maximumWidth);
  return width;
}

Rect indicatorFrame(IndicatorEdge edge, bool compact, Size itemSize) {
  const double w = itemSize.width;
  const double h = itemSize.height;
  switch (edge) {
    case IndicatorEdge::top:
      if (!compact) return Rect(0, 0, w, kIndicatorThickness);
      return Rect(w / 2 - kIndicatorLength / 2, kIndicatorInset, kIndicatorLength, kIndicatorThickness);
    case IndicatorEdge::left:
      return Rect(kIndicatorInset, h / 2 - kIndicatorLength / 2, kIndicatorThickness, kIndicatorLength);
    case IndicatorEdge::right:
      return Rect(w - kIndicatorInset - kIndicatorThickness, h / 2 - kIndicatorLength / 2,
                  kIndicatorThickness, kIndicatorLength);
    case IndicatorEdge::bottom:
      if (!compact) return Rect(0, h - kIndicatorThickness, w, kIndicatorThickness);
      return Rect(w / 2 - kIndicatorLength / 2, h - kIndicatorInset - kIndicatorThickness, kIndicatorLength,
                  kIndicatorThickness);
  }
  return Rect();
}

ItemFrames itemFrames(LayoutMode mode, Size itemSize, double iconSide, IndicatorEdge edge, Size titleSize) {
  ItemFrames frames;
  const double w = itemSize.width;
  const double h = itemSize.height;
  // A squeezed button keeps 1 point around its icon; the icon only shrinks once the title has gone.
  const double side = std::max(0.0, std::min({iconSide, w - 2, h - 2}));
  if (mode == LayoutMode::iconsTextRight) {
    const double iconX = std::min(kTextLeadingInset, (w - side) / 2);
    frames.icon = Rect(iconX, (h - side) / 2, side, side);
    const double labelX = iconX + side + kIconLabelGap;
    const double room = std::max(0.0, w - kTextTrailingInset - labelX);
    const double labelWidth = std::min(std::ceil(std::max(0.0, titleSize.width)), room);
    frames.label = Rect(labelX, (h - titleSize.height) / 2, labelWidth, titleSize.height);
    frames.indicator = indicatorFrame(edge, false, itemSize);
  } else {
    frames.icon = Rect((w - side) / 2, (h - side) / 2, side, side);
    frames.indicator = indicatorFrame(edge, true, itemSize);
  }
  return frames;
}

}  // namespace item_layout
}  // namespace pelko
