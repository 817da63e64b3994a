#pragma once

#include <QColor>

#include "foundation/Color.h"

namespace pelko {

// Our colour as Qt draws it; components outside 0...1 (from a computation or a hand-edited setting) are
// clamped rather than handed to Qt, which warns and draws an invalid colour.
QColor toQColor(const Color& color);

}  // namespace pelko
