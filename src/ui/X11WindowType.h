#pragma once

class QWidget;

namespace pelko {

// Makes a top-level widget's window a dock (`_NET_WM_WINDOW_TYPE_DOCK`) when the program runs on X11:
// window managers then keep it above normal windows, undecorated and out of their task lists. A window
// manager reads the type when the window is first mapped, so call this before the widget is first shown.
// Returns whether the program runs on X11 (elsewhere nothing is done).
bool markAsDockWindow(QWidget& window);

// Keeps a top-level widget's window out of taskbars and pagers on X11 (`_NET_WM_STATE_SKIP_TASKBAR` and
// `_NET_WM_STATE_SKIP_PAGER`): a panel, popover or edge window of ours is part of the program's one
// entry, never a task of its own. A window manager reads the state when it maps the window and drops it
// when the window is withdrawn, so the state is written again before every map, not only the first; call
// this before the widget is first shown. Returns whether the program runs on X11 (elsewhere nothing is
// done).
bool keepOutOfTaskbars(QWidget& window);

}  // namespace pelko
