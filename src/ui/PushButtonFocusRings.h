#pragma once

namespace pelko {

// Gives every push button of the application (in the settings window, the first-run guide, the about
// window, popovers and alerts alike) the focus ring of the settings window's controls, shown by the
// rule every ring follows (FocusVisibility: once the keyboard has moved the focus). The widget kit's
// style marks a focused push button with a thin outline that is hard to see, and a flat one with
// nothing at all; a Tab stop must show where it is. A button with a ring of its own keeps that one.
// Call once the application exists.
void installPushButtonFocusRings();

}  // namespace pelko
