#include "ui/ScreenCoordinates.h"

#include <cmath>

namespace pelko {

QRect toQtGlobal(const Rect& screenRect, double mainScreenHeight) {
  Rect flipped = flipRect(screenRect, mainScreenHeight);
  int left = static_cast<int>(std::lround(flipped.minX()));
  int top = static_cast<int>(std::lround(flipped.minY()));
  int right = static_cast<int>(std::lround(flipped.maxX()));
  int bottom = static_cast<int>(std::lround(flipped.maxY()));
  return QRect(left, top, right - left, bottom - top);
}

Rect fromQtGlobal(const QRect& qtRect, double mainScreenHeight) {
  Rect rect(qtRect.x(), qtRect.y(), qtRect.width(), qtRect.height());
  return flipRect(rect, mainScreenHeight);
}

}  // namespace pelko
