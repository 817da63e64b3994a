#include "platform/real/X11RawMotion.h"

#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <sys/uio.h>
#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdlib>
#include <cstring>

namespace pelko::real {

namespace {

// The XInput extension's requests and events this needs, written out from the protocol.
xcb_extension_t xinputExtension = {"XInputExtension", 0};
constexpr uint8_t kXIQueryVersion = 47;
constexpr uint8_t kXISelectEvents = 46;
// Raw events come from the physical (slave) devices only.
constexpr uint16_t kXIAllDevices = 0;
constexpr uint16_t kXIRawMotion = 17;
constexpr uint8_t kBadValue = 2;

struct QueryVersionRequest {
  uint8_t majorOpcode;
  uint8_t minorOpcode;
  uint16_t length;
  uint16_t majorVersion;
  uint16_t minorVersion;
};
struct QueryVersionReply {
  uint8_t responseType;
  uint8_t pad0;
  uint16_t sequence;
  uint32_t length;
  uint16_t majorVersion;
  uint16_t minorVersion;
  uint8_t pad1[20];
};
struct SelectEventsRequest {
  uint8_t majorOpcode;
  uint8_t minorOpcode;
  uint16_t length;
  uint32_t window;
  uint16_t maskCount;
  uint16_t pad;
};
struct EventMask {
  uint16_t deviceID;
  uint16_t maskLength;  // in 4-byte units
  uint32_t mask;
};

}  // namespace

std::unique_ptr<X11RawMotion> X11RawMotion::create(std::function<void()> onMotion) {
  // Only a GUI application has a display connection (a restore-only run has a core application).
  auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  auto* x11 = gui ? gui->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  if (!connection) return nullptr;
  const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xinputExtension);
  if (!extension || !extension->present) return nullptr;

  QueryVersionRequest query{0, 0, 0, 2, 2};
  const xcb_protocol_request_t request{2, &xinputExtension, kXIQueryVersion, 0};
  iovec parts[4];
  parts[2].iov_base = &query;
  parts[2].iov_len = sizeof(query);
  parts[3].iov_base = nullptr;
  parts[3].iov_len = 0;
  const unsigned int sequence = xcb_send_request(connection, XCB_REQUEST_CHECKED, parts + 2, &request);
  xcb_generic_error_t* error = nullptr;
  auto* reply = static_cast<QueryVersionReply*>(xcb_wait_for_reply(connection, sequence, &error));
  // A connection answers one version for good: Qt has usually announced its own on this connection
  // already, and then another version is refused with BadValue, which still means XInput 2 is there.
  const bool supported =
      (reply && !error && reply->majorVersion >= 2) || (error && error->error_code == kBadValue);
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
  select(enabled ? 1u << kXIRawMotion : 0u);
}

void X11RawMotion::select(uint32_t mask) {
  auto* connection = static_cast<xcb_connection_t*>(connection_);
  SelectEventsRequest head{0, 0, 0, root_, 1, 0};
  EventMask masks{kXIAllDevices, 1, mask};
  const xcb_protocol_request_t request{2, &xinputExtension, kXISelectEvents, 1};
  iovec parts[4];
  parts[2].iov_base = &head;
  parts[2].iov_len = sizeof(head);
  parts[3].iov_base = &masks;
  parts[3].iov_len = sizeof(masks);
  xcb_send_request(connection, 0, parts + 2, &request);
  xcb_flush(connection);
}

bool X11RawMotion::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (!enabled_ || eventType != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_ge_event_t*>(message);
  if ((event->response_type & 0x7f) != XCB_GE_GENERIC) return false;
  // Byte 1 of a generic event names the extension it comes from.
  if (event->pad0 != opcode_ || event->event_type != kXIRawMotion) return false;
  onMotion_();
  return true;
}

}  // namespace pelko::real
