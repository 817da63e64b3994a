#pragma once

class QCheckBox;

namespace pelko {

// Draws a check box's box as the dark appearance does: an outline that stands out from the surface it
// sits on when off (the widget kit's own outline is nearly the colour of a settings row), filled with
// the accent colour and a white check mark when on, and ringed in the accent colour while it has the
// focus and the keyboard moved it there (FocusVisibility). The label and everything else stay the
// application style's.
void applyCheckBoxStyle(QCheckBox& box);

}  // namespace pelko
