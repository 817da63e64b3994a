#pragma once

namespace pelko {

// Puts the controls of our kit before a screen reader as the platform's controls of their kinds: a
// switch is a check box with its checked state and a toggle; a stepper a spin button with its value,
// range and step and increase and decrease; a segmented control a tab list whose segments are tabs that
// show which one is selected and select themselves when pressed; a colour well a button whose press
// opens the colour panel; a pop-up button a combo box called by its name, not by its choice, which is its
// value. Every action goes the way of the user's own click, so a setting changed by a
// screen reader is stored as one changed by hand. Qt would report each of them as a bare "filler"
// without state or action. The controls call this themselves; calling it again does nothing.
void installAccessibleControls();

}  // namespace pelko
