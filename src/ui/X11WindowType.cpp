#include "ui/X11WindowType.h"

#include <QWidget>
#include <QWindow>

#include "ui/X11Connection.h"

namespace pelko {

namespace {

// Qt's X11 plugin reads this window property whenever it (re)writes the window's type.
constexpr const char* kXcbWindowTypeProperty = "_q_xcb_wm_window_type";
constexpr int kXcbWindowTypeDock = 0x4;

}  // namespace

bool markAsDockWindow(QWidget& window) {
  xcb_connection_t* connection = x11Connection();
  if (!connection) return false;
  const auto id = static_cast<xcb_window_t>(window.winId());
  // Kept on the Qt window too, so that Qt keeps the dock type when it writes the window's type again.
  window.windowHandle()->setProperty(kXcbWindowTypeProperty, kXcbWindowTypeDock);
  const xcb_atom_t type = internAtom(connection, "_NET_WM_WINDOW_TYPE");
  const xcb_atom_t dock = internAtom(connection, "_NET_WM_WINDOW_TYPE_DOCK");
  if (type != XCB_ATOM_NONE && dock != XCB_ATOM_NONE) {
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, type, XCB_ATOM_ATOM, 32, 1, &dock);
    xcb_flush(connection);
  }
  return true;
}

}  // namespace pelko
