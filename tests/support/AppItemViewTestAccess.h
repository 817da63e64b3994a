#pragma once

#include <cstdint>
#include <optional>

#include "taskbar/AppItemReorderDrag.h"
#include "taskbar/AppItemScrollCycling.h"
#include "taskbar/AppItemThumbnails.h"
#include "taskbar/AppItemView.h"

namespace pelko {

// Reaches the state an item button and its collaborators keep to themselves, which the scenarios
// observe.
struct AppItemViewTestAccess {
  // The window the scroll wheel brought forward last.
  static std::optional<int64_t> lastScrollFocusedWindow(const AppItemScrollCycling& cycling) {
    return cycling.lastScrollFocusedWindow_;
  }
  // Whether a Command press waits to become a reorder drag or to end.
  static bool hasCommandPress(const AppItemView& item) {
    return item.reorderDrag_->commandPress_.has_value();
  }
  // Whether the button's thumbnail waits for its delay to show.
  static bool isThumbnailScheduled(const AppItemView& item) { return item.thumbnails_->isScheduled(); }
};

}  // namespace pelko
