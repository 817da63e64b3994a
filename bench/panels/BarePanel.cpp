// The baseline: a bare Qt window showing one bar along the bottom of the screen, with nothing in it. It is
// a dock window, as Pelko's bar is, so the window manager treats both alike; it follows the pointer (as a
// bar with buttons must) and paints only its background colour.

#include <xcb/xcb.h>

#include <QApplication>
#include <QPalette>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
  auto cookie = xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
  const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  std::free(reply);
  return atom;
}

// What Pelko's bar does too: the type Qt keeps when it writes the window's type again, and the property.
void markAsDock(QWidget& window) {
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11 || !x11->connection()) return;
  const auto id = static_cast<xcb_window_t>(window.winId());
  window.windowHandle()->setProperty("_q_xcb_wm_window_type", 0x4);
  xcb_connection_t* connection = x11->connection();
  const xcb_atom_t type = internAtom(connection, "_NET_WM_WINDOW_TYPE");
  const xcb_atom_t dock = internAtom(connection, "_NET_WM_WINDOW_TYPE_DOCK");
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, type, XCB_ATOM_ATOM, 32, 1, &dock);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget bar(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  bar.setGeometry(screen.left(), screen.bottom() - 47, screen.width(), 48);
  QPalette palette = bar.palette();
  palette.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
  bar.setPalette(palette);
  bar.setAutoFillBackground(true);
  bar.setMouseTracking(true);
  markAsDock(bar);
  bar.show();
  return application.exec();
}
