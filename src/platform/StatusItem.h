#pragma once

#include <functional>
#include <string>
#include <vector>

#include "foundation/Geometry.h"

namespace pelko::platform {

// One rounded rectangle of a status-item image, in points of an 18 x 18 image with its origin at the top
// left (y down).
struct StatusIconShape {
  Rect rect;
  double cornerRadius = 0;
  // Stroked with this line width; filled when 0.
  double strokeWidth = 0;
  bool operator==(const StatusIconShape&) const = default;
};

// The status item's image: shapes drawn in one colour. A template image lets the menu bar pick the
// colour (only the alpha counts).
struct StatusItemImage {
  double width = 18;
  double height = 18;
  std::vector<StatusIconShape> shapes;
  bool isTemplate = true;
  bool operator==(const StatusItemImage&) const = default;
};

// One row of the status item's menu. `keyEquivalent` is the key pressed with the Command modifier
// (empty: none; an upper-case letter adds Shift).
struct StatusMenuItem {
  std::string title;
  std::string keyEquivalent;
  bool isSeparator = false;
  std::function<void()> action;
};

// An item in the system's status area (the menu bar's right end) that opens a fixed menu when clicked.
// Main thread only.
class StatusItem {
 public:
  virtual ~StatusItem() = default;
  // Puts the item in the status area with its image, tooltip and menu; false when the system has no
  // status area now. The item is kept either way and shows in a status area that appears later.
  virtual bool install(const StatusItemImage& image, const std::string& toolTip,
                       std::vector<StatusMenuItem> menu) = 0;
  // Takes the item out of the status area.
  virtual void remove() = 0;
};

}  // namespace pelko::platform
