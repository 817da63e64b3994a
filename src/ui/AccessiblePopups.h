#pragma once

namespace pelko {

// Puts the program's pop-ups (its menus, the popovers) before a screen reader while they show, and makes
// a menu item's press over the accessibility bus do what a click on it does.
//
// Qt's accessible application lists as its children only the windows that are not pop-ups, so an open
// menu had no path from the application: a screen reader walking the tree found nothing, whichever menu
// was open. The application's interface installed here lists, after those windows, every pop-up window
// that shows (a submenu stays under the item that opens it), and tells the bus when one comes and goes.
// Qt's own press of a menu item ran the item's action under a menu that stayed open; here every menu of
// the chain closes first, as after a click, and the action runs on the next pass of the event loop, so
// a screen reader's call returns before an alert the action may open.
//
// Idempotent; main thread. Safe to call after the application's interface was first asked for: that one
// is dropped and made again.
void installAccessiblePopups();

}  // namespace pelko
