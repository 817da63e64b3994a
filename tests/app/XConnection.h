#pragma once

// A connection of the test's own to an X server, to read what the program and the window manager put on
// the display (window properties, the managed windows' stacking) and to open a plain window beside them.

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "XTestServer.h"

namespace pelko::testing {

class XConnection {
 public:
  explicit XConnection(const std::string& display) {
    connection_ = connectToDisplay(display);
    if (xcb_connection_has_error(connection_)) return;
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
  }
  ~XConnection() { xcb_disconnect(connection_); }
  XConnection(const XConnection&) = delete;
  XConnection& operator=(const XConnection&) = delete;

  bool isConnected() const { return root_ != XCB_WINDOW_NONE; }
  xcb_connection_t* connection() const { return connection_; }
  xcb_window_t root() const { return root_; }

  xcb_atom_t atom(const char* name) { return internAtom(connection_, name); }

  // The number of the XFixes extension's first event, once the version its events need is agreed; 0
  // when the server does not have the extension.
  uint8_t xfixesFirstEvent() {
    std::free(
        xcb_xfixes_query_version_reply(connection_, xcb_xfixes_query_version(connection_, 5, 0), nullptr));
    const auto* xfixes = xcb_get_extension_data(connection_, &xcb_xfixes_id);
    return xfixes && xfixes->present ? xfixes->first_event : 0;
  }

  // The property's raw bytes; nothing when the window does not have it.
  std::optional<std::string> property(xcb_window_t window, const char* name) {
    auto* reply = xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
        nullptr);
    std::optional<std::string> result;
    if (reply && reply->type != XCB_ATOM_NONE)
      result = std::string(static_cast<const char*>(xcb_get_property_value(reply)),
                           static_cast<size_t>(xcb_get_property_value_length(reply)));
    std::free(reply);
    return result;
  }
  // A property of 32-bit values (cardinals, windows, atoms); empty when the window does not have it.
  std::vector<uint32_t> cardinals(xcb_window_t window, const char* name) {
    auto bytes = property(window, name).value_or("");
    std::vector<uint32_t> values(bytes.size() / 4);
    if (!values.empty()) std::memcpy(values.data(), bytes.data(), values.size() * 4);
    return values;
  }

  // Waits for the server to answer a request: every event it sent this connection before has arrived, so
  // a look at the queued events after this misses none of them.
  void sync() {
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
  }

  // The managed windows bottom to top, as the window manager stacks them.
  std::vector<xcb_window_t> stacking() { return cardinals(root_, "_NET_CLIENT_LIST_STACKING"); }
  xcb_window_t activeWindow() {
    auto active = cardinals(root_, "_NET_ACTIVE_WINDOW");
    return active.empty() ? xcb_window_t{XCB_WINDOW_NONE} : active.front();
  }

  // A plain application window at the screen's top left, named `name` (title and WM_CLASS instance), as
  // a window manager maps any normal window.
  xcb_window_t openWindow(const std::string& name, int width, int height) {
    const xcb_window_t window = xcb_generate_id(connection_);
    // Keys typed into it queue on this connection, for a test that looks where the keyboard went.
    const uint32_t attributes[] = {0x204060, XCB_EVENT_MASK_KEY_PRESS};
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, root_, 0, 0, static_cast<uint16_t>(width),
                      static_cast<uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, attributes);
    const std::string wmClass = name + '\0' + name + '\0';
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        static_cast<uint32_t>(wmClass.size()), wmClass.data());
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<uint32_t>(name.size()), name.data());
    xcb_map_window(connection_, window);
    xcb_flush(connection_);
    return window;
  }

 private:
  xcb_connection_t* connection_ = nullptr;
  xcb_window_t root_ = XCB_WINDOW_NONE;
};

// The window manager's ping, sent to a program's windows, and the program's answers: a round trip
// through the program's event loop. A program answers a ping as it reads it, in the order the server sent
// it its events, so the answer says it has read every event sent before the ping, input included, and
// has carried out what it did at once with the events read before it (its answers to them go to the
// server before this one). Qt answers a ping while it reads its events and delivers the input it read
// to its widgets just after: only a second ping, sent once the first is answered, is answered after that
// delivery and after the work it queued on the event loop.
class ProgramPing : public XConnection {
 public:
  // The answers come to the root window: this connection listens there.
  explicit ProgramPing(const std::string& display) : XConnection(display) {
    if (!isConnected()) return;
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection(), root(), XCB_CW_EVENT_MASK, &mask);
    protocols_ = atom("WM_PROTOCOLS");
    ping_ = atom("_NET_WM_PING");
  }

  // Pings each of `windows` (all of one program, which reads them on one connection); `round` tells the
  // answers to this ping from those to an earlier one.
  void send(const std::vector<xcb_window_t>& windows, uint32_t round) {
    for (const xcb_window_t window : windows) {
      xcb_client_message_event_t message{};
      message.response_type = XCB_CLIENT_MESSAGE;
      message.format = 32;
      message.window = window;
      message.type = protocols_;
      message.data.data32[0] = ping_;
      message.data.data32[1] = kTag + round;  // the ping's time stamp, which the answer keeps
      message.data.data32[2] = window;
      xcb_send_event(connection(), 0, window, XCB_EVENT_MASK_NO_EVENT,
                     reinterpret_cast<const char*>(&message));
    }
    xcb_flush(connection());
  }

  // Whether an answer to the ping of `round` has come, reading what has.
  bool answered(uint32_t round) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection())) {
      const auto* message = reinterpret_cast<const xcb_client_message_event_t*>(event);
      if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE && message->type == protocols_ &&
          message->data.data32[0] == ping_ && message->data.data32[1] > kTag)
        answeredRounds_.insert(message->data.data32[1] - kTag);
      std::free(event);
    }
    return answeredRounds_.count(round) > 0;
  }

 private:
  // Far above the time stamps the window manager's own pings carry, whose answers come here as well.
  static constexpr uint32_t kTag = 0xF0000000;
  xcb_atom_t protocols_ = XCB_ATOM_NONE;
  xcb_atom_t ping_ = XCB_ATOM_NONE;
  std::set<uint32_t> answeredRounds_;
};

}  // namespace pelko::testing
