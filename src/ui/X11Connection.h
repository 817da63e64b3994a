#pragma once

#include <xcb/xcb.h>

#include <string_view>

namespace pelko {

// The display connection of a GUI application on X11; null elsewhere, and in a restore-only run, which
// has a core application and no display.
xcb_connection_t* x11Connection();

// The atom the server keeps for `name`, XCB_ATOM_NONE when it gives none. A round trip: callers that
// ask for the same name often keep the answer.
xcb_atom_t internAtom(xcb_connection_t* connection, std::string_view name);

}  // namespace pelko
