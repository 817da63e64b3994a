#pragma once

class QWidget;

namespace pelko {

// Makes a top-level widget's window a dock (`_NET_WM_WINDOW_TYPE_DOCK`) when the program runs on X11:
// window managers then keep it above normal windows, undecorated and out of their task lists. A window
// manager reads the type when the window is first mapped, so call this before the widget is first shown.
// Returns whether the program runs on X11 (elsewhere nothing is done).
bool markAsDockWindow(QWidget& window);

}  // namespace pelko
