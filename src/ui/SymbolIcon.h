#pragma once

#include <QPixmap>
#include <string>
#include <vector>

#include "foundation/Color.h"

namespace pelko {

// The symbol images the settings window names, drawn here as simple line art in a square of
// `pointSize` points, tinted with one colour. A name without a drawing is no symbol: callers fall back
// exactly as they do for a symbol the system lacks.
bool symbolExists(const std::string& name);
// Every drawable name, for galleries and tests.
std::vector<std::string> symbolNames();
// A null pixmap for an unknown name. `devicePixelRatio` > 1 draws a sharper image of the same size in
// points; `semibold` draws thicker strokes.
QPixmap symbolImage(const std::string& name, double pointSize, const Color& tint, bool semibold = false,
                    double devicePixelRatio = 2.0);

}  // namespace pelko
