#pragma once

#include <cstdint>
#include <optional>

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
