#include "ui/X11WindowType.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <cstring>

namespace pelko {

namespace {

// Qt's X11 plugin reads this window property whenever it (re)writes the window's type.
constexpr const char* kXcbWindowTypeProperty = "_q_xcb_wm_window_type";
constexpr int kXcbWindowTypeDock = 0x4;

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
  auto cookie = xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
  xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  std::free(reply);
  return atom;
}

}  // namespace

bool markAsDockWindow(QWidget& window) {
  // Only a GUI application has a display connection (a restore-only run has a core application).
  auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  auto* x11 = gui ? gui->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11 || !x11->connection()) return false;
  const auto id = static_cast<xcb_window_t>(window.winId());
  // Kept on the Qt window too, so that Qt keeps the dock type when it writes the window's type again.
  window.windowHandle()->setProperty(kXcbWindowTypeProperty, kXcbWindowTypeDock);
  xcb_connection_t* connection = x11->connection();
  const xcb_atom_t type = internAtom(connection, "_NET_WM_WINDOW_TYPE");
  const xcb_atom_t dock = internAtom(connection, "_NET_WM_WINDOW_TYPE_DOCK");
  if (type != XCB_ATOM_NONE && dock != XCB_ATOM_NONE) {
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, type, XCB_ATOM_ATOM, 32, 1, &dock);
    xcb_flush(connection);
  }
  return true;
}

}  // namespace pelko
