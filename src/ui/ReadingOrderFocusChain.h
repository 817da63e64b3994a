#pragma once

#include <vector>

class QWidget;

namespace pelko {

// The keyboard's way through a window in reading order. Qt's Tab follows the order widgets were made
// or moved into their window, which a window that rebuilds its rows (or makes a row after the rows it
// then shows it above) loses; reading order does not depend on it.
//
// Reading order is decided along the widget tree, so a group is read whole before whatever follows it
// (a sidebar before the panel beside it, a card before the card to its right) and a control inside a
// scroll area is placed by where it sits on its page, not by where the page is scrolled to. Among the
// shown children of one widget: top to bottom by lines, left to right within a line, where a child
// whose vertical centre lies above the bottom of the line so far belongs to that line (a control
// centred beside a taller title belongs to the title's line). Hidden children follow their shown
// siblings in the order they were made. Other windows (popovers, menus) are not part of it.

// The widgets of `window` that Tab stops on (the window itself when it takes focus too), in reading
// order, hidden ones included.
std::vector<QWidget*> readingOrderTabStops(QWidget& window);

// Lays out what waits to be laid out in `window`, then makes its focus chain run through its Tab stops
// in reading order: Tab goes forward along it and Shift+Tab back, wrapping at the ends. A chain already
// in that order is left as it is. Call it when Tab is about to move (a window's focusNextPrevChild), and
// after a rebuild where the first stop of the chain matters.
void applyReadingOrderFocusChain(QWidget& window);

}  // namespace pelko
