#pragma once

class QWidget;

namespace pelko {

// Hands the keyboard from `window`, just sent behind the other windows, to the window now in front: the
// topmost window of the current desktop other than it that a user works in (a normal window or a
// dialog, not minimized; docks and panels left out), asked of the window manager as a taskbar asks for
// a window. The window manager on X11 leaves the keyboard with a window sent back, so that typing would
// go on reaching a window the user no longer sees. Returns whether another window was asked for; false
// off X11, or when there is no other window (the window sent back is then still in sight).
bool activateWindowInFrontOf(QWidget& window);

}  // namespace pelko
