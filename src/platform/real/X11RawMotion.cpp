#include "platform/real/X11RawMotion.h"

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdlib>

namespace pelko::real {

std::unique_ptr<X11RawMotion> X11RawMotion::create(std::function<void()> onMotion) {
  // Only a GUI application has a display connection (a restore-only run has a core application).
  auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  auto* x11 = gui ? gui->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  if (!connection) return nullptr;
  const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_input_id);
  if (!extension || !extension->present) return nullptr;

  xcb_generic_error_t* error = nullptr;
  xcb_input_xi_query_version_reply_t* reply =
      xcb_input_xi_query_version_reply(connection, xcb_input_xi_query_version(connection, 2, 2), &error);
  // A connection answers one version for good: Qt has usually announced its own on this connection
  // already, and then another version is refused with BadValue, which still means XInput 2 is there.
  const bool supported =
      (reply && !error && reply->major_version >= 2) || (error && error->error_code == XCB_VALUE);
  std::free(reply);
  std::free(error);
  if (!supported) return nullptr;

  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  if (!screen) return nullptr;
  return std::unique_ptr<X11RawMotion>(
      new X11RawMotion(connection, screen->root, extension->major_opcode, std::move(onMotion)));
}

X11RawMotion::X11RawMotion(void* connection, uint32_t root, uint8_t opcode, std::function<void()> onMotion)
    : connection_(connection), root_(root), opcode_(opcode), onMotion_(std::move(onMotion)) {
  QCoreApplication::instance()->installNativeEventFilter(this);
}

X11RawMotion::~X11RawMotion() {
  setEnabled(false);
  if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

void X11RawMotion::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  select(enabled ? uint32_t{XCB_INPUT_XI_EVENT_MASK_RAW_MOTION} : 0u);
}

void X11RawMotion::select(uint32_t mask) {
  auto* connection = static_cast<xcb_connection_t*>(connection_);
  // Raw events come from the physical (slave) devices only, so every device is asked for.
  struct {
    xcb_input_event_mask_t head;
    uint32_t mask;
  } masks{{XCB_INPUT_DEVICE_ALL, 1}, mask};
  xcb_input_xi_select_events(connection, root_, 1, &masks.head);
  xcb_flush(connection);
}

bool X11RawMotion::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (!enabled_ || eventType != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_ge_generic_event_t*>(message);
  if ((event->response_type & 0x7f) != XCB_GE_GENERIC) return false;
  if (event->extension != opcode_ || event->event_type != XCB_INPUT_RAW_MOTION) return false;
  onMotion_();
  return true;
}

}  // namespace pelko::real
