#pragma once

#include "foundation/Geometry.h"

namespace pelko {

// Where the colour panel goes beside the settings window (all in screen coordinates, y up): its top
// level with the window's top, to the right of the window when it fits on the screen, else to the
// left, else centred on the window and kept inside the screen's visible frame. Answers the origin.
Point colorPanelOrigin(const Rect& windowFrame, const Size& panelSize, const Rect& visibleFrame);

}  // namespace pelko
