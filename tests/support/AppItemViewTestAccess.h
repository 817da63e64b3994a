#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "taskbar/AppItemReorderDrag.h"
#include "taskbar/AppItemScrollCycling.h"
#include "taskbar/AppItemThumbnails.h"
#include "taskbar/AppItemView.h"

namespace pelko {

// Reaches the state an item button and its collaborators keep to themselves, which the scenarios
// observe: what the button draws, and what its collaborators wait for.
struct AppItemViewTestAccess {
  // The window the scroll wheel brought forward last.
  static std::optional<int64_t> lastScrollFocusedWindow(const AppItemScrollCycling& cycling) {
    return cycling.lastScrollFocusedWindow_;
  }
  // ---- The button's look ----
  static LayoutMode currentLayoutMode(const AppItemView& item) { return item.currentLayoutMode_; }
  static bool isCurrentlyActive(const AppItemView& item) { return item.isCurrentlyActive_; }
  static double indicatorAlpha(const AppItemView& item) { return item.indicatorAlpha_; }
  static Color indicatorColor(const AppItemView& item) { return item.indicatorColor_; }
  // The background as drawn at this moment, mid-animation included.
  static Color presentedBackgroundColor(const AppItemView& item) { return item.presentedBackgroundColor(); }
  static Color hoverColor(const AppItemView& item) { return item.cachedHoverColor_; }
  static Color activeColor(const AppItemView& item) { return item.cachedActiveColor_; }
  // Whether the button has pushed the pointing-hand cursor and not popped it yet.
  static QRect iconFrame(const AppItemView& item) { return item.iconFrame(); }
  static QRect indicatorFrame(const AppItemView& item) { return item.indicatorFrame(); }
  static QLabel* labelView(const AppItemView& item) { return item.labelView_; }
  // The alpha icon and title are drawn with: 0.4 for an entry dimmed as minimized or hidden, else 1.
  static double dimmedAlpha(const AppItemView& item) { return item.lastDimmedAlpha_; }
  static QString iconInitial(const AppItemView& item) { return item.iconInitial(); }
  // How often the picture of the button's contents (all but the background) was drawn.
  static int contentRebuildCount(const AppItemView& item) { return item.contentRebuildCount_; }
  // What the picture of the button's contents was last drawn from; none before the first paint.
  static std::optional<AppItemView::ContentKey> drawnContentKey(const AppItemView& item) {
    return item.contentKey_;
  }
  // The names of the fields in which two such keys differ, in the key's order.
  static std::vector<std::string> differingContentFields(const AppItemView::ContentKey& a,
                                                         const AppItemView::ContentKey& b) {
    std::vector<std::string> names;
    const auto note = [&names](const char* name, bool same) {
      if (!same) names.emplace_back(name);
    };
    note("size", a.size == b.size);
    note("pixelRatio", a.pixelRatio == b.pixelRatio);
    note("hasLayout", a.hasLayout == b.hasLayout);
    note("mode", a.mode == b.mode);
    note("indicatorPosition", a.indicatorPosition == b.indicatorPosition);
    note("iconSide", a.iconSide == b.iconSide);
    note("icon", a.icon == b.icon);
    note("shadows", a.shadows == b.shadows);
    note("dimmedAlpha", a.dimmedAlpha == b.dimmedAlpha);
    note("dots", a.dots == b.dots);
    note("dotColor", a.dotColor == b.dotColor);
    note("indicatorAlpha", a.indicatorAlpha == b.indicatorAlpha);
    note("indicatorColor", a.indicatorColor == b.indicatorColor);
    note("title", a.title == b.title);
    note("titleFrame", a.titleFrame == b.titleFrame);
    note("titleFont", a.titleFont == b.titleFont);
    note("titleColor", a.titleColor == b.titleColor);
    note("badgeFrame", a.badgeFrame == b.badgeFrame);
    note("badgeCount", a.badgeCount == b.badgeCount);
    note("badgeColor", a.badgeColor == b.badgeColor);
    note("badgeTextColor", a.badgeTextColor == b.badgeTextColor);
    note("badgeOpacity", a.badgeOpacity == b.badgeOpacity);
    return names;
  }
  // How often the shape of the background was drawn.
  static int backgroundShapeBuildCount(const AppItemView& item) { return item.backgroundShapeBuildCount_; }
  // Counts the layout operations that rebuilt the geometry (the others changed nothing).
  static int layoutRebuildCount(const AppItemView& item) { return item.layoutRebuildCount_; }

  // ---- The window count's decorations ----
  static BadgeView* countBadge(const AppItemView& item) { return item.countBadge_; }
  static QLabel* trailingCountLabel(const AppItemView& item) { return item.trailingCountLabel_; }
  static int shownDotCount(const AppItemView& item) { return item.dotCount_; }
  static QRect dotsFrame(const AppItemView& item) { return item.dotsFrame(); }
  static Color dotColor(const AppItemView& item) { return item.dotColor(); }
  static int stackShadowCount(const AppItemView& item) { return item.shadowCount_; }
  static bool isIndicatorHidden(const AppItemView& item) { return item.indicatorHidden_; }

  // ---- Collaborators ----
  // Whether a Command press waits to become a reorder drag or to end.
  static bool hasCommandPress(const AppItemView& item) {
    return item.reorderDrag_->commandPress_.has_value();
  }
  // Whether the button's thumbnail waits for its delay to show.
  static bool isThumbnailScheduled(const AppItemView& item) { return item.thumbnails_->isScheduled(); }
};

}  // namespace pelko
