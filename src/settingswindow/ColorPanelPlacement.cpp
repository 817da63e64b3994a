#include "settingswindow/ColorPanelPlacement.h"

#include <algorithm>

namespace pelko {

Point colorPanelOrigin(const Rect& windowFrame, const Size& panelSize, const Rect& visibleFrame) {
  constexpr double kGap = 8;
  const double y = std::max(windowFrame.maxY() - panelSize.height, visibleFrame.minY());
  double x = windowFrame.maxX() + kGap;
  if (x + panelSize.width <= visibleFrame.maxX()) return {x, y};
  x = windowFrame.minX() - panelSize.width - kGap;
  if (x >= visibleFrame.minX()) return {x, y};
  x = windowFrame.midX() - panelSize.width / 2;
  x = std::max(visibleFrame.minX(), std::min(visibleFrame.maxX() - panelSize.width, x));
  return {x, y};
}

}  // namespace pelko
