#pragma once

#include <QPoint>
#include <functional>
#include <optional>

namespace pelko {

// Where the pointer rests, in Qt's global coordinates; nothing when it is not known. The running
// program asks the cursor; tests place the pointer themselves.
using PointerLocationSource = std::function<std::optional<QPoint>()>;

// A view whose hover look follows the pointer even when the content moves under a resting pointer
// (scrolling, a page switch), which sends no enter or leave event.
class SettingsHoverRefreshable {
 public:
  virtual ~SettingsHoverRefreshable() = default;
  virtual void refreshHoverState(const std::optional<QPoint>& globalPointer) = 0;
};

}  // namespace pelko
