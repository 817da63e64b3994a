#include "ui/X11InputOnlyWindow.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ui/X11Connection.h"

namespace pelko {

namespace {

// The screen number of the display the program runs on ("host:display.screen"), 0 when not given.
int screenNumber() {
  const char* display = std::getenv("DISPLAY");
  const char* colon = display ? std::strrchr(display, ':') : nullptr;
  const char* dot = colon ? std::strchr(colon, '.') : nullptr;
  return dot ? std::atoi(dot + 1) : 0;
}

xcb_screen_t* screenOf(xcb_connection_t* connection) {
  auto roots = xcb_setup_roots_iterator(xcb_get_setup(connection));
  for (int index = screenNumber(); index > 0 && roots.rem > 1; --index) xcb_screen_next(&roots);
  return roots.rem ? roots.data : nullptr;
}

}  // namespace

bool isX11WithoutCompositor() {
  xcb_connection_t* connection = x11Connection();
  if (!connection) return false;
  // A compositing manager owns this selection for as long as it runs.
  const xcb_atom_t selection = internAtom(connection, "_NET_WM_CM_S" + std::to_string(screenNumber()));
  if (selection == XCB_ATOM_NONE) return true;
  xcb_get_selection_owner_reply_t* reply =
      xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
  const bool owned = reply && reply->owner != XCB_NONE;
  std::free(reply);
  return !owned;
}

std::unique_ptr<X11InputOnlyWindow> X11InputOnlyWindow::create(const QRect& geometry) {
  xcb_connection_t* connection = x11Connection();
  xcb_screen_t* screen = connection ? screenOf(connection) : nullptr;
  if (!screen) return nullptr;
  const xcb_window_t window = xcb_generate_id(connection);
  // Not managed by the window manager: no frame, no focus, and stacked where it is raised.
  const uint32_t values[] = {
      1, XCB_EVENT_MASK_ENTER_WINDOW | XCB_EVENT_MASK_LEAVE_WINDOW | XCB_EVENT_MASK_POINTER_MOTION};
  xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root,
                    static_cast<int16_t>(geometry.x()), static_cast<int16_t>(geometry.y()),
                    static_cast<uint16_t>(std::max(1, geometry.width())),
                    static_cast<uint16_t>(std::max(1, geometry.height())), 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                    XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
  // The program's window class, as Qt gives its own windows: instance, then class.
  const QByteArray instance = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toLocal8Bit();
  const QByteArray windowClass = instance + '\0' + QCoreApplication::applicationName().toLocal8Bit() + '\0';
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                      static_cast<uint32_t>(windowClass.size()), windowClass.constData());
  xcb_flush(connection);
  return std::unique_ptr<X11InputOnlyWindow>(new X11InputOnlyWindow(connection, window));
}

X11InputOnlyWindow::X11InputOnlyWindow(void* connection, uint32_t window)
    : connection_(connection), window_(window) {
  QCoreApplication::instance()->installNativeEventFilter(this);
}

X11InputOnlyWindow::~X11InputOnlyWindow() {
  if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
  auto* connection = static_cast<xcb_connection_t*>(connection_);
  xcb_destroy_window(connection, window_);
  xcb_flush(connection);
}

void X11InputOnlyWindow::map() {
  auto* connection = static_cast<xcb_connection_t*>(connection_);
  const uint32_t above = XCB_STACK_MODE_ABOVE;
  xcb_configure_window(connection, window_, XCB_CONFIG_WINDOW_STACK_MODE, &above);
  xcb_map_window(connection, window_);
  xcb_flush(connection);
}

void X11InputOnlyWindow::unmap() {
  auto* connection = static_cast<xcb_connection_t*>(connection_);
  xcb_unmap_window(connection, window_);
  xcb_flush(connection);
}

bool X11InputOnlyWindow::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  const uint8_t type = event->response_type & 0x7f;
  if (type == XCB_MOTION_NOTIFY) {
    const auto* motion = static_cast<const xcb_motion_notify_event_t*>(message);
    if (motion->event != window_) return false;
    if (onMoved) onMoved(QPoint(motion->root_x, motion->root_y));
    return true;
  }
  if (type != XCB_ENTER_NOTIFY && type != XCB_LEAVE_NOTIFY) return false;
  const auto* crossing = static_cast<const xcb_enter_notify_event_t*>(message);
  if (crossing->event != window_) return false;
  // A crossing into or out of a window inside ours is no crossing of our edge (ours has none inside).
  if (crossing->detail == XCB_NOTIFY_DETAIL_INFERIOR) return true;
  const auto& handler = type == XCB_ENTER_NOTIFY ? onEntered : onExited;
  if (handler) handler();
  return true;
}

}  // namespace pelko
