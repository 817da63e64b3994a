#include "ui/QtColor.h"

#include <algorithm>

namespace pelko {

QColor toQColor(const Color& c) {
  auto unit = [](double v) { return static_cast<float>(std::clamp(v, 0.0, 1.0)); };
  return QColor::fromRgbF(unit(c.red), unit(c.green), unit(c.blue), unit(c.alpha));
}

}  // namespace pelko
