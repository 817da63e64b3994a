#pragma once

#include <QRect>

#include "foundation/Geometry.h"

namespace pelko {

// The one conversion between screen coordinates (origin at the bottom left of the main screen, y up),
// in which panels are placed, and Qt's global coordinates (origin at the top left of the main screen,
// y down). Both flip against the main screen's height. Qt places windows on whole pixels: the edges are
// rounded, not the origin and size separately, so adjacent frames stay adjacent.
QRect toQtGlobal(const Rect& screenRect, double mainScreenHeight);
Rect fromQtGlobal(const QRect& qtRect, double mainScreenHeight);

}  // namespace pelko
