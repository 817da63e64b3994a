#pragma once

#include <optional>

#include "foundation/Geometry.h"
#include "settings/SettingEnumerations.h"

namespace pelko {

// Where the parts of a bar sit inside its root view, in the view's own coordinates (origin top left, y
// down, as the widgets are placed). Along the bar: the item stack from the start edge (left, or top),
// then the trash icon, then the tray at the far end (right, or bottom).
struct BarContentLayout {
  // The stack's frame: it starts 4 points in from the start edge and may reach to 4 points before the
  // trash, the tray or the far end; buttons that do not fit are squeezed (and clipped at its end).
  Rect stack;
  std::optional<Rect> trash;
  std::optional<Rect> tray;
};

struct BarContentOptions {
  TaskbarPosition position = TaskbarPosition::bottom;
  Size rootSize;
  double barThickness = 34;  // the trash icon is 8 points smaller
  bool showTrash = false;
  bool showTray = false;
  double trayLength = 0;  // the tray's own length along the bar; it never gets less than the minimum
  double minTrayLength = 80;
};

inline constexpr double kBarEndInset = 4;  // at each end of the bar and between its parts

BarContentLayout layoutBarContent(const BarContentOptions& options);

}  // namespace pelko
