#pragma once

namespace pelko {

// Puts scroll areas before a screen reader as the widget kit does (their view port, then the scroll bars
// and the corner widget that show), but answers a question for a child that is no longer there with
// nothing. A screen reader counts a widget's children and then asks for each by its index, one message
// at a time; a scroll bar that hid in between (a search that shortened the page, a window that closed)
// left the kit's own answer reading past the end of its list, and the program crashed. Call once the
// application exists, before any scroll area is shown.
void installAccessibleScrollAreas();

}  // namespace pelko
