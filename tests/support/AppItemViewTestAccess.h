#pragma once

#include <cstdint>
#include <optional>

#include "taskbar/AppItemScrollCycling.h"
#include "taskbar/AppItemView.h"

namespace pelko {

// Reaches the state an item button and its collaborators keep to themselves, which the scenarios
// observe.
struct AppItemViewTestAccess {
  // The window the scroll wheel brought forward last.
  static std::optional<int64_t> lastScrollFocusedWindow(const AppItemScrollCycling& cycling) {
    return cycling.lastScrollFocusedWindow_;
  }
};

}  // namespace pelko
